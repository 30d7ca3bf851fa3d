#pragma once
// Which monitor a point of the region selector belongs to, in screen coordinates. A drag
// stays on the monitor where it began: each monitor may have its own scale, so a rectangle
// across two of them would mix pixels of different sizes, and the windows of a Wayland
// desktop do not know where they lie relative to each other.
#include <vector>

#include "platform/screen.h"

struct MonitorPoint {
    int x = 0;
    int y = 0;
    bool operator==(const MonitorPoint&) const = default;
};

class MonitorLayout {
public:
    // The monitors in the order given; with none, one of the snapshot's own extent.
    MonitorLayout(std::vector<platform::Monitor> monitors, const platform::ScreenImage& snapshot);

    const std::vector<platform::Monitor>& monitors() const { return m_monitors; }
    // The primary monitor (the first one where none is marked).
    const platform::Monitor& primary() const;
    // Index of the monitor under the point; where no monitor is (a gap between monitors of
    // different sizes), the nearest one.
    std::size_t at(int x, int y) const;
    // The point moved onto the monitor: a selection may end on its far edges (right and
    // bottom are exclusive, so a drag to the edge takes the last column and row).
    static MonitorPoint clamp(const platform::Monitor& monitor, int x, int y);

private:
    std::vector<platform::Monitor> m_monitors;
};
