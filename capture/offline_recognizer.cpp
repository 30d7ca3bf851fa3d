#include "capture/offline_recognizer.h"

#include "capture/offline_languages.h"
#include "capture/offline_text.h"
#include "capture/screen_text_image.h"

OfflineRecognizer::OfflineRecognizer(platform::TextEngine& engine) : m_engine(engine) {}

Text OfflineRecognizer::missingDataStatus(const std::vector<std::string>& missingLanguages) {
    Text packages;
    for (const std::string& l : missingLanguages)
        packages += (packages.empty() ? "" : " ") + offline::packageFor(l);
    return "状态：离线识别缺少语言数据，请安装 " + packages;
}

bool OfflineRecognizer::usable() {
    return m_engine.missingLanguages({"eng"}).empty();
}

OfflineResult OfflineRecognizer::recognize(const platform::ScreenImage& image, int languageIndex) {
    OfflineResult result;
    const std::vector<std::string> languages = offline::languagesForItem(languageIndex);
    const std::vector<std::string> missing = m_engine.missingLanguages(languages);
    if (!missing.empty()) {
        result.status = missingDataStatus(missing);
        return result;
    }
    std::vector<std::string> lines;
    if (!m_engine.recognize(offline::prepareScreenText(image), languages, lines)) {
        result.status = "状态：离线识别引擎无法启动";
        return result;
    }
    for (const std::string& line : lines) result.lines.push_back(offline::tidyLine(line));
    result.ok = true;
    return result;
}
