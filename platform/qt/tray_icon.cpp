#include "platform/qt/tray_icon.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QMetaObject>
#include <QSystemTrayIcon>
#include <utility>

#include "platform/qt/qt_text.h"

TrayIcon::TrayIcon(TrayMenu menu, const QIcon& icon, const QString& toolTip)
    : m_model(std::move(menu)), m_menu(std::make_unique<QMenu>()) {
    m_menu->setObjectName(QStringLiteral("OzmiraTrayMenu"));
    for (const TrayMenu::Item& item : TrayMenu::items()) {
        if (item.caption.empty()) {
            m_menu->addSeparator();
            continue;
        }
        QAction* action = m_menu->addAction(qttext::toQt(item.caption));
        action->setData(item.id);
        connect(action, &QAction::triggered, this, [this, id = item.id] { choose(id); });
    }
    m_icon = std::make_unique<QSystemTrayIcon>(icon);
    m_icon->setToolTip(toolTip);
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) m_model.iconClicked();
            });
    m_icon->show();
}

TrayIcon::~TrayIcon() {
    m_icon.reset();
    m_menu.reset();
}

bool TrayIcon::trayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::choose(int id) {
    // Queued: a capture command minimizes the window and freezes the screen, which must not
    // catch the menu still on it.
    QMetaObject::invokeMethod(
        this, [this, id] { m_model.choose(id); }, Qt::QueuedConnection);
}
