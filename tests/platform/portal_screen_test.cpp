// The Wayland screen against a screenshot portal of the tests on a private bus: what the
// captures cut out of its picture, which answers end a capture with which status text, and
// which picture files are removed after reading.
#include "platform/portal/portal_screen.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QThread>
#include <QUrl>

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <filesystem>

#include "platform/fake_screenshot_portal.h"
#include "support/temp_dir.h"

namespace {

using Answer = FakeScreenshotPortal::Answer;

QRgb colourAt(int x, int y) {
    return qRgb(x & 0xff, y & 0xff, ((x >> 8) << 4) | (y >> 8));
}

// Pixel (x, y) of a 32-bit bottom-up BMP file, as 0xRRGGBB.
QRgb bmpPixel(const std::string& bmp, int x, int y) {
    const int height =
        int(static_cast<unsigned char>(bmp[22])) | int(static_cast<unsigned char>(bmp[23])) << 8;
    const int width =
        int(static_cast<unsigned char>(bmp[18])) | int(static_cast<unsigned char>(bmp[19])) << 8;
    const auto* px = reinterpret_cast<const unsigned char*>(bmp.data()) + 54 +
                     (std::size_t(height - 1 - y) * width + x) * 4;
    return qRgb(px[2], px[1], px[0]);
}

class PortalScreenTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "portal_screen_test";
        static char* argv[] = {name, nullptr};
        app = new QGuiApplication(argc, argv);
        bus = new PrivateBus;
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus->address().toUtf8());
    }
    static void TearDownTestSuite() {
        delete bus;
        delete app;
    }
    static inline QGuiApplication* app = nullptr;
    static inline PrivateBus* bus = nullptr;

    FakeScreenshotPortal portal{bus->address()};
    TempDir temporary;  // below /tmp or $TMPDIR
    PortalScreen screen{500};

    void SetUp() override { ASSERT_FALSE(bus->address().isEmpty()); }

    // The offscreen platform's one screen.
    const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
    const int screenHeight = QGuiApplication::primaryScreen()->geometry().height();

    // The pattern, as big as the screen, as a PNG file; its file:// address.
    QString picture(const std::string& path) const {
        QImage image(screenWidth, screenHeight, QImage::Format_RGB32);
        for (int y = 0; y < screenHeight; ++y)
            for (int x = 0; x < screenWidth; ++x) image.setPixel(x, y, colourAt(x, y));
        image.save(QString::fromStdString(path), "PNG");
        return QUrl::fromLocalFile(QString::fromStdString(path)).toString();
    }
};

TEST_F(PortalScreenTest, CapturesAreCutFromThePortalsPicture) {
    ASSERT_TRUE(portal.start());
    portal.script.uri = picture(temporary.file("shot.png"));
    const std::string bmp = screen.capture(100, 50, 40, 30);
    ASSERT_EQ(bmp.size(), 54u + 40 * 30 * 4);
    EXPECT_EQ(bmpPixel(bmp, 0, 0), colourAt(100, 50));
    EXPECT_EQ(bmpPixel(bmp, 39, 29), colourAt(139, 79));
    EXPECT_EQ(screen.lastFailure(), "");
    EXPECT_EQ(portal.lastOptions.value("interactive"), false);
    EXPECT_FALSE(portal.lastOptions.value("handle_token").toString().isEmpty());

    // Beyond the screen's edge the capture is black.
    portal.script.uri = picture(temporary.file("edge.png"));
    const std::string edge = screen.capture(screenWidth - 10, screenHeight - 10, 20, 20);
    ASSERT_EQ(edge.size(), 54u + 20 * 20 * 4);
    EXPECT_EQ(bmpPixel(edge, 5, 5), colourAt(screenWidth - 5, screenHeight - 5));
    EXPECT_EQ(bmpPixel(edge, 15, 15), qRgb(0, 0, 0));

    portal.script.uri = picture(temporary.file("all.png"));
    const platform::ScreenImage snapshot = screen.snapshot();
    ASSERT_EQ(snapshot.width, screenWidth);
    ASSERT_EQ(snapshot.height, screenHeight);
    EXPECT_EQ(snapshot.at(321, 456), 0xff000000u | colourAt(321, 456));
    EXPECT_EQ(portal.calls, 3);  // one picture per capture
}

