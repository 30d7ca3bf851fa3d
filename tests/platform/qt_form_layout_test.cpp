// The window built from the layout table: every control with its kind, place, caption,
// items, tag and start state, and what the accessibility bus announces for it.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTest>
#include <algorithm>

#include "app/control_names.h"
#include "app/layout.h"
#include "platform/qt/grid_view.h"
#include "platform/qt/html_view.h"
#include "platform/qt/status_bar.h"
#include "platform/qt/tab_control.h"
#include "qt_form_fixture.h"

using layout::Kind;

namespace {

bool isKind(QWidget* w, Kind kind) {
    switch (kind) {
        case Kind::Label:
        case Kind::PictureBox:
            return qobject_cast<QLabel*>(w) != nullptr;
        case Kind::HtmlView:
            return qobject_cast<HtmlView*>(w) != nullptr;
        case Kind::TabControl:
            return qobject_cast<TabControl*>(w) != nullptr;
        case Kind::DropDownList: {
            auto* box = qobject_cast<QComboBox*>(w);
            return box && !box->isEditable();
        }
        case Kind::StatusBar:
            return qobject_cast<StatusBar*>(w) != nullptr;
        case Kind::MultiLineEdit:
            return qobject_cast<QPlainTextEdit*>(w) != nullptr;
        case Kind::LineEdit:
            return qobject_cast<QLineEdit*>(w) != nullptr;
        case Kind::GroupBox:
            return qobject_cast<QGroupBox*>(w) != nullptr;
        case Kind::Button:
            return qobject_cast<QPushButton*>(w) != nullptr;
        case Kind::CheckBox:
            return qobject_cast<QCheckBox*>(w) != nullptr;
        case Kind::Grid:
            return qobject_cast<GridView*>(w) != nullptr;
    }
    return false;
}

}  // namespace

TEST_F(QtFormTest, EveryControlOfTheTableExistsWithItsKindParentAndPlace) {
    auto* tab = widgetAs<TabControl>(ctl::选择夹1);
    ASSERT_NE(tab, nullptr);
    for (const layout::Control& c : layout::controls()) {
        SCOPED_TRACE(c.name);
        QWidget* w = widget(c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(isKind(w, c.kind));
        QWidget* parent = m_form->window();
        if (c.parent == ctl::选择夹1)
            parent = tab->page(c.page);
        else if (!c.parent.empty())
            parent = widget(c.parent);
        EXPECT_EQ(w->parentWidget(), parent);
        EXPECT_EQ(m_form->geometry(c.name), c.geometry);
        // Page controls are placed in the tab control's own coordinates.
        if (c.parent == ctl::选择夹1) {
            EXPECT_EQ(w->mapTo(tab, QPoint(0, 0)), QPoint(c.geometry.left, c.geometry.top));
        }
        EXPECT_EQ(m_form->visible(c.name), !c.hidden);
        EXPECT_EQ(m_form->enabled(c.name), !c.disabled);
        EXPECT_EQ(w->accessibleDescription().toStdString(), c.name);
        EXPECT_FALSE(w->accessibleName().isEmpty());
        const auto items = m_form->items(c.name);
        ASSERT_EQ(items.size(), c.items.size());
        for (size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i].text, c.items[i].text);
            EXPECT_EQ(items[i].value, c.items[i].value);
        }
    }
}

TEST_F(QtFormTest, CaptionsAndContentsReadAsTheTableGivesThem) {
    const struct {
        const char* control;
        std::string text;
    } cases[] = {
        {ctl::按钮截图, "截图识别"},
        {ctl::按钮_翻译, "翻译(可选字符)(&F)"},
        {ctl::标签6, "----坐标式左上XY右下XY----"},
        {ctl::分组框4, "窗口类名|窗口标题|控件ID+窗口类名|窗口标题|控件ID"},
        {ctl::选择框同步剪切板, "同步剪切板"},
        {ctl::编辑框坐标正, "100|100|1000|200"},
        {ctl::编辑框_源, ""},
        {ctl::标签分开, std::string(103, '-')},
        {ctl::超文本浏览框1, "qrc:/ozmira/banner.gif"},
        // A drop-down list as created has no selection.
        {ctl::组合框识别, ""},
        {ctl::选择夹1, "文本数字识别翻译"},
    };
    for (const auto& c : cases) EXPECT_EQ(m_form->text(c.control), c.text) << c.control;
}

TEST_F(QtFormTest, AccessibleNamesAreCaptionsOrLayoutNames) {
    const struct {
        const char* control;
        const char* name;
    } cases[] = {
        {ctl::按钮截图, "截图识别"},
        {ctl::按钮_翻译, "翻译(可选字符)(F)"},
        {ctl::标签7, "类型"},
        {ctl::选择框坐标同步, "截图坐标同步"},
        {ctl::分组框4, "窗口类名|窗口标题|控件ID+窗口类名|窗口标题|控件ID"},
        {ctl::分组框1, "分组框1"},
        {ctl::编辑框坐标, "编辑框坐标"},
        {ctl::组合框识别, "组合框识别"},
        {ctl::高级表格1, "高级表格1"},
        {ctl::超文本浏览框1, "超文本浏览框1"},
    };
    for (const auto& c : cases) {
        QWidget* w = widget(c.control);
        ASSERT_NE(w, nullptr) << c.control;
        EXPECT_EQ(w->accessibleName().toStdString(), c.name) << c.control;
    }
    // A new caption is announced too.
    m_form->setText(ctl::按钮截图, "截图识别\r\n(快捷键:Alt键+F1键)");
    EXPECT_EQ(widget(ctl::按钮截图)->accessibleName(),
              QString::fromUtf8("截图识别\n(快捷键:Alt键+F1键)"));
}

