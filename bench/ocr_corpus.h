#pragma once
// Screen text of known content for the offline engine, rendered here with Qt: Chinese,
// English and mixed lines in sans and serif faces of fonts-noto-cjk and DejaVu, 11 to 18 px,
// light and dark themes, at scale 1 and 2 (a HiDPI screen draws the same text twice as
// large). Grey anti-aliasing, as Qt paints into an image.
#include <string>
#include <vector>

#include "platform/screen.h"

struct CorpusRegion {
    std::string description;  // "Noto Sans CJK SC 14 px, dark, scale 2"
    int pixels = 0;           // text size in screen pixels at scale 1
    bool dark = false;
    int scale = 1;
    std::vector<std::string> kinds;  // per line: "Chinese", "English", "mixed"
    std::vector<std::string> truth;  // the lines, UTF-8
    platform::ScreenImage image;
};

class OcrCorpus {
public:
    // Needs a QGuiApplication (made by the caller).
    // Every face, size, theme and scale once, each region holding one Chinese, one English
    // and one mixed line, taken in turn from the lists.
    static std::vector<CorpusRegion> regions();
    // One line in a region of width × height screen pixels, as the coordinate box's
    // default rectangle (900 × 100) would capture it.
    static CorpusRegion single(const std::string& line, int pixels, int width, int height);

    static const std::vector<std::string>& chinese();
    static const std::vector<std::string>& english();
    static const std::vector<std::string>& mixed();

    // The lines in that face, size (screen pixels at scale 1) and theme; a width or height
    // of 0 fits the text.
    static CorpusRegion render(const std::string& family, int pixels, bool dark, int scale,
                               std::vector<std::string> lines, int width = 0, int height = 0);
};
