#include "platform/qt/form_controls.h"

#include <QSignalBlocker>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

#include "platform/qt/capture_preview.h"
#include "platform/qt/control_builder.h"
#include "platform/qt/grid_view.h"
#include "platform/qt/html_view.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/status_bar.h"
#include "platform/qt/tab_control.h"

using layout::Kind;
using qttext::fromQt;
using qttext::toQt;

FormControls::FormControls(const ControlRegistry& controls) : m_controls(controls) {}

const ControlEntry* FormControls::find(const std::string& control) const {
    auto it = m_controls.find(control);
    return it == m_controls.end() || !it->second.widget ? nullptr : &it->second;
}

template <class Widget>
Widget* FormControls::as(const std::string& control, Kind kind) const {
    const ControlEntry* e = find(control);
    return e && e->kind == kind ? static_cast<Widget*>(e->widget.data()) : nullptr;
}

GridView* FormControls::grid(const std::string& c) const {
    return as<GridView>(c, Kind::Grid);
}
HtmlView* FormControls::htmlView(const std::string& c) const {
    return as<HtmlView>(c, Kind::HtmlView);
}
TabControl* FormControls::tabControl(const std::string& c) const {
    return as<TabControl>(c, Kind::TabControl);
}
StatusBar* FormControls::statusBar(const std::string& c) const {
    return as<StatusBar>(c, Kind::StatusBar);
}

std::string FormControls::text(const std::string& control) const {
    const ControlEntry* e = find(control);
    if (!e) return {};
    QWidget* w = e->widget;
    switch (e->kind) {
        case Kind::Label:
            return fromQt(static_cast<QLabel*>(w)->text());
        case Kind::Button:
        case Kind::CheckBox:
            return fromQt(static_cast<QAbstractButton*>(w)->text());
        case Kind::GroupBox:
            return fromQt(static_cast<QGroupBox*>(w)->title());
        case Kind::LineEdit:
            return fromQt(static_cast<QLineEdit*>(w)->text());
        case Kind::MultiLineEdit:
            return fromQt(static_cast<QPlainTextEdit*>(w)->toPlainText());
        case Kind::DropDownList: {
            auto* box = static_cast<QComboBox*>(w);
            return box->currentIndex() < 0 ? std::string() : fromQt(box->currentText());
        }
        case Kind::HtmlView:
            return static_cast<HtmlView*>(w)->address().toStdString();
        case Kind::TabControl: {
            auto* tab = static_cast<TabControl*>(w);
            return fromQt(tab->pageTitle(tab->currentIndex()));
        }
        case Kind::StatusBar:
            return fromQt(static_cast<StatusBar*>(w)->partText(0));
        case Kind::PictureBox:
        case Kind::Grid:
            return {};
    }
    return {};
}

void FormControls::setText(const std::string& control, const std::string& text) {
    const ControlEntry* e = find(control);
    if (!e) return;
    QWidget* w = e->widget;
    const QString t = toQt(text);
    switch (e->kind) {
        case Kind::Label:
            static_cast<QLabel*>(w)->setText(t);
            break;
        case Kind::Button:
        case Kind::CheckBox:
            static_cast<QAbstractButton*>(w)->setText(t);
            break;
        case Kind::GroupBox:
            static_cast<QGroupBox*>(w)->setTitle(t);
            break;
        case Kind::LineEdit:
            static_cast<QLineEdit*>(w)->setText(t);
            break;
        case Kind::MultiLineEdit:
            static_cast<QPlainTextEdit*>(w)->setPlainText(t);
            break;
        case Kind::DropDownList: {
            // A list without an edit field can only show one of its items.
            auto* box = static_cast<QComboBox*>(w);
            const int i = box->findText(t, Qt::MatchExactly);
            if (i >= 0) box->setCurrentIndex(i);
            break;
        }
        case Kind::HtmlView:
            static_cast<HtmlView*>(w)->navigate(qttext::plain(text));
            break;
        case Kind::StatusBar:
            static_cast<StatusBar*>(w)->setPartText(0, t);
            break;
        case Kind::TabControl:
        case Kind::PictureBox:
        case Kind::Grid:
            break;
    }
    // The announced name follows the caption.
    if (ControlBuilder::hasCaption(e->kind))
        w->setAccessibleName(ControlBuilder::accessibleName(e->kind, control, text));
}

