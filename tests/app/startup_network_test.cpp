// The startup steps that wait on the network (the update notice and the token step) and the
// token step of a key choice: their waits run off the user-interface thread, their ends in order.
#include <deque>

#include "capture/ocr_client.h"
#include "main_window_fixture.h"
#include "support/scripted_transport.h"

namespace {

class StartupNetworkTest : public MainWindowTest {
protected:
    ScriptedTransport transport;
    HttpClient http{transport};
    // Waits handed to a worker, held until the test lets one finish, in any order.
    std::deque<NetworkStep> pending;
    std::vector<std::string> tokenKeys;  // the key profile of every token step that finished

    void SetUp() override {
        services.background = [this](std::function<void()> wait, std::function<void()> finish) {
            pending.push_back({std::move(wait), std::move(finish)});
        };
    }
    // The wait and then the end of the pending step at the index.
    void finish(size_t index) {
        ASSERT_LT(index, pending.size());
        NetworkStep step = std::move(pending[index]);
        pending.erase(pending.begin() + static_cast<long>(index));
        step.wait();
        step.finish();
    }
    std::string status() { return form.statusText(ctl::状态条1, 1); }
    // A token step that records which key profile it ran for.
    void recordTokenSteps() {
        services.fetchToken = [this] {
            const std::string key = form.text(ctl::组合框key);
            return NetworkStep{[] {}, [this, key] { tokenKeys.push_back(key); }};
        };
    }
};

TEST_F(StartupNetworkTest, StartupWaitsOffTheWindowAndKeepsTheOrderOfItsSteps) {
    ini::write(dir.file("service.ini"), "service", "UpdateInfoUrl", "http://upd/u.json");
    ini::write(dir.file("service.ini"), "service", "TokenEndpoint", "http://srv/token");
    transport.reply("upd/u.json", R"({"update":{"v":"3.9","byts":"最新"}})");
    transport.reply("srv/token", R"({"access_token":"T"})");
    writeIni("key.ini", "[a]\nAPI Key=1\nSecret Key=2\n");
    std::unique_ptr<OcrClient> ocr;
    services.loadServicePieces = [this, &ocr] {
        ServiceConfig::apply(*state);
        window->setHttpClient(&http);
        ocr = std::make_unique<OcrClient>(*state, form, http);
    };
    services.fetchToken = [&ocr] {
        auto token = std::make_shared<Text>();
        return NetworkStep{
            [&ocr, token, address = ocr->tokenAddress()] { *token = ocr->requestToken(address); },
            [&ocr, token] { ocr->applyToken(*token); }};
    };
    std::vector<std::string> exports;
    services.loadExportProfile = [&] { exports.push_back(status()); };
    start();
    // The window is up and nothing has waited on the network yet.
    EXPECT_TRUE(transport.requests().empty());
    EXPECT_EQ(form.title(), "OzmiraV3.9");
    EXPECT_EQ(status(), "");
    ASSERT_EQ(pending.size(), 1u);
    finish(0);
    EXPECT_EQ(form.text(ctl::标签提示), "最新");
    EXPECT_EQ(status(), "");
    EXPECT_FALSE(form.enabled(ctl::按钮截图));
    EXPECT_TRUE(exports.empty());
    ASSERT_EQ(pending.size(), 1u);
    finish(0);
    EXPECT_EQ(status(), "状态：启动成功");
    EXPECT_TRUE(form.enabled(ctl::按钮截图));
    EXPECT_EQ(state->accessToken(), "T");
    // The export profile comes last, after the token step's text.
    EXPECT_EQ(exports, std::vector<std::string>{"状态：启动成功"});
    EXPECT_TRUE(pending.empty());
}

TEST_F(StartupNetworkTest, OnlyTheLatestKeyChoiceSetsTheToken) {
    recordTokenSteps();
    writeIni("key.ini", "[a]\n[b]\n[c]\n");
    start();
    while (!pending.empty()) finish(0);
    ASSERT_EQ(tokenKeys, std::vector<std::string>{"a"});
    // The answers of two choices arrive in either order: the earlier choice's is dropped.
    for (size_t first : {0u, 1u}) {
        tokenKeys.clear();
        form.userSelect(ctl::组合框key, 1);
        form.userSelect(ctl::组合框key, 2);
        ASSERT_EQ(pending.size(), 2u);
        finish(first);
        finish(0);
        EXPECT_EQ(tokenKeys, std::vector<std::string>{"c"}) << "first finished: " << first;
    }
}

TEST_F(StartupNetworkTest, KeyChoiceWhileTheUpdateNoticeWaitsIsTheStartupsKey) {
    recordTokenSteps();
    bool exported = false;
    services.loadExportProfile = [&] { exported = true; };
    writeIni("key.ini", "[a]\n[b]\n");
    start();
    form.userSelect(ctl::组合框key, 1);
    ASSERT_EQ(pending.size(), 1u);  // only the update notice
    finish(0);
    ASSERT_EQ(pending.size(), 1u);
    finish(0);
    EXPECT_EQ(tokenKeys, std::vector<std::string>{"b"});
    EXPECT_TRUE(exported);
}

TEST_F(StartupNetworkTest, SupersededStartupTokenStillLoadsTheExportProfile) {
    recordTokenSteps();
    bool exported = false;
    services.loadExportProfile = [&] { exported = true; };
    writeIni("key.ini", "[a]\n[b]\n");
    start();
    finish(0);
    form.userSelect(ctl::组合框key, 1);  // while the startup's token step waits
    ASSERT_EQ(pending.size(), 2u);
    finish(0);
    EXPECT_TRUE(tokenKeys.empty());
    EXPECT_TRUE(exported);
    finish(0);
    EXPECT_EQ(tokenKeys, std::vector<std::string>{"b"});
}

}  // namespace
