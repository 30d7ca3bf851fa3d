#include "support/fake_form.h"

#include <stdexcept>

using platform::Rect;

FakeForm::FakeForm() {
    for (const layout::Control& c : layout::controls()) {
        State s;
        s.kind = c.kind;
        s.text = c.kind == layout::Kind::DropDownList ? "" : c.caption;
        s.items = c.items;
        s.enabled = !c.disabled;
        s.visible = !c.hidden;
        s.geometry = c.geometry;
        if (c.kind == layout::Kind::StatusBar)
            for (const auto& part : layout::statusParts(c.name)) s.status.push_back(part.text);
        m_controls.emplace(c.name, std::move(s));
    }
    m_client = layout::window().clientSize;
    m_title = layout::window().title;
}

FakeForm::State& FakeForm::at(const std::string& control) {
    auto it = m_controls.find(control);
    if (it == m_controls.end()) throw std::out_of_range("no control " + control);
    return it->second;
}

void FakeForm::create() {
    if (!m_events) return;
    m_events->onCreated();
    m_events->onResized();
}

void FakeForm::userClick(const std::string& control) {
    State& s = at(control);
    if (!s.enabled) return;
    if (s.kind == layout::Kind::CheckBox) s.checked = !s.checked;
    if (m_events) m_events->onClicked(control);
}

void FakeForm::userSelect(const std::string& control, int index) {
    setSelectedIndex(control, index);
    if (m_events) m_events->onItemSelected(control);
}

void FakeForm::userType(const std::string& control, const std::string& text) { setText(control, text); }

void FakeForm::userSelectPage(const std::string& tab, int page) { setCurrentPage(tab, page); }

void FakeForm::userResize(int width, int height) {
    m_client = {width, height};
    if (m_events) m_events->onResized();
}

void FakeForm::userKeyRelease(const std::string& control, int keyCode) {
    if (m_events) m_events->onKeyReleased(control, keyCode);
}

void FakeForm::userFocusCell(int row, int column) {
    m_grid.focusRow = row;
    m_grid.focusColumn = column;
}

void FakeForm::userRightClickGrid() {
    if (m_events) m_events->onGridRightButtonUp("高级表格1");
}

void FakeForm::userChooseMenuItem(int item) {
    if (m_events) m_events->onMenuItem("表格菜单", item);
}

void FakeForm::setSelection(const std::string& control, const std::string& text) {
    at(control).selection = text;
}

std::string FakeForm::text(const std::string& control) {
    State& s = at(control);
    if (s.kind == layout::Kind::DropDownList)
        return s.selected >= 0 && s.selected < static_cast<int>(s.items.size()) ? s.items[s.selected].text
                                                                               : std::string();
    return s.text;
}

void FakeForm::setText(const std::string& control, const std::string& text) {
    State& s = at(control);
    const bool changed = s.text != text;
    s.text = text;
    if (changed) s.selection.clear();
    const bool edit = s.kind == layout::Kind::LineEdit || s.kind == layout::Kind::MultiLineEdit;
    if (edit && changed && m_events) m_events->onTextChanged(control);
}

std::string FakeForm::selectedText(const std::string& control) { return at(control).selection; }
bool FakeForm::checked(const std::string& control) { return at(control).checked; }
void FakeForm::setChecked(const std::string& control, bool checked) { at(control).checked = checked; }
int FakeForm::selectedIndex(const std::string& control) { return at(control).selected; }

void FakeForm::setSelectedIndex(const std::string& control, int index) {
    State& s = at(control);
    s.selected = index >= 0 && index < static_cast<int>(s.items.size()) ? index : -1;
}

std::vector<platform::ListItem> FakeForm::items(const std::string& control) { return at(control).items; }
void FakeForm::addItem(const std::string& control, const platform::ListItem& item) {
    at(control).items.push_back(item);
}
void FakeForm::clearItems(const std::string& control) {
    at(control).items.clear();
    at(control).selected = -1;
}
bool FakeForm::enabled(const std::string& control) { return at(control).enabled; }
void FakeForm::setEnabled(const std::string& control, bool enabled) { at(control).enabled = enabled; }
bool FakeForm::visible(const std::string& control) { return at(control).visible; }
void FakeForm::setVisible(const std::string& control, bool visible) { at(control).visible = visible; }
Rect FakeForm::geometry(const std::string& control) { return at(control).geometry; }

void FakeForm::setGeometry(const std::string& control, const Rect& rect) {
    Rect r = rect;
    if (r.width < 0) r.width = 0;
    if (r.height < 0) r.height = 0;
    at(control).geometry = r;
}

platform::Size FakeForm::clientSize(const std::string& control) {
    if (control.empty()) return m_client;
    const Rect& r = at(control).geometry;
    return {r.width, r.height};
}

