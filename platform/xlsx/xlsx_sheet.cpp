#include "platform/xlsx/xlsx_sheet.h"

#include "platform/xlsx/cell_text.h"
#include "platform/xlsx/formula_shifter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace xlsx {

namespace {

bool isFormulaRangeKind(std::string_view kind) {
    return kind == "array" || kind == "dataTable";
}

CellRef cellRefOf(pugi::xml_node cell) {
    CellRef ref(-1, -1);
    CellRef::parse(cell.attribute("r").value(), ref);
    return ref;
}

bool contains(const CellRef& first, const CellRef& last, const CellRef& ref) {
    return ref.row() >= first.row() && ref.row() <= last.row() && ref.column() >= first.column() &&
           ref.column() <= last.column();
}

}  // namespace

XlsxSheet::XlsxSheet(std::string name, int sheetId, Kind kind, std::string partName, XmlPart part,
                     const std::vector<std::string>* strings, CalcChain* chain)
    : m_name(std::move(name)),
      m_sheetId(sheetId),
      m_kind(kind),
      m_partName(std::move(partName)),
      m_part(std::move(part)),
      m_strings(strings),
      m_chain(chain) {
    if (m_kind == Kind::Worksheet) m_sheetData = XmlPart::child(m_part.root(), "sheetData");
    m_prefix = XmlPart::prefix(m_sheetData);
}

void XlsxSheet::buildIndex() const {
    if (m_indexed || !m_sheetData) return;
    m_indexed = true;
    // Rows and cells may leave out their reference and then follow the one before; the
    // index writes it out so every later lookup can rely on it.
    int previousRow = -1;
    for (pugi::xml_node row = XmlPart::child(m_sheetData, "row"); row;
         row = XmlPart::nextSibling(row, "row")) {
        pugi::xml_attribute r = row.attribute("r");
        int rowIndex = r ? r.as_int() - 1 : previousRow + 1;
        if (!r) row.append_attribute("r").set_value(rowIndex + 1);
        previousRow = rowIndex;
        m_rows.emplace(rowIndex, row);
        int previousColumn = -1;
        for (pugi::xml_node c = XmlPart::child(row, "c"); c; c = XmlPart::nextSibling(c, "c")) {
            CellRef ref = cellRefOf(c);
            if (!c.attribute("r")) {
                ref = CellRef(rowIndex, previousColumn + 1);
                c.append_attribute("r").set_value(ref.toString().c_str());
            }
            previousColumn = ref.column();
            pugi::xml_node f = XmlPart::child(c, "f");
            CellRef first, last;
            if (f && isFormulaRangeKind(f.attribute("t").value()) &&
                CellRef::parseRange(f.attribute("ref").value(), first, last))
                m_arrays.push_back({first, last, c});
        }
    }
}

pugi::xml_node XlsxSheet::findCell(int row, int column) const {
    buildIndex();
    auto it = m_rows.find(row);
    if (it == m_rows.end()) return {};
    for (pugi::xml_node c = XmlPart::child(it->second, "c"); c; c = XmlPart::nextSibling(c, "c"))
        if (cellRefOf(c).column() == column) return c;
    return {};
}

pugi::xml_node XlsxSheet::makeRow(int row) {
    auto it = m_rows.lower_bound(row);
    if (it != m_rows.end() && it->first == row) return it->second;
    std::string name = m_prefix + "row";
    pugi::xml_node node = it != m_rows.end()
                              ? m_sheetData.insert_child_before(name.c_str(), it->second)
                              : m_sheetData.append_child(name.c_str());
    node.append_attribute("r").set_value(row + 1);
    m_rows.emplace(row, node);
    return node;
}

pugi::xml_node XlsxSheet::makeCell(pugi::xml_node rowNode, int row, int column) {
    pugi::xml_node last;
    std::string name = m_prefix + "c";
    pugi::xml_node node;
    for (pugi::xml_node c = XmlPart::child(rowNode, "c"); c; c = XmlPart::nextSibling(c, "c")) {
        int at = cellRefOf(c).column();
        if (at == column) return c;
        if (at > column) {
            node = rowNode.insert_child_before(name.c_str(), c);
            break;
        }
        last = c;
    }
    if (!node)
        node = last ? rowNode.insert_child_after(name.c_str(), last)
                    : rowNode.prepend_child(name.c_str());
    node.append_attribute("r").set_value(CellRef(row, column).toString().c_str());
    // A new cell takes the format of its row or column, as typing into it would.
    if (int style = inheritedStyle(rowNode, column); style > 0)
        node.append_attribute("s").set_value(style);
    extendSpans(rowNode, column);
    return node;
}

int XlsxSheet::inheritedStyle(pugi::xml_node rowNode, int column) const {
    if (rowNode.attribute("customFormat").as_bool()) return rowNode.attribute("s").as_int();
    pugi::xml_node cols = XmlPart::child(m_part.root(), "cols");
    for (pugi::xml_node col = XmlPart::child(cols, "col"); col;
         col = XmlPart::nextSibling(col, "col"))
        if (column + 1 >= col.attribute("min").as_int() &&
            column + 1 <= col.attribute("max").as_int())
            return col.attribute("style").as_int();
    return 0;
}

