// The update notice of the startup sequence.
#include "main_window_fixture.h"
#include "support/scripted_transport.h"

namespace {

class UpdateNoticeTest : public MainWindowTest {
protected:
    ScriptedTransport transport;
    HttpClient http{transport};

    // A window started in its own fake form with the update document at its address.
    std::unique_ptr<FakeForm> startFresh(const std::string& body) {
        auto fresh = std::make_unique<FakeForm>();
        form.setEvents(nullptr);
        if (body.empty())
            transport.refuse("upd/u.json");
        else
            transport.reply("upd/u.json", body);
        ini::write(dir.file("service.ini"), "service", "UpdateInfoUrl", "http://upd/u.json");
        m_states.push_back(std::make_unique<AppState>(dir.path()));
        AppState& s = *m_states.back();
        m_windows.push_back(std::make_unique<MainWindow>(s, *fresh, clipboard));
        MainWindowServices svc;
        svc.loadServicePieces = [&s] { ServiceConfig::apply(s); };
        m_windows.back()->setServices(svc);
        m_windows.back()->setHttpClient(&http);
        fresh->setEvents(m_windows.back().get());
        fresh->create();
        fresh->setEvents(nullptr);
        return fresh;
    }
    std::vector<std::unique_ptr<AppState>> m_states;
    std::vector<std::unique_ptr<MainWindow>> m_windows;

    void startWithUpdate(const std::string& body) {
        if (!body.empty()) transport.reply("upd/u.json", body);
        ini::write(dir.file("service.ini"), "service", "UpdateInfoUrl", "http://upd/u.json");
        services.loadServicePieces = [this] { ServiceConfig::apply(*state); };
        dir.write("使用说明.txt", "usage");
        state = std::make_unique<AppState>(dir.path());
        window = std::make_unique<MainWindow>(*state, form, clipboard);
        window->setServices(services);
        window->setHttpClient(&http);
        form.setEvents(window.get());
        form.create();
    }
};

TEST_F(UpdateNoticeTest, VersionsComparedAsFloats) {
    struct Case {
        const char* version;
        const char* caption;
    };
    for (const Case& c : {Case{"3.9", "up to date"}, Case{"3.91", "new version"}, Case{"3.10", "up to date"},
                          Case{"4", "new version"}}) {
        auto fresh = startFresh(std::string(R"({"update":{"v":")") + c.version +
                                R"(","gxts":"new version","byts":"up to date"}})");
        EXPECT_EQ(fresh->text(ctl::标签提示), c.caption) << c.version;
        EXPECT_EQ(fresh->title(), "OzmiraV3.9");
        EXPECT_EQ(fresh->statusText(ctl::状态条1, 1), "") << c.version;
    }
}

TEST_F(UpdateNoticeTest, PageAndUsageTextFromTheDocument) {
    startWithUpdate(R"({"update":{"v":"3.9","byts":"b","gu":"http://upd/page.gif","fu":"一\n二"}})");
    EXPECT_EQ(form.navigations, std::vector<std::string>{"http://upd/page.gif"});
    EXPECT_EQ(form.text(ctl::编辑框_翻译), "一\r\n二");
    EXPECT_EQ(transport.last().verb, "GET");
    EXPECT_EQ(transport.last().path, "/u.json");
}

TEST_F(UpdateNoticeTest, WithoutPageOrUsageTheStartupValuesStay) {
    startWithUpdate(R"({"update":{"v":"3.9","byts":"b"}})");
    EXPECT_TRUE(form.navigations.empty());
    EXPECT_EQ(form.text(ctl::编辑框_翻译), "usage");
}

TEST_F(UpdateNoticeTest, UnreachableOrBrokenDocumentReportsFailure) {
    for (const char* body : {"", "not json", R"({"update":{}})"}) {
        auto fresh = startFresh(body);
        EXPECT_EQ(fresh->statusText(ctl::状态条1, 1), "状态：获取版本信息失败") << body;
        EXPECT_EQ(fresh->title(), "OzmiraV3.9");
        EXPECT_EQ(fresh->text(ctl::标签提示).rfind("提示：最新版无需更新！", 0), 0u);
    }
}

}  // namespace
