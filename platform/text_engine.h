#pragma once
// The offline text engine (backend: platform/tesseract). It reads text from a grey image on
// the user's own machine. Languages are the engine's data names ("eng", "chi_sim"); a set of
// them is loaded once, on its first use, and kept for the life of the process.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// 8-bit grey levels, dark text on a light background, top row first, width bytes a row.
struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    bool empty() const { return width <= 0 || height <= 0; }
};

class TextEngine {
public:
    virtual ~TextEngine() = default;

    // The languages of the list whose data is not installed, in the list's order.
    virtual std::vector<std::string> missingLanguages(
        const std::vector<std::string>& languages) = 0;

    // The image's text lines in reading order (UTF-8, without line breaks), read with the
    // languages together. False when the engine cannot be made for them. Safe to call from
    // several threads; calls for the same languages take turns.
    virtual bool recognize(const GreyImage& image, const std::vector<std::string>& languages,
                           std::vector<std::string>& lines) = 0;
};

}  // namespace platform
