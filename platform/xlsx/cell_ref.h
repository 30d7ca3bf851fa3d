#pragma once
// Cell references in the "A1" form of the sheet files, 0-based inside the engine.
#include <string>
#include <string_view>

namespace xlsx {

// ASCII letters and digits, as cell references and formulas spell them.
bool isLetter(char c);
bool isDigit(char c);

class CellRef {
public:
    static constexpr int kMaxRow = 1048575;
    static constexpr int kMaxColumn = 16383;

    CellRef() = default;
    CellRef(int row, int column) : m_row(row), m_column(column) {}

    int row() const { return m_row; }
    int column() const { return m_column; }
    bool isValid() const;
    // "A1" for row 0, column 0.
    std::string toString() const;
    bool operator==(const CellRef&) const = default;

    // Parses "B7" or "$B$7" (no sheet name); false for anything else or a cell outside
    // the grid.
    static bool parse(std::string_view text, CellRef& ref);
    // "A".."XFD" for 0..16383.
    static std::string columnName(int column);
    // The 0-based column of letters such as "AD"; -1 when they name no column.
    static int columnIndex(std::string_view letters);
    // "A1:C3" (or a single cell, whose range is that cell); false when malformed.
    static bool parseRange(std::string_view text, CellRef& first, CellRef& last);

private:
    int m_row = 0;
    int m_column = 0;
};

}  // namespace xlsx
