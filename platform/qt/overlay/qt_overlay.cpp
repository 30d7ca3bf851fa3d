#include "platform/qt/overlay/qt_overlay.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include "platform/qt/overlay/hint_window.h"
#include "platform/qt/overlay/overlay_input_guard.h"
#include "platform/qt/overlay/overlay_scene.h"
#include "platform/qt/overlay/overlay_screens.h"
#include "platform/qt/overlay/overlay_widget.h"
#include "platform/qt/overlay/screen_freeze.h"

namespace {

std::vector<OverlayScreens::Screen> describe(const QList<QScreen*>& screens) {
    std::vector<OverlayScreens::Screen> out;
    for (QScreen* s : screens)
        out.push_back({s->name(), s->geometry(), s->devicePixelRatio(),
                       s == QGuiApplication::primaryScreen()});
    return out;
}

// Whether one of the program's windows on the screen lies over the screen rectangle (or where
// it lies cannot be told).
bool ownWindowOver(const std::vector<platform::Monitor>& monitors, const QRect& area) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    const std::vector<int> shown = OverlayScreens::match(monitors, describe(screens));
    for (std::size_t m = 0; m < monitors.size(); ++m) {
        const platform::Monitor& monitor = monitors[m];
        const QRect part = area & QRect(monitor.left, monitor.top, monitor.width, monitor.height);
        if (part.isEmpty()) continue;
        if (shown[m] < 0) return true;
        QScreen* screen = screens[shown[m]];
        // In the toolkit's coordinates, where its windows are placed.
        const QRect place = OverlayScreens::toLocal(monitor, screen->devicePixelRatio(), part)
                                .translated(screen->geometry().topLeft());
        for (QWindow* window : QGuiApplication::topLevelWindows())
            if (window->isVisible() && !(window->windowStates() & Qt::WindowMinimized) &&
                window->frameGeometry().intersects(place))
                return true;
    }
    return false;
}

}  // namespace

// The windows of one run, one per shown monitor, the primary monitor's first (it takes the
// keyboard), and the scene they show. Input to the program's other windows is held off while
// they exist.
struct QtOverlay::Windows {
    OverlayScene scene;
    OverlayInputGuard guard;
    std::vector<platform::Monitor> monitors;
    std::vector<std::unique_ptr<OverlayWidget>> widgets;
    // For each widget, its screen and the monitor it shows.
    std::vector<QScreen*> screens;
    std::vector<platform::Monitor> shown;
    bool frozen = false;
    // Over a frozen screen the hint is a window of its own, up before the snapshot.
    std::unique_ptr<HintWindow> hint;
};

QtOverlay::QtOverlay() = default;
QtOverlay::~QtOverlay() = default;

std::unique_ptr<QtOverlay::Windows> QtOverlay::open(const std::vector<platform::Monitor>& monitors,
                                                    bool freeze) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    const std::vector<int> shown = OverlayScreens::match(monitors, describe(screens));
    std::vector<std::size_t> order;
    for (std::size_t m = 0; m < monitors.size(); ++m)
        if (shown[m] >= 0) order.insert(monitors[m].primary ? order.begin() : order.end(), m);
    if (order.empty()) return nullptr;
    auto windows = std::make_unique<Windows>();
    windows->monitors = monitors;
    windows->frozen = freeze;
    for (std::size_t m : order)
        windows->widgets.emplace_back(new OverlayWidget(windows->scene, monitors[m], freeze));
    // Asked once for all the monitors' windows: the answer is a round trip to the server.
    const bool seeThrough = freeze && ScreenFreeze::composited();
    for (std::size_t i = 0; i < order.size(); ++i) {
        OverlayWidget& widget = *windows->widgets[i];
        QScreen* screen = screens[shown[order[i]]];
        windows->screens.push_back(screen);
        windows->shown.push_back(monitors[order[i]]);
        if (!freeze) continue;
        if (!widget.freeze(screen, i == 0, seeThrough)) return nullptr;
        windows->guard.allow(widget.windowHandle());
    }
    return windows;
}

