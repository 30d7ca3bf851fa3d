#include "platform/qt/control_builder.h"

#include <QCheckBox>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>

#include "platform/qt/grid_view.h"
#include "platform/qt/html_view.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/status_bar.h"
#include "platform/qt/tab_control.h"

using layout::Kind;

namespace {

// The list a drop-down opens is as wide as its longest choice, whatever the box's own width,
// so no choice is cut off; it follows the items as they come and go.
void fitListToItems(QComboBox* box) {
    const auto fit = [box] {
        QAbstractItemView* view = box->view();
        view->setMinimumWidth(view->sizeHintForColumn(0) + 2 * view->frameWidth());
    };
    QAbstractItemModel* model = box->model();
    QObject::connect(model, &QAbstractItemModel::rowsInserted, box, fit);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, box, fit);
    QObject::connect(model, &QAbstractItemModel::modelReset, box, fit);
    fit();
}

}  // namespace

QFont ControlBuilder::font(const layout::Font& wanted, const layout::Font& window) {
    const std::string family = wanted.family.empty() ? window.family : wanted.family;
    const int size = wanted.pointSize > 0 ? wanted.pointSize : window.pointSize;
    QFont f;
    QStringList families;
    if (!family.empty()) families << qttext::plain(family);
    families << QStringLiteral("Noto Sans CJK SC") << QStringLiteral("Noto Sans CJK")
             << QStringLiteral("WenQuanYi Micro Hei") << QStringLiteral("Droid Sans Fallback");
    f.setFamilies(families);
    if (size > 0) f.setPointSize(size);
    if (QString::fromStdString(family).contains(QLatin1String("Light"), Qt::CaseInsensitive))
        f.setWeight(QFont::Light);
    return f;
}

bool ControlBuilder::hasCaption(Kind kind) {
    return kind == Kind::Label || kind == Kind::Button || kind == Kind::CheckBox ||
           kind == Kind::GroupBox;
}

QString ControlBuilder::accessibleName(Kind kind, const std::string& name,
                                       const std::string& caption) {
    if (!hasCaption(kind) || caption.empty()) return qttext::plain(name);
    QString text = qttext::toQt(caption);
    if (kind != Kind::Label) {
        // A mnemonic marker is not read out: "&&" stands for "&", "&F" for "F".
        QString stripped;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;
            stripped += text[i];
        }
        text = stripped;
    }
    return text;
}

QWidget* ControlBuilder::parentFor(const layout::Control& control, QWidget* window,
                                   const ControlRegistry& made) {
    if (control.parent.empty()) return window;
    auto it = made.find(control.parent);
    if (it == made.end() || !it->second.widget) return window;
    if (it->second.kind == Kind::TabControl) {
        auto* tab = static_cast<TabControl*>(it->second.widget.data());
        if (QWidget* page = tab->page(control.page)) return page;
    }
    return it->second.widget;
}