void XlsxSheet::dropFormula(pugi::xml_node cell, const CellRef& ref) {
    pugi::xml_node f = XmlPart::child(cell, "f");
    if (!f) return;
    std::string_view kind = f.attribute("t").value();
    if (kind == "shared" && f.attribute("ref") && *f.text().get()) unshare(cell, ref);
    if (isFormulaRangeKind(kind))
        std::erase_if(m_arrays, [&](const FormulaRange& range) { return range.cell == cell; });
    cell.remove_child(f);
    if (m_chain) m_chain->remove(m_sheetId, ref.toString());
}

void XlsxSheet::unshare(pugi::xml_node master, const CellRef& masterRef) {
    pugi::xml_node f = XmlPart::child(master, "f");
    std::string si = f.attribute("si").value();
    std::string formula = f.text().get();
    // The other cells of the group refer to the text stored here; each gets its own copy,
    // moved by its distance from this cell.
    for (const auto& [row, rowNode] : m_rows) {
        for (pugi::xml_node c = XmlPart::child(rowNode, "c"); c; c = XmlPart::nextSibling(c, "c")) {
            pugi::xml_node other = XmlPart::child(c, "f");
            if (c == master || !other || std::strcmp(other.attribute("t").value(), "shared") != 0 ||
                si != other.attribute("si").value())
                continue;
            CellRef ref = cellRefOf(c);
            FormulaShifter shifter(ref.row() - masterRef.row(), ref.column() - masterRef.column());
            other.remove_attribute("t");
            other.remove_attribute("si");
            other.remove_attribute("ref");
            other.text().set(shifter.shift(formula).c_str());
        }
    }
}

void XlsxSheet::clearValue(pugi::xml_node cell, const CellRef& ref) {
    dropFormula(cell, ref);
    // A cell inside an array formula's range cannot change alone: the array becomes its
    // values.
    std::vector<pugi::xml_node> masters;
    for (const FormulaRange& range : m_arrays)
        if (contains(range.first, range.last, ref)) masters.push_back(range.cell);
    for (pugi::xml_node master : masters) dropFormula(master, cellRefOf(master));
    for (const char* name : {"v", "is", "f"})
        while (pugi::xml_node child = XmlPart::child(cell, name)) cell.remove_child(child);
    for (const char* name : {"t", "cm", "vm"}) cell.remove_attribute(name);
}

void XlsxSheet::extendDimension(const CellRef& ref) {
    pugi::xml_node dimension = XmlPart::child(m_part.root(), "dimension");
    CellRef first, last;
    if (!dimension || !CellRef::parseRange(dimension.attribute("ref").value(), first, last)) return;
    CellRef from(std::min(first.row(), ref.row()), std::min(first.column(), ref.column()));
    CellRef to(std::max(last.row(), ref.row()), std::max(last.column(), ref.column()));
    std::string text = from == to ? from.toString() : from.toString() + ":" + to.toString();
    dimension.attribute("ref").set_value(text.c_str());
}

void XlsxSheet::extendSpans(pugi::xml_node rowNode, int column) {
    pugi::xml_attribute spans = rowNode.attribute("spans");
    if (!spans) return;
    // "1:3" or several ranges "1:3 5:7": one range that covers them and the new column.
    int low = column + 1, high = column + 1;
    const char* p = spans.value();
    while (*p) {
        char* end = nullptr;
        long a = std::strtol(p, &end, 10);
        if (end == p || *end != ':') return;
        long b = std::strtol(end + 1, &end, 10);
        low = std::min<int>(low, static_cast<int>(a));
        high = std::max<int>(high, static_cast<int>(b));
        p = end;
        while (*p == ' ') ++p;
    }
    spans.set_value((std::to_string(low) + ":" + std::to_string(high)).c_str());
}

bool XlsxSheet::writeText(int row, int column, const std::string& text) {
    CellRef ref(row, column);
    std::string stored;
    if (m_kind != Kind::Worksheet || !m_sheetData || !ref.isValid() ||
        !CellText::encode(text, stored))
        return false;
    buildIndex();
    pugi::xml_node cell = makeCell(makeRow(row), row, column);
    clearValue(cell, ref);
    cell.append_attribute("t").set_value("inlineStr");
    pugi::xml_node is = cell.prepend_child((m_prefix + "is").c_str());
    pugi::xml_node t = is.append_child((m_prefix + "t").c_str());
    if (CellText::needsPreserve(stored)) t.append_attribute("xml:space").set_value("preserve");
    if (!stored.empty()) t.text().set(stored.c_str());
    extendDimension(ref);
    m_part.setDirty();
    return true;
}

std::string XlsxSheet::text(int row, int column) const {
    pugi::xml_node cell = findCell(row, column);
    if (!cell) return {};
    std::string_view type = cell.attribute("t").value();
    if (type == "inlineStr")
        return CellText::decode(XmlPart::stringItemText(XmlPart::child(cell, "is")));
    std::string value = XmlPart::child(cell, "v").text().get();
    if (type == "s") {
        size_t index = std::strtoul(value.c_str(), nullptr, 10);
        return value.empty() || index >= m_strings->size() ? std::string() : (*m_strings)[index];
    }
    return type == "str" || type == "e" ? CellText::decode(value) : value;
}

bool XlsxSheet::hasFormula(int row, int column) const {
    return static_cast<bool>(XmlPart::child(findCell(row, column), "f"));
}

bool XlsxSheet::hasFormulas() const {
    buildIndex();
    for (const auto& [row, rowNode] : m_rows)
        for (pugi::xml_node c = XmlPart::child(rowNode, "c"); c; c = XmlPart::nextSibling(c, "c"))
            if (XmlPart::child(c, "f")) return true;
    return false;
}

}  // namespace xlsx
