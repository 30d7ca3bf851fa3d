#pragma once
// The calculation chain (xl/calcChain.xml): the order in which the formula cells were
// last computed. An entry for a cell that holds no formula any more makes Excel report a
// damaged file, so overwriting a formula takes its entry out.
#include "platform/xlsx/xml_part.h"

#include <string>

namespace xlsx {

class CalcChain {
public:
    // Takes the parsed part (name as stored in the package).
    void assign(const std::string& name, XmlPart part);
    void clear();
    bool isPresent() const { return !m_name.empty(); }
    const std::string& name() const { return m_name; }
    XmlPart& part() { return m_part; }

    // Removes the entry of the cell ("B7") on the sheet with the workbook's sheetId.
    void remove(int sheetId, const std::string& cell);
    // True when removals left no entry: the part must then go, an empty chain is invalid.
    bool isEmpty() const;
    bool isChanged() const { return m_part.isDirty(); }

private:
    std::string m_name;
    XmlPart m_part;
};

}  // namespace xlsx
