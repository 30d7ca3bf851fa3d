#include "platform/tesseract/tesseract_engine.h"

#include <omp.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/tesseract/word_spacing.h"

namespace {

constexpr const char* kDebianDataFolder = "/usr/share/tesseract-ocr/5/tessdata";

// A data name becomes a file name: only the engine's own spelling ("chi_sim") is accepted.
bool plainName(const std::string& name) {
    if (name.empty()) return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || c == '_')) return false;
    return true;
}

std::string joined(const std::vector<std::string>& languages) {
    std::string key;
    for (const std::string& l : languages) key += (key.empty() ? "" : "+") + l;
    return key;
}

// With several languages loaded, a line of plain Latin letters read with a confidence below
// this may be the first language's script taken for Latin ("HERS = BST" for a Chinese line):
// after Latin words the engine tries the Latin model first and keeps a plausible reading.
constexpr float kDoubtfulConfidence = 60;

bool plainAscii(const std::string& text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// The line's words with their symbols and boxes, so run-together words can be spaced.
std::vector<tesseract_text::Word> wordsOf(const tesseract::ResultIterator& line) {
    std::vector<tesseract_text::Word> words;
    tesseract::ResultIterator it(line);
    do {
        if (it.IsAtBeginningOf(tesseract::RIL_WORD) || words.empty()) words.emplace_back();
        std::unique_ptr<char[]> symbol(it.GetUTF8Text(tesseract::RIL_SYMBOL));
        int left = 0, top = 0, right = 0, bottom = 0;
        if (symbol && symbol[0] &&
            it.BoundingBox(tesseract::RIL_SYMBOL, &left, &top, &right, &bottom))
            words.back().push_back({symbol.get(), left, right});
    } while (it.Next(tesseract::RIL_SYMBOL) && !it.IsAtBeginningOf(tesseract::RIL_TEXTLINE));
    return words;
}

platform::GreyImage cropped(const platform::GreyImage& image, int left, int top, int right,
                            int bottom) {
    const int pad = std::max(4, (bottom - top) / 2);
    left = std::max(0, left - pad);
    top = std::max(0, top - pad);
    right = std::min(image.width, right + pad);
    bottom = std::min(image.height, bottom + pad);
    platform::GreyImage out;
    if (right <= left || bottom <= top) return out;
    out.width = right - left;
    out.height = bottom - top;
    out.pixels.reserve(std::size_t(out.width) * out.height);
    for (int y = top; y < bottom; ++y) {
        const auto row = image.pixels.begin() + std::size_t(y) * image.width;
        out.pixels.insert(out.pixels.end(), row + left, row + right);
    }
    return out;
}

}  // namespace

struct TesseractEngine::Slot {
    std::mutex mutex;
    std::unique_ptr<tesseract::TessBaseAPI> api;
    bool failed = false;
};

TesseractEngine::TesseractEngine(std::string dataFolder) : m_dataFolder(std::move(dataFolder)) {
    if (m_dataFolder.empty()) {
        const char* prefix = std::getenv("TESSDATA_PREFIX");
        m_dataFolder = prefix && *prefix ? prefix : kDebianDataFolder;
    }
}

TesseractEngine::~TesseractEngine() {
    for (auto& [key, slot] : m_slots)
        if (slot->api) slot->api->End();
}

std::vector<std::string> TesseractEngine::missingLanguages(
    const std::vector<std::string>& languages) {
    std::vector<std::string> missing;
    for (const std::string& l : languages) {
        std::error_code ec;
        if (!plainName(l) ||
            !std::filesystem::is_regular_file(m_dataFolder + "/" + l + ".traineddata", ec))
            missing.push_back(l);
    }
    return missing;
}

TesseractEngine::Slot& TesseractEngine::slotFor(const std::string& key) {
    std::lock_guard<std::mutex> lock(m_slotsMutex);
    std::unique_ptr<Slot>& slot = m_slots[key];
    if (!slot) slot = std::make_unique<Slot>();
    return *slot;
}

struct TesseractEngine::Line {
    std::string text;
    int left = 0, top = 0, right = 0, bottom = 0;
    float confidence = 0;
};

bool TesseractEngine::recognize(const platform::GreyImage& image,
                                const std::vector<std::string>& languages,
                                std::vector<std::string>& lines) {
    lines.clear();
    if (languages.empty() || !missingLanguages(languages).empty()) return false;
    if (image.empty() || image.pixels.size() < std::size_t(image.width) * image.height) return true;
    std::vector<Line> read;
    if (!readLines(image, joined(languages), read)) return false;
    for (Line& line : read) {
        if (languages.size() > 1 && line.confidence < kDoubtfulConfidence &&
            plainAscii(line.text)) {
            // Read again with the first language alone; the surer reading wins.
            std::vector<Line> again;
            const platform::GreyImage part =
                cropped(image, line.left, line.top, line.right, line.bottom);
            if (!part.empty() && readLines(part, languages.front(), again) && again.size() == 1 &&
                again[0].confidence > line.confidence)
                line.text = again[0].text;
        }
        lines.push_back(std::move(line.text));
    }
    return true;
}

bool TesseractEngine::readLines(const platform::GreyImage& image, const std::string& key,
                                std::vector<Line>& lines) {
    Slot& slot = slotFor(key);
    std::lock_guard<std::mutex> lock(slot.mutex);
    if (slot.failed) return false;
    if (!slot.api) {
        auto api = std::make_unique<tesseract::TessBaseAPI>();
        if (api->Init(m_dataFolder.c_str(), key.c_str(), tesseract::OEM_LSTM_ONLY) != 0) {
            slot.failed = true;
            return false;
        }
        // A screen region is one block of lines more often than a page with columns.
        api->SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
        slot.api = std::move(api);
    }
    tesseract::TessBaseAPI& api = *slot.api;
    // The engine's OpenMP helpers spin while they wait for each other; on a busy two-core
    // desktop one thread per recognition finishes sooner. The setting is per thread.
    omp_set_num_threads(1);
    api.SetImage(image.pixels.data(), image.width, image.height, 1, image.width);
    // The image was scaled up so its letters have the size the models were trained on;
    // this resolution keeps the engine from guessing one and complaining about it.
    api.SetSourceResolution(300);
    std::unique_ptr<tesseract::ResultIterator> it;
    if (api.Recognize(nullptr) == 0) it.reset(api.GetIterator());
    if (it && !it->Empty(tesseract::RIL_TEXTLINE)) {
        do {
            std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
            if (!text) continue;
            Line line;
            line.text = tesseract_text::spacedLine(text.get(), wordsOf(*it));
            while (!line.text.empty() && (line.text.back() == '\n' || line.text.back() == ' '))
                line.text.pop_back();
            if (line.text.empty()) continue;
            it->BoundingBox(tesseract::RIL_TEXTLINE, &line.left, &line.top, &line.right,
                            &line.bottom);
            line.confidence = it->Confidence(tesseract::RIL_TEXTLINE);
            lines.push_back(std::move(line));
        } while (it->Next(tesseract::RIL_TEXTLINE));
    }
    it.reset();
    api.Clear();
    return true;
}
