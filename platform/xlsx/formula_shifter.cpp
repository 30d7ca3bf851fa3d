#include "platform/xlsx/formula_shifter.h"

#include "platform/xlsx/cell_ref.h"

namespace xlsx {

namespace {

// Characters that continue a name, so a reference cannot start or end next to them.
bool isNameChar(char c) {
    return isLetter(c) || isDigit(c) || c == '_' || c == '.' || c == '\\' ||
           static_cast<unsigned char>(c) >= 0x80;
}

struct Part {
    bool absolute = false;
    int value = 0;
    size_t length = 0;
};

// "$AB" or "AB": a column of at most three letters within the grid.
Part columnPart(std::string_view s, size_t i) {
    Part p;
    size_t start = i;
    if (i < s.size() && s[i] == '$') p.absolute = true, ++i;
    size_t letters = i;
    while (i < s.size() && isLetter(s[i]) && i - letters < 4) ++i;
    p.value = CellRef::columnIndex(s.substr(letters, i - letters));
    p.length = p.value < 0 ? 0 : i - start;
    return p;
}

// "$12" or "12": a row number within the grid, stored 0-based.
Part rowPart(std::string_view s, size_t i) {
    Part p;
    size_t start = i;
    if (i < s.size() && s[i] == '$') p.absolute = true, ++i;
    long row = 0;
    size_t digits = i;
    while (i < s.size() && isDigit(s[i]) && i - digits < 8) row = row * 10 + (s[i++] - '0');
    if (i == digits || row < 1 || row > CellRef::kMaxRow + 1) return {};
    p.value = static_cast<int>(row - 1);
    p.length = i - start;
    return p;
}

// The reference must not run on into a name or a function call ("LOG10(").
bool endsCleanly(std::string_view s, size_t end) {
    return end >= s.size() || (!isNameChar(s[end]) && s[end] != '(' && s[end] != '!');
}

}  // namespace

bool FormulaShifter::moveRow(bool absolute, int& row) const {
    if (!absolute) row += m_rows;
    return row >= 0 && row <= CellRef::kMaxRow;
}

bool FormulaShifter::moveColumn(bool absolute, int& column) const {
    if (!absolute) column += m_columns;
    return column >= 0 && column <= CellRef::kMaxColumn;
}

size_t FormulaShifter::shiftCell(std::string_view s, size_t i, std::string& out) const {
    Part column = columnPart(s, i);
    if (column.length == 0) return 0;
    Part row = rowPart(s, i + column.length);
    size_t length = column.length + row.length;
    if (row.length == 0 || !endsCleanly(s, i + length)) return 0;
    if (!moveColumn(column.absolute, column.value) || !moveRow(row.absolute, row.value)) {
        out += "#REF!";
        return length;
    }
    out += (column.absolute ? "$" : "") + CellRef::columnName(column.value);
    out += (row.absolute ? "$" : "") + std::to_string(row.value + 1);
    return length;
}

size_t FormulaShifter::shiftColumnRange(std::string_view s, size_t i, std::string& out) const {
    Part first = columnPart(s, i);
    if (first.length == 0 || i + first.length >= s.size() || s[i + first.length] != ':') return 0;
    Part last = columnPart(s, i + first.length + 1);
    size_t length = first.length + 1 + last.length;
    if (last.length == 0 || !endsCleanly(s, i + length) ||
        (i + length < s.size() && (isDigit(s[i + length]) || s[i + length] == '$')))
        return 0;
    if (!moveColumn(first.absolute, first.value) || !moveColumn(last.absolute, last.value)) {
        out += "#REF!";
        return length;
    }
    out += (first.absolute ? "$" : "") + CellRef::columnName(first.value) + ":";
    out += (last.absolute ? "$" : "") + CellRef::columnName(last.value);
    return length;
}

size_t FormulaShifter::shiftRowRange(std::string_view s, size_t i, std::string& out) const {
    Part first = rowPart(s, i);
    if (first.length == 0 || i + first.length >= s.size() || s[i + first.length] != ':') return 0;
    Part last = rowPart(s, i + first.length + 1);
    size_t length = first.length + 1 + last.length;
    if (last.length == 0 || !endsCleanly(s, i + length)) return 0;
    if (!moveRow(first.absolute, first.value) || !moveRow(last.absolute, last.value)) {
        out += "#REF!";
        return length;
    }
    out += (first.absolute ? "$" : "") + std::to_string(first.value + 1) + ":";
    out += (last.absolute ? "$" : "") + std::to_string(last.value + 1);
    return length;
}

size_t FormulaShifter::shiftReference(std::string_view s, size_t i, std::string& out) const {
    if (i > 0 && isNameChar(s[i - 1])) return 0;
    if (size_t n = shiftCell(s, i, out)) return n;
    if (size_t n = shiftColumnRange(s, i, out)) return n;
    return shiftRowRange(s, i, out);
}

std::string FormulaShifter::shift(std::string_view s) const {
    std::string out;
    out.reserve(s.size() + 8);
    for (size_t i = 0; i < s.size();) {
        char c = s[i];
        if (c == '"' || c == '\'') {
            // String literals and quoted sheet names; a doubled quote stays inside.
            size_t end = i + 1;
            while (end < s.size()) {
                if (s[end] == c && (end + 1 >= s.size() || s[end + 1] != c)) break;
                end += s[end] == c ? 2 : 1;
            }
            end = end < s.size() ? end + 1 : s.size();
            out.append(s.substr(i, end - i));
            i = end;
        } else if (c == '[') {
            // Structured references and external workbook numbers hold no cell addresses.
            size_t end = s.find(']', i);
            end = end == std::string_view::npos ? s.size() : end + 1;
            out.append(s.substr(i, end - i));
            i = end;
        } else if (size_t n = shiftReference(s, i, out)) {
            i += n;
        } else {
            // Skip the rest of a name or number so no reference is found inside it.
            size_t end = i + 1;
            if (isNameChar(c))
                while (end < s.size() && isNameChar(s[end])) ++end;
            out.append(s.substr(i, end - i));
            i = end;
        }
    }
    return out;
}

}  // namespace xlsx
