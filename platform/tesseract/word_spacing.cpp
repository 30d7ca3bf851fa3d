#include "platform/tesseract/word_spacing.h"

#include <algorithm>

namespace tesseract_text {

namespace {

bool latin(const Symbol& s) {
    if (s.text.size() != 1) return false;
    const char c = s.text[0];
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

int median(std::vector<int> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// The gaps before each symbol of a word, from the rightmost edge so far: a ligature's
// symbols share one wide box, and the next letter is measured from its end.
std::vector<int> gapsIn(const Word& word) {
    std::vector<int> gaps(word.size(), 0);
    int right = word.empty() ? 0 : word[0].right;
    for (std::size_t i = 1; i < word.size(); ++i) {
        gaps[i] = word[i].left - right;
        right = std::max(right, word[i].right);
    }
    return gaps;
}

struct Placed {
    std::size_t at = 0, end = 0;  // byte range of the word in the line
    const Word* word = nullptr;
};

// The narrowest gap inside a word that counts as a space on this line; 0 when the line gives too
// little evidence (no space between two Latin words, or too few letters to know their gaps).
int spaceWidth(const std::string& line, const std::vector<Placed>& placed) {
    std::vector<int> wordGaps, letterGaps;
    for (std::size_t w = 0; w < placed.size(); ++w) {
        const Word& word = *placed[w].word;
        const std::vector<int> gaps = gapsIn(word);
        for (std::size_t i = 1; i < word.size(); ++i)
            if (latin(word[i - 1]) && latin(word[i])) letterGaps.push_back(gaps[i]);
        if (w + 1 == placed.size()) break;
        const Word& next = *placed[w + 1].word;
        const std::string between = line.substr(placed[w].end, placed[w + 1].at - placed[w].end);
        if (between.find(' ') != std::string::npos && latin(word.back()) && latin(next.front()))
            wordGaps.push_back(next.front().left - word.back().right);
    }
    if (wordGaps.empty() || letterGaps.size() < 4) return 0;
    const int narrowest = *std::min_element(wordGaps.begin(), wordGaps.end());
    const int letters = std::max(0, median(letterGaps));
    // A space is well wider than the usual gap between letters; a narrower "space" of the
    // engine's is no evidence. The boxes are the engine's estimate, a pixel either way, so
    // a gap of seven eighths of the narrowest space counts.
    if (narrowest < 2 * letters + 3 || narrowest * 5 < median(wordGaps) * 3) return 0;
    return std::max((narrowest * 7 + 7) / 8, letters + 3);
}

}  // namespace

std::string spacedLine(const std::string& line, const std::vector<Word>& words) {
    std::vector<Placed> placed;
    std::size_t from = 0;
    for (const Word& word : words) {
        std::string text;
        for (const Symbol& s : word) text += s.text;
        const std::size_t at = text.empty() ? std::string::npos : line.find(text, from);
        if (at == std::string::npos) continue;
        placed.push_back({at, at + text.size(), &word});
        from = at + text.size();
    }
    const int space = spaceWidth(line, placed);
    if (space == 0) return line;
    std::string out;
    from = 0;
    for (const Placed& p : placed) {
        out += line.substr(from, p.at - from);
        const Word& word = *p.word;
        const std::vector<int> gaps = gapsIn(word);
        for (std::size_t i = 0; i < word.size(); ++i) {
            if (i > 0 && latin(word[i - 1]) && latin(word[i]) && gaps[i] >= space) out += ' ';
            out += word[i].text;
        }
        from = p.end;
    }
    return out + line.substr(from);
}

}  // namespace tesseract_text
