#include "platform/qt/overlay/qt_overlay.h"

#include <QEventLoop>

#include "platform/qt/overlay/overlay_widget.h"

void QtOverlay::run(const platform::ScreenImage& snapshot, platform::OverlayEvents& events) {
    if (m_widget) return;
    OverlayWidget widget(snapshot, events);
    QEventLoop loop;
    bool closed = false;
    widget.onClosed = [&] {
        closed = true;
        loop.quit();
    };
    m_widget = &widget;
    widget.open();
    if (!closed) loop.exec(QEventLoop::DialogExec);
    m_widget = nullptr;
}

void QtOverlay::close() {
    if (m_widget) m_widget->dismiss();
}

void QtOverlay::clearFigures() {
    if (m_widget) m_widget->clearFigures();
}

void QtOverlay::drawOutline(int x1, int y1, int x2, int y2) {
    if (m_widget) m_widget->setOutline(QPoint(x1, y1), QPoint(x2, y2));
}

void QtOverlay::showHint(const std::string& text, int left, int top, int width, int height) {
    if (m_widget) m_widget->showHint(QString::fromStdString(text), QRect(left, top, width, height));
}

void QtOverlay::hideHint() {
    if (m_widget) m_widget->hideHint();
}

void QtOverlay::setMagnifierVisible(bool visible) {
    if (m_widget) m_widget->setMagnifierVisible(visible);
}

void QtOverlay::updateMagnifier(int viewLeft, int viewTop, int sourceLeft, int sourceTop) {
    if (m_widget)
        m_widget->updateMagnifier(QPoint(viewLeft, viewTop), QPoint(sourceLeft, sourceTop));
}

void QtOverlay::moveSource(int left, int top) {
    if (m_widget) m_widget->moveSource(QPoint(left, top));
}
