// The region selector as a native Wayland client over two outputs of a headless sway
// (tests/scripts/sway_two_outputs.sh: HEADLESS-2 at scale 2 left of the primary HEADLESS-1):
// a window on each output showing that output's part of the snapshot one device pixel for
// one pixel. The snapshot is a known pattern, as the screenshot portal would deliver it.
// (The pointer cannot be driven there: without an input device sway's seat offers clients
// no pointer, so "swaymsg seat seat0 cursor" moves reach no window.)
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <functional>

#include "capture/region_selector.h"
#include "platform/qt/overlay/qt_overlay.h"
#include "support/fake_screen.h"
#include "support/temp_dir.h"

namespace {

void settle(int ms = 200) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// What an output shows now, in its device pixels.
QImage outputPicture(const QString& output) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("shot.png"));
    if (QProcess::execute(QStringLiteral("grim"), {"-o", output, file}) != 0) return {};
    return QImage(file).convertToFormat(QImage::Format_RGB32);
}

int exposed() {
    int count = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        count += w->isVisible() && w->windowHandle() && w->windowHandle()->isExposed();
    return count;
}

class QtOverlayWaylandTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariable("QT_QPA_PLATFORM") != QStringLiteral("wayland"))
            GTEST_SKIP() << "run under tests/scripts/sway_two_outputs.sh";
    }
    std::optional<RegionSelector::Result> runWith(std::vector<std::function<void()>> steps) {
        QTimer::singleShot(0, [&] {
            QElapsedTimer wait;
            wait.start();
            while (exposed() < 2 && wait.elapsed() < 10000) settle(20);
            settle(500);
            for (auto& step : steps) {
                step();
                settle();
            }
            overlay.close();
        });
        return selector.run(2);
    }

    TempDir dir;
    AppState state{dir.path()};
    FakeScreen screen{
        {{"HEADLESS-1", 0, 0, 1280, 720, true}, {"HEADLESS-2", -1280, 0, 1280, 720, false}}};
    QtOverlay overlay;
    RegionSelector selector{state, screen, overlay};
};

// The first point where the outputs do not show the pattern, or "".
std::string mismatch(const QImage& left, const QImage& right) {
    if (left.size() != QSize(1280, 720) || right.size() != QSize(1280, 720)) return "size";
    for (int y = 0; y < 720; y += 7) {
        for (int x = 0; x < 1280; x += 5) {
            if (left.pixel(x, y) != FakeScreen::colourAt(-1280 + x, y))
                return "HEADLESS-2 at " + std::to_string(x) + "," + std::to_string(y);
            // The hint covers the top of the primary output.
            if (y > 50 && right.pixel(x, y) != FakeScreen::colourAt(x, y))
                return "HEADLESS-1 at " + std::to_string(x) + "," + std::to_string(y);
        }
    }
    return "";
}

TEST_F(QtOverlayWaylandTest, EachOutputShowsItsPartOfTheSnapshotPixelForPixel) {
    std::string found = "not shown";
    runWith({[&] {
        // The compositor may show a window's first frames before it is full screen.
        for (int i = 0; i < 20 && !found.empty(); ++i, settle(500))
            found = mismatch(outputPicture(QStringLiteral("HEADLESS-2")),
                             outputPicture(QStringLiteral("HEADLESS-1")));
    }});
    EXPECT_EQ(found, "");
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else {
        qputenv("QT_QPA_PLATFORM", "wayland");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
