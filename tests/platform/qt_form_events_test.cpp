// What the user does reaches the controller's handlers; what the program does reaches them
// only where the controller relies on it (text changes and page changes).
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QTest>

#include "app/control_names.h"
#include "platform/qt/grid_view.h"
#include "platform/qt/tab_control.h"
#include "qt_form_fixture.h"

using Log = std::vector<std::string>;

TEST_F(QtFormTest, ShowingReportsCreatedOnceThenEverySizeChange) {
    RecordingEvents fresh;
    QtForm form;
    form.setEvents(&fresh);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.window()));
    pumpEvents();
    EXPECT_EQ(fresh.log(), (Log{"created", "resized"}));
    fresh.clear();
    form.window()->resize(1000, 700);
    ASSERT_TRUE(waitUntil([&] { return !fresh.log().empty(); }));
    EXPECT_EQ(fresh.log(), Log{"resized"});
    EXPECT_EQ(form.clientSize("").width, 1000);
    fresh.clear();
    form.show();
    pumpEvents();
    EXPECT_EQ(fresh.log(), Log{});
}

TEST_F(QtFormTest, ClicksOfButtonsAndCheckBoxesReachTheController) {
    const struct {
        const char* control;
        int page;
        Log expected;
    } cases[] = {
        {ctl::按钮_复制, 0, {"clicked:按钮_复制"}},
        {ctl::选择框文本合并, 0, {"clicked:选择框文本合并"}},
        {ctl::按钮_清除表项, 1, {"clicked:按钮_清除表项"}},
        {ctl::按钮保存, 2, {"clicked:按钮保存"}},
        // Disabled until a token has been fetched: the click goes nowhere.
        {ctl::按钮截图, 0, {}},
    };
    for (const auto& c : cases) {
        showPage(c.page);
        QWidget* w = widget(c.control);
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(10, w->height() / 2));
        pumpEvents();
        EXPECT_EQ(m_events.log(), c.expected) << c.control;
    }
    EXPECT_TRUE(m_form->checked(ctl::选择框文本合并));
    // Setting the state is the program's own doing and is not reported.
    m_events.clear();
    m_form->setChecked(ctl::选择框文本合并, false);
    EXPECT_FALSE(m_form->checked(ctl::选择框文本合并));
    EXPECT_EQ(m_events.log(), Log{});
}

TEST_F(QtFormTest, OnlyTheUsersChoiceInAListIsReported) {
    auto* box = widgetAs<QComboBox>(ctl::组合框识别);
    m_form->setSelectedIndex(ctl::组合框识别, 1);
    EXPECT_EQ(m_events.log(), Log{});
    EXPECT_EQ(m_form->text(ctl::组合框识别), "通用快速文字识别");
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
    pumpEvents();
    EXPECT_EQ(m_events.log(), Log{"selected:组合框识别"});
    EXPECT_EQ(m_form->selectedIndex(ctl::组合框识别), 2);
    // Out of range clears the selection.
    m_form->setSelectedIndex(ctl::组合框识别, 9);
    EXPECT_EQ(m_form->selectedIndex(ctl::组合框识别), -1);
}

TEST_F(QtFormTest, ListItemsKeepTheirValuesAndAddingKeepsTheSelection) {
    m_form->clearItems(ctl::组合框key);
    m_form->addItem(ctl::组合框key, {"默认", 0});
    m_form->addItem(ctl::组合框key, {"备用", 42});
    EXPECT_EQ(m_form->selectedIndex(ctl::组合框key), -1);
    const auto items = m_form->items(ctl::组合框key);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1].text, "备用");
    EXPECT_EQ(items[1].value, 42);
    m_form->setSelectedIndex(ctl::组合框key, 1);
    m_form->addItem(ctl::组合框key, {"第三", 3});
    EXPECT_EQ(m_form->text(ctl::组合框key), "备用");
}

TEST_F(QtFormTest, EveryTextChangeOfAnEditBoxIsReported) {
    m_form->setText(ctl::编辑框_源, "第一行\r\n第二行");
    EXPECT_EQ(m_events.log(), Log{"text:编辑框_源"});
    EXPECT_EQ(m_form->text(ctl::编辑框_源), "第一行\r\n第二行");
    EXPECT_EQ(widgetAs<QPlainTextEdit>(ctl::编辑框_源)->toPlainText(),
              QString::fromUtf8("第一行\n第二行"));
    m_events.clear();
    auto* edit = widgetAs<QLineEdit>(ctl::编辑框坐标);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "1|2|3|4");
    pumpEvents();
    EXPECT_EQ(m_form->text(ctl::编辑框坐标), "1|2|3|4");
    ASSERT_FALSE(m_events.log().empty());
    EXPECT_EQ(m_events.last(), "text:编辑框坐标");
    edit->setSelection(2, 3);
    EXPECT_EQ(m_form->selectedText(ctl::编辑框坐标), "2|3");
}

