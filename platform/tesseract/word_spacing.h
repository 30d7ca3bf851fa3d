#pragma once
// The engine reads screen text set in CJK fonts, whose Latin space is narrow, with words run
// together ("Copythe result"). The symbols' boxes hold the evidence: a gap inside a word as
// wide as the gaps the engine itself took for spaces on the same line is a space.
#include <string>
#include <vector>

namespace tesseract_text {

struct Symbol {
    std::string text;  // UTF-8, one character as the engine read it
    int left = 0;      // box edges in image pixels
    int right = 0;
};

using Word = std::vector<Symbol>;

// The engine's line text (its words, each the concatenation of its symbols, in order) with a
// space added inside a word between two Latin letters or digits where the gap is nearly as
// wide as the narrowest space between two Latin words of the line and well wider than the
// gaps between its letters. A line without such evidence comes back as it came.
std::string spacedLine(const std::string& line, const std::vector<Word>& words);

}  // namespace tesseract_text
