#pragma once
// Workbooks made and read by openpyxl (tests/support/xlsx_tool.py), a writer and reader
// independent of the program's own engine, in a scratch folder that goes with the object.
#include <nlohmann/json.hpp>

#include <map>
#include <string>

class XlsxTool {
public:
    XlsxTool();
    ~XlsxTool();
    XlsxTool(const XlsxTool&) = delete;
    XlsxTool& operator=(const XlsxTool&) = delete;

    // A path inside the scratch folder.
    std::string path(const std::string& name) const;
    const std::string& folder() const { return m_folder; }

    // Writes a workbook: "standard" (sheets Personen, Daten and Leer with shared and
    // inline strings, styles, formulas, a calculation chain, a merged range, a column
    // width, the spans hint on the first sheet's rows), "norefs" (standard, the second
    // sheet's rows and cells without references), "prefixed" (standard, workbook and first
    // sheet with prefixed element names), "big" (arg rows), "shared" (a shared formula), "chart"
    // (standard and a chart sheet as the fourth tab), "utf16" (standard, the first sheet stored as
    // UTF-16), and the hostile kinds "bomb" (a 300 MiB part), "liar" (the same, declared tiny),
    // "notzip", "badxml", "noworkbook", "entities" (a document type with entities).
    void make(const std::string& kind, const std::string& path, const std::string& arg = "") const;
    // What openpyxl and zipfile see in the workbook: "sheets" (title, cells, merged,
    // widths, dimension, ordered, spans), "parts" (sha256 of each part's bytes), "calc_chain",
    // "overrides", "workbook_rel_targets", "full_calc_on_load".
    nlohmann::json dump(const std::string& path) const;

    // The parts of a dump by name, with the hash of their uncompressed bytes.
    static std::map<std::string, std::string> partHashes(const nlohmann::json& dump);
    static std::string readFile(const std::string& path);

private:
    std::string run(const std::string& arguments) const;

    std::string m_folder;
};