TEST_F(QtFormTest, KeyReleasesInAKeyBoxArriveAsVirtualKeyCodes) {
    const auto none = Qt::NoModifier;
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* text;
        std::vector<int> codes;  // of every release, in order
    } cases[] = {
        {Qt::Key_F5, none, "", {116}},
        {Qt::Key_F1, none, "", {112}},
        {Qt::Key_F10, none, "", {121}},
        {Qt::Key_F16, none, "", {127}},
        {Qt::Key_A, none, "a", {65}},
        {Qt::Key_Z, Qt::ShiftModifier, "Z", {90, 16}},
        {Qt::Key_0, none, "0", {48}},
        {Qt::Key_9, none, "9", {57}},
        {Qt::Key_Exclam, Qt::ShiftModifier, "!", {49, 16}},
        {Qt::Key_5, Qt::KeypadModifier, "5", {101}},
        {Qt::Key_0, Qt::KeypadModifier, "0", {96}},
        {Qt::Key_Asterisk, Qt::KeypadModifier, "*", {106}},
        {Qt::Key_Plus, Qt::KeypadModifier, "+", {107}},
        {Qt::Key_Enter, Qt::KeypadModifier, "", {13}},
        {Qt::Key_Return, none, "", {13}},
        {Qt::Key_Backspace, none, "", {8}},
        {Qt::Key_Shift, none, "", {16}},
        {Qt::Key_Control, none, "", {17}},
        {Qt::Key_Alt, none, "", {18}},
        // Releases while Alt is down arrive, and a mnemonic does not take them away.
        {Qt::Key_F1, Qt::AltModifier, "", {112, 18}},
        {Qt::Key_F, Qt::AltModifier, "f", {70, 18}},
        {Qt::Key_F3, Qt::ControlModifier, "", {114, 17}},
        {Qt::Key_Pause, none, "", {19}},
        {Qt::Key_Cancel, none, "", {3}},
        {Qt::Key_CapsLock, none, "", {20}},
        {Qt::Key_Escape, none, "", {27}},
        {Qt::Key_Space, none, " ", {32}},
        {Qt::Key_PageUp, none, "", {33}},
        {Qt::Key_PageDown, none, "", {34}},
        {Qt::Key_End, none, "", {35}},
        {Qt::Key_Home, none, "", {36}},
        {Qt::Key_Left, none, "", {37}},
        {Qt::Key_Up, none, "", {38}},
        {Qt::Key_Right, none, "", {39}},
        {Qt::Key_Down, none, "", {40}},
        {Qt::Key_Insert, none, "", {45}},
        {Qt::Key_Delete, none, "", {46}},
        {Qt::Key_Super_L, none, "", {91}},
        {Qt::Key_NumLock, none, "", {144}},
        {Qt::Key_ScrollLock, none, "", {145}},
        {Qt::Key_Semicolon, none, ";", {186}},
        {Qt::Key_Equal, none, "=", {187}},
        {Qt::Key_Comma, none, ",", {188}},
        {Qt::Key_Minus, none, "-", {189}},
        {Qt::Key_Period, none, ".", {190}},
        {Qt::Key_Slash, none, "/", {191}},
        {Qt::Key_QuoteLeft, none, "`", {192}},
        {Qt::Key_BracketLeft, none, "[", {219}},
        {Qt::Key_Backslash, none, "\\", {220}},
        {Qt::Key_BracketRight, none, "]", {221}},
        {Qt::Key_Apostrophe, none, "'", {222}},
        // No Windows code.
        {Qt::Key_Launch0, none, "", {0}},
    };
    showPage(2);
    auto* box = widgetAs<QLineEdit>(ctl::编辑框1);
    box->setFocus();
    for (const auto& c : cases) {
        m_events.clear();
        QTest::sendKeyEvent(QTest::Click, box, c.key, QString::fromUtf8(c.text), c.modifiers);
        pumpEvents(1);
        Log expected;
        for (int code : c.codes) expected.push_back("key:编辑框1:" + std::to_string(code));
        Log keys;
        for (const std::string& entry : m_events.log())
            if (entry.rfind("key:", 0) == 0) keys.push_back(entry);
        EXPECT_EQ(keys, expected) << "Qt key 0x" << std::hex << c.key;
        EXPECT_EQ(box->window()->focusWidget(), box) << "Qt key 0x" << std::hex << c.key;
    }
}

TEST_F(QtFormTest, AKeyBoxKeepsKeysThatAreShortcutsElsewhere) {
    int fired = 0;
    QShortcut altF(QKeySequence(QStringLiteral("Alt+F")), m_form->window());
    QShortcut f10(QKeySequence(Qt::Key_F10), m_form->window());
    QObject::connect(&altF, &QShortcut::activated, [&] { ++fired; });
    QObject::connect(&f10, &QShortcut::activated, [&] { ++fired; });
    showPage(2);
    auto* box = widgetAs<QLineEdit>(ctl::编辑框2);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_F, Qt::AltModifier);
    QTest::keyClick(box, Qt::Key_F10);
    pumpEvents();
    EXPECT_EQ(fired, 0);
    Log keys;
    for (const std::string& entry : m_events.log())
        if (entry.rfind("key:", 0) == 0) keys.push_back(entry);
    EXPECT_EQ(keys, (Log{"key:编辑框2:70", "key:编辑框2:18", "key:编辑框2:121"}));
    // Elsewhere the shortcut works as usual.
    auto* other = widget(ctl::组合框2);
    other->setFocus();
    QTest::keyClick(other, Qt::Key_F10);
    EXPECT_EQ(fired, 1);
}

