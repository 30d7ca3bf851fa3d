#pragma once
// The OCR language settings: the items of 组合框文字 and the code each one sends.
#include <string>
#include <vector>

namespace layout {

struct Language {
    const char* item;
    const char* code;
};

const std::vector<Language>& languages();
std::vector<std::string> languageItemTexts();

}  // namespace layout
