#pragma once
// An in-memory overlay. run() plays a script of user actions against the logic and keeps
// what the logic told it to show; each call is also written to a log, in order.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/overlay.h"

class FakeOverlay : public platform::Overlay {
public:
    using Step = std::function<void(platform::OverlayEvents&)>;

    struct Point {
        int x = 0, y = 0;
        bool operator==(const Point&) const = default;
    };
    struct Outline {
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        bool operator==(const Outline&) const = default;
    };
    struct Hint {
        std::string text;
        int left = 0, top = 0, width = 0, height = 0;
    };

    static Step press(int x, int y) {
        return [x, y](platform::OverlayEvents& e) { e.onLeftPress(x, y); };
    }
    static Step release(int x, int y) {
        return [x, y](platform::OverlayEvents& e) { e.onLeftRelease(x, y); };
    }
    static Step rightPress(int x, int y) {
        return [x, y](platform::OverlayEvents& e) { e.onRightPress(x, y); };
    }
    static Step move(int x, int y) {
        return [x, y](platform::OverlayEvents& e) { e.onMove(x, y); };
    }
    static Step escape() {
        return [](platform::OverlayEvents& e) { e.onEscape(); };
    }

    // After onOpened, steps run in order until the logic closes the overlay; a script that ends
    // with the overlay open stands for the window system closing it.
    std::vector<Step> script;
    // Called after every step with the state the overlay is in.
    std::function<void()> afterStep;

    void run(const platform::ScreenImage& snapshot, const std::vector<platform::Monitor>& shown,
             platform::OverlayEvents& events) override {
        ++runs;
        open = true;
        snapshotSize = {snapshot.width, snapshot.height};
        monitors = shown;
        covered = false;
        events.onOpened();
        for (size_t i = 0; i < script.size() && open; ++i) {
            script[i](events);
            if (afterStep) afterStep();
        }
        open = false;
    }
    void close() override {
        log.push_back("close");
        open = false;
        covered = false;
    }
    bool cover(const std::vector<platform::Monitor>& shown) override {
        log.push_back("cover");
        covered = true;
        monitors = shown;
        return freezes;
    }
    bool coverAhead(const std::vector<platform::Monitor>& shown, int, int, int, int) override {
        log.push_back("coverAhead");
        if (!coversAhead) return false;
        covered = true;
        monitors = shown;
        return true;
    }
    void clearFigures() override {
        log.push_back("clear");
        outline.reset();
    }
    void drawOutline(int x1, int y1, int x2, int y2) override {
        log.push_back("outline");
        outline = Outline{x1, y1, x2, y2};
    }
    void showHint(const std::string& text, int left, int top, int width, int height) override {
        log.push_back("showHint");
        hint = Hint{text, left, top, width, height};
        if (onShowHint) onShowHint();
    }
    void hideHint() override {
        log.push_back("hideHint");
        hint.reset();
    }
    void setMagnifierVisible(bool visible) override {
        log.push_back(visible ? "showMagnifier" : "hideMagnifier");
        magnifierVisible = visible;
    }
    void updateMagnifier(int viewLeft, int viewTop, int sourceLeft, int sourceTop) override {
        log.push_back("magnify");
        view = Point{viewLeft, viewTop};
        source = Point{sourceLeft, sourceTop};
    }
    void moveSource(int left, int top) override {
        log.push_back("moveSource");
        sourceSquare = Point{left, top};
    }

    int runs = 0;
    bool open = false;
    // Between cover() and the run or close that takes it away.
    bool covered = false;
    // What cover() answers: whether the screen froze under it.
    bool freezes = false;
    // What coverAhead() answers: whether the live screen shows through the cover.
    bool coversAhead = false;
    // Told when the hint goes up (a frozen screen then shows it).
    std::function<void()> onShowHint;
    Point snapshotSize;
    std::vector<platform::Monitor> monitors;
    std::vector<std::string> log;
    std::optional<Outline> outline;
    std::optional<Hint> hint;
    bool magnifierVisible = false;
    std::optional<Point> view;
    std::optional<Point> source;
    std::optional<Point> sourceSquare;
};
