#pragma once
// The main window: the top-level widget with every control of the layout, which turns the
// widgets' signals into the controller's handlers and carries out the window operations.
#include <QWidget>
#include <map>
#include <string>

#include "platform/form.h"
#include "platform/qt/control_builder.h"

class QMenu;

class FormWindow : public QWidget {
    Q_OBJECT
public:
    FormWindow();
    ~FormWindow() override;

    void setEvents(platform::FormEvents* events) { m_events = events; }
    const ControlRegistry& controls() const { return m_controls; }
    QMenu* menu(const std::string& name) const;

    // Shows the window at its design place and size, then reports it created and sized.
    void showFirst();
    bool isClosed() const { return m_closed; }

    platform::WindowState state() const;
    void setState(platform::WindowState state);
    void bringToFront();
    // Takes the window off the screen at once and handles events until its place has been
    // redrawn without it, at most timeoutMs; setState(Normal) brings it back where it was.
    void hideForCapture(int timeoutMs);
    void suspendRedraw();
    void resumeRedraw();
    void messageBox(const QString& text, const QString& title);
    void popupMenu(const std::string& name);

signals:
    // The user closed the window; the controller has been told.
    void closed();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectControls();
    void buildMenus();
    template <class Call>
    void report(Call call);

    ControlRegistry m_controls;
    std::map<QObject*, std::string> m_keyBoxes;
    std::map<std::string, QMenu*> m_menus;
    platform::FormEvents* m_events = nullptr;
    bool m_created = false;
    bool m_closed = false;
};
