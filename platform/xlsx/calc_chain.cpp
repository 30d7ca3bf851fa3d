#include "platform/xlsx/calc_chain.h"

#include <vector>

namespace xlsx {

void CalcChain::assign(const std::string& name, XmlPart part) {
    m_name = name;
    m_part = std::move(part);
}

void CalcChain::clear() {
    m_name.clear();
    m_part = XmlPart();
}

void CalcChain::remove(int sheetId, const std::string& cell) {
    if (!isPresent()) return;
    // An entry without i belongs to the sheet of the entry before it; l="1" opens a new
    // dependency level. Both move on to the next entry when their own goes.
    int currentSheet = 0;
    std::vector<pugi::xml_node> doomed;
    for (pugi::xml_node c = XmlPart::child(m_part.root(), "c"); c;
         c = XmlPart::nextSibling(c, "c")) {
        if (pugi::xml_attribute i = c.attribute("i")) currentSheet = i.as_int();
        if (currentSheet == sheetId && cell == c.attribute("r").value()) doomed.push_back(c);
    }
    for (pugi::xml_node c : doomed) {
        pugi::xml_node next = XmlPart::nextSibling(c, "c");
        if (next) {
            // The next entry inherits what this one stated for it.
            if (c.attribute("i") && !next.attribute("i"))
                next.append_attribute("i").set_value(c.attribute("i").value());
            if (c.attribute("l").as_bool() && !next.attribute("l"))
                next.append_attribute("l").set_value("1");
        }
        m_part.root().remove_child(c);
        m_part.setDirty();
    }
}

bool CalcChain::isEmpty() const {
    return isPresent() && !XmlPart::child(m_part.root(), "c");
}

}  // namespace xlsx
