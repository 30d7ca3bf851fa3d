#include "capture/monitor_layout.h"

#include <algorithm>
#include <cstdint>

namespace {

// Squared distance from the point to the nearest pixel of the monitor; 0 inside.
std::int64_t distance(const platform::Monitor& m, int x, int y) {
    const std::int64_t dx = x < m.left ? std::int64_t{m.left} - x
                                       : std::max<std::int64_t>(0, x - (m.left + m.width - 1));
    const std::int64_t dy =
        y < m.top ? std::int64_t{m.top} - y : std::max<std::int64_t>(0, y - (m.top + m.height - 1));
    return dx * dx + dy * dy;
}

}  // namespace

MonitorLayout::MonitorLayout(std::vector<platform::Monitor> monitors,
                             const platform::ScreenImage& snapshot)
    : m_monitors(std::move(monitors)) {
    std::erase_if(m_monitors,
                  [](const platform::Monitor& m) { return m.width <= 0 || m.height <= 0; });
    if (m_monitors.empty())
        m_monitors.push_back(
            {"", snapshot.left, snapshot.top, snapshot.width, snapshot.height, true});
}

const platform::Monitor& MonitorLayout::primary() const {
    for (const platform::Monitor& m : m_monitors)
        if (m.primary) return m;
    return m_monitors.front();
}

std::size_t MonitorLayout::at(int x, int y) const {
    std::size_t best = 0;
    for (std::size_t i = 1; i < m_monitors.size(); ++i)
        if (distance(m_monitors[i], x, y) < distance(m_monitors[best], x, y)) best = i;
    return best;
}

MonitorPoint MonitorLayout::clamp(const platform::Monitor& monitor, int x, int y) {
    return {std::clamp(x, monitor.left, monitor.left + monitor.width),
            std::clamp(y, monitor.top, monitor.top + monitor.height)};
}
