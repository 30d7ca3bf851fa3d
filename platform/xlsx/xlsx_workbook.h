#pragma once
// A workbook of the .xlsx engine: the package held in memory, its sheets parsed, and on
// save the package written again with only the changed parts replaced.
#include "platform/spreadsheet.h"
#include "platform/xlsx/calc_chain.h"
#include "platform/xlsx/xlsx_sheet.h"
#include "platform/xlsx/xml_part.h"
#include "platform/xlsx/zip_package.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace xlsx {

class XlsxWorkbook : public spreadsheet::Workbook {
public:
    bool load(const std::string& path) override;
    int sheetCount() const override { return static_cast<int>(m_sheets.size()); }
    spreadsheet::Sheet* sheet(int index) override;
    bool save(const std::string& path) override;

private:
    struct Relationship {
        std::string type;
        std::string target;  // the part's name in the package, as stored
    };

    void reset();
    bool readXml(const std::string& name, XmlPart& part);
    bool loadMainPart();
    bool loadRelationships();
    bool loadSheets();
    bool loadSharedStrings(const std::string& name);
    // The first relationship of the workbook whose type ends in "/" + kind.
    const Relationship* relationshipOfType(const std::string& kind) const;
    void collectChanges(std::map<std::string, std::string>& replaced,
                        std::set<std::string>& removed);
    void dropCalcChain();
    void requestRecalculation();

    // The part a relationship target names, relative to the folder of the part that holds
    // the relationship ("xl/") or absolute ("/xl/...").
    static std::string resolve(const std::string& folder, const std::string& target);
    static std::string folderOf(const std::string& part);
    static std::string relationshipsOf(const std::string& part);

    ZipPackage m_package;
    bool m_loaded = false;
    XmlPart m_contentTypes;
    std::string m_workbookName;
    XmlPart m_workbook;
    std::string m_workbookRelsName;
    XmlPart m_workbookRels;
    std::map<std::string, Relationship> m_relationships;
    std::vector<std::string> m_strings;
    CalcChain m_chain;
    std::vector<std::unique_ptr<XlsxSheet>> m_sheets;
};

}  // namespace xlsx
