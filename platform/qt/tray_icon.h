#pragma once
// The program's icon in the desktop's tray (XEmbed on X11, StatusNotifierItem where the
// desktop speaks it, both through Qt), with the tray menu's items. It is shown where the
// desktop has a tray, and Qt adds it by itself when a tray appears later (a panel that
// starts after the program).
#include <QObject>
#include <QString>
#include <memory>

#include "app/tray_menu.h"

class QIcon;
class QMenu;
class QSystemTrayIcon;

class TrayIcon : public QObject {
    Q_OBJECT
public:
    // Create on the user-interface thread, after the QApplication. The menu's actions run
    // there too, after the tray's menu has closed.
    TrayIcon(TrayMenu menu, const QIcon& icon, const QString& toolTip);
    ~TrayIcon() override;

    // Whether the desktop has a tray at this moment.
    static bool trayAvailable();
    // For the program's tests: the Qt icon and its menu.
    QSystemTrayIcon* icon() const { return m_icon.get(); }
    QMenu* menu() const { return m_menu.get(); }

private:
    void choose(int id);

    TrayMenu m_model;
    // The icon refers to its menu, so it goes first.
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
};
