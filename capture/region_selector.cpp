#include "capture/region_selector.h"

#include "capture/bmp_image.h"
#include "capture/magnifier.h"

namespace {

// Resets the selection however the overlay's run ends.
class SelectionReset {
public:
    SelectionReset(AppState& state, bool& open) : m_state(state), m_open(open) {}
    ~SelectionReset() {
        m_state.selection = Selection{};
        m_state.selecting = false;
        m_open = false;
    }
    SelectionReset(const SelectionReset&) = delete;
    SelectionReset& operator=(const SelectionReset&) = delete;

private:
    AppState& m_state;
    bool& m_open;
};

// Copies the patch's pixels over the image where they overlap.
void paste(platform::ScreenImage& image, const platform::ScreenImage& patch) {
    for (int y = 0; y < patch.height; ++y) {
        const int row = patch.top + y - image.top;
        if (row < 0 || row >= image.height) continue;
        for (int x = 0; x < patch.width; ++x) {
            const int column = patch.left + x - image.left;
            if (column >= 0 && column < image.width)
                image.pixels[std::size_t(row) * image.width + column] = patch.at(x, y);
        }
    }
}

}  // namespace

RegionSelector::RegionSelector(AppState& state, platform::Screen& screen,
                               platform::Overlay& overlay)
    : m_state(state), m_screen(screen), m_overlay(overlay) {}

CaptureRect RegionSelector::normalize(int x1, int y1, int x, int y) {
    CaptureRect rect;
    rect.left = x < x1 ? x : x1;
    rect.right = x < x1 ? x1 : x;
    rect.top = y < y1 ? y : y1;
    rect.bottom = y < y1 ? y1 : y;
    return rect;
}

int RegionSelector::hintLeft(int screenWidth) {
    // Real division, truncated toward zero: an odd width puts the label half a pixel left.
    return int(screenWidth / 2.0 - kHintWidth / 2.0);
}

std::optional<RegionSelector::Result> RegionSelector::run(int kind, const Selected& onSelected) {
    if (m_open) return std::nullopt;
    m_state.pendingKind = kind;
    m_state.selection = Selection{};
    m_state.selecting = false;

    std::vector<platform::Monitor> monitors = m_screen.monitors();
    platform::ScreenImage beneathHint;
    if (m_ahead && m_ahead->monitors == monitors) {
        beneathHint = std::move(m_ahead->beneathHint);
    } else {
        // A monitor came or went meanwhile: the cover put up ahead no longer fits.
        if (m_ahead) m_overlay.close();
        if (m_overlay.cover(monitors)) beneathHint = showHintEarly(hintArea(monitors));
    }
    m_ahead.reset();
    auto snapshot = std::make_shared<platform::ScreenImage>(m_screen.snapshot());
    if (snapshot->empty()) {
        m_overlay.close();
        return Result{};
    }
    // The snapshot shows the screen as it was when it froze, not the label on it.
    paste(*snapshot, beneathHint);
    m_snapshot = std::move(snapshot);
    m_layout.emplace(std::move(monitors), *m_snapshot);

    m_open = true;
    m_result.reset();
    m_onSelected = onSelected;
    {
        SelectionReset reset(m_state, m_open);
        m_overlay.run(*m_snapshot, m_layout->monitors(), *this);
    }
    // Cut from the frozen snapshot (the outline was only ever drawn over it) once the overlay
    // is gone, so a recognition that started on release is not kept waiting for it.
    if (m_result) {
        const CaptureRect& r = m_result->rect;
        m_result->bmp = BmpImage::encode(*m_snapshot, r.left - m_snapshot->left,
                                         r.top - m_snapshot->top, r.width(), r.height());
    }
    m_onSelected = nullptr;
    m_snapshot.reset();
    m_layout.reset();
    return std::move(m_result);
}

CaptureRect RegionSelector::hintArea(const platform::Monitor& primary) {
    const int left = primary.left + hintLeft(primary.width);
    const int top = primary.top + kHintTop;
    return {left, top, left + kHintWidth, top + kHintHeight};
}

CaptureRect RegionSelector::hintArea(const std::vector<platform::Monitor>& monitors) {
    // Before the snapshot: only the monitors' places count.
    return hintArea(MonitorLayout(monitors, platform::ScreenImage{}).primary());
}

void RegionSelector::coverAhead() {
    if (m_open || m_ahead) return;
    std::vector<platform::Monitor> monitors = m_screen.monitors();
    const CaptureRect hint = hintArea(monitors);
    if (!m_overlay.coverAhead(monitors, hint.left, hint.top, hint.width(), hint.height())) return;
    // None of the program's windows lies over the hint's place, so what is read there now is
    // what the snapshot will hold once they are gone.
    m_ahead = Ahead{std::move(monitors), showHintEarly(hint)};
}

platform::ScreenImage RegionSelector::showHintEarly(const CaptureRect& hint) {
    platform::ScreenImage beneath;
    // Read before the hint is up: what the snapshot would have held there.
    if (BmpImage::decode(m_screen.capture(hint.left, hint.top, hint.width(), hint.height()),
                         beneath)) {
        beneath.left = hint.left;
        beneath.top = hint.top;
    }
    m_overlay.showHint(kHint, hint.left, hint.top, hint.width(), hint.height());
    return beneath;
}

