// The offline item of 组合框识别: the first start's choice and the text page's capture buttons;
// the status line's pointer to key.ini.
#include <cstdlib>

#include "capture/ocr_client.h"
#include "main_window_fixture.h"
#include "support/scripted_transport.h"

namespace {

bool textButtonsEnabled(FakeForm& form) {
    const bool a = form.enabled(ctl::按钮截图), b = form.enabled(ctl::按钮坐标截图);
    EXPECT_EQ(a, b);
    return a;
}

TEST_F(MainWindowTest, FirstStartWithoutAKeyChoosesTheOfflineItem) {
    struct Case {
        const char* name;
        const char* keys;
        const char* settings;
        int selected;
    };
    for (const Case& c : {Case{"new user", nullptr, nullptr, 4},
                          Case{"a key profile", "[k]\nAPI Key=a\n", nullptr, 0},
                          Case{"a saved choice", nullptr, "[组合框识别]\n现行选中项=1\n", 1},
                          Case{"both", "[k]\n", "[组合框识别]\n现行选中项=2\n", 2}}) {
        std::remove(dir.file("key.ini").c_str());
        std::remove(dir.file("windows data.ini").c_str());
        if (c.keys) writeIni("key.ini", c.keys);
        if (c.settings) writeIni("windows data.ini", c.settings);
        form = FakeForm();
        services.offlineUsable = [] { return true; };
        start();
        EXPECT_EQ(form.selectedIndex(ctl::组合框识别), c.selected) << c.name;
        EXPECT_EQ(textButtonsEnabled(form), c.selected == 4) << c.name;
        EXPECT_FALSE(form.enabled(ctl::按钮正面截图)) << c.name;
        EXPECT_FALSE(form.enabled(ctl::按钮坐标截图证)) << c.name;
        EXPECT_EQ(setting("组合框识别", "现行选中项"), c.settings ? text::fromInt(c.selected) : "")
            << c.name << ": the first start's choice is not written";
    }
}

TEST_F(MainWindowTest, TextCaptureButtonsFollowTheOfflineItemUntilATokenArrives) {
    bool usable = false;
    services.offlineUsable = [&] { return usable; };
    start();
    EXPECT_FALSE(textButtonsEnabled(form)) << "engine without its data";
    usable = true;
    form.userSelect(ctl::组合框识别, 0);
    EXPECT_FALSE(textButtonsEnabled(form));
    form.userSelect(ctl::组合框识别, 4);
    EXPECT_TRUE(textButtonsEnabled(form));
    form.userSelect(ctl::组合框识别, 1);
    EXPECT_FALSE(textButtonsEnabled(form)) << "a cloud item without a token";
    std::array<Text, 12> endpoints{};
    endpoints[0] = "https://srv/accurate";
    state->setService("T", &endpoints);
    state->setService("", nullptr);  // a later failed token step keeps the addresses
    form.userSelect(ctl::组合框识别, 4);
    form.userSelect(ctl::组合框识别, 0);
    EXPECT_TRUE(textButtonsEnabled(form));
}

TEST_F(MainWindowTest, FirstStartWithoutAKeySaysWhereKeyIniGoes) {
    // The token step as the program wires it, against a service that cannot be reached.
    ScriptedTransport transport;
    HttpClient http(transport);
    std::unique_ptr<OcrClient> ocr;
    services.loadServicePieces = [&] {
        ServiceConfig::apply(*state);
        ocr = std::make_unique<OcrClient>(*state, form, http);
    };
    services.fetchToken = [&] {
        auto token = std::make_shared<Text>();
        return NetworkStep{[&, token] { *token = ocr->requestToken(ocr->tokenAddress()); },
                           [&, token] { ocr->applyToken(*token); }};
    };
    const std::string failed = "状态：获取版本信息失败状态：获取access_token失败";
    auto hint = [](const std::string& path) {
        return "状态：未找到密钥，请把密钥文件放到" + path + "，离线识别无需密钥";
    };
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    struct Case {
        const char* name;
        const char* keys;
        std::string home;
        std::string status;
    };
    for (const Case& c :
         {Case{"no key.ini", nullptr, home, failed + hint(dir.file("key.ini"))},
          Case{"key.ini without a profile", "; 备注\n", home, failed + hint(dir.file("key.ini"))},
          Case{"a key profile", "[k]\nAPI Key=a\nSecret Key=b\n", home, failed},
          Case{"in the home folder", nullptr, dir.path() + "/", failed + hint("~/key.ini")}}) {
        std::remove(dir.file("key.ini").c_str());
        if (c.keys) writeIni("key.ini", c.keys);
        setenv("HOME", c.home.c_str(), 1);
        form = FakeForm();
        start();
        EXPECT_EQ(form.statusText(ctl::状态条1, 1), c.status) << c.name;
        EXPECT_EQ(form.selectedIndex(ctl::组合框识别), c.status == failed ? 0 : 4) << c.name;
    }
    setenv("HOME", home.c_str(), 1);
}

}  // namespace
