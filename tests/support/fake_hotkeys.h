#pragma once
// An in-memory hotkey platform with the contract of the real one: it refuses key code 0,
// modifiers that are no combination of the four flags, and a combination already held by a
// registration or by another program (takenByOthers). Tests press hotkeys with press() and
// send other events with send(); the default handling records what reaches it.
#include <algorithm>
#include <vector>

#include "platform/hotkeys.h"

class FakeHotkeys : public platform::Hotkeys {
public:
    struct Combination {
        int32_t modifiers = 0;
        int32_t keyCode = 0;
        bool operator==(const Combination&) const = default;
    };
    struct Registration {
        platform::WindowHandle window = 0;
        int32_t id = 0;
        Combination combination;
    };
    struct Seen {
        platform::WindowHandle window = 0;
        platform::WindowEvent event;
    };

    bool registerHotkey(platform::WindowHandle window, int32_t id, int32_t modifiers,
                        int32_t keyCode) override {
        const Combination c{modifiers, keyCode};
        ++registerCalls;
        if (keyCode == 0 || modifiers < 0 || (modifiers & ~15) != 0) return false;
        if (std::find(takenByOthers.begin(), takenByOthers.end(), c) != takenByOthers.end())
            return false;
        if (holder(c) != nullptr) return false;
        registrations.push_back({window, id, c});
        return true;
    }
    void unregisterHotkey(platform::WindowHandle window, int32_t id) override {
        std::erase_if(registrations,
                      [&](const Registration& r) { return r.window == window && r.id == id; });
    }
    platform::WindowHandler setWindowHandler(platform::WindowHandle window,
                                             platform::WindowHandler handler) override {
        ++handlerReplacements;
        platform::WindowHandler previous = std::move(m_handler);
        if (!previous) {
            previous = [this](platform::WindowHandle w, const platform::WindowEvent& e) {
                defaultSeen.push_back({w, e});
                return defaultResult;
            };
        }
        m_handler = std::move(handler);
        m_handlerWindow = window;
        return previous;
    }

    // The registration holding the combination, nullptr when none does.
    const Registration* holder(const Combination& c) const {
        for (const Registration& r : registrations) {
            if (r.combination == c) return &r;
        }
        return nullptr;
    }
    // Delivers an event to the window's handling: the default one until a handler is set.
    int64_t send(platform::WindowHandle window, const platform::WindowEvent& event) {
        if (!m_handler || window != m_handlerWindow) {
            defaultSeen.push_back({window, event});
            return defaultResult;
        }
        return m_handler(window, event);
    }
    // The user presses a registered combination: its registration's window gets the event.
    int64_t press(const Combination& c) {
        const Registration* r = holder(c);
        if (r == nullptr) return 0;
        return send(r->window, {platform::kHotkeyEvent, r->id});
    }

    // A desktop that binds the set at the end of a batch: these ids are refused there.
    void beginBatch() override { ++batches; }
    std::vector<int32_t> endBatch() override {
        for (int32_t id : refusedAtBatchEnd) unregisterHotkey(m_handlerWindow, id);
        return refusedAtBatchEnd;
    }
    int batches = 0;
    std::vector<int32_t> refusedAtBatchEnd;

    std::vector<Combination> takenByOthers;
    std::vector<Registration> registrations;
    // What reached the default handling, and its answer to every event.
    std::vector<Seen> defaultSeen;
    int64_t defaultResult = 4711;
    int registerCalls = 0;
    int handlerReplacements = 0;

private:
    platform::WindowHandler m_handler;
    platform::WindowHandle m_handlerWindow = 0;
};
