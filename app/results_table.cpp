#include "app/results_table.h"

#include "app/control_names.h"

namespace {
const char* const kGrid = ctl::高级表格1;
}

ResultsTable::ResultsTable(platform::Form& form) : m_form(form) {}

int ResultsTable::rowCount() const { return m_form.rowCount(kGrid); }
int ResultsTable::columnCount() const { return m_form.columnCount(kGrid); }
int ResultsTable::fixedRowCount() const { return m_form.fixedRowCount(kGrid); }
int ResultsTable::fixedColumnCount() const { return m_form.fixedColumnCount(kGrid); }
void ResultsTable::setRowCount(int rows) { m_form.setRowCount(kGrid, rows < 0 ? 0 : rows); }
void ResultsTable::setColumnCount(int columns) {
    m_form.setColumnCount(kGrid, columns < 0 ? 0 : columns);
}
void ResultsTable::setFixedRowCount(int rows) { m_form.setFixedRowCount(kGrid, rows < 0 ? 0 : rows); }
void ResultsTable::setFixedColumnCount(int columns) {
    m_form.setFixedColumnCount(kGrid, columns < 0 ? 0 : columns);
}

void ResultsTable::ensureFirstCell() {
    if (rowCount() == 0 && fixedRowCount() == 0 && fixedColumnCount() == 0) {
        setRowCount(1);
        setColumnCount(1);
        setFixedRowCount(1);
        setFixedColumnCount(1);
    }
}

void ResultsTable::insertRow(const std::optional<Text>& heading, std::optional<int> position) {
    ensureFirstCell();
    const int rows = rowCount();
    int at = position.value_or(rows);
    if (at < fixedRowCount() || at >= rows) at = rows;
    m_form.insertRow(kGrid, at);
    if (columnCount() > 0) m_form.setCell(kGrid, at, 0, heading.value_or(Text()));
}

void ResultsTable::insertColumn(const std::optional<Text>& heading, std::optional<int> position) {
    if (columnCount() == 0 && fixedRowCount() == 0 && fixedColumnCount() == 0) {
        setRowCount(1);
        setColumnCount(1);
        setFixedRowCount(1);
        setFixedColumnCount(1);
    }
    const int columns = columnCount();
    int at = position.value_or(columns);
    if (at < fixedColumnCount() || at >= columns) at = columns;
    m_form.insertColumn(kGrid, at);
    if (rowCount() > 0) m_form.setCell(kGrid, 0, at, heading.value_or(Text()));
}

void ResultsTable::deleteRow(int row) {
    if (row < 0 || row >= rowCount()) return;
    m_form.removeRow(kGrid, row);
    if (fixedRowCount() > rowCount()) setFixedRowCount(rowCount());
}

void ResultsTable::deleteColumn(int column) {
    if (column < 0 || column >= columnCount()) return;
    m_form.removeColumn(kGrid, column);
    if (fixedColumnCount() > columnCount()) setFixedColumnCount(columnCount());
}

bool ResultsTable::hasCell(int row, int column) const {
    return row >= 0 && column >= 0 && row < rowCount() && column < columnCount();
}

void ResultsTable::setCell(int row, int column, const Text& text) {
    if (hasCell(row, column)) m_form.setCell(kGrid, row, column, text);
}

std::optional<Text> ResultsTable::cell(int row, int column) const {
    if (!hasCell(row, column)) return std::nullopt;
    return m_form.cell(kGrid, row, column);
}

void ResultsTable::setColumnWidth(int column, int width) {
    if (column >= 0 && column < columnCount()) m_form.setColumnWidth(kGrid, column, width < 0 ? 0 : width);
}

int ResultsTable::columnWidth(int column) const {
    if (column < 0 || column >= columnCount()) return 0;
    return m_form.columnWidth(kGrid, column);
}

int ResultsTable::focusRow() const { return m_form.focusRow(kGrid); }

void ResultsTable::clearRange(int row1, int column1, int row2, int column2) {
    if (row2 > rowCount() - 1) row2 = rowCount() - 1;
    if (column2 > columnCount() - 1) column2 = columnCount() - 1;
    if (row1 < 0 || column1 < 0 || row2 < row1 || column2 < column1) return;
    if (!hasCell(row1, column1) || !hasCell(row2, column2)) return;
    for (int r = row1; r <= row2; ++r)
        for (int c = column1; c <= column2; ++c) m_form.setCell(kGrid, r, c, Text());
}

void ResultsTable::resetLayout() {
    for (int r = rowCount() - 1; r >= 0; --r) deleteRow(r);
    for (int c = columnCount() - 1; c >= 0; --c) deleteColumn(c);
    setFixedRowCount(0);
    setFixedColumnCount(0);
    insertRow(std::nullopt, 0);
    setCell(0, 0, "行号");
    insertColumn(std::nullopt, 1);
    setColumnWidth(1, 100);
    setFixedColumnCount(2);
    setFixedRowCount(1);
}

void ResultsTable::clearContents() { clearRange(1, 2, rowCount(), 2); }

void ResultsTable::showFields(const std::vector<Field>& fields) {
    resetLayout();
    insertColumn("内容", 2);
    setColumnWidth(2, 200);
    setCell(0, 1, "类型");
    // The rows come in one step instead of one insertion each: the same table, without
    // laying the grid out again per field.
    setRowCount(static_cast<int>(fields.size()) + 1);
    for (size_t i = 0; i < fields.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        setCell(row, 0, text::fromInt(row));
        setCell(row, 1, fields[i].name);
        setCell(row, 2, fields[i].value);
    }
}
