#include "capture/ocr_client.h"

#include <gtest/gtest.h>

#include "net/base64.h"

#include "app/control_names.h"
#include "app/service_config.h"
#include "platform/ini.h"
#include "support/fake_form.h"
#include "support/scripted_transport.h"
#include "support/temp_dir.h"

namespace {

const char* const kCaptureButtons[] = {ctl::按钮截图, ctl::按钮坐标截图, ctl::按钮正面截图,
                                       ctl::按钮副面截图, ctl::按钮坐标截图证};

class OcrClientTest : public ::testing::Test {
protected:
    TempDir dir;
    AppState state{dir.path()};
    FakeForm form;
    ScriptedTransport transport;
    HttpClient http{transport};
    OcrClient ocr{state, form, http};

    void SetUp() override {
        state.hotkeyCount = 5;
        state.keyFilePath = dir.file("key.ini");
        state.languageCodes[0] = "auto_detect";
        state.languageCodes[1] = "CHN_ENG";
        state.servicePieces = ServiceConfig::defaults();
        state.servicePieces.tokenEndpoint = "http://srv/oauth/2.0/token";
        state.servicePieces.apiBaseUrl = "http://srv/rest/";
        state.servicePieces.generalPath = "ocr/v1/general_basic";
        state.servicePieces.handwritingPath = "ocr/v1/handwriting";
        state.servicePieces.vehicleLicencePath = "ocr/v1/vehicle_license";
        ini::write(state.keyFilePath, "k", "API Key", "A&B");
        ini::write(state.keyFilePath, "k", "Secret Key", "S");
        form.addItem(ctl::组合框key, {"k", 0});
        form.setSelectedIndex(ctl::组合框key, 0);
        form.setSelectedIndex(ctl::组合框文字, 1);
    }
    std::string status() { return form.statusText(ctl::状态条1, 1); }
    void tokenReply(const std::string& body) { transport.reply("srv/oauth/2.0/token", body); }
};

TEST_F(OcrClientTest, TokenStepSendsTheKeysAsWrittenAndEnablesTheButtons) {
    tokenReply(R"({"refresh_token":"r","expires_in":2592000,"access_token":"T"})");
    form.setStatusText(ctl::状态条1, 1, "状态：获取版本信息失败");
    ocr.FetchToken();
    const auto request = transport.last();
    EXPECT_EQ(request.verb, "GET");
    // The "&" of the API key goes out unescaped, so the query gains a parameter.
    EXPECT_EQ(request.path,
              "/oauth/2.0/token?grant_type=client_credentials&client_id=A&B&client_secret=S");
    EXPECT_EQ(status(), "状态：获取版本信息失败状态：启动成功");
    EXPECT_EQ(state.accessToken(), "T");
    for (const char* b : kCaptureButtons) EXPECT_TRUE(form.enabled(b)) << b;
    const auto e = state.recognitionEndpoints();
    const std::array<std::string, 12> expected{
        "http://srv/rest/ocr/v1/accurate_basic",
        "http://srv/rest/ocr/v1/general_basic",
        "http://srv/rest/ocr/v1/handwriting?access_token=T",
        "http://srv/rest/ocr/v1/numbers?access_token=T",
        "",
        "http://srv/rest/ocr/v1/vehicle_license?access_token=T",
        "http://srv/rest/ocr/v1/vehicle_license",
        "http://srv/rest/ocr/v1/idcard",
        "http://srv/rest/ocr/v1/idcard",
        "",
        "",
        ""};
    EXPECT_EQ(e, expected);
}

TEST_F(OcrClientTest, TokenStepFailures) {
    struct Case {
        const char* name;
        bool connect;
        const char* body;
    };
    for (const Case& c : {Case{"no access_token", true, R"({"error":"invalid_client"})"},
                          Case{"not json", true, "<html>busy</html>"}, Case{"empty", true, ""},
                          Case{"unreachable", false, ""},
                          // A token travels unencoded in addresses and form bodies.
                          Case{"line break", true, R"({"access_token":"T1\r\nX-Injected: yes"})"},
                          Case{"extra field", true, R"({"access_token":"T&image=x"})"},
                          Case{"space", true, R"({"access_token":"T 1"})"}}) {
        if (c.connect)
            tokenReply(c.body);
        else
            transport.refuse("srv/oauth/2.0/token");
        form.setStatusText(ctl::状态条1, 1, "");
        ocr.FetchToken();
        EXPECT_EQ(status(), "状态：获取access_token失败") << c.name;
        EXPECT_EQ(state.accessToken(), "") << c.name;
        for (const char* b : kCaptureButtons) EXPECT_FALSE(form.enabled(b)) << c.name;
        EXPECT_EQ(state.recognitionEndpoints()[0], "") << c.name;
    }
}

TEST_F(OcrClientTest, FailedTokenStepAfterSuccessKeepsTheAddresses) {
    tokenReply(R"({"access_token":"T1"})");
    ocr.FetchToken();
    tokenReply(R"({"error":"x"})");
    ocr.FetchToken();
    EXPECT_EQ(status(), "状态：启动成功状态：获取access_token失败");
    EXPECT_EQ(state.accessToken(), "");
    EXPECT_EQ(state.recognitionEndpoints()[2],
              "http://srv/rest/ocr/v1/handwriting?access_token=T1");
    EXPECT_TRUE(form.enabled(ctl::按钮截图));
}

TEST_F(OcrClientTest, NoKeyProfileStillAsksAndFails) {
    form.clearItems(ctl::组合框key);
    tokenReply(R"({"error":"x"})");
    ocr.FetchToken();
    EXPECT_EQ(transport.last().path,
              "/oauth/2.0/token?grant_type=client_credentials&client_id=&client_secret=");
    EXPECT_EQ(status(), "状态：获取access_token失败");
}

TEST_F(OcrClientTest, RecognitionBodiesAndAddressesPerKind) {
    tokenReply(R"({"access_token":"T"})");
    ocr.FetchToken();
    struct Case {
        int kind;
        const char* path;
        const char* prefix;
    };
    const Case cases[] = {
        {1, "/rest/ocr/v1/accurate_basic", "access_token=T&language_type=CHN_ENG&"},
        {2, "/rest/ocr/v1/general_basic", "access_token=T&language_type=CHN_ENG&"},
        {3, "/rest/ocr/v1/handwriting?access_token=T", ""},
        {4, "/rest/ocr/v1/numbers?access_token=T", ""},
        {6, "/rest/ocr/v1/vehicle_license?access_token=T", ""},
        {7, "/rest/ocr/v1/vehicle_license",
         "access_token=T&detect_direction=false&accuracy=&vehicle_license_side=back&"},
        {8, "/rest/ocr/v1/idcard", "access_token=T&id_card_side=front&"},
        {9, "/rest/ocr/v1/idcard", "access_token=T&id_card_side=back&"},
    };
    for (const Case& c : cases) {
        const std::string p = c.path;
        transport.reply("srv" + p.substr(0, p.find('?')), R"({"words_result":[]})");
        // One byte: its base64 text ends in "==", which travels as %3D%3D.
        const Text reply = ocr.Recognize("a", c.kind);
        EXPECT_EQ(reply, R"({"words_result":[]})") << c.kind;
        const auto request = transport.last();
        EXPECT_EQ(request.verb, "POST");
        EXPECT_EQ(request.path, c.path) << c.kind;
        EXPECT_EQ(request.body, std::string(c.prefix) + "image=YQ%3D%3D") << c.kind;
    }
}

TEST_F(OcrClientTest, LanguageOfTheSelectedItemOrAutomatic) {
    tokenReply(R"({"access_token":"T"})");
    ocr.FetchToken();
    transport.reply("srv/rest/ocr/v1/accurate_basic", "{}");
    form.setSelectedIndex(ctl::组合框文字, 0);
    ocr.Recognize("abc", 1);
    EXPECT_EQ(transport.last().body, "access_token=T&language_type=auto_detect&image=YWJj");
    form.setSelectedIndex(ctl::组合框文字, -1);
    ocr.Recognize("abc", 1);
    EXPECT_EQ(transport.last().body, "access_token=T&language_type=auto_detect&image=YWJj");
}

// The body's buffer outlives a request: a short body after a long one carries nothing of it.
TEST_F(OcrClientTest, ABodyAfterALongerOneIsExactlyItsOwn) {
    tokenReply(R"({"access_token":"T"})");
    ocr.FetchToken();
    transport.reply("srv/rest/ocr/v1/accurate_basic", "{}");
    for (const Bytes& image : {Bytes(300000, '\xfb'), Bytes("abc")}) {
        ocr.Recognize(image, 1);
        EXPECT_EQ(transport.last().body,
                  "access_token=T&language_type=CHN_ENG&image=" + Base64::EncodeUrlEncoded(image));
    }
}

TEST_F(OcrClientTest, ReplyTextKeepsWhatCodePage936Lacks) {
    tokenReply(R"({"access_token":"T"})");
    ocr.FetchToken();
    transport.reply("srv/rest/ocr/v1/accurate_basic",
                    "{\"words_result\":[{\"words\":\"한국어 Zażółć\"}]}");
    EXPECT_EQ(ocr.Recognize("abc", 1), "{\"words_result\":[{\"words\":\"한국어 Zażółć\"}]}");
}

TEST_F(OcrClientTest, BeforeAnyTokenARecognitionGetsNoReply) {
    EXPECT_EQ(ocr.Recognize("abc", 1), "");
}

TEST(ServiceConfigTest, FileOverridesDefaultsKeyByKey) {
    TempDir dir;
    ini::write(dir.file("service.ini"), "service", "ApiBaseUrl", "https://127.0.0.1:8443/rest");
    ini::write(dir.file("service.ini"), "service", "UpdateInfoUrl", "http://127.0.0.1:1/u.json");
    AppState state(dir.path());
    ServiceConfig::apply(state);
    EXPECT_EQ(state.servicePieces.apiBaseUrl, "https://127.0.0.1:8443/rest/");
    EXPECT_EQ(state.updateInfoAddress, "http://127.0.0.1:1/u.json");
    EXPECT_EQ(state.servicePieces.tokenEndpoint, ServiceConfig::defaults().tokenEndpoint);
    EXPECT_FALSE(state.servicePieces.generalPath.empty());
}

}  // namespace
