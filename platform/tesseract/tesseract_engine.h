#pragma once
// The offline text engine over Tesseract. One engine per language set, made on its first
// use and kept: loading the data takes about a second, a recognition a fraction of that.
// A Tesseract engine is not safe for two threads at once, so each has its own lock.
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/text_engine.h"

namespace tesseract {
class TessBaseAPI;
}

class TesseractEngine : public platform::TextEngine {
public:
    // dataFolder holds the "<language>.traineddata" files; empty means $TESSDATA_PREFIX when
    // set, otherwise the folder the Debian packages install into.
    explicit TesseractEngine(std::string dataFolder = std::string());
    ~TesseractEngine() override;
    TesseractEngine(const TesseractEngine&) = delete;
    TesseractEngine& operator=(const TesseractEngine&) = delete;

    const std::string& dataFolder() const { return m_dataFolder; }

    std::vector<std::string> missingLanguages(const std::vector<std::string>& languages) override;
    bool recognize(const platform::GreyImage& image, const std::vector<std::string>& languages,
                   std::vector<std::string>& lines) override;

private:
    struct Slot;
    struct Line;
    Slot& slotFor(const std::string& key);
    // The image's lines read by the engine of that language set ("chi_sim+eng"), made on
    // first use; false when it cannot be made.
    bool readLines(const platform::GreyImage& image, const std::string& key,
                   std::vector<Line>& lines);

    std::string m_dataFolder;
    std::mutex m_slotsMutex;
    std::map<std::string, std::unique_ptr<Slot>> m_slots;
};
