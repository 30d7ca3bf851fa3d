#include "platform/xlsx/xlsx_workbook.h"

#include "platform/files.h"
#include "platform/xlsx/cell_text.h"

#include <strings.h>

#include <vector>

namespace xlsx {

namespace {

const std::initializer_list<std::string_view> kRelationshipNamespaces = {
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships",
    "http://purl.oclc.org/ooxml/officeDocument/relationships"};

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool samePart(const std::string& a, const std::string& b) {
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

}  // namespace

std::string XlsxWorkbook::folderOf(const std::string& part) {
    size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

std::string XlsxWorkbook::relationshipsOf(const std::string& part) {
    size_t slash = part.rfind('/');
    std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
    return folderOf(part) + "_rels/" + file + ".rels";
}

std::string XlsxWorkbook::resolve(const std::string& folder, const std::string& target) {
    std::string path = !target.empty() && target[0] == '/' ? target.substr(1) : folder + target;
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string segment = path.substr(start, end - start);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string joined;
    for (const std::string& segment : segments) joined += (joined.empty() ? "" : "/") + segment;
    return joined;
}

void XlsxWorkbook::reset() {
    m_loaded = false;
    m_sheets.clear();
    m_package.close();
    m_contentTypes = XmlPart();
    m_workbook = XmlPart();
    m_workbookRels = XmlPart();
    m_workbookName.clear();
    m_workbookRelsName.clear();
    m_relationships.clear();
    m_strings.clear();
    m_chain.clear();
}

bool XlsxWorkbook::readXml(const std::string& name, XmlPart& part) {
    std::string bytes;
    return m_package.read(name, bytes) && part.parse(bytes);
}

bool XlsxWorkbook::load(const std::string& path) {
    reset();
    if (!m_package.open(path) || !readXml("[Content_Types].xml", m_contentTypes) ||
        XmlPart::localName(m_contentTypes.root()) != "Types" || !loadMainPart() ||
        !loadRelationships() || !loadSheets()) {
        reset();
        return false;
    }
    m_loaded = true;
    return true;
}

bool XlsxWorkbook::loadMainPart() {
    // The package's own relationships name the workbook part; a package without them is
    // taken to have it at the usual place.
    std::string main = "xl/workbook.xml";
    if (!m_package.find("_rels/.rels").empty()) {
        XmlPart rels;
        if (!readXml("_rels/.rels", rels)) return false;
        for (pugi::xml_node rel = XmlPart::child(rels.root(), "Relationship"); rel;
             rel = XmlPart::nextSibling(rel, "Relationship")) {
            if (endsWith(rel.attribute("Type").value(), "/officeDocument")) {
                main = resolve("", rel.attribute("Target").value());
                break;
            }
        }
    }
    m_workbookName = m_package.find(main);
    return !m_workbookName.empty() && readXml(m_workbookName, m_workbook) &&
           XmlPart::localName(m_workbook.root()) == "workbook";
}

bool XlsxWorkbook::loadRelationships() {
    m_workbookRelsName = m_package.find(relationshipsOf(m_workbookName));
    if (m_workbookRelsName.empty() || !readXml(m_workbookRelsName, m_workbookRels)) return false;
    std::string folder = folderOf(m_workbookName);
    for (pugi::xml_node rel = XmlPart::child(m_workbookRels.root(), "Relationship"); rel;
         rel = XmlPart::nextSibling(rel, "Relationship")) {
        if (std::string_view(rel.attribute("TargetMode").value()) == "External") continue;
        std::string target = m_package.find(resolve(folder, rel.attribute("Target").value()));
        m_relationships[rel.attribute("Id").value()] = {rel.attribute("Type").value(), target};
    }
    if (const Relationship* strings = relationshipOfType("sharedStrings");
        strings && !loadSharedStrings(strings->target))
        return false;
    // The engine keeps each cell's style index as it is; the styles part must still be
    // sound, or the file is not a workbook any reader would open.
    XmlPart styles;
    if (const Relationship* rel = relationshipOfType("styles");
        rel && !readXml(rel->target, styles))
        return false;
    if (const Relationship* rel = relationshipOfType("calcChain"); rel && !rel->target.empty()) {
        XmlPart chain;
        if (!readXml(rel->target, chain)) return false;
        m_chain.assign(rel->target, std::move(chain));
    }
    return true;
}

bool XlsxWorkbook::loadSharedStrings(const std::string& name) {
    XmlPart part;
    if (name.empty() || !readXml(name, part)) return false;
    for (pugi::xml_node si = XmlPart::child(part.root(), "si"); si;
         si = XmlPart::nextSibling(si, "si"))
        m_strings.push_back(CellText::decode(XmlPart::stringItemText(si)));
    return true;
}

const XlsxWorkbook::Relationship* XlsxWorkbook::relationshipOfType(const std::string& kind) const {
    for (const auto& [id, rel] : m_relationships)
        if (endsWith(rel.type, "/" + kind)) return &rel;
    return nullptr;
}

bool XlsxWorkbook::loadSheets() {
    pugi::xml_node root = m_workbook.root();
    pugi::xml_node sheets = XmlPart::child(root, "sheets");
    for (pugi::xml_node node = XmlPart::child(sheets, "sheet"); node;
         node = XmlPart::nextSibling(node, "sheet")) {
        pugi::xml_attribute id = XmlPart::namespacedAttribute(node, "id", kRelationshipNamespaces);
        auto rel = m_relationships.find(id.value());
        if (rel == m_relationships.end() || rel->second.target.empty()) return false;
        XlsxSheet::Kind kind = endsWith(rel->second.type, "/worksheet") ? XlsxSheet::Kind::Worksheet
                                                                        : XlsxSheet::Kind::Other;
        XmlPart part;
        if (kind == XlsxSheet::Kind::Worksheet &&
            (!readXml(rel->second.target, part) || XmlPart::localName(part.root()) != "worksheet" ||
             !XmlPart::child(part.root(), "sheetData")))
            return false;
        m_sheets.push_back(std::make_unique<XlsxSheet>(
            node.attribute("name").value(), node.attribute("sheetId").as_int(), kind,
            rel->second.target, std::move(part), &m_strings, &m_chain));
    }
    return !m_sheets.empty();
}

spreadsheet::Sheet* XlsxWorkbook::sheet(int index) {
    if (index < 0 || index >= sheetCount()) return nullptr;
    return m_sheets[static_cast<size_t>(index)].get();
}

void XlsxWorkbook::dropCalcChain() {
    // An empty chain is not allowed; the part goes with its relationship and its content
    // type, and the application builds a new chain when it next calculates.
    const std::string& name = m_chain.name();
    std::string folder = folderOf(m_workbookName);
    std::vector<pugi::xml_node> doomed;
    for (pugi::xml_node rel = XmlPart::child(m_workbookRels.root(), "Relationship"); rel;
         rel = XmlPart::nextSibling(rel, "Relationship"))
        if (samePart(resolve(folder, rel.attribute("Target").value()), name)) doomed.push_back(rel);
    for (pugi::xml_node node = XmlPart::child(m_contentTypes.root(), "Override"); node;
         node = XmlPart::nextSibling(node, "Override"))
        if (samePart(node.attribute("PartName").value(), "/" + name)) doomed.push_back(node);
    for (pugi::xml_node node : doomed) {
        node.parent().remove_child(node);
        m_workbookRels.setDirty();
        m_contentTypes.setDirty();
    }
}

void XlsxWorkbook::requestRecalculation() {
    // Formulas that depend on a written cell still hold their old results; ask the
    // application to compute everything when it opens the file.
    pugi::xml_node root = m_workbook.root();
    pugi::xml_node calcPr = XmlPart::child(root, "calcPr");
    if (!calcPr) {
        pugi::xml_node after;
        for (const char* name : {"sheets", "functionGroups", "externalReferences", "definedNames"})
            if (pugi::xml_node node = XmlPart::child(root, name)) after = node;
        std::string name = XmlPart::prefix(root) + "calcPr";
        calcPr =
            after ? root.insert_child_after(name.c_str(), after) : root.append_child(name.c_str());
    }
    if (calcPr.attribute("fullCalcOnLoad").as_bool()) return;
    if (!calcPr.attribute("fullCalcOnLoad")) calcPr.append_attribute("fullCalcOnLoad");
    calcPr.attribute("fullCalcOnLoad").set_value("1");
    m_workbook.setDirty();
}

void XlsxWorkbook::collectChanges(std::map<std::string, std::string>& replaced,
                                  std::set<std::string>& removed) {
    bool written = false, formulas = false;
    for (const auto& sheet : m_sheets) {
        if (sheet->part().isDirty()) {
            written = true;
            replaced[sheet->partName()] = sheet->part().serialize();
        }
    }
    if (!written) return;
    for (const auto& sheet : m_sheets) formulas = formulas || sheet->hasFormulas();
    if (formulas) requestRecalculation();
    if (m_chain.isEmpty()) {
        removed.insert(m_chain.name());
        dropCalcChain();
    } else if (m_chain.isChanged()) {
        replaced[m_chain.name()] = m_chain.part().serialize();
    }
    if (m_workbook.isDirty()) replaced[m_workbookName] = m_workbook.serialize();
    if (m_workbookRels.isDirty()) replaced[m_workbookRelsName] = m_workbookRels.serialize();
    if (m_contentTypes.isDirty())
        replaced[m_package.find("[Content_Types].xml")] = m_contentTypes.serialize();
}

bool XlsxWorkbook::save(const std::string& path) {
    if (!m_loaded) return false;
    std::map<std::string, std::string> replaced;
    std::set<std::string> removed;
    collectChanges(replaced, removed);
    std::string archive;
    if (!m_package.rebuild(replaced, removed, archive) || !files::replaceFile(path, archive))
        return false;
    // What was saved is the new starting point: later saves replace only later changes.
    if (!m_package.reopen(std::move(archive))) return false;
    for (const auto& sheet : m_sheets) sheet->part().clearDirty();
    for (XmlPart* part : {&m_workbook, &m_workbookRels, &m_contentTypes, &m_chain.part()})
        part->clearDirty();
    if (m_chain.isEmpty()) m_chain.clear();
    return true;
}

}  // namespace xlsx

namespace spreadsheet {

std::unique_ptr<Workbook> createXlsxWorkbook() {
    return std::make_unique<xlsx::XlsxWorkbook>();
}

}  // namespace spreadsheet