QWidget* ControlBuilder::create(const layout::Control& c, QWidget* parent) {
    const QString caption = qttext::toQt(c.caption);
    switch (c.kind) {
        case Kind::Label: {
            auto* label = new QLabel(caption, parent);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case Kind::HtmlView:
            return new HtmlView(parent);
        case Kind::PictureBox: {
            auto* picture = new QLabel(parent);
            picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return picture;
        }
        case Kind::TabControl: {
            QStringList pages;
            for (const std::string& p : layout::tabPages(c.name)) pages << qttext::toQt(p);
            return new TabControl(pages, parent);
        }
        case Kind::DropDownList: {
            auto* box = new QComboBox(parent);
            box->setEditable(false);
            for (const platform::ListItem& item : c.items)
                box->addItem(qttext::toQt(item.text), QVariant::fromValue<qlonglong>(item.value));
            // As created, a list has no selection; the program chooses one.
            box->setCurrentIndex(-1);
            fitListToItems(box);
            return box;
        }
        case Kind::StatusBar:
            return new StatusBar(layout::statusParts(c.name), parent);
        case Kind::MultiLineEdit: {
            auto* edit = new QPlainTextEdit(caption, parent);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            return edit;
        }
        case Kind::LineEdit:
            return new QLineEdit(caption, parent);
        case Kind::GroupBox:
            return new QGroupBox(caption, parent);
        case Kind::Button:
            return new QPushButton(caption, parent);
        case Kind::CheckBox:
            return new QCheckBox(caption, parent);
        case Kind::Grid:
            return new GridView(parent);
    }
    return new QWidget(parent);
}

// The layout was drawn with a font whose captions run narrower than the CJK fonts of a Linux
// desktop. A check box keeps the narrow gap between its box and its text that the layout
// allows for (with the style's wider gap, "识别文本合并" ran under the button beside it), and
// a caption still wider than its control gets a smaller font, down to three quarters of its
// size, instead of losing its ends.
void ControlBuilder::fitCaption(QWidget* w, Kind kind) {
    int textLeft = 0;
    QString text;
    if (kind == Kind::CheckBox) {
        auto* box = static_cast<QCheckBox*>(w);
        box->setStyleSheet(QStringLiteral("QCheckBox { spacing: 3px; }"));
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = text = box->text();
        textLeft = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box).left();
    } else if (kind == Kind::Label) {
        text = static_cast<QLabel*>(w)->text();
    } else {
        return;
    }
    QFont f = w->font();
    const int size = QFontInfo(f).pixelSize();
    for (int px = size; px >= size * 3 / 4; --px) {
        if (px < size) f.setPixelSize(px);
        if (textLeft + QFontMetrics(f).horizontalAdvance(text) <= w->width()) break;
    }
    if (f != w->font()) w->setFont(f);
}

bool ControlBuilder::coversEarlierSibling(const layout::Control& control) {
    const platform::Rect& g = control.geometry;
    for (const layout::Control& c : layout::controls()) {
        if (c.name == control.name) return false;
        if (c.parent != control.parent || c.page != control.page) continue;
        const platform::Rect& o = c.geometry;
        if (g.left >= o.left && g.top >= o.top && g.left + g.width <= o.left + o.width &&
            g.top + g.height <= o.top + o.height)
            return true;
    }
    return false;
}

ControlRegistry ControlBuilder::build(QWidget* window) {
    ControlRegistry made;
    const layout::Font& windowFont = layout::window().font;
    for (const layout::Control& c : layout::controls()) {
        QWidget* w = create(c, parentFor(c, window, made));
        const QString name = qttext::plain(c.name);
        w->setObjectName(name);
        w->setAccessibleName(accessibleName(c.kind, c.name, c.caption));
        w->setAccessibleDescription(name);
        w->setFont(font(c.font, windowFont));
        if (!c.tip.empty()) w->setToolTip(qttext::toQt(c.tip));
        if (c.tag != 0) w->setProperty("tag", c.tag);
        const platform::Rect& r = c.geometry;
        w->setGeometry(r.left, r.top, qMax(0, r.width), qMax(0, r.height));
        fitCaption(w, c.kind);
        if (c.hidden) w->hide();
        if (c.disabled) w->setEnabled(false);
        if (c.kind == Kind::Label) {
            // A label too short for a line (the divider) shows the middle of the line, where
            // its hyphens are, instead of the empty top.
            const int line = QFontMetrics(w->font()).ascent();
            static_cast<QLabel*>(w)->setAlignment(
                Qt::AlignLeft | (r.height < line ? Qt::AlignVCenter : Qt::AlignTop));
        }
        // A group box lying wholly over an earlier control is a panel that hides it.
        if (c.kind == Kind::GroupBox && coversEarlierSibling(c)) w->setAutoFillBackground(true);
        made[c.name] = {w, c.kind};
        if (c.kind == Kind::HtmlView) static_cast<HtmlView*>(w)->navigate(qttext::plain(c.caption));
    }
    return made;
}
