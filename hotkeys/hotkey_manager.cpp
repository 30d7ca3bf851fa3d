#include "hotkeys/hotkey_manager.h"

#include <array>
#include <limits>

#include "app/layout.h"
#include "hotkeys/key_name_table.h"

namespace {

// Row n - 1 names the command of hotkey n; the name heads its button's caption.
constexpr std::array<const char*, 5> kActionNames = {
    "截图识别", "坐标截图识别", "正面截图识别", "副面截图识别", "多个坐标识别",
};

// The controls of hotkey n carry the tags n (modifier box), n + 10 (key box) and
// n + 20 (button).
constexpr int kKeyBoxTag = 10;
constexpr int kButtonTag = 20;

constexpr char kDesktopBindingNotice[] =
    "此桌面不让程序注册全局快捷键：请在桌面的键盘设置里把快捷键绑定到命令“ozmira --command "
    "N”（N 为 1 至 5，依次是截图识别、坐标截图识别、正面截图识别、副面截图识别、多个坐标识别）。";

int rowCount(const AppState& state) {
    const int count = state.hotkeyCount;
    return count < static_cast<int>(kActionNames.size()) ? count
                                                         : static_cast<int>(kActionNames.size());
}

}  // namespace

HotkeyManager::HotkeyManager(const AppState& state, platform::Form& form, StatusLine& status,
                             platform::Hotkeys& hotkeys, platform::WindowHandle mainWindow,
                             Command command)
    : m_state(state),
      m_form(form),
      m_status(status),
      m_hotkeys(hotkeys),
      m_mainWindow(mainWindow),
      m_command(std::move(command)) {}

void HotkeyManager::registerAll() {
    const bool saved = m_ranBefore;
    m_ranBefore = true;
    if (m_keysBoundByDesktop) {
        if (clearRowsForDesktop() || saved) m_status.append(kDesktopBindingNotice);
        return;
    }
    // Every row is asked for before any is reported: a desktop that binds the set at once
    // refuses rows only at the end, and failures still read in row order.
    m_hotkeys.beginBatch();
    std::vector<Outcome> outcomes;
    for (int n = 1; n <= rowCount(m_state); ++n) outcomes.push_back(registerRow(n));
    for (const int32_t id : m_hotkeys.endBatch()) {
        if (id >= 1 && id <= static_cast<int32_t>(outcomes.size()) &&
            outcomes[id - 1] == Outcome::Registered)
            outcomes[id - 1] = Outcome::Failed;
    }
    for (int n = 1; n <= static_cast<int>(outcomes.size()); ++n) reportRow(n, outcomes[n - 1]);
}

Text HotkeyManager::actionName(int32_t id) {
    return id >= 1 && id <= static_cast<int32_t>(kActionNames.size()) ? kActionNames[id - 1]
                                                                      : Text();
}

// No row can hold a key here, so the buttons show their plain captions. True when a row holds a
// key: a user who set keys (on another desktop) learns where they go instead.
bool HotkeyManager::clearRowsForDesktop() {
    bool anyKey = false;
    for (int n = 1; n <= rowCount(m_state); ++n) {
        anyKey |=
            !m_form.text(layout::findByTag(n + kKeyBoxTag, layout::Kind::LineEdit).name).empty();
        const std::string& button = layout::findByTag(n + kButtonTag, layout::Kind::Button).name;
        if (const layout::Control* control = layout::find(button))
            m_form.setText(button, control->caption);
    }
    return anyKey;
}

HotkeyManager::Outcome HotkeyManager::registerRow(int n) {
    const std::string& modifierBox = layout::findByTag(n, layout::Kind::DropDownList).name;
    const std::string& keyBox = layout::findByTag(n + kKeyBoxTag, layout::Kind::LineEdit).name;

    int32_t modifiers = -1;  // no item selected
    const int selected = m_form.selectedIndex(modifierBox);
    const std::vector<platform::ListItem> items = m_form.items(modifierBox);
    if (selected >= 0 && selected < static_cast<int>(items.size())) {
        modifiers = static_cast<int32_t>(items[selected].value);
    }
    const Text keyText = m_form.text(keyBox);
    const int32_t keyCode = KeyNameTable::nameToCode(keyText);

    // An empty key box is a row the user has not set: it holds no hotkey, and that is not a
    // failure to report (the X11 layer refuses key code 0, which would be every key).
    if (keyText.empty()) {
        for (const HotkeyEntry& entry : m_entries)
            if (entry.id == n) m_hotkeys.unregisterHotkey(entry.window, entry.id);
        return Outcome::Unset;
    }
    Action action = [this, n] { return m_command ? m_command(n) : 0; };
    return registerHotkey(m_mainWindow, modifiers, keyCode, std::move(action), n)
               ? Outcome::Registered
               : Outcome::Failed;
}

void HotkeyManager::reportRow(int n, Outcome outcome) {
    const std::string& modifierBox = layout::findByTag(n, layout::Kind::DropDownList).name;
    const std::string& keyBox = layout::findByTag(n + kKeyBoxTag, layout::Kind::LineEdit).name;
    const std::string& button = layout::findByTag(n + kButtonTag, layout::Kind::Button).name;
    const layout::Control* layoutButton = layout::find(button);
    const Text actionName = kActionNames[n - 1];
    if (outcome == Outcome::Registered) {
        m_form.setText(button, actionName + "\r\n(快捷键:" + m_form.text(modifierBox) + "+" +
                                   m_form.text(keyBox) + ")");
        return;
    }
    if (outcome == Outcome::Failed) m_status.append(actionName + ":快捷键注册失败。");
    // A failed row's old combination was released before the attempt, so the button must
    // not go on naming it.
    if (layoutButton) m_form.setText(button, layoutButton->caption);
}

bool HotkeyManager::registerHotkey(platform::WindowHandle window, int32_t modifiers,
                                   int32_t keyCode, Action action, int32_t id) {
    for (const HotkeyEntry& entry : m_entries) {
        if (entry.id == id) m_hotkeys.unregisterHotkey(entry.window, entry.id);
    }
    if (id == 0) return false;
    if (!m_hotkeys.registerHotkey(window, id, modifiers, keyCode)) return false;
    m_entries.push_back({window, id, std::move(action)});
    if (m_entries.size() == 1) {
        m_previous = m_hotkeys.setWindowHandler(
            window, [this](platform::WindowHandle w, const platform::WindowEvent& event) {
                return windowProc(w, event);
            });
    }
    return true;
}

int32_t HotkeyManager::findEntry(int32_t id) const {
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].id == id) return static_cast<int32_t>(i + 1);
    }
    return 0;
}

int64_t HotkeyManager::windowProc(platform::WindowHandle window,
                                  const platform::WindowEvent& event) {
    if (event.type == platform::kHotkeyEvent && event.id >= std::numeric_limits<int32_t>::min() &&
        event.id <= std::numeric_limits<int32_t>::max()) {
        const int32_t position = findEntry(static_cast<int32_t>(event.id));
        if (position > 0) {
            // A copy: the command may save the settings page, which appends entries.
            const Action action = m_entries[position - 1].action;
            return action ? action() : 0;
        }
        // An id without an entry was not registered here; whoever handled the window
        // before may know it.
    }
    return m_previous ? m_previous(window, event) : 0;
}

void HotkeyManager::onKeyBoxKeyUp(int box, int32_t keyCode) {
    if (box < 1 || box > rowCount(m_state)) return;
    const std::string& keyBox = layout::findByTag(box + kKeyBoxTag, layout::Kind::LineEdit).name;
    m_form.setText(keyBox, KeyNameTable::codeToName(keyCode));
}
