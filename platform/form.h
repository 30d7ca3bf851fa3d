#pragma once
// The main window as the logic sees it: controls addressed by their layout names.
// The Qt backend (platform/qt) builds real widgets from the layout table; the tests use
// an in-memory fake (tests/support/fake_form.h). Texts are UTF-8 with CR LF line breaks;
// the backend converts line breaks where a text leaves for the toolkit.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform {

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};

struct Size {
    int width = 0;
    int height = 0;
};

struct ListItem {
    std::string text;
    int64_t value = 0;
};

// Handlers the backend calls on the user-interface thread.
class FormEvents {
public:
    virtual ~FormEvents() = default;
    virtual void onCreated() = 0;
    virtual void onResized() = 0;
    virtual void onClicked(const std::string& control) = 0;
    virtual void onItemSelected(const std::string& control) = 0;
    virtual void onTextChanged(const std::string& control) = 0;
    // keyCode is a virtual-key code in Windows numbering (0 when the key has none).
    virtual void onKeyReleased(const std::string& control, int keyCode) = 0;
    virtual void onPageChanged(const std::string& control) = 0;
    virtual void onGridRightButtonUp(const std::string& control) = 0;
    virtual void onMenuItem(const std::string& menu, int item) = 0;
    // Called when the user closes the window, before the event loop ends.
    virtual void onClosing() = 0;
};

enum class WindowState { Normal, Minimized, Maximized };

// Every call may come from any thread: the backend carries it out on the user-interface
// thread, in order, and returns when it is done. After the window has closed, calls do
// nothing and reads give empty values.
class Form {
public:
    virtual ~Form() = default;

    // Content of an edit box, caption of a label, button, check box or group box,
    // the text of the selected item of a drop-down list.
    virtual std::string text(const std::string& control) = 0;
    virtual void setText(const std::string& control, const std::string& text) = 0;
    // The selected part of an edit box (empty when nothing is selected).
    virtual std::string selectedText(const std::string& control) = 0;

    virtual bool checked(const std::string& control) = 0;
    virtual void setChecked(const std::string& control, bool checked) = 0;

    // Drop-down lists; -1 means no selection.
    virtual int selectedIndex(const std::string& control) = 0;
    virtual void setSelectedIndex(const std::string& control, int index) = 0;
    virtual std::vector<ListItem> items(const std::string& control) = 0;
    virtual void addItem(const std::string& control, const ListItem& item) = 0;
    virtual void clearItems(const std::string& control) = 0;

    virtual bool enabled(const std::string& control) = 0;
    virtual void setEnabled(const std::string& control, bool enabled) = 0;
    virtual bool visible(const std::string& control) = 0;
    virtual void setVisible(const std::string& control, bool visible) = 0;

    // Geometry relative to the control's parent (window client area, tab control or
    // group box). A negative width or height given to setGeometry is taken as zero.
    virtual Rect geometry(const std::string& control) = 0;
    virtual void setGeometry(const std::string& control, const Rect& rect) = 0;
    // Client size of the window (empty name) or of a control.
    virtual Size clientSize(const std::string& control) = 0;

    // Tab control pages.
    virtual int currentPage(const std::string& control) = 0;
    virtual void setCurrentPage(const std::string& control, int page) = 0;

    // Status bar parts.
    virtual std::string statusText(const std::string& control, int part) = 0;
    virtual void setStatusText(const std::string& control, int part, const std::string& text) = 0;

    // The grid: plain cells; the rules live in app/results_table.
    virtual int rowCount(const std::string& grid) = 0;
    virtual int columnCount(const std::string& grid) = 0;
    virtual void setRowCount(const std::string& grid, int rows) = 0;
    virtual void setColumnCount(const std::string& grid, int columns) = 0;
    virtual int fixedRowCount(const std::string& grid) = 0;
    virtual int fixedColumnCount(const std::string& grid) = 0;
    virtual void setFixedRowCount(const std::string& grid, int rows) = 0;
    virtual void setFixedColumnCount(const std::string& grid, int columns) = 0;
    virtual void insertRow(const std::string& grid, int before) = 0;
    virtual void insertColumn(const std::string& grid, int before) = 0;
    virtual void removeRow(const std::string& grid, int row) = 0;
    virtual void removeColumn(const std::string& grid, int column) = 0;
    virtual std::string cell(const std::string& grid, int row, int column) = 0;
    virtual void setCell(const std::string& grid, int row, int column, const std::string& text) = 0;
    // A block of cells at once, row by row from (row, column), with one update of the view
    // for the whole block (a profile of thousands of rows); texts outside the grid are left
    // out.
    virtual void setCells(const std::string& grid, int row, int column,
                          const std::vector<std::vector<std::string>>& texts) = 0;
    virtual int columnWidth(const std::string& grid, int column) = 0;
    virtual void setColumnWidth(const std::string& grid, int column, int width) = 0;
    // Row and column of the focused cell, -1 when none.
    virtual int focusRow(const std::string& grid) = 0;
    virtual int focusColumn(const std::string& grid) = 0;
    virtual void setFocusCell(const std::string& grid, int row, int column) = 0;

    // Opens a context menu of the layout at the pointer; the choice arrives as onMenuItem.
    virtual void popupMenu(const std::string& menu) = 0;

    // The window.
    virtual std::string title() = 0;
    virtual void setTitle(const std::string& title) = 0;
    virtual WindowState windowState() = 0;
    virtual void setWindowState(WindowState state) = 0;
    // Brings the window above the others without keeping it on top.
    virtual void raise() = 0;
    // Takes the window off the screen for a capture, at once, and waits, handling events,
    // until the screen shows what lies beneath it, at most timeoutMs. setWindowState(Normal)
    // and raise() bring it back at its place. Backends whose minimize is synchronous keep
    // the default.
    virtual void hideForCapture(int /*timeoutMs*/) { setWindowState(WindowState::Minimized); }
    virtual void suspendRedraw() = 0;
    virtual void resumeRedraw() = 0;

    // A modal message box with one OK button.
    virtual void messageBox(const std::string& text, const std::string& title) = 0;

    // Picture box: image file bytes (BMP, PNG, JPEG, GIF).
    virtual void setPicture(const std::string& control, const std::string& imageBytes) = 0;
    // HTML view: shows a page or picture; the backend fetches it without blocking.
    virtual void navigate(const std::string& control, const std::string& address) = 0;
};

}  // namespace platform
