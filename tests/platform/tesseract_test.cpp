// The Tesseract backend on the installed language data: what is missing, and one engine per
// language set, made once and kept.
#include "platform/tesseract/tesseract_engine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/tesseract/word_spacing.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

const std::string kInstalled = "/usr/share/tesseract-ocr/5/tessdata";

platform::GreyImage blankPage() {
    platform::GreyImage image;
    image.width = 64;
    image.height = 32;
    image.pixels.assign(64 * 32, 255);
    return image;
}

TEST(TesseractEngine, ReportsMissingDataAndKeepsEachEngineItMade) {
    ASSERT_TRUE(fs::exists(kInstalled + "/eng.traineddata"))
        << "tesseract-ocr-eng is not installed";
    TempDir dir;
    fs::copy_file(kInstalled + "/eng.traineddata", dir.file("eng.traineddata"));
    TesseractEngine engine(dir.path());
    EXPECT_EQ(engine.missingLanguages({"chi_sim", "eng", "../eng", "jpn"}),
              (std::vector<std::string>{"chi_sim", "../eng", "jpn"}));
    std::vector<std::string> lines{"stale"};
    EXPECT_FALSE(engine.recognize(blankPage(), {"chi_sim", "eng"}, lines));
    EXPECT_TRUE(lines.empty());
    ASSERT_TRUE(engine.recognize(blankPage(), {"eng"}, lines));
    EXPECT_TRUE(lines.empty());
    // Data that can no longer be loaded does not matter to the engine already made from it.
    std::ofstream(dir.file("eng.traineddata"), std::ios::trunc) << "broken";
    EXPECT_TRUE(engine.recognize(blankPage(), {"eng"}, lines));
    TesseractEngine fresh(dir.path());
    EXPECT_FALSE(fresh.recognize(blankPage(), {"eng"}, lines));
}

// A binary PGM ("P5", 8 bits), as the tests' pictures are kept.
platform::GreyImage readPgm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxValue = 0;
    platform::GreyImage image;
    in >> magic >> image.width >> image.height >> maxValue;
    in.get();
    image.pixels.resize(std::size_t(image.width) * image.height);
    in.read(reinterpret_cast<char*>(image.pixels.data()), std::streamsize(image.pixels.size()));
    if (magic != "P5" || maxValue != 255 || !in) return {};
    return image;
}

TEST(TesseractEngine, AChineseLineIsNotTakenForLatinLetters) {
    // A prepared 12 px dark-theme capture: the engine alone reads its first line as
    // "HERS = BST MEA", trying the Latin model first after the block's English words.
    const platform::GreyImage image =
        readPgm(OZMIRA_SOURCE_DIR "/tests/platform/data/chinese_line_then_english.pgm");
    ASSERT_FALSE(image.empty());
    TesseractEngine engine;
    std::vector<std::string> lines;
    ASSERT_TRUE(engine.recognize(image, {"chi_sim", "eng"}, lines));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(0, 12), "识别结果") << lines[0];
    EXPECT_EQ(lines[1], "Press Ctrl+Shift+F to capture a region");
}

// A word written as its ASCII letters at given left edges, each letter 10 px wide.
tesseract_text::Word word(const std::string& letters, std::vector<int> lefts) {
    tesseract_text::Word w;
    for (std::size_t i = 0; i < letters.size(); ++i)
        w.push_back({letters.substr(i, 1), lefts[i], lefts[i] + 10});
    return w;
}

TEST(WordSpacing, SplitsRunTogetherWordsOnlyWhereTheLineShowsHowWideASpaceIs) {
    using tesseract_text::spacedLine;
    // "Copy|the" has an 8 px gap inside the word; the line's spaces are 9 and 12 px.
    const auto copythe = word("Copythe", {0, 11, 22, 33, 51, 62, 73});
    const auto result = word("result", {92, 103, 114, 125, 136, 147});
    const auto to = word("to", {169, 180});
    EXPECT_EQ(spacedLine("Copythe result to\n", {copythe, result, to}), "Copy the result to\n");
    // Words the engine wrote without a space between them are no evidence of a space.
    EXPECT_EQ(spacedLine("Copytheresult to", {copythe, result, to}), "Copytheresult to");
    const tesseract_text::Word version{{"版", 0, 18}, {"本", 20, 38}};
    EXPECT_EQ(spacedLine("版本 Copythe", {version, copythe}), "版本 Copythe");
    // Spaces as narrow as the gaps between letters are no evidence either.
    EXPECT_EQ(
        spacedLine("Copythe a", {word("Copythe", {0, 11, 22, 33, 46, 57, 68}), word("a", {80})}),
        "Copythe a");
    // A gap well short of the line's spaces stays inside the word.
    EXPECT_EQ(spacedLine("Copythe result to", {word("Copythe", {0, 11, 22, 33, 49, 60, 71}),
                                               word("result", {90, 101, 112, 123, 134, 145}), to}),
              "Copythe result to");
    // A wide gap beside a non-letter is left alone; a ligature's shared box ("ffl" drawn as
    // one glyph) does not open a gap.
    EXPECT_EQ(spacedLine("Ctrl+A result to", {word("Ctrl+A", {0, 11, 22, 33, 52, 63}), result, to}),
              "Ctrl+A result to");
    tesseract_text::Word offline = word("Offline", {0, 11, 0, 27, 38, 49, 60});
    offline[1].right = 36;
    EXPECT_EQ(spacedLine("Offline result to", {offline, result, to}), "Offline result to");
}

}  // namespace
