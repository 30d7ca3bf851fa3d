#include "platform/xlsx/xml_part.h"

#include <algorithm>
#include <cctype>

namespace xlsx {

namespace {

struct StringWriter : pugi::xml_writer {
    std::string out;
    void write(const void* data, size_t size) override {
        out.append(static_cast<const char*>(data), size);
    }
};

// An ASCII text in one of the part encodings.
std::string asciiIn(std::string_view text, pugi::xml_encoding encoding) {
    if (encoding == pugi::encoding_utf8) return std::string(text);
    std::string out;
    for (char c : text) {
        if (encoding == pugi::encoding_utf16_le) out += {c, '\0'};
        if (encoding == pugi::encoding_utf16_be) out += {'\0', c};
    }
    return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

bool XmlPart::acceptEncoding(const std::string& bytes, pugi::xml_encoding detected) {
    // The declaration must agree with the bytes: a part that names another encoding was
    // read as something it is not, and writing it back would corrupt it.
    std::string_view declared;
    if (m_doc.first_child().type() == pugi::node_declaration)
        declared = m_doc.first_child().attribute("encoding").value();
    const bool utf16 = detected == pugi::encoding_utf16_le || detected == pugi::encoding_utf16_be;
    if (detected == pugi::encoding_utf8) {
        if (!declared.empty() && !equalsIgnoreCase(declared, "UTF-8")) return false;
    } else if (!utf16 || !(declared.empty() || equalsIgnoreCase(declared, "UTF-16") ||
                           equalsIgnoreCase(declared, "UTF-16LE") ||
                           equalsIgnoreCase(declared, "UTF-16BE"))) {
        return false;
    }
    m_encoding = detected;
    const std::string_view start(bytes.data(), std::min<size_t>(bytes.size(), 3));
    m_byteOrderMark = start.starts_with("\xEF\xBB\xBF") || start.starts_with("\xFF\xFE") ||
                      start.starts_with("\xFE\xFF");
    return true;
}

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
    if (!acceptEncoding(bytes, result.encoding)) return false;
    m_afterDeclaration.clear();
    if (m_doc.first_child().type() == pugi::node_declaration) {
        // The white space after the declaration, read as ASCII in the part's encoding.
        const std::string close = asciiIn("?>", m_encoding);
        const size_t unit = asciiIn(" ", m_encoding).size();
        const size_t end = bytes.find(close);
        for (size_t at = end == std::string::npos ? end : end + close.size();
             at != std::string::npos && at + unit <= bytes.size(); at += unit) {
            const std::string_view piece(bytes.data() + at, unit);
            const char* blank = nullptr;
            for (const char* c : {" ", "\t", "\r", "\n"})
                if (piece == asciiIn(c, m_encoding)) blank = c;
            if (!blank) break;
            m_afterDeclaration += blank;
        }
    }
    return static_cast<bool>(root());
}

std::string XmlPart::serialize() const {
    StringWriter writer;
    unsigned flags = pugi::format_raw | pugi::format_no_declaration;
    if (m_byteOrderMark) flags |= pugi::format_write_bom;
    m_doc.save(writer, "", flags, m_encoding);
    if (!m_afterDeclaration.empty() && m_doc.first_child().type() == pugi::node_declaration) {
        const std::string close = asciiIn("?>", m_encoding);
        writer.out.insert(writer.out.find(close) + close.size(),
                          asciiIn(m_afterDeclaration, m_encoding));
    }
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
