// The Tesseract backend on the installed language data: what is missing, and one engine per
// language set, made once and kept.
#include "platform/tesseract/tesseract_engine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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

}  // namespace
