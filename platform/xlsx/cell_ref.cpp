#include "platform/xlsx/cell_ref.h"

namespace xlsx {

bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool CellRef::isValid() const {
    return m_row >= 0 && m_row <= kMaxRow && m_column >= 0 && m_column <= kMaxColumn;
}

std::string CellRef::toString() const {
    return columnName(m_column) + std::to_string(m_row + 1);
}

std::string CellRef::columnName(int column) {
    std::string name;
    for (int n = column + 1; n > 0; n = (n - 1) / 26)
        name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
    return name;
}

int CellRef::columnIndex(std::string_view letters) {
    if (letters.empty() || letters.size() > 3) return -1;
    int n = 0;
    for (char c : letters) {
        if (!isLetter(c)) return -1;
        n = n * 26 + ((c & ~0x20) - 'A' + 1);
    }
    return n - 1 <= kMaxColumn ? n - 1 : -1;
}

bool CellRef::parse(std::string_view text, CellRef& ref) {
    size_t i = 0;
    if (i < text.size() && text[i] == '$') ++i;
    size_t lettersStart = i;
    while (i < text.size() && isLetter(text[i])) ++i;
    int column = columnIndex(text.substr(lettersStart, i - lettersStart));
    if (column < 0) return false;
    if (i < text.size() && text[i] == '$') ++i;
    if (i == text.size() || text.size() - i > 7) return false;
    long row = 0;
    for (; i < text.size(); ++i) {
        if (!isDigit(text[i])) return false;
        row = row * 10 + (text[i] - '0');
    }
    if (row < 1 || row > kMaxRow + 1) return false;
    ref = CellRef(static_cast<int>(row - 1), column);
    return true;
}

bool CellRef::parseRange(std::string_view text, CellRef& first, CellRef& last) {
    size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        if (!parse(text, first)) return false;
        last = first;
        return true;
    }
    return parse(text.substr(0, colon), first) && parse(text.substr(colon + 1), last);
}

}  // namespace xlsx