std::string FormControls::selectedText(const std::string& control) const {
    if (auto* edit = as<QLineEdit>(control, Kind::LineEdit)) return fromQt(edit->selectedText());
    if (auto* edit = as<QPlainTextEdit>(control, Kind::MultiLineEdit))
        return fromQt(edit->textCursor().selectedText());
    return {};
}

bool FormControls::checked(const std::string& control) const {
    auto* box = as<QCheckBox>(control, Kind::CheckBox);
    return box && box->isChecked();
}

void FormControls::setChecked(const std::string& control, bool checked) {
    if (auto* box = as<QCheckBox>(control, Kind::CheckBox)) {
        const QSignalBlocker quiet(box);
        box->setChecked(checked);
    }
}

int FormControls::selectedIndex(const std::string& control) const {
    auto* box = as<QComboBox>(control, Kind::DropDownList);
    return box ? box->currentIndex() : -1;
}

void FormControls::setSelectedIndex(const std::string& control, int index) {
    auto* box = as<QComboBox>(control, Kind::DropDownList);
    if (!box) return;
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

std::vector<platform::ListItem> FormControls::items(const std::string& control) const {
    std::vector<platform::ListItem> result;
    if (auto* box = as<QComboBox>(control, Kind::DropDownList))
        for (int i = 0; i < box->count(); ++i)
            result.push_back({fromQt(box->itemText(i)), box->itemData(i).toLongLong()});
    return result;
}

void FormControls::addItem(const std::string& control, const platform::ListItem& item) {
    auto* box = as<QComboBox>(control, Kind::DropDownList);
    if (!box) return;
    // Adding to a list keeps its selection; Qt would select the first item of an empty list.
    const int selected = box->currentIndex();
    box->addItem(toQt(item.text), QVariant::fromValue<qlonglong>(item.value));
    if (box->currentIndex() != selected) box->setCurrentIndex(selected);
}

void FormControls::clearItems(const std::string& control) {
    if (auto* box = as<QComboBox>(control, Kind::DropDownList)) box->clear();
}

bool FormControls::enabled(const std::string& control) const {
    const ControlEntry* e = find(control);
    return e && e->widget->isEnabledTo(e->widget->parentWidget());
}

void FormControls::setEnabled(const std::string& control, bool enabled) {
    if (const ControlEntry* e = find(control)) e->widget->setEnabled(enabled);
}

bool FormControls::visible(const std::string& control) const {
    const ControlEntry* e = find(control);
    // The control's own flag: a control on a page in the background is still visible.
    return e && e->widget->isVisibleTo(e->widget->parentWidget());
}

void FormControls::setVisible(const std::string& control, bool visible) {
    if (const ControlEntry* e = find(control)) e->widget->setVisible(visible);
}

platform::Rect FormControls::geometry(const std::string& control) const {
    const ControlEntry* e = find(control);
    if (!e) return {};
    const QRect r = e->widget->geometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

void FormControls::setGeometry(const std::string& control, const platform::Rect& rect) {
    if (const ControlEntry* e = find(control))
        e->widget->setGeometry(rect.left, rect.top, qMax(0, rect.width), qMax(0, rect.height));
}

platform::Size FormControls::size(const std::string& control) const {
    const ControlEntry* e = find(control);
    if (!e) return {};
    return {e->widget->width(), e->widget->height()};
}

int FormControls::currentPage(const std::string& control) const {
    TabControl* tab = tabControl(control);
    return tab ? tab->currentIndex() : -1;
}

void FormControls::setCurrentPage(const std::string& control, int page) {
    if (TabControl* tab = tabControl(control)) tab->setCurrentIndex(page);
}

std::string FormControls::statusText(const std::string& control, int part) const {
    StatusBar* bar = statusBar(control);
    return bar ? fromQt(bar->partText(part)) : std::string();
}

void FormControls::setStatusText(const std::string& control, int part, const std::string& text) {
    if (StatusBar* bar = statusBar(control)) bar->setPartText(part, toQt(text));
}

void FormControls::setPicture(const std::string& control, const std::string& imageBytes) {
    auto* picture = as<QLabel>(control, Kind::PictureBox);
    if (!picture) return;
    QImage image = CapturePreview::make(imageBytes, picture->size());
    if (image.isNull())
        picture->clear();
    else
        picture->setPixmap(QPixmap::fromImage(std::move(image)));
}

void FormControls::navigate(const std::string& control, const std::string& address) {
    if (HtmlView* view = htmlView(control)) view->navigate(qttext::plain(address));
}
