// The region selector as a native Wayland client over two outputs of a headless sway
// (scripts/headless-wayland.sh; the test adds HEADLESS-2, 1280 x 720 device pixels at the
// scale OZMIRA_TEST_SECOND_SCALE, left of the primary HEADLESS-1): a window on each output,
// showing that output's part of the snapshot one device pixel for one pixel, and a drag on the
// second output giving what typing its coordinates captures. The snapshot is a known pattern,
// as the screenshot portal would deliver it.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <nlohmann/json.hpp>
#include <set>

#include "capture/region_selector.h"
#include "platform/qt/overlay/qt_overlay.h"
#include "support/fake_screen.h"
#include "support/temp_dir.h"

namespace {

int secondScale() {
    return qEnvironmentVariableIntValue("OZMIRA_TEST_SECOND_SCALE") == 2 ? 2 : 1;
}
// HEADLESS-2's width in the layout.
int secondWidth() {
    return 1280 / secondScale();
}

void settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

bool sway(const QString& command) {
    QProcess swaymsg;
    swaymsg.start(QStringLiteral("swaymsg"), {command});
    return swaymsg.waitForFinished(10000) && swaymsg.exitCode() == 0;
}

// The outputs of sway's tree that show a full-screen window of the selector.
std::set<std::string> outputsWithSelector() {
    QProcess swaymsg;
    swaymsg.start(QStringLiteral("swaymsg"), {"-r", "-t", "get_tree"});
    swaymsg.waitForFinished(5000);
    const auto tree =
        nlohmann::json::parse(swaymsg.readAllStandardOutput().toStdString(), nullptr, false);
    std::set<std::string> found;
    std::function<bool(const nlohmann::json&)> holds = [&](const nlohmann::json& node) {
        if (node.value("name", nlohmann::json()) == "Ozmira" &&
            node.value("fullscreen_mode", 0) == 1)
            return true;
        for (const char* list : {"nodes", "floating_nodes"})
            for (const auto& child : node.value(list, nlohmann::json::array()))
                if (holds(child)) return true;
        return false;
    };
    if (tree.is_object())
        for (const auto& output : tree.value("nodes", nlohmann::json::array()))
            if (holds(output)) found.insert(output.value("name", ""));
    return found;
}

// What an output shows now, in its device pixels.
QImage outputPicture(const QString& output) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("shot.png"));
    if (QProcess::execute(QStringLiteral("grim"), {"-o", output, file}) != 0) return {};
    return QImage(file).convertToFormat(QImage::Format_RGB32);
}

// The first point where an output does not show its part of the pattern, or "".
// Rows from `top` to `bottom` (exclusive) are compared.
std::string mismatch(const QString& output, const QImage& shown, QRect monitor, int top,
                     int bottom) {
    if (shown.size() != monitor.size()) return output.toStdString() + ": size";
    for (int y = top; y < bottom; y += 3)
        for (int x = 0; x < monitor.width(); x += 3)
            if (shown.pixel(x, y) != FakeScreen::colourAt(monitor.x() + x, monitor.y() + y))
                return output.toStdString() + " at " + std::to_string(x) + "," + std::to_string(y);
    return "";
}

// A pointer device for the seat (tests/support/virtual_pointer.cpp).
class Pointer {
public:
    Pointer() {
        m_process.start(QStringLiteral(VIRTUAL_POINTER), QStringList());
        m_ready = answered("ready");
    }
    ~Pointer() {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000)) m_process.kill();
    }
    bool ready() const { return m_ready; }
    // Moves the pointer to the layout point (x / 2, y / 2): half pixels reach odd device
    // pixels of an output at scale 2.
    std::function<void()> moveToHalves(int x, int y) {
        return [this, x, y] {
            const QByteArray line = QStringLiteral("move %1 %2 %3 %4\n")
                                        .arg(x)
                                        .arg(y)
                                        .arg(2 * (secondWidth() + 1920))
                                        .arg(2 * 1080)
                                        .toUtf8();
            m_process.write(line);
            ASSERT_TRUE(answered("moved"));
        };
    }

private:
    bool answered(const QByteArray& word) {
        QElapsedTimer wait;
        wait.start();
        while (!m_process.canReadLine() && wait.elapsed() < 10000) m_process.waitForReadyRead(100);
        return m_process.readLine().startsWith(word);
    }
    QProcess m_process;
    bool m_ready = false;
};

std::function<void()> button(const char* action) {
    return
        [action] { ASSERT_TRUE(sway(QStringLiteral("seat seat0 cursor %1 button1").arg(action))); };
}

class QtOverlayWaylandTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariable("QT_QPA_PLATFORM") != QStringLiteral("wayland"))
            GTEST_SKIP() << "run under scripts/headless-wayland.sh";
        ASSERT_EQ(QApplication::screens().size(), 2);
        ASSERT_TRUE(pointer.ready());
    }
    void TearDown() override { sway(QStringLiteral("seat seat0 cursor release button1")); }

    // Runs the selector; the steps run once both windows cover their outputs.
    std::optional<RegionSelector::Result> runWith(std::vector<std::function<void()>> steps) {
        QTimer::singleShot(0, [&] {
            const std::set<std::string> both = {"HEADLESS-1", "HEADLESS-2"};
            QElapsedTimer wait;
            wait.start();
            while ((covered = outputsWithSelector()) != both && wait.elapsed() < 30000) settle(50);
            for (auto& step : steps) {
                if (covered != both || ::testing::Test::HasFatalFailure()) break;
                step();
                settle(50);
            }
            overlay.close();
        });
        return selector.run(2);
    }

    TempDir dir;
    AppState state{dir.path()};
    const QRect primary{0, 0, 1920, 1080};
    const QRect second{-1280, 0, 1280, 720};
    FakeScreen screen{
        {{"HEADLESS-1", 0, 0, 1920, 1080, true}, {"HEADLESS-2", -1280, 0, 1280, 720, false}}};
    QtOverlay overlay;
    RegionSelector selector{state, screen, overlay};
    Pointer pointer;
    std::set<std::string> covered;
};

TEST_F(QtOverlayWaylandTest, EachOutputShowsItsPartOfTheSnapshotPixelForPixel) {
    std::string found = "not shown";
    runWith({[&] {
        // The pointer is part of the outputs' pictures: it waits in the primary's bottom rows.
        sway(QStringLiteral("seat seat0 cursor set %1 1070").arg(secondWidth() + 1900));
        // sway may show a window's first frames before it covers the output.
        QElapsedTimer wait;
        wait.start();
        do {
            settle(50);
            // The hint covers the top of the primary output; the pointer, with the magnifier
            // beside it once it moves over the window, its bottom.
            found = mismatch("HEADLESS-2", outputPicture("HEADLESS-2"), second, 0, 720) +
                    mismatch("HEADLESS-1", outputPicture("HEADLESS-1"), primary, 60, 780);
        } while (!found.empty() && wait.elapsed() < 30000);
    }});
    EXPECT_EQ(covered.size(), 2u);
    EXPECT_EQ(found, "");
}

TEST_F(QtOverlayWaylandTest, DragOnTheSecondOutputGivesWhatItsTypedCoordinatesCapture) {
    // In device pixels of HEADLESS-2 (odd ones where it is at scale 2): 301, 201 to 541, 423.
    const int s = secondScale();
    const auto result =
        runWith({pointer.moveToHalves(2 * 301 / s, 2 * 201 / s), button("press"),
                 pointer.moveToHalves(2 * 450 / s, 2 * 300 / s),
                 pointer.moveToHalves(2 * 541 / s, 2 * 423 / s), button("release")});
    ASSERT_TRUE(result);
    const int x1 = 301, y1 = 201, x2 = 541, y2 = 423;
    EXPECT_EQ(result->rect, (CaptureRect{-1280 + x1, y1, -1280 + x2, y2}));
    EXPECT_EQ(result->bmp, screen.capture(-1280 + x1, y1, x2 - x1, y2 - y1));
}

// libglvnd unloads the EGL driver it loaded for the toolkit once the application ends, and
// what the driver keeps for the life of the process then looks lost to the leak checker: every
// library loaded by then stays loaded.
int keepLoaded(dl_phdr_info* info, size_t, void*) {
    if (info->dlpi_name && *info->dlpi_name)
        dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qEnvironmentVariableIsEmpty("SWAYSOCK")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else {
        // HEADLESS-2 left of the primary output, which Qt learnt of first.
        qputenv("QT_QPA_PLATFORM", "wayland");
        sway(QStringLiteral("create_output"));
        sway(QStringLiteral("output HEADLESS-1 position %1 0").arg(secondWidth()));
        sway(QStringLiteral("output HEADLESS-2 resolution 1280x720 scale %1 position 0 0 "
                            "bg #604020 solid_color")
                 .arg(secondScale()));
        sway(QStringLiteral("focus output HEADLESS-1"));
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt learns of the second output and its scale as sway announces them.
    QElapsedTimer wait;
    wait.start();
    auto ready = [] {
        for (QScreen* s : QApplication::screens())
            if (s->name() == "HEADLESS-2" && s->geometry().width() == secondWidth()) return true;
        return false;
    };
    while (!ready() && wait.elapsed() < 10000 && !qEnvironmentVariableIsEmpty("SWAYSOCK"))
        settle(20);
    const int result = RUN_ALL_TESTS();
    dl_iterate_phdr(keepLoaded, nullptr);
    return result;
}
