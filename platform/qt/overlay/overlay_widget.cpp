#include "platform/qt/overlay/overlay_widget.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "platform/qt/overlay/overlay_screens.h"
#include "platform/qt/overlay/screen_freeze.h"

OverlayWidget::OverlayWidget(const OverlayScene& scene, const platform::Monitor& monitor,
                             bool unmanaged)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           (unmanaged ? Qt::BypassWindowManagerHint : Qt::Widget)),
      m_scene(scene),
      m_monitor(monitor) {
    setWindowTitle(QStringLiteral("Ozmira"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
}

void OverlayWidget::open(QScreen* screen, bool takeKeyboard) {
    m_active = true;
    m_keyboard = takeKeyboard;
    // The window must be on its screen before it is shown: the window manager (or the
    // Wayland compositor) makes it full screen on the screen it was put on.
    create();
    if (QWindow* window = windowHandle()) {
        window->setScreen(screen);
        window->installEventFilter(this);
    }
    setGeometry(screen->geometry());
    showFullScreen();
    if (!takeKeyboard) return;
    raise();
    activateWindow();
    setFocus();
    // The grab needs a mapped window; Esc must work even if the window manager keeps the
    // focus elsewhere.
    QTimer::singleShot(0, this, [this] {
        if (m_active) grabKeyboard();
    });
}

bool OverlayWidget::freeze(QScreen* screen, bool takeKeyboard, bool seeThrough) {
    m_active = true;
    m_keyboard = takeKeyboard;
    // Nothing of the scene (no snapshot yet) may reach the screen before reveal().
    setUpdatesEnabled(false);
    // A compositing manager shows an unpainted window as it is: this one starts transparent.
    if (seeThrough) setAttribute(Qt::WA_TranslucentBackground);
    create();
    if (QWindow* window = windowHandle()) {
        window->setScreen(screen);
        window->installEventFilter(this);
    }
    setGeometry(screen->geometry());
    if (!ScreenFreeze::showBeneath(*this)) {
        dismiss();
        return false;
    }
    show();
    // An unmanaged window never gets the focus from a window manager: the keys are grabbed.
    // The grab is asked after the map, on the same connection, so the server sees it mapped.
    if (takeKeyboard && !windowHandle()->setKeyboardGrabEnabled(true)) {
        m_keyboard = false;
        dismiss();
        return false;
    }
    if (takeKeyboard) grabKeyboard();
    return true;
}

void OverlayWidget::reveal() {
    setUpdatesEnabled(true);
    // At once: the window is already on the screen, showing the same pixels.
    repaint();
}

void OverlayWidget::dismiss() {
    if (!m_active) return;
    m_active = false;
    if (m_keyboard) releaseKeyboard();
    hide();
    finish();
}

void OverlayWidget::finish() {
    if (onClosed) {
        auto closed = std::move(onClosed);
        onClosed = nullptr;
        closed();
    }
}

void OverlayWidget::dirty(const QRect& screenRect) {
    const QRect monitor(m_monitor.left, m_monitor.top, m_monitor.width, m_monitor.height);
    const QRect part = screenRect & monitor;
    if (!part.isEmpty()) update(OverlayScreens::toLocal(m_monitor, devicePixelRatioF(), part));
}

void OverlayWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    // From here on one unit is one physical pixel of the screen, as the scene counts them.
    painter.scale(1 / ratio, 1 / ratio);
    painter.translate(-m_monitor.left, -m_monitor.top);
    const QRect local = event->rect();
    const QRect area(
        OverlayScreens::toScreen(m_monitor, ratio, local.topLeft()),
        OverlayScreens::toScreen(m_monitor, ratio,
                                 QPointF(local.x() + local.width(), local.y() + local.height())));
    m_scene.paint(painter, area.adjusted(-1, -1, 1, 1));
}

QPoint OverlayWidget::toScreen(const QMouseEvent& event) const {
    return OverlayScreens::toScreen(m_monitor, devicePixelRatioF(), event.position());
}

// The pointer is read from the window's own events: they carry it to the device pixel,
// while the copies the widget gets are rounded to whole logical pixels, which on a display
// scaled by 2 would move every odd corner by one pixel.
bool OverlayWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && m_active && m_events) {
        switch (event->type()) {
            case QEvent::MouseButtonPress: {
                const auto* mouse = static_cast<const QMouseEvent*>(event);
                const QPoint at = toScreen(*mouse);
                if (mouse->button() == Qt::LeftButton) m_events->onLeftPress(at.x(), at.y());
                if (mouse->button() == Qt::RightButton) m_events->onRightPress(at.x(), at.y());
                break;
            }
            case QEvent::MouseButtonRelease: {
                const auto* mouse = static_cast<const QMouseEvent*>(event);
                const QPoint at = toScreen(*mouse);
                if (mouse->button() == Qt::LeftButton) m_events->onLeftRelease(at.x(), at.y());
                break;
            }
            case QEvent::MouseMove: {
                const QPoint at = toScreen(*static_cast<const QMouseEvent*>(event));
                m_events->onMove(at.x(), at.y());
                break;
            }
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void OverlayWidget::keyPressEvent(QKeyEvent* event) {
    if (m_active && m_events && event->key() == Qt::Key_Escape) m_events->onEscape();
}

void OverlayWidget::closeEvent(QCloseEvent* event) {
    // The window manager closed it (Alt+F4 and the like): that is a cancel.
    event->accept();
    if (!m_active) return;
    m_active = false;
    if (m_keyboard) releaseKeyboard();
    finish();
}
