#include "platform/tesseract/tesseract_engine.h"

#include <omp.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <cstdlib>
#include <filesystem>

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

bool TesseractEngine::recognize(const platform::GreyImage& image,
                                const std::vector<std::string>& languages,
                                std::vector<std::string>& lines) {
    lines.clear();
    if (languages.empty() || !missingLanguages(languages).empty()) return false;
    if (image.empty() || image.pixels.size() < std::size_t(image.width) * image.height) return true;
    Slot& slot = slotFor(joined(languages));
    std::lock_guard<std::mutex> lock(slot.mutex);
    if (slot.failed) return false;
    if (!slot.api) {
        auto api = std::make_unique<tesseract::TessBaseAPI>();
        if (api->Init(m_dataFolder.c_str(), joined(languages).c_str(), tesseract::OEM_LSTM_ONLY) !=
            0) {
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
    if (api.Recognize(nullptr) == 0) {
        std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
        if (it && !it->Empty(tesseract::RIL_TEXTLINE)) {
            do {
                std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_TEXTLINE));
                if (!text) continue;
                std::string line(text.get());
                while (!line.empty() && (line.back() == '\n' || line.back() == ' '))
                    line.pop_back();
                if (!line.empty()) lines.push_back(std::move(line));
            } while (it->Next(tesseract::RIL_TEXTLINE));
        }
    }
    api.Clear();
    return true;
}
