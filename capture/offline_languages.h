#pragma once
// Which of the offline engine's languages each item of 组合框文字 reads with, and the Debian
// package that installs a language's data.
#include <string>
#include <vector>

namespace offline {

// The engine's data names for the item at that index of 组合框文字; an index outside the
// list (a damaged settings file) reads as automatic detection.
std::vector<std::string> languagesForItem(int index);

// "tesseract-ocr-" and the data name with "_" written as "-" ("chi_sim": tesseract-ocr-chi-sim).
std::string packageFor(const std::string& language);

}  // namespace offline
