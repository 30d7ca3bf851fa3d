#include "platform/qt/overlay/qt_overlay.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>

#include "platform/qt/overlay/overlay_input_guard.h"
#include "platform/qt/overlay/overlay_scene.h"
#include "platform/qt/overlay/overlay_screens.h"
#include "platform/qt/overlay/overlay_widget.h"

namespace {

std::vector<OverlayScreens::Screen> describe(const QList<QScreen*>& screens) {
    std::vector<OverlayScreens::Screen> out;
    for (QScreen* s : screens)
        out.push_back({s->name(), s->geometry(), s->devicePixelRatio(),
                       s == QGuiApplication::primaryScreen()});
    return out;
}

}  // namespace

void QtOverlay::run(const platform::ScreenImage& snapshot,
                    const std::vector<platform::Monitor>& monitors,
                    platform::OverlayEvents& events) {
    if (m_scene) return;
    const QList<QScreen*> screens = QGuiApplication::screens();
    const std::vector<int> shown = OverlayScreens::match(monitors, describe(screens));
    // The primary monitor's window comes first: it takes the keyboard.
    std::vector<std::size_t> order;
    for (std::size_t m = 0; m < monitors.size(); ++m)
        if (shown[m] >= 0) order.insert(monitors[m].primary ? order.begin() : order.end(), m);
    if (order.empty()) return;

    OverlayScene scene(snapshot);
    OverlayInputGuard guard;
    std::vector<std::unique_ptr<OverlayWidget>> owned;
    QEventLoop loop;
    bool closed = false;
    for (std::size_t m : order) {
        auto* widget = owned.emplace_back(new OverlayWidget(scene, monitors[m], events)).get();
        widget->onClosed = [&] {
            closed = true;
            loop.quit();
        };
        m_widgets.push_back(widget);
    }
    scene.onDirty = [this](const QRect& rect) {
        for (OverlayWidget* widget : m_widgets) widget->dirty(rect);
    };
    m_scene = &scene;
    events.onOpened();
    for (std::size_t i = 0; i < order.size() && !closed; ++i) {
        m_widgets[i]->open(screens[shown[order[i]]], i == 0);
        guard.allow(m_widgets[i]->windowHandle());
    }
    if (!closed) loop.exec(QEventLoop::DialogExec);
    for (OverlayWidget* widget : m_widgets) {
        widget->onClosed = nullptr;
        widget->dismiss();
    }
    m_scene = nullptr;
    m_widgets.clear();
}

void QtOverlay::close() {
    for (OverlayWidget* widget : m_widgets) widget->dismiss();
}

void QtOverlay::clearFigures() {
    if (m_scene) m_scene->clearFigures();
}

void QtOverlay::drawOutline(int x1, int y1, int x2, int y2) {
    if (m_scene) m_scene->setOutline(QPoint(x1, y1), QPoint(x2, y2));
}

void QtOverlay::showHint(const std::string& text, int left, int top, int width, int height) {
    if (m_scene) m_scene->showHint(QString::fromStdString(text), QRect(left, top, width, height));
}

void QtOverlay::hideHint() {
    if (m_scene) m_scene->hideHint();
}

void QtOverlay::setMagnifierVisible(bool visible) {
    if (m_scene) m_scene->setMagnifierVisible(visible);
}

void QtOverlay::updateMagnifier(int viewLeft, int viewTop, int sourceLeft, int sourceTop) {
    if (m_scene) m_scene->updateMagnifier(QPoint(viewLeft, viewTop), QPoint(sourceLeft, sourceTop));
}

void QtOverlay::moveSource(int left, int top) {
    if (m_scene) m_scene->moveSource(QPoint(left, top));
}