void RegionSelector::onOpened() {
    const platform::Monitor& primary = m_layout->primary();
    const CaptureRect hint = hintArea(primary);
    m_overlay.showHint(kHint, hint.left, hint.top, hint.width(), hint.height());
    m_hintVisible = true;
    // The source square waits in the primary monitor's bottom-left corner until the first
    // move shows it.
    m_magnifierMonitor = size_t(&primary - m_layout->monitors().data());
    m_sourceLeft = 0;
    placeSource();
    m_magnifierVisible = false;
}

const platform::Monitor& RegionSelector::magnifierMonitor() const {
    return m_layout->monitors()[m_magnifierMonitor];
}

void RegionSelector::placeSource() {
    const platform::Monitor& m = magnifierMonitor();
    m_overlay.moveSource(m.left + m_sourceLeft, m.top + m.height - platform::Overlay::kSourceSize);
}

void RegionSelector::follow(std::size_t monitor) {
    if (monitor == m_magnifierMonitor) return;
    m_magnifierMonitor = monitor;
    m_sourceLeft = 0;
    placeSource();
}

bool RegionSelector::overHint(int x, int y) const {
    const CaptureRect hint = hintArea(m_layout->primary());
    return m_hintVisible && x >= hint.left && x < hint.right && y >= hint.top && y < hint.bottom;
}

bool RegionSelector::overSource(int x, int y) const {
    const int side = platform::Overlay::kSourceSize;
    const platform::Monitor& m = magnifierMonitor();
    const int left = m.left + m_sourceLeft;
    const int bottom = m.top + m.height;
    return m_magnifierVisible && x >= left && x < left + side && y >= bottom - side && y < bottom;
}

void RegionSelector::onMove(int x, int y) {
    if (m_state.selecting) {
        const MonitorPoint held = MonitorLayout::clamp(m_layout->monitors()[m_dragMonitor], x, y);
        x = held.x;
        y = held.y;
    }
    // The label and the source square lie above the canvas: a pointer over them is theirs,
    // except during a drag, when the canvas keeps the pointer.
    if (!m_state.selecting) {
        if (overHint(x, y)) {
            m_overlay.hideHint();
            m_hintVisible = false;
            return;
        }
        follow(m_layout->at(x, y));
        if (overSource(x, y)) {
            m_sourceLeft = Magnifier::hopSourceLeft(m_sourceLeft, magnifierMonitor().width);
            placeSource();
            return;
        }
    }
    if (m_state.selecting) {
        m_overlay.clearFigures();
        m_overlay.drawOutline(m_state.selection.x1, m_state.selection.y1, x, y);
    } else if (!m_magnifierVisible) {
        m_overlay.setMagnifierVisible(true);
        m_magnifierVisible = true;
    }
    updateMagnifier(x, y);
}

void RegionSelector::updateMagnifier(int x, int y) {
    // Placed on the monitor under the pointer, by that monitor's own edges.
    const platform::Monitor& m = magnifierMonitor();
    const MagnifierPoint source = Magnifier::sourceOrigin(x - m.left, y - m.top);
    const MagnifierPoint view = Magnifier::placement(
        x - m.left, y - m.top, m.width, m.height, m_state.selecting, m_state.selection.x1 - m.left);
    m_overlay.updateMagnifier(m.left + view.x, m.top + view.y, m.left + source.x, m.top + source.y);
}

void RegionSelector::onLeftPress(int x, int y) {
    m_dragMonitor = m_layout->at(x, y);
    follow(m_dragMonitor);
    const MonitorPoint start = MonitorLayout::clamp(m_layout->monitors()[m_dragMonitor], x, y);
    x = start.x;
    y = start.y;
    if (m_hintVisible) {
        m_overlay.hideHint();
        m_hintVisible = false;
    }
    m_overlay.clearFigures();
    m_state.selection.x1 = x;
    m_state.selection.y1 = y;
    m_state.selecting = true;
}

void RegionSelector::onLeftRelease(int x, int y) {
    if (!m_state.selecting) return;
    const MonitorPoint end = MonitorLayout::clamp(m_layout->monitors()[m_dragMonitor], x, y);
    x = end.x;
    y = end.y;
    const CaptureRect rect = normalize(m_state.selection.x1, m_state.selection.y1, x, y);
    m_state.selection =
        Selection{.x1 = rect.left, .x2 = rect.right, .y1 = rect.top, .y2 = rect.bottom};
    m_state.selecting = false;
    m_overlay.clearFigures();

    // A plain click (or a drag along one line) selects nothing: it ends the selector like a
    // cancel, so neither the capture nor the stored coordinates are replaced by an empty one.
    if (rect.valid()) {
        m_result = Result{rect, {}};
        const SnapshotArea area{m_snapshot, rect.left - m_snapshot->left,
                                rect.top - m_snapshot->top, rect.width(), rect.height()};
        if (m_onSelected && area.inside()) m_onSelected(area);
    }
    m_overlay.close();
}

void RegionSelector::onRightPress(int, int) {
    m_overlay.close();
}

void RegionSelector::onEscape() {
    m_overlay.close();
}
