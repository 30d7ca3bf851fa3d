#include "platform/qt/overlay/hint_window.h"

#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "platform/qt/overlay/overlay_scene.h"
#include "platform/qt/overlay/overlay_screens.h"
#include "platform/qt/overlay/screen_freeze.h"

HintWindow::HintWindow()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint |
                           Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput |
                           Qt::WindowDoesNotAcceptFocus) {
    setWindowTitle(QStringLiteral("Ozmira"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

bool HintWindow::showAt(QScreen* screen, const platform::Monitor& monitor, const QString& text,
                        const QRect& rect) {
    m_text = text;
    m_rect = rect;
    create();
    if (QWindow* window = windowHandle()) window->setScreen(screen);
    const QRect local = OverlayScreens::toLocal(monitor, screen->devicePixelRatio(), rect);
    setGeometry(local.translated(screen->geometry().topLeft()));
    // Until it is painted the window shows the frozen screen, never a blank box.
    if (!ScreenFreeze::showBeneath(*this)) return false;
    show();
    raise();
    // At once, without waiting for the window system's expose (nothing runs the event loop
    // before the snapshot is read); the toolkit's paint at the expose draws the same.
    QImage label(rect.size(), QImage::Format_RGB32);
    QPainter painter(&label);
    painter.translate(-rect.topLeft());
    OverlayScene::paintHint(painter, text, rect);
    painter.end();
    ScreenFreeze::putImage(*this, label);
    return true;
}

bool HintWindow::showing(const QString& text, const QRect& rect) const {
    return isVisible() && text == m_text && rect == m_rect;
}

void HintWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const qreal ratio = devicePixelRatioF();
    painter.scale(1 / ratio, 1 / ratio);
    painter.translate(-m_rect.topLeft());
    OverlayScene::paintHint(painter, m_text, m_rect);
}
