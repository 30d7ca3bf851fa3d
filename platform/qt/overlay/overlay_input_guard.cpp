#include "platform/qt/overlay/overlay_input_guard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWindow>
#include <algorithm>

namespace {

// What a user does to a window, as the window system delivers it.
bool isUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::ContextMenu:
        case QEvent::Close:
            return true;
        default:
            return false;
    }
}

}  // namespace

OverlayInputGuard::OverlayInputGuard() {
    QCoreApplication::instance()->installEventFilter(this);
}

OverlayInputGuard::~OverlayInputGuard() {
    QCoreApplication::instance()->removeEventFilter(this);
}

void OverlayInputGuard::allow(QWindow* window) {
    if (window) m_allowed.push_back(window);
}

// Input from the window system reaches a window (QWindow) first and its widgets through it, so
// stopping it there stops it for the widgets too; what the program sends itself passes.
bool OverlayInputGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->spontaneous() && isUserInput(event->type()) && watched->isWindowType() &&
        std::find(m_allowed.begin(), m_allowed.end(), watched) == m_allowed.end())
        return true;
    return QObject::eventFilter(watched, event);
}
