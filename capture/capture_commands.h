#pragma once
// The five capture commands and their single entry, StartCapture: the main window gets out of
// the way, the rectangle comes from a coordinate box or from the user's drag, the capture is
// shown in the preview and its recognition starts on a worker thread.
#include <optional>

#include "app/app_state.h"
#include "app/results_table.h"
#include "capture/capture_rect.h"
#include <functional>
#include "capture/region_selector.h"
#include "platform/form.h"
#include "platform/screen.h"

class CaptureCommands {
public:
    // Starts and stops recognition workers (RecognitionWorkflow::start and stopLast).
    struct Recognition {
        std::function<void(int kind)> start;
        std::function<void()> stopLast;
    };

    CaptureCommands(AppState& state, platform::Form& form, platform::Screen& screen,
                    RegionSelector& selector, Recognition recognition);

    // Command 1 to 5, as the buttons with tags 21 to 25 and the hotkeys 1 to 5 run them.
    // Ignored while the region selector is open. Always 0.
    int runCommand(int id);
    void StartCapture(int kind, const Text& coordinateText);

    // Four "|"-separated integers x1|y1|x2|y2 with x1 < x2 and y1 < y2, or nothing.
    static std::optional<CaptureRect> parseCoordinates(const Text& coordinateText);
    // The check box and edit box that "截图坐标同步" uses for a kind.
    static std::pair<const char*, const char*> coordinateSyncControls(int kind);

private:
    void minimizeMainWindow();
    void restoreMainWindow();
    void showPreview();
    bool refusedByDesktop(const Bytes& image);
    void interactiveCapture(int kind);
    int textKind();
    int cardValue();

    AppState& m_state;
    platform::Form& m_form;
    platform::Screen& m_screen;
    RegionSelector& m_selector;
    Recognition m_recognition;
    ResultsTable m_table;
    bool m_busy = false;
};
