#include "platform/qt/form_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWindow>

#include "app/control_names.h"
#include "app/layout.h"
#include "platform/qt/control_builder.h"
#include "platform/qt/grid_view.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/screen_settle.h"
#include "platform/qt/tab_control.h"
#include "platform/qt/virtual_keys.h"

using layout::Kind;

FormWindow::FormWindow() {
    const layout::Window& w = layout::window();
    setObjectName(QStringLiteral("OzmiraMainWindow"));
    setWindowTitle(qttext::toQt(w.title));
    setFont(ControlBuilder::font({}, w.font));
    const QString icon = qttext::plain(w.icon);
    if (!icon.isEmpty() && QFile::exists(icon)) setWindowIcon(QIcon(icon));
    resize(w.clientSize.width, w.clientSize.height);
    m_controls = ControlBuilder::build(this);
    buildMenus();
    connectControls();
}

FormWindow::~FormWindow() {
    // Widgets going away must not reach the controller any more; they go while this window
    // is still whole, so a signal on the way out finds it intact.
    m_events = nullptr;
    m_closed = true;
    qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
}

template <class Call>
void FormWindow::report(Call call) {
    if (m_events && !m_closed) call(*m_events);
}

void FormWindow::connectControls() {
    for (const auto& [name, entry] : m_controls) {
        QWidget* w = entry.widget;
        const std::string n = name;
        switch (entry.kind) {
            case Kind::Button:
                connect(static_cast<QPushButton*>(w), &QPushButton::clicked, this,
                        [this, n] { report([&](auto& e) { e.onClicked(n); }); });
                break;
            case Kind::CheckBox:
                // toggled also comes from assistive technologies, whose "Toggle" action does
                // not click; the program's own setChecked blocks it (FormControls).
                connect(static_cast<QCheckBox*>(w), &QCheckBox::toggled, this,
                        [this, n] { report([&](auto& e) { e.onClicked(n); }); });
                break;
            case Kind::DropDownList:
                connect(static_cast<QComboBox*>(w), &QComboBox::activated, this,
                        [this, n] { report([&](auto& e) { e.onItemSelected(n); }); });
                break;
            case Kind::LineEdit:
                connect(static_cast<QLineEdit*>(w), &QLineEdit::textChanged, this,
                        [this, n] { report([&](auto& e) { e.onTextChanged(n); }); });
                break;
            case Kind::MultiLineEdit:
                connect(static_cast<QPlainTextEdit*>(w), &QPlainTextEdit::textChanged, this,
                        [this, n] { report([&](auto& e) { e.onTextChanged(n); }); });
                break;
            case Kind::TabControl:
                connect(static_cast<TabControl*>(w), &TabControl::currentChanged, this,
                        [this, n] { report([&](auto& e) { e.onPageChanged(n); }); });
                break;
            case Kind::Grid:
                connect(static_cast<GridView*>(w), &GridView::rightButtonReleased, this,
                        [this, n] { report([&](auto& e) { e.onGridRightButtonUp(n); }); });
                break;
            default:
                break;
        }
    }
    for (const char* box : {ctl::编辑框1, ctl::编辑框2, ctl::编辑框3, ctl::编辑框4, ctl::编辑框5}) {
        auto it = m_controls.find(box);
        if (it == m_controls.end()) continue;
        it->second.widget->installEventFilter(this);
        m_keyBoxes[it->second.widget] = box;
    }
}

void FormWindow::buildMenus() {
    for (const layout::Menu& m : layout::menus()) {
        auto* menu = new QMenu(this);
        menu->setObjectName(qttext::plain(m.name));
        menu->setFont(font());
        const std::string name = m.name;
        for (size_t i = 0; i < m.items.size(); ++i) {
            if (m.items[i].text.empty()) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(qttext::toQt(m.items[i].text));
            const int index = static_cast<int>(i);
            connect(action, &QAction::triggered, this,
                    [this, name, index] { report([&](auto& e) { e.onMenuItem(name, index); }); });
        }
        m_menus[m.name] = menu;
    }
}

QMenu* FormWindow::menu(const std::string& name) const {
    auto it = m_menus.find(name);
    return it == m_menus.end() ? nullptr : it->second;
}

void FormWindow::showFirst() {
    // The controller hears of creation once.
    if (m_created) {
        show();
        return;
    }
    const platform::Rect& place = layout::window().geometry;
    move(place.left, place.top);
    show();
    m_created = true;
    report([](auto& e) {
        e.onCreated();
        e.onResized();
    });
}

void FormWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_created) report([](auto& e) { e.onResized(); });
}

void FormWindow::closeEvent(QCloseEvent* event) {
    if (!m_closed) {
        report([](auto& e) { e.onClosing(); });
        m_closed = true;
        emit closed();
    }
    event->accept();
}

bool FormWindow::eventFilter(QObject* watched, QEvent* event) {
    auto it = m_keyBoxes.find(watched);
    if (it == m_keyBoxes.end()) return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::ShortcutOverride) {
        // Every key belongs to the key box: a mnemonic such as Alt+F must not move the focus
        // away before the key's release arrives.
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat()) {
            const std::string box = it->second;
            const int code = vkeys::virtualKeyCode(*key);
            report([&](auto& e) { e.onKeyReleased(box, code); });
        }
    }
    return false;
}

platform::WindowState FormWindow::state() const {
    if (isMinimized()) return platform::WindowState::Minimized;
    if (isMaximized()) return platform::WindowState::Maximized;
    return platform::WindowState::Normal;
}

void FormWindow::setState(platform::WindowState s) {
    switch (s) {
        case platform::WindowState::Minimized:
            showMinimized();
            break;
        case platform::WindowState::Maximized:
            showMaximized();
            break;
        case platform::WindowState::Normal:
            showNormal();
            break;
    }
}

void FormWindow::bringToFront() {
    if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    QWidget::raise();
    activateWindow();
}

void FormWindow::hideForCapture(int timeoutMs) {
    // Withdrawn, not minimized: a window manager's minimize animation would have to play out
    // first, and some desktops (sway) ignore a minimize altogether.
    ScreenSettle settle(windowHandle());
    hide();
    settle.waitUntilRedrawn(timeoutMs);
}

void FormWindow::suspendRedraw() {
    setUpdatesEnabled(false);
}

void FormWindow::resumeRedraw() {
    setUpdatesEnabled(true);
    update();
}

void FormWindow::messageBox(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, this);
    box.setFont(font());
    box.setObjectName(QStringLiteral("OzmiraMessageBox"));
    box.exec();
}

void FormWindow::popupMenu(const std::string& name) {
    if (QMenu* m = menu(name)) m->popup(QCursor::pos());
}
