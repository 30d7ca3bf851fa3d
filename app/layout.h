#pragma once
// The main window's layout as data: every control with its name, kind, parent, caption or
// items, geometry at design size, tag and start state. The Qt backend builds real widgets
// from it; the tests' fake form builds in-memory ones from the same table.
#include <string>
#include <vector>

#include "platform/form.h"

namespace layout {

enum class Kind {
    Label,
    HtmlView,
    PictureBox,
    TabControl,
    DropDownList,
    StatusBar,
    MultiLineEdit,
    LineEdit,
    GroupBox,
    Button,
    CheckBox,
    Grid,
};

struct Font {
    std::string family;  // empty: the window's font
    int pointSize = 0;   // 0: the window's size
};

struct Control {
    std::string name;
    Kind kind = Kind::Label;
    std::string parent;  // empty: the window's client area
    int page = -1;       // page of the tab control named by parent, else -1
    std::string caption;
    std::vector<platform::ListItem> items;  // drop-down lists
    platform::Rect geometry;
    int tag = 0;  // 0: none
    bool hidden = false;
    bool disabled = false;
    Font font;
    std::string tip;  // tool tip
};

struct MenuItem {
    std::string text;  // empty: a separator
};

struct Menu {
    std::string name;
    std::vector<MenuItem> items;
};

struct StatusPart {
    int width = -1;  // -1: the remaining width
    std::string text;
    std::string tip;
};

struct Window {
    std::string title;
    platform::Rect geometry;  // outer geometry at design size
    platform::Size clientSize;
    Font font;
    std::string icon;  // resource path
};

const Window& window();
// In creation order: a parent comes before its children, a later control lies above an
// earlier sibling.
const std::vector<Control>& controls();
// nullptr when no control has that name.
const Control* find(const std::string& name);
// The control with the tag; a control of another kind than expected, or no control, is a
// program error (std::logic_error).
const Control& findByTag(int tag, Kind expected);
const std::vector<std::string>& tabPages(const std::string& tabControl);
const std::vector<StatusPart>& statusParts(const std::string& statusBar);
const std::vector<Menu>& menus();
const Menu* findMenu(const std::string& name);

}  // namespace layout
