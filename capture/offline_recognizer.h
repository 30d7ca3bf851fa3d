#pragma once
// Recognition on the user's own machine: the capture made readable for the offline engine,
// the languages of the chosen item of 组合框文字, and the engine's lines tidied. Runs on the
// recognition worker; the engine behind it keeps one loaded model per language set.
#include <string>
#include <vector>

#include "text/text_tools.h"
#include "platform/screen.h"
#include "platform/text_engine.h"

struct OfflineResult {
    bool ok = false;
    std::vector<Text> lines;
    // What the status line says when it failed.
    Text status;
};

class OfflineRecognizer {
public:
    explicit OfflineRecognizer(platform::TextEngine& engine);

    OfflineResult recognize(const platform::ScreenImage& image, int languageIndex);

    // The engine can read at all: its English data, which every install has, is there.
    bool usable();

    static Text missingDataStatus(const std::vector<std::string>& missingLanguages);

private:
    platform::TextEngine& m_engine;
};