TEST_F(PortalScreenTest, OnlyAFreshPictureInATemporaryFolderIsRemoved) {
    ASSERT_TRUE(portal.start());
    std::string kept = std::string(OZMIRA_BINARY_DIR) + "/portal-test-XXXXXX";
    ASSERT_TRUE(mkdtemp(kept.data()));
    struct Case {
        const char* name;
        std::string path;
        bool stale;
        bool removed;
    } cases[] = {
        {"fresh, temporary", temporary.file("fresh.png"), false, true},
        {"old, temporary", temporary.file("old.png"), true, false},
        {"fresh, elsewhere", kept + "/kept.png", false, false},
    };
    for (const Case& c : cases) {
        portal.script.uri = picture(c.path);
        if (c.stale) {
            const utimbuf old{std::time(nullptr) - 3600, std::time(nullptr) - 3600};
            utime(c.path.c_str(), &old);
        }
        EXPECT_EQ(screen.capture(0, 0, 10, 10).size(), 54u + 400) << c.name;
        EXPECT_EQ(!std::filesystem::exists(c.path), c.removed) << c.name;
    }
    std::filesystem::remove_all(kept);
}

TEST_F(PortalScreenTest, AnswersWithoutAPictureEndTheCaptureWithTheirReason) {
    const std::string target = temporary.file("target.png");
    const QString targetUri = picture(target);
    ASSERT_EQ(symlink(target.c_str(), temporary.file("link.png").c_str()), 0);
    struct Case {
        const char* name;
        Answer answer;
        uint response;
        QString uri;
        const char* failure;
        bool closed;
    } cases[] = {
        {"refused by the user", Answer::Response, 1, {}, PortalScreen::kRefused, false},
        {"ended by the desktop", Answer::Response, 2, {}, PortalScreen::kEnded, false},
        {"no answer", Answer::Silence, 0, targetUri, PortalScreen::kTimedOut, true},
        {"an answer from a stranger", Answer::Stranger, 0, targetUri, PortalScreen::kTimedOut,
         true},
        {"success without a picture", Answer::Response, 0, {}, PortalScreen::kUnreadable, false},
        {"a link", Answer::Response, 0,
         QUrl::fromLocalFile(QString::fromStdString(temporary.file("link.png"))).toString(),
         PortalScreen::kUnreadable, false},
        {"a remote address", Answer::Response, 0, "http://127.0.0.1/shot.png",
         PortalScreen::kUnreadable, false},
        {"a path with a way back", Answer::Response, 0,
         "file://" + QString::fromStdString(temporary.path()) + "/../" +
             QString::fromStdString(std::filesystem::path(temporary.path()).filename()) +
             "/target.png",
         PortalScreen::kUnreadable, false},
    };
    ASSERT_TRUE(portal.start());
    for (const Case& c : cases) {
        portal.script = {c.answer, c.response, c.uri};
        EXPECT_EQ(screen.capture(0, 0, 10, 10), "") << c.name;
        EXPECT_EQ(screen.lastFailure(), c.failure) << c.name;
        // The Close goes out after the capture has given up.
        for (int i = 0; i < 100 && c.closed && !portal.request->closed; ++i) {
            QCoreApplication::processEvents();
            QThread::msleep(20);
        }
        EXPECT_EQ(portal.request && portal.request->closed, c.closed) << c.name;
        EXPECT_TRUE(screen.snapshot().empty()) << c.name;
    }
    EXPECT_TRUE(std::filesystem::exists(target));
}

TEST_F(PortalScreenTest, ADesktopWithoutThePortalSaysSo) {
    EXPECT_EQ(screen.capture(0, 0, 10, 10), "");
    EXPECT_EQ(screen.lastFailure(), PortalScreen::kNoPortal);
    EXPECT_TRUE(screen.snapshot().empty());
    EXPECT_EQ(screen.lastFailure(), PortalScreen::kNoPortal);
}

}  // namespace
