#include "platform/xlsx/xml_part.h"

namespace xlsx {

namespace {

struct StringWriter : pugi::xml_writer {
    std::string out;
    void write(const void* data, size_t size) override {
        out.append(static_cast<const char*>(data), size);
    }
};

}  // namespace

bool XmlPart::parse(const std::string& bytes) {
    m_dirty = false;
    // White space and comments are kept so a rewritten part differs only where it was
    // changed; a text of spaces alone is a value under xml:space="preserve".
    const unsigned options = pugi::parse_default | pugi::parse_declaration | pugi::parse_comments |
                             pugi::parse_pi | pugi::parse_ws_pcdata | pugi::parse_doctype;
    pugi::xml_parse_result result =
        m_doc.load_buffer(bytes.data(), bytes.size(), options, pugi::encoding_auto);
    if (!result) return false;
    for (pugi::xml_node node : m_doc.children())
        if (node.type() == pugi::node_doctype) return false;
    m_afterDeclaration.clear();
    if (m_doc.first_child().type() == pugi::node_declaration) {
        size_t end = bytes.find("?>");
        size_t next = end == std::string::npos ? end : bytes.find_first_not_of(" \t\r\n", end + 2);
        if (next != std::string::npos) m_afterDeclaration = bytes.substr(end + 2, next - end - 2);
    }
    return static_cast<bool>(root());
}

std::string XmlPart::serialize() const {
    StringWriter writer;
    m_doc.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    if (!m_afterDeclaration.empty() && m_doc.first_child().type() == pugi::node_declaration)
        writer.out.insert(writer.out.find("?>") + 2, m_afterDeclaration);
    return std::move(writer.out);
}

std::string_view XmlPart::localName(pugi::xml_node node) {
    std::string_view name = node.name();
    size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string XmlPart::prefix(pugi::xml_node node) {
    std::string_view name = node.name();
    size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string() : std::string(name.substr(0, colon + 1));
}

pugi::xml_node XmlPart::child(pugi::xml_node parent, std::string_view local) {
    for (pugi::xml_node node = parent.first_child(); node; node = node.next_sibling())
        if (node.type() == pugi::node_element && localName(node) == local) return node;
    return {};
}

pugi::xml_node XmlPart::nextSibling(pugi::xml_node node, std::string_view local) {
    for (node = node.next_sibling(); node; node = node.next_sibling())
        if (node.type() == pugi::node_element && localName(node) == local) return node;
    return {};
}

std::string XmlPart::stringItemText(pugi::xml_node item) {
    std::string text;
    for (pugi::xml_node node = item.first_child(); node; node = node.next_sibling()) {
        if (node.type() != pugi::node_element) continue;
        if (localName(node) == "t") {
            text += node.text().get();
        } else if (localName(node) == "r") {
            if (pugi::xml_node t = child(node, "t")) text += t.text().get();
        }
    }
    return text;
}

pugi::xml_attribute XmlPart::namespacedAttribute(pugi::xml_node node, std::string_view local,
                                                 std::initializer_list<std::string_view> uris) {
    for (pugi::xml_node scope = node; scope; scope = scope.parent()) {
        for (pugi::xml_attribute decl : scope.attributes()) {
            std::string_view name = decl.name();
            if (name.rfind("xmlns:", 0) != 0) continue;
            for (std::string_view uri : uris) {
                if (uri != decl.value()) continue;
                std::string wanted = std::string(name.substr(6)) + ":" + std::string(local);
                if (pugi::xml_attribute a = node.attribute(wanted.c_str())) return a;
            }
        }
    }
    return {};
}

}  // namespace xlsx
