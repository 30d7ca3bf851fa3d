#pragma once
// One XML part of the package, parsed so that writing it back keeps everything the engine
// does not change: declaration, comments, white space and unknown elements.
#include <pugixml.hpp>

#include <initializer_list>
#include <string>
#include <string_view>

namespace xlsx {

class XmlPart {
public:
    // Parses the bytes; false when they are not well-formed XML, carry a document type
    // declaration (no part of a workbook has one, and entities are a classic attack), or
    // are stored in an encoding other than UTF-8 or UTF-16: a part is written back in the
    // encoding it was read in, and only these can hold every text.
    bool parse(const std::string& bytes);
    // The part in the encoding it was read in, with its byte order mark if it had one.
    std::string serialize() const;

    pugi::xml_node root() const { return m_doc.document_element(); }
    bool isDirty() const { return m_dirty; }
    void setDirty() { m_dirty = true; }
    void clearDirty() { m_dirty = false; }

    // The element name without its namespace prefix.
    static std::string_view localName(pugi::xml_node node);
    // The prefix of the element's name including the colon ("x:"), or "".
    static std::string prefix(pugi::xml_node node);
    // The first child element with the local name.
    static pugi::xml_node child(pugi::xml_node parent, std::string_view local);
    static pugi::xml_node nextSibling(pugi::xml_node node, std::string_view local);
    // The stored text of a string item (a shared string or an inline string): its t
    // element, or the t elements of its runs; phonetic hints are left out.
    static std::string stringItemText(pugi::xml_node item);
    // The attribute named prefix:local, where the prefix is one that the node or an
    // ancestor declares for one of the namespace URIs (relationship ids: r:id).
    static pugi::xml_attribute namespacedAttribute(pugi::xml_node node, std::string_view local,
                                                   std::initializer_list<std::string_view> uris);

private:
    bool acceptEncoding(const std::string& bytes, pugi::xml_encoding detected);

    pugi::xml_document m_doc;
    pugi::xml_encoding m_encoding = pugi::encoding_utf8;
    bool m_byteOrderMark = false;
    // The line break that writers put after the declaration, which the parser drops.
    std::string m_afterDeclaration;
    bool m_dirty = false;
};

}  // namespace xlsx
