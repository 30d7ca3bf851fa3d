// The offline kind's logic: languages per item, the picture the engine gets, the tidied lines.
#include <gtest/gtest.h>

#include "app/language_codes.h"
#include "capture/offline_languages.h"
#include "capture/offline_text.h"
#include "capture/screen_text_image.h"

namespace {

using Names = std::vector<std::string>;

TEST(OfflineLanguages, EveryItemOfTheLanguageListHasItsData) {
    const char* expected[] = {"chi_sim+eng", "chi_sim+eng", "eng", "jpn", "kor", "fra", "spa",
                              "por",         "deu",         "ita", "rus", "dan", "nld", "msa",
                              "swe",         "ind",         "pol", "ron", "tur", "ell", "hun"};
    ASSERT_EQ(layout::languages().size(), std::size(expected));
    for (int i = 0; i < 21; ++i) {
        std::string joined;
        for (const std::string& l : offline::languagesForItem(i))
            joined += (joined.empty() ? "" : "+") + l;
        EXPECT_EQ(joined, expected[i]) << layout::languages()[i].item;
    }
    EXPECT_EQ(offline::languagesForItem(-1), (Names{"chi_sim", "eng"}));
    EXPECT_EQ(offline::languagesForItem(21), (Names{"chi_sim", "eng"}));
    EXPECT_EQ(offline::packageFor("chi_sim"), "tesseract-ocr-chi-sim");
    EXPECT_EQ(offline::packageFor("jpn"), "tesseract-ocr-jpn");
}

TEST(OfflineText, ChineseLosesTheEnginesSpacesAndGetsFullWidthPunctuation) {
    struct Case {
        const char* in;
        const char* out;
    };
    for (const Case& c :
         {Case{"你 好 世 界", "你好世界"}, Case{"状态: 识别完毕", "状态：识别完毕"},
          Case{"你好,世界!", "你好，世界！"}, Case{"名称(中文)", "名称（中文）"},
          Case{"版本 3.9 发布", "版本 3.9 发布"},
          Case{"Hello, world: (a) 3.5!", "Hello, world: (a) 3.5!"},
          Case{"Linux 系统", "Linux 系统"}, Case{"안녕 하세요", "안녕 하세요"},
          Case{"こんにちは 世界", "こんにちは世界"},
          Case{"快捷键Ctrl+Alt+A: 截图识别", "快捷键Ctrl+Alt+A：截图识别"},
          Case{"文件〈导出1) 已经写入", "文件（导出1）已经写入"},
          Case{"书名〈论语〉", "书名〈论语〉"}, Case{"状态 : 识别完毕 !", "状态：识别完毕！"},
          Case{"文件《导出1) 已经", "文件（导出1）已经"},
          Case{"快捷键Ctrl+Alt+A : 截图", "快捷键Ctrl+Alt+A：截图"},
          Case{"完毕。 Linux 系统", "完毕。Linux 系统"}, Case{"ＡＢ Linux", "ＡＢ Linux"}})
        EXPECT_EQ(offline::tidyLine(c.in), c.out) << c.in;
}

platform::ScreenImage page(std::uint32_t background, std::uint32_t ink, int textHeight) {
    platform::ScreenImage image;
    image.width = 40;
    image.height = 40;
    image.pixels.assign(40 * 40, background);
    for (int y = 5; y < 5 + textHeight; ++y)
        for (int x = 5; x < 30; x += 4)
            image.pixels[y * 40 + x] = image.pixels[y * 40 + x + 1] = ink;
    return image;
}

TEST(ScreenTextImage, DarkTextOnLightScaledUpWithAMargin) {
    struct Case {
        const char* name;
        std::uint32_t background, ink;
        int textHeight, scale;
    };
    for (const Case& c : {Case{"light theme, 12 px", 0xffffffff, 0xff000000, 12, 3},
                          Case{"dark theme, 12 px", 0xff202020, 0xffe0e0e0, 12, 3},
                          Case{"coloured, 18 px", 0xff3060c0, 0xffffff00, 18, 2},
                          Case{"scale 2 screen, 24 px", 0xffffffff, 0xff000000, 24, 2},
                          Case{"large, 30 px", 0xffffffff, 0xff000000, 30, 1}}) {
        const platform::GreyImage g =
            offline::prepareScreenText(page(c.background, c.ink, c.textHeight));
        const int margin = 6 * c.scale;
        ASSERT_EQ(g.width, 40 * c.scale + 2 * margin) << c.name;
        ASSERT_EQ(g.height, 40 * c.scale + 2 * margin) << c.name;
        auto at = [&](int x, int y) { return int(g.pixels[y * g.width + x]); };
        EXPECT_EQ(at(0, 0), 255) << c.name;
        EXPECT_EQ(at(margin + 1, margin + 1), 255) << c.name << ": background made white";
        EXPECT_LT(at(margin + 6 * c.scale, margin + 8 * c.scale), 64)
            << c.name << ": ink made black";
    }
    EXPECT_TRUE(offline::prepareScreenText(platform::ScreenImage{}).empty());
}

}  // namespace
