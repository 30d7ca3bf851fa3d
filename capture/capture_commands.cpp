#include "capture/capture_commands.h"

#include <cstdint>
#include <limits>
#include <utility>

#include "app/control_names.h"
#include "app/status_line.h"

namespace {
// How long a capture waits at most for the main window's place to be redrawn without it.
constexpr int kMinimizeWaitMs = 1500;
}  // namespace

CaptureCommands::CaptureCommands(AppState& state, platform::Form& form, platform::Screen& screen,
                                 RegionSelector& selector, Recognition recognition)
    : m_state(state),
      m_form(form),
      m_screen(screen),
      m_selector(selector),
      m_recognition(std::move(recognition)),
      m_table(form) {}

// A list without a selection (a damaged settings file) counts as its first item.
int CaptureCommands::textKind() {
    const int index = m_form.selectedIndex(ctl::组合框识别);
    return (index < 0 ? 0 : index) + 1;
}

int CaptureCommands::cardValue() {
    const auto items = m_form.items(ctl::组合框证件);
    const int index = m_form.selectedIndex(ctl::组合框证件);
    if (items.empty()) return 7;
    return static_cast<int>(items[index < 0 || index >= static_cast<int>(items.size()) ? 0 : index].value);
}

int CaptureCommands::runCommand(int id) {
    // Waiting for the window manager handles events, so a hotkey can arrive in the middle of
    // a capture: it is ignored like one that arrives while the selector is open.
    if (m_busy || m_selector.isOpen()) return 0;
    m_busy = true;
    struct Done {
        bool& busy;
        ~Done() { busy = false; }
    } done{m_busy};
    switch (id) {
        case 1: StartCapture(textKind(), Text()); break;
        case 2: StartCapture(textKind(), m_form.text(ctl::编辑框坐标)); break;
        case 3: StartCapture(cardValue() + 1, Text()); break;
        case 4: StartCapture(cardValue() + 2, Text()); break;
        case 5:
            m_table.clearContents();
            StartCapture(cardValue() + 1, m_form.text(ctl::编辑框坐标正));
            break;
        default: break;
    }
    return 0;
}

std::optional<CaptureRect> CaptureCommands::parseCoordinates(const Text& coordinateText) {
    const std::vector<Text> pieces = text::split(coordinateText, "|");
    if (pieces.size() != 4) return std::nullopt;
    CaptureRect r{text::toInt(pieces[0]), text::toInt(pieces[1]), text::toInt(pieces[2]),
                  text::toInt(pieces[3])};
    // The capture asks the screen for the width and height: numbers near the 32-bit limits
    // can make a rectangle whose width or height has no 32-bit value, and no screen is one.
    constexpr int64_t kLargest = std::numeric_limits<int32_t>::max();
    if (!r.valid() || int64_t{r.right} - r.left > kLargest || int64_t{r.bottom} - r.top > kLargest)
        return std::nullopt;
    return r;
}

std::pair<const char*, const char*> CaptureCommands::coordinateSyncControls(int kind) {
    if (kind <= 5) return {ctl::选择框坐标同步, ctl::编辑框坐标};
    if (kind % 2 == 1) return {ctl::选择框坐标同步副, ctl::编辑框坐标副};
    return {ctl::选择框坐标同步正, ctl::编辑框坐标正};
}

void CaptureCommands::StartCapture(int kind, const Text& coordinateText) {
    // Where the overlay can show the live screen, it is up at the key, not once the window
    // has gone: the snapshot beneath it still waits for that.
    if (coordinateText.empty()) m_selector.coverAhead();
    minimizeMainWindow();
    if (coordinateText.empty()) {
        interactiveCapture(kind);
        return;
    }
    const auto rect = parseCoordinates(coordinateText);
    if (!rect) {
        m_form.messageBox("坐标值有误请检查", "错误");
        restoreMainWindow();
        return;
    }
    Bytes image = m_screen.capture(rect->left, rect->top, rect->width(), rect->height());
    if (refusedByDesktop(image)) {
        restoreMainWindow();
        return;
    }
    // The capture before goes once the worker has started: freeing megabytes can take
    // milliseconds (a whole 4K screen's are unmapped at once).
    std::shared_ptr<const Bytes> previous =
        std::exchange(m_state.capturedImage, std::make_shared<const Bytes>(std::move(image)));
    m_recognition.start(kind);
    previous.reset();
    showPreview();
    restoreMainWindow();
}

void CaptureCommands::interactiveCapture(int kind) {
    m_state.pendingKind = kind;
    // The recognition starts on the snapshot's pixels as soon as the button is released; the
    // overlay closes, the rectangle is cut out and the window comes back meanwhile.
    bool started = false;
    auto result = m_selector.run(kind, [&](const SnapshotArea& area) {
        m_state.capturedArea = area;
        m_recognition.stopLast();
        m_recognition.start(m_state.pendingKind);
        m_state.capturedArea = {};
        started = true;
        // The capture before is replaced in a moment: its megabytes go now, after the start
        // (freeing them can take milliseconds) and before the cut, which can then reuse
        // pages already in memory instead of faulting in fresh ones.
        m_state.capturedImage.reset();
    });
    if (result && !refusedByDesktop(result->bmp)) {
        // Moved, not copied: a whole-screen cut is megabytes.
        m_state.capturedImage = std::make_shared<const Bytes>(std::move(result->bmp));
        if (!started) {
            m_recognition.stopLast();
            m_recognition.start(m_state.pendingKind);
        }
        showPreview();
        const auto [check, box] = coordinateSyncControls(m_state.pendingKind);
        // An unreadable screen gives no rectangle: the stored coordinates stay.
        if (result->rect.valid() && m_form.checked(check)) {
            const CaptureRect& r = result->rect;
            m_form.setText(box, text::fromInt(r.left) + "|" + text::fromInt(r.top) + "|" +
                                    text::fromInt(r.right) + "|" + text::fromInt(r.bottom));
        }
    }
    restoreMainWindow();
    m_state.selection = {};
    m_state.selecting = false;
}

// A desktop that refused the picture, or had none to give, ends the capture with the reason
// in the status line: there is nothing to recognize, and what was captured before stays.
bool CaptureCommands::refusedByDesktop(const Bytes& image) {
    if (!image.empty()) return false;
    const std::string failure = m_screen.lastFailure();
    if (failure.empty()) return false;
    StatusLine(m_form).setText(failure);
    return true;
}

void CaptureCommands::showPreview() {
    m_form.setPicture(ctl::图片框1, m_state.capturedImage ? *m_state.capturedImage : Bytes());
    m_form.setVisible(ctl::图片框1, true);
}

void CaptureCommands::minimizeMainWindow() {
    if (m_form.windowState() != platform::WindowState::Minimized) {
        m_state.minimizedForCapture = true;
        // The pixels must not be read before the window is really off the screen and the
        // windows beneath have been drawn again, or the capture would show the window itself.
        m_form.hideForCapture(kMinimizeWaitMs);
    } else {
        m_state.minimizedForCapture = false;
    }
}

void CaptureCommands::restoreMainWindow() {
    if (!m_state.minimizedForCapture) return;
    m_form.setWindowState(platform::WindowState::Normal);
    m_form.raise();
}
