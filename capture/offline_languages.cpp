#include "capture/offline_languages.h"

#include <algorithm>
#include <array>

namespace offline {

namespace {

// In the order of 组合框文字. Automatic detection reads the two scripts a user of this
// program meets most, as the mixed item does.
const std::array<const char*, 21> kLanguages{
    "chi_sim+eng", "chi_sim+eng", "eng", "jpn", "kor", "fra", "spa", "por", "deu", "ita", "rus",
    "dan",         "nld",         "msa", "swe", "ind", "pol", "ron", "tur", "ell", "hun",
};

}  // namespace

std::vector<std::string> languagesForItem(int index) {
    if (index < 0 || index >= static_cast<int>(kLanguages.size())) index = 0;
    std::vector<std::string> languages;
    std::string all = kLanguages[index];
    for (std::size_t start = 0; start <= all.size();) {
        const std::size_t plus = std::min(all.find('+', start), all.size());
        languages.push_back(all.substr(start, plus - start));
        start = plus + 1;
    }
    return languages;
}

std::string packageFor(const std::string& language) {
    std::string package = "tesseract-ocr-" + language;
    for (char& c : package)
        if (c == '_') c = '-';
    return package;
}

}  // namespace offline
