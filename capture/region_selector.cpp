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

std::optional<RegionSelector::Result> RegionSelector::run(int kind) {
    if (m_open) return std::nullopt;
    m_state.pendingKind = kind;
    m_state.selection = Selection{};
    m_state.selecting = false;

    const platform::ScreenSize size = m_screen.size();
    m_snapshot = m_screen.snapshot();
    if (m_snapshot.empty() || size.width <= 0 || size.height <= 0) {
        m_snapshot = {};
        return Result{};
    }
    m_width = size.width;
    m_height = size.height;

    m_open = true;
    m_result.reset();
    {
        SelectionReset reset(m_state, m_open);
        m_overlay.run(m_snapshot, *this);
    }
    m_snapshot = {};
    return std::move(m_result);
}

void RegionSelector::onOpened() {
    m_overlay.showHint(kHint, hintLeft(m_width), kHintTop, kHintWidth, kHintHeight);
    m_hintVisible = true;
    // The source square waits in the bottom-left corner until the first move shows it.
    m_sourceLeft = 0;
    m_overlay.moveSource(m_sourceLeft, m_height - platform::Overlay::kSourceSize);
    m_magnifierVisible = false;
}

bool RegionSelector::overHint(int x, int y) const {
    const int left = hintLeft(m_width);
    return m_hintVisible && x >= left && x < left + kHintWidth && y >= kHintTop &&
           y < kHintTop + kHintHeight;
}

bool RegionSelector::overSource(int x, int y) const {
    const int side = platform::Overlay::kSourceSize;
    return m_magnifierVisible && x >= m_sourceLeft && x < m_sourceLeft + side &&
           y >= m_height - side && y < m_height;
}

void RegionSelector::onMove(int x, int y) {
    // The label and the source square lie above the canvas: a pointer over them is theirs,
    // except during a drag, when the canvas keeps the pointer.
    if (!m_state.selecting) {
        if (overHint(x, y)) {
            m_overlay.hideHint();
            m_hintVisible = false;
            return;
        }
        if (overSource(x, y)) {
            m_sourceLeft = Magnifier::hopSourceLeft(m_sourceLeft, m_width);
            m_overlay.moveSource(m_sourceLeft, m_height - platform::Overlay::kSourceSize);
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
    const MagnifierPoint source = Magnifier::sourceOrigin(x, y);
    const MagnifierPoint view =
        Magnifier::placement(x, y, m_width, m_height, m_state.selecting, m_state.selection.x1);
    m_overlay.updateMagnifier(view.x, view.y, source.x, source.y);
}

void RegionSelector::onLeftPress(int x, int y) {
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
    const CaptureRect rect = normalize(m_state.selection.x1, m_state.selection.y1, x, y);
    m_state.selection =
        Selection{.x1 = rect.left, .x2 = rect.right, .y1 = rect.top, .y2 = rect.bottom};
    m_state.selecting = false;
    m_overlay.clearFigures();

    // A plain click (or a drag along one line) selects nothing: it ends the selector like a
    // cancel, so neither the capture nor the stored coordinates are replaced by an empty one.
    if (rect.valid()) {
        Result result;
        result.rect = rect;
        // Cut from the frozen snapshot: the outline was only ever drawn over it.
        result.bmp = BmpImage::encode(m_snapshot, rect.left, rect.top, rect.width(), rect.height());
        m_result = std::move(result);
    }
    m_overlay.close();
}

void RegionSelector::onRightPress(int, int) {
    m_overlay.close();
}

void RegionSelector::onEscape() {
    m_overlay.close();
}
