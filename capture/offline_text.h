#pragma once
// Tidies a line as the offline engine reads it. The engine puts a space between Chinese
// characters and often reads their full-width punctuation as its ASCII look-alike; neither
// belongs in Chinese text. Latin text and Korean, which spaces its words, are left alone.
#include <string>
#include <string_view>

namespace offline {

std::string tidyLine(std::string_view line);

}  // namespace offline
