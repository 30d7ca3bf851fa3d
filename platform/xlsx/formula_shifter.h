#pragma once
// Moves a formula by a number of rows and columns, as copying it would: relative
// references shift, absolute ones ($A$1) stay. A shared formula is stored once, in its
// first cell; when that cell is overwritten, the other cells get their own copies.
#include <string>
#include <string_view>

namespace xlsx {

class FormulaShifter {
public:
    FormulaShifter(int rows, int columns) : m_rows(rows), m_columns(columns) {}

    // The formula text (without "=") moved; a reference pushed off the grid becomes
    // #REF!, as in a spreadsheet application.
    std::string shift(std::string_view formula) const;

private:
    // Tries a reference at formula[i]; on success appends its moved form and returns its
    // length, otherwise 0.
    size_t shiftReference(std::string_view formula, size_t i, std::string& out) const;
    size_t shiftCell(std::string_view formula, size_t i, std::string& out) const;
    size_t shiftColumnRange(std::string_view formula, size_t i, std::string& out) const;
    size_t shiftRowRange(std::string_view formula, size_t i, std::string& out) const;
    bool moveRow(bool absolute, int& row) const;
    bool moveColumn(bool absolute, int& column) const;

    int m_rows;
    int m_columns;
};

}  // namespace xlsx