int FakeForm::currentPage(const std::string& control) { return at(control).page; }

void FakeForm::setCurrentPage(const std::string& control, int page) {
    State& s = at(control);
    const int pages = static_cast<int>(layout::tabPages(control).size());
    if (page < 0 || page >= pages) return;
    const bool changed = s.page != page;
    s.page = page;
    if (changed && m_events) m_events->onPageChanged(control);
}

std::string FakeForm::statusText(const std::string& control, int part) {
    State& s = at(control);
    return part >= 0 && part < static_cast<int>(s.status.size()) ? s.status[part] : std::string();
}

void FakeForm::setStatusText(const std::string& control, int part, const std::string& text) {
    State& s = at(control);
    if (part >= 0 && part < static_cast<int>(s.status.size())) s.status[part] = text;
}

int FakeForm::rowCount(const std::string&) { return static_cast<int>(m_grid.cells.size()); }
int FakeForm::columnCount(const std::string&) { return m_grid.columns; }

void FakeForm::setRowCount(const std::string&, int rows) {
    m_grid.cells.resize(rows, std::vector<std::string>(m_grid.columns));
    if (m_grid.fixedRows > rows) m_grid.fixedRows = rows;
}

void FakeForm::setColumnCount(const std::string&, int columns) {
    m_grid.columns = columns;
    for (auto& row : m_grid.cells) row.resize(columns);
    m_grid.widths.resize(columns, 64);
    if (m_grid.fixedColumns > columns) m_grid.fixedColumns = columns;
}

int FakeForm::fixedRowCount(const std::string&) { return m_grid.fixedRows; }
int FakeForm::fixedColumnCount(const std::string&) { return m_grid.fixedColumns; }
void FakeForm::setFixedRowCount(const std::string&, int rows) { m_grid.fixedRows = rows; }
void FakeForm::setFixedColumnCount(const std::string&, int columns) { m_grid.fixedColumns = columns; }

void FakeForm::insertRow(const std::string&, int before) {
    m_grid.cells.insert(m_grid.cells.begin() + before, std::vector<std::string>(m_grid.columns));
}

void FakeForm::insertColumn(const std::string&, int before) {
    for (auto& row : m_grid.cells) row.insert(row.begin() + before, std::string());
    m_grid.widths.insert(m_grid.widths.begin() + before, 64);
    ++m_grid.columns;
}

void FakeForm::removeRow(const std::string&, int row) { m_grid.cells.erase(m_grid.cells.begin() + row); }

void FakeForm::removeColumn(const std::string&, int column) {
    for (auto& row : m_grid.cells) row.erase(row.begin() + column);
    m_grid.widths.erase(m_grid.widths.begin() + column);
    --m_grid.columns;
}

std::string FakeForm::cell(const std::string&, int row, int column) {
    if (row < 0 || column < 0 || row >= rowCount("") || column >= m_grid.columns) return {};
    return m_grid.cells[row][column];
}

void FakeForm::setCell(const std::string&, int row, int column, const std::string& text) {
    if (row < 0 || column < 0 || row >= rowCount("") || column >= m_grid.columns) return;
    m_grid.cells[row][column] = text;
}

void FakeForm::setCells(const std::string& grid, int row, int column,
                        const std::vector<std::vector<std::string>>& texts) {
    for (size_t r = 0; r < texts.size(); ++r)
        for (size_t c = 0; c < texts[r].size(); ++c)
            setCell(grid, row + static_cast<int>(r), column + static_cast<int>(c), texts[r][c]);
}

int FakeForm::columnWidth(const std::string&, int column) { return m_grid.widths.at(column); }
void FakeForm::setColumnWidth(const std::string&, int column, int width) { m_grid.widths.at(column) = width; }
int FakeForm::focusRow(const std::string&) { return m_grid.focusRow; }
int FakeForm::focusColumn(const std::string&) { return m_grid.focusColumn; }
void FakeForm::setFocusCell(const std::string&, int row, int column) { userFocusCell(row, column); }
void FakeForm::popupMenu(const std::string& menu) { poppedMenus.push_back(menu); }
std::string FakeForm::title() { return m_title; }
void FakeForm::setTitle(const std::string& title) { m_title = title; }
platform::WindowState FakeForm::windowState() { return m_state; }
void FakeForm::setWindowState(platform::WindowState state) { m_state = state; }
void FakeForm::raise() { ++raised; }
void FakeForm::suspendRedraw() { ++redrawSuspended; }
void FakeForm::resumeRedraw() { --redrawSuspended; }
void FakeForm::messageBox(const std::string& text, const std::string& title) {
    messages.push_back({text, title});
}
void FakeForm::setPicture(const std::string&, const std::string& imageBytes) { picture = imageBytes; }
void FakeForm::navigate(const std::string&, const std::string& address) { navigations.push_back(address); }
