#pragma once
// One sheet of an .xlsx workbook: the parsed sheet part and the edits made to it.
#include "platform/spreadsheet.h"
#include "platform/xlsx/calc_chain.h"
#include "platform/xlsx/cell_ref.h"
#include "platform/xlsx/xml_part.h"

#include <map>
#include <string>
#include <vector>

namespace xlsx {

class XlsxSheet : public spreadsheet::Sheet {
public:
    enum class Kind { Worksheet, Other };

    // The worksheet part as stored in the package; `strings` (the shared strings) and
    // `chain` belong to the workbook and outlive the sheet.
    XlsxSheet(std::string name, int sheetId, Kind kind, std::string partName, XmlPart part,
              const std::vector<std::string>* strings, CalcChain* chain);

    std::string name() const override { return m_name; }
    bool writeText(int row, int column, const std::string& text) override;
    std::string text(int row, int column) const override;
    bool hasFormula(int row, int column) const override;

    const std::string& partName() const { return m_partName; }
    XmlPart& part() { return m_part; }
    // True when any cell of the sheet holds a formula.
    bool hasFormulas() const;

private:
    struct FormulaRange {
        CellRef first;
        CellRef last;
        pugi::xml_node cell;
    };

    void buildIndex() const;
    pugi::xml_node findCell(int row, int column) const;
    pugi::xml_node makeRow(int row);
    pugi::xml_node makeCell(pugi::xml_node rowNode, int row, int column);
    int inheritedStyle(pugi::xml_node rowNode, int column) const;
    void clearValue(pugi::xml_node cell, const CellRef& ref);
    void dropFormula(pugi::xml_node cell, const CellRef& ref);
    void unshare(pugi::xml_node master, const CellRef& masterRef);
    void extendDimension(const CellRef& ref);
    static void extendSpans(pugi::xml_node rowNode, int column);

    std::string m_name;
    int m_sheetId;
    Kind m_kind;
    std::string m_partName;
    XmlPart m_part;
    const std::vector<std::string>* m_strings;
    CalcChain* m_chain;
    std::string m_prefix;
    pugi::xml_node m_sheetData;
    // Built at the first access: rows by their 0-based number, and the array formulas,
    // whose cells cannot be written one by one.
    mutable bool m_indexed = false;
    mutable std::map<int, pugi::xml_node> m_rows;
    mutable std::vector<FormulaRange> m_arrays;
};

}  // namespace xlsx
