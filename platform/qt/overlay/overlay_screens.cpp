#include "platform/qt/overlay/overlay_screens.h"

#include <algorithm>
#include <cmath>

namespace {

bool sameSize(const platform::Monitor& m, const OverlayScreens::Screen& s) {
    return std::lround(s.geometry.width() * s.ratio) == m.width &&
           std::lround(s.geometry.height() * s.ratio) == m.height;
}

}  // namespace

std::vector<int> OverlayScreens::match(const std::vector<platform::Monitor>& monitors,
                                       const std::vector<Screen>& screens) {
    std::vector<int> shown(monitors.size(), -1);
    std::vector<bool> taken(screens.size(), false);
    auto take = [&](std::size_t monitor, auto fits) {
        if (shown[monitor] >= 0) return;
        for (std::size_t s = 0; s < screens.size(); ++s) {
            if (taken[s] || !fits(monitors[monitor], screens[s])) continue;
            shown[monitor] = int(s);
            taken[s] = true;
            return;
        }
    };
    for (std::size_t m = 0; m < monitors.size(); ++m)
        take(m, [](const platform::Monitor& monitor, const Screen& screen) {
            return !monitor.name.empty() && screen.name == QString::fromStdString(monitor.name);
        });

    const auto primary =
        std::find_if(screens.begin(), screens.end(), [](const Screen& s) { return s.primary; });
    const QPoint origin = primary == screens.end() ? QPoint() : primary->geometry.topLeft();
    for (std::size_t m = 0; m < monitors.size(); ++m)
        take(m, [&](const platform::Monitor& monitor, const Screen& screen) {
            return screen.geometry.topLeft() - origin == QPoint(monitor.left, monitor.top) &&
                   sameSize(monitor, screen);
        });

    for (std::size_t m = 0; m < monitors.size(); ++m)
        if (monitors[m].primary)
            take(m, [](const platform::Monitor&, const Screen& screen) { return screen.primary; });
    for (std::size_t m = 0; m < monitors.size(); ++m)
        take(m, [](const platform::Monitor&, const Screen&) { return true; });
    return shown;
}

QPoint OverlayScreens::toScreen(const platform::Monitor& monitor, qreal ratio, QPointF local) {
    return {monitor.left + int(std::floor(local.x() * ratio)),
            monitor.top + int(std::floor(local.y() * ratio))};
}

QRect OverlayScreens::toLocal(const platform::Monitor& monitor, qreal ratio,
                              const QRect& screenRect) {
    const QRectF r((screenRect.x() - monitor.left) / ratio, (screenRect.y() - monitor.top) / ratio,
                   screenRect.width() / ratio, screenRect.height() / ratio);
    return r.toAlignedRect();
}