TEST_F(QtFormTest, AltAndTheMarkedLetterClickTheTranslateButton) {
    auto* edit = widget(ctl::编辑框_源);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_F, Qt::AltModifier);
    // The button animates its click before it reports it.
    ASSERT_TRUE(waitUntil([&] { return !m_events.log().empty(); }));
    EXPECT_EQ(m_events.log(), Log{"clicked:按钮_翻译"});
}

TEST_F(QtFormTest, RepeatedReleasesAndOtherBoxesAreNotKeyBoxReleases) {
    showPage(2);
    auto* box = widget(ctl::编辑框3);
    QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), true);
    QApplication::sendEvent(box, &repeat);
    QKeyEvent real(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), false);
    QApplication::sendEvent(box, &real);
    EXPECT_EQ(m_events.log(), Log{"key:编辑框3:65"});
    m_events.clear();
    showPage(0);
    auto* edit = widget(ctl::编辑框坐标);
    edit->setFocus();
    QTest::keyRelease(edit, Qt::Key_F5);
    EXPECT_EQ(m_events.log(), Log{});
}

// Ctrl+Pause gives the Break symbol, for which Qt has no key: the box still learns Break.
TEST_F(QtFormTest, CtrlPauseInAKeyBoxIsBreak) {
    showPage(2);
    auto* box = widget(ctl::编辑框1);
    box->setFocus();
    ASSERT_TRUE(waitUntil([&] { return box->hasFocus(); }));
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), {"keydown", "ctrl", "keydown", "Pause",
                                                            "keyup", "Pause", "keyup", "ctrl"}),
              0);
    ASSERT_TRUE(waitUntil([&] { return m_events.log().size() >= 2; }));
    EXPECT_EQ(m_events.log(), (Log{"key:编辑框1:3", "key:编辑框1:17"}));
}

TEST_F(QtFormTest, PageChangesByProgramAndUserAreReported) {
    m_form->setCurrentPage(ctl::选择夹1, 2);
    EXPECT_EQ(m_events.log(), Log{"page:选择夹1"});
    EXPECT_EQ(m_form->currentPage(ctl::选择夹1), 2);
    EXPECT_TRUE(widget(ctl::按钮保存)->isVisible());
    EXPECT_FALSE(widget(ctl::按钮_复制)->isVisible());
    m_events.clear();
    QTabBar* bar = widgetAs<TabControl>(ctl::选择夹1)->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    pumpEvents();
    EXPECT_EQ(m_events.log(), Log{"page:选择夹1"});
    EXPECT_EQ(m_form->currentPage(ctl::选择夹1), 1);
    // A page that does not exist changes nothing.
    m_events.clear();
    m_form->setCurrentPage(ctl::选择夹1, 3);
    EXPECT_EQ(m_form->currentPage(ctl::选择夹1), 1);
    EXPECT_EQ(m_events.log(), Log{});
}

TEST_F(QtFormTest, RightButtonOverTheGridAndTheContextMenuReachTheController) {
    showPage(1);
    auto* grid = widgetAs<GridView>(ctl::高级表格1);
    QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, QPoint(30, 30));
    pumpEvents();
    EXPECT_EQ(m_events.log(), Log{"right:高级表格1"});
    m_events.clear();

    m_form->popupMenu(ctl::表格菜单);
    ASSERT_TRUE(waitUntil([] { return QApplication::activePopupWidget() != nullptr; }));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> actions = menu->actions();
    const char* texts[] = {"表项剪切", "表项复制",     "表项粘贴",     "表项删除",
                           "",         "保存全部内容", "保存导出设置", "表格设置"};
    ASSERT_EQ(actions.size(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(actions[i]->isSeparator(), i == 4);
        EXPECT_EQ(actions[i]->text(), QString::fromUtf8(texts[i]));
    }
    actions[5]->trigger();
    menu->close();
    EXPECT_EQ(m_events.log(), Log{"menu:表格菜单:5"});
}

TEST_F(QtFormTest, ClosingTellsTheControllerAndLaterCallsDoNothing) {
    m_form->setText(ctl::编辑框_翻译, "before");
    m_events.clear();
    m_form->window()->close();
    EXPECT_EQ(m_events.log(), Log{"closing"});
    EXPECT_TRUE(m_form->isClosed());
    m_form->setText(ctl::编辑框_翻译, "after");
    m_form->setCurrentPage(ctl::选择夹1, 1);
    EXPECT_EQ(m_form->text(ctl::编辑框_翻译), "");
    EXPECT_EQ(m_form->title(), "");
    EXPECT_EQ(m_form->selectedIndex(ctl::组合框识别), -1);
    EXPECT_EQ(widgetAs<QPlainTextEdit>(ctl::编辑框_翻译)->toPlainText(), QString("before"));
    EXPECT_EQ(m_events.log(), Log{"closing"});
}