TEST_F(QtFormTest, TaggedControlsCarryTheirTags) {
    const struct {
        const char* control;
        int tag;
    } cases[] = {
        {ctl::组合框1, 1},       {ctl::组合框3, 3},         {ctl::组合框5, 5},
        {ctl::编辑框1, 11},      {ctl::编辑框4, 14},        {ctl::编辑框5, 15},
        {ctl::按钮截图, 21},     {ctl::按钮坐标截图, 22},   {ctl::按钮正面截图, 23},
        {ctl::按钮副面截图, 24}, {ctl::按钮坐标截图证, 25}, {ctl::按钮_复制, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(widget(c.control)->property("tag").toInt(), c.tag) << c.control;
}

TEST_F(QtFormTest, WindowTabsAndStatusBarStartAsDesigned) {
    EXPECT_EQ(m_form->title(), "OzmiraV3.9");
    const platform::Size client = m_form->clientSize("");
    EXPECT_EQ(client.width, 896);
    EXPECT_EQ(client.height, 676);
    const platform::Size tabSize = m_form->clientSize(ctl::选择夹1);
    EXPECT_EQ(tabSize.width, 896);
    EXPECT_EQ(tabSize.height, 362);
    auto* tab = widgetAs<TabControl>(ctl::选择夹1);
    ASSERT_EQ(tab->count(), 3);
    EXPECT_EQ(tab->pageTitle(1), QString::fromUtf8("证件识别+导出"));
    EXPECT_EQ(m_form->currentPage(ctl::选择夹1), 0);
    auto* bar = widgetAs<StatusBar>(ctl::状态条1);
    ASSERT_EQ(bar->partCount(), 2);
    EXPECT_EQ(m_form->statusText(ctl::状态条1, 0), "Key选择");
    EXPECT_EQ(m_form->statusText(ctl::状态条1, 1), "");
    EXPECT_EQ(bar->partLabel(0)->toolTip(), QString::fromUtf8("用于设定Key类型等"));
    EXPECT_EQ(bar->partLabel(0)->width(), 50);
    EXPECT_EQ(bar->partLabel(1)->geometry().right(), bar->width() - 1);
    // Check boxes start unchecked.
    EXPECT_FALSE(m_form->checked(ctl::选择框文本合并));
}

TEST_F(QtFormTest, CaptionsUseAnInstalledChineseFontAtNinePoints) {
    for (const char* control : {ctl::标签提示, ctl::按钮截图, ctl::标签5, ctl::分组框4}) {
        QWidget* w = widget(control);
        const QFontInfo info(w->font());
        EXPECT_TRUE(info.family().contains(QLatin1String("CJK")) ||
                    info.family().contains(QLatin1String("WenQuanYi")))
            << control << " " << info.family().toStdString();
        EXPECT_EQ(w->font().pointSize(), 9) << control;
    }
    EXPECT_EQ(m_form->window()->font().pointSize(), 9);
}

// Every caption of a label or a check box shows whole: its text fits the control, and no
// control stacked above it covers the text.
TEST_F(QtFormTest, LabelAndCheckBoxCaptionsShowWhole) {
    for (const layout::Control& c : layout::controls()) {
        if (c.kind != Kind::Label && c.kind != Kind::CheckBox) continue;
        SCOPED_TRACE(c.name);
        QWidget* w = widget(c.name);
        int textLeft = 0;
        QString text;
        bool centred = true;
        if (auto* box = qobject_cast<QCheckBox*>(w)) {
            QStyleOptionButton option;
            option.initFrom(box);
            option.text = text = box->text();
            textLeft =
                box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box).left();
        } else {
            auto* label = qobject_cast<QLabel*>(w);
            text = label->text();
            centred = label->alignment() & Qt::AlignVCenter;
        }
        const int textRight = textLeft + QFontMetrics(w->font()).horizontalAdvance(text);
        EXPECT_LE(textRight, w->width()) << text.toStdString();
        // The band of the glyphs, in the parent's coordinates.
        const int em = std::min(QFontInfo(w->font()).pixelSize(), w->height());
        const QRect shown(w->x(), w->y() + (centred ? (w->height() - em) / 2 : 0), textRight, em);
        const QObjectList& siblings = w->parentWidget()->children();
        for (qsizetype i = siblings.indexOf(w) + 1; i < siblings.size(); ++i) {
            auto* above = qobject_cast<QWidget*>(siblings[i]);
            if (!above || above->isHidden()) continue;
            EXPECT_FALSE(shown.intersects(above->geometry()))
                << text.toStdString() << " runs under " << above->objectName().toStdString();
        }
    }
}

TEST_F(QtFormTest, EveryChoiceOfADropDownListShowsWholeWhenItOpens) {
    // Items added later count too: a key's name can be longer than the box is wide.
    m_form->addItem(ctl::组合框key, {"一个名字很长很长的识别服务密钥", 0});
    for (const layout::Control& c : layout::controls()) {
        if (c.kind != Kind::DropDownList) continue;
        SCOPED_TRACE(c.name);
        auto* box = widgetAs<QComboBox>(c.name);
        // Those on pages not shown cannot open; they are built the same way.
        if (!box->isVisible()) continue;
        box->showPopup();
        QAbstractItemView* view = box->view();
        ASSERT_TRUE(QTest::qWaitFor([view] { return view->isVisible(); }));
        EXPECT_LE(view->sizeHintForColumn(0), view->viewport()->width());
        box->hidePopup();
    }
}