bool QtOverlay::cover(const std::vector<platform::Monitor>& monitors) {
    if (m_scene || m_covering || !ScreenFreeze::available()) return false;
    // Whatever fails here leaves the plain path: run() opens managed windows itself.
    m_covering = open(monitors, true);
    // Mapped before the snapshot's first request reaches the server (without handling events:
    // nothing may run in between).
    if (m_covering && !ScreenFreeze::roundTrip()) close();
    return m_covering != nullptr;
}

bool QtOverlay::coverAhead(const std::vector<platform::Monitor>& monitors, int left, int top,
                           int width, int height) {
    // Only a cover the live screen shows through may go up while the program's windows are
    // still there; and what it must read beneath the hint's place has to be what the snapshot
    // would hold, so none of them may lie there.
    if (m_scene || m_covering || !ScreenFreeze::available() || !ScreenFreeze::composited() ||
        ownWindowOver(monitors, QRect(left, top, width, height)))
        return false;
    return cover(monitors);
}

bool QtOverlay::showHintWindow(Windows& windows, const QString& text, const QRect& rect) {
    if (windows.hint && windows.hint->showing(text, rect)) return true;
    for (std::size_t i = 0; i < windows.shown.size(); ++i) {
        const platform::Monitor& m = windows.shown[i];
        if (!QRect(m.left, m.top, m.width, m.height).contains(rect.topLeft())) continue;
        if (!windows.hint) windows.hint = std::make_unique<HintWindow>();
        if (windows.hint->showAt(windows.screens[i], m, text, rect)) return true;
        windows.hint->hide();
        return false;
    }
    return false;
}

void QtOverlay::run(const platform::ScreenImage& snapshot,
                    const std::vector<platform::Monitor>& monitors,
                    platform::OverlayEvents& events) {
    if (m_scene) return;
    std::unique_ptr<Windows> windows = std::move(m_covering);
    if (windows && windows->monitors != monitors) windows.reset();
    if (!windows) windows = open(monitors, false);
    if (!windows) return;
    windows->scene.setSnapshot(snapshot);
    m_running = windows.get();

    QEventLoop loop;
    bool closed = false;
    for (auto& widget : windows->widgets) {
        widget->setEvents(events);
        widget->onClosed = [&] {
            closed = true;
            loop.quit();
        };
        m_widgets.push_back(widget.get());
    }
    windows->scene.onDirty = [this](const QRect& rect) {
        for (OverlayWidget* widget : m_widgets) widget->dirty(rect);
    };
    m_scene = &windows->scene;
    events.onOpened();
    for (std::size_t i = 0; i < m_widgets.size() && !closed; ++i) {
        OverlayWidget* widget = m_widgets[i];
        if (windows->frozen) {
            widget->reveal();
            continue;
        }
        widget->open(windows->screens[i], i == 0);
        windows->guard.allow(widget->windowHandle());
    }
    if (!closed) loop.exec(QEventLoop::DialogExec);
    if (windows->hint) windows->hint->hide();
    for (OverlayWidget* widget : m_widgets) {
        widget->onClosed = nullptr;
        widget->dismiss();
    }
    m_scene = nullptr;
    m_running = nullptr;
    m_widgets.clear();
}

void QtOverlay::close() {
    for (OverlayWidget* widget : m_widgets) widget->dismiss();
    if (m_covering) {
        if (m_covering->hint) m_covering->hint->hide();
        for (auto& widget : m_covering->widgets) widget->dismiss();
        m_covering.reset();
    }
}

void QtOverlay::clearFigures() {
    if (m_scene) m_scene->clearFigures();
}

void QtOverlay::drawOutline(int x1, int y1, int x2, int y2) {
    if (m_scene) m_scene->setOutline(QPoint(x1, y1), QPoint(x2, y2));
}

void QtOverlay::showHint(const std::string& text, int left, int top, int width, int height) {
    const QString label = QString::fromStdString(text);
    const QRect rect(left, top, width, height);
    Windows* windows = m_scene ? m_running : m_covering.get();
    if (windows && windows->frozen && showHintWindow(*windows, label, rect)) {
        // Under a cover: on the screen before the snapshot's first request.
        if (!m_scene) ScreenFreeze::roundTrip();
        return;
    }
    if (m_scene) m_scene->showHint(label, rect);
}

void QtOverlay::hideHint() {
    if (!m_scene) return;
    if (m_running->hint) m_running->hint->hide();
    m_scene->hideHint();
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
