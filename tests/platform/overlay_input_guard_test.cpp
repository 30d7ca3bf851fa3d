// While the region selector runs, the program's other windows take none of the user's input
// (the selector's windows are not modal: see overlay_input_guard.h). Input is delivered as the
// window system delivers it (QTest goes through Qt's window-system queue).
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QWindow>
#include <memory>

#include "platform/qt/overlay/overlay_input_guard.h"

namespace {

class OverlayInputGuardTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "overlay_input_guard_test";
        static char* argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
    }
    // Gone before the program's exit handlers, which would otherwise outlive it.
    static void TearDownTestSuite() { delete app; }
    static inline QApplication* app = nullptr;
    void SetUp() override {
        for (auto* button : {&main, &overlay}) {
            button->resize(200, 100);
            button->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(button));
            QObject::connect(button, &QPushButton::clicked,
                             [this, button] { clicked.push_back(button); });
        }
    }
    // A click by the user, as the window system reports it.
    void click(QPushButton& button) {
        QTest::mouseClick(button.windowHandle(), Qt::LeftButton, {}, QPoint(100, 50));
        QApplication::processEvents();
    }

    QPushButton main{QStringLiteral("main")};
    QPushButton overlay{QStringLiteral("overlay")};
    std::vector<QPushButton*> clicked;
};

TEST_F(OverlayInputGuardTest, OnlyTheAllowedWindowsTakeTheUsersInput) {
    {
        OverlayInputGuard guard;
        guard.allow(overlay.windowHandle());
        click(main);
        click(overlay);
        QTest::keyClick(main.windowHandle(), Qt::Key_Space);
        // What the program does itself still works.
        main.click();
    }
    EXPECT_EQ(clicked, (std::vector<QPushButton*>{&overlay, &main}));
    // Once the selector is gone, the main window answers again.
    click(main);
    EXPECT_EQ(clicked.back(), &main);
    EXPECT_EQ(clicked.size(), 3u);
}

}  // namespace
