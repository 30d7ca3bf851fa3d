#pragma once
// An in-memory main window built from the same layout table as the Qt backend. Tests drive
// it like a user (userClick, userSelect, userType) and read back what the logic did.
#include <map>
#include <string>
#include <vector>

#include "app/layout.h"
#include "platform/clipboard.h"
#include "platform/form.h"

class FakeForm : public platform::Form {
public:
    FakeForm();
    void setEvents(platform::FormEvents* events) { m_events = events; }

    // User actions: they change the control as a user would and raise its event.
    void create();  // raises onCreated, then onResized
    void userClick(const std::string& control);
    void userSelect(const std::string& control, int index);
    void userType(const std::string& control, const std::string& text);
    void userSelectPage(const std::string& tab, int page);
    void userResize(int width, int height);
    void userKeyRelease(const std::string& control, int keyCode);
    void userFocusCell(int row, int column);
    void userRightClickGrid();
    void userChooseMenuItem(int item);
    // Selects part of an edit box's text as a user would by dragging; changing the text
    // clears it.
    void setSelection(const std::string& control, const std::string& text);

    struct Message {
        std::string text, title;
    };
    std::vector<Message> messages;
    std::vector<std::string> poppedMenus;
    std::vector<std::string> navigations;
    std::string picture;
    int redrawSuspended = 0;

    bool exists(const std::string& control) const { return m_controls.count(control) != 0; }

    // platform::Form
    std::string text(const std::string& control) override;
    void setText(const std::string& control, const std::string& text) override;
    std::string selectedText(const std::string& control) override;
    bool checked(const std::string& control) override;
    void setChecked(const std::string& control, bool checked) override;
    int selectedIndex(const std::string& control) override;
    void setSelectedIndex(const std::string& control, int index) override;
    std::vector<platform::ListItem> items(const std::string& control) override;
    void addItem(const std::string& control, const platform::ListItem& item) override;
    void clearItems(const std::string& control) override;
    bool enabled(const std::string& control) override;
    void setEnabled(const std::string& control, bool enabled) override;
    bool visible(const std::string& control) override;
    void setVisible(const std::string& control, bool visible) override;
    platform::Rect geometry(const std::string& control) override;
    void setGeometry(const std::string& control, const platform::Rect& rect) override;
    platform::Size clientSize(const std::string& control) override;
    int currentPage(const std::string& control) override;
    void setCurrentPage(const std::string& control, int page) override;
    std::string statusText(const std::string& control, int part) override;
    void setStatusText(const std::string& control, int part, const std::string& text) override;
    int rowCount(const std::string& grid) override;
    int columnCount(const std::string& grid) override;
    void setRowCount(const std::string& grid, int rows) override;
    void setColumnCount(const std::string& grid, int columns) override;
    int fixedRowCount(const std::string& grid) override;
    int fixedColumnCount(const std::string& grid) override;
    void setFixedRowCount(const std::string& grid, int rows) override;
    void setFixedColumnCount(const std::string& grid, int columns) override;
    void insertRow(const std::string& grid, int before) override;
    void insertColumn(const std::string& grid, int before) override;
    void removeRow(const std::string& grid, int row) override;
    void removeColumn(const std::string& grid, int column) override;
    std::string cell(const std::string& grid, int row, int column) override;
    void setCell(const std::string& grid, int row, int column, const std::string& text) override;
    void setCells(const std::string& grid, int row, int column,
                  const std::vector<std::vector<std::string>>& texts) override;
    int columnWidth(const std::string& grid, int column) override;
    void setColumnWidth(const std::string& grid, int column, int width) override;
    int focusRow(const std::string& grid) override;
    int focusColumn(const std::string& grid) override;
    void setFocusCell(const std::string& grid, int row, int column) override;
    void popupMenu(const std::string& menu) override;
    std::string title() override;
    void setTitle(const std::string& title) override;
    platform::WindowState windowState() override;
    void setWindowState(platform::WindowState state) override;
    void raise() override;
    void suspendRedraw() override;
    void resumeRedraw() override;
    void messageBox(const std::string& text, const std::string& title) override;
    void setPicture(const std::string& control, const std::string& imageBytes) override;
    void navigate(const std::string& control, const std::string& address) override;

    int raised = 0;

private:
    struct State {
        layout::Kind kind;
        std::string text;
        std::string selection;
        bool checked = false;
        int selected = -1;
        std::vector<platform::ListItem> items;
        bool enabled = true;
        bool visible = true;
        platform::Rect geometry;
        int page = 0;
        std::vector<std::string> status;
    };
    struct Grid {
        std::vector<std::vector<std::string>> cells;  // [row][column]
        std::vector<int> widths;
        int columns = 0;
        int fixedRows = 0;
        int fixedColumns = 0;
        int focusRow = -1;
        int focusColumn = -1;
    };
    State& at(const std::string& control);
    platform::FormEvents* m_events = nullptr;
    std::map<std::string, State> m_controls;
    Grid m_grid;
    platform::Size m_client;
    std::string m_title;
    platform::WindowState m_state = platform::WindowState::Normal;
};

class FakeClipboard : public platform::Clipboard {
public:
    void setText(const std::string& text) override {
        value = text;
        ++writes;
    }
    std::string text() override { return value; }
    std::string value;
    int writes = 0;
};
