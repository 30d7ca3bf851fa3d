#pragma once
// An offline engine that reads what the test tells it to, with a chosen set of installed
// languages; it keeps what it was asked.
#include <set>
#include <string>
#include <vector>

#include "platform/text_engine.h"

class FakeTextEngine : public platform::TextEngine {
public:
    std::vector<std::string> missingLanguages(const std::vector<std::string>& languages) override {
        std::vector<std::string> missing;
        for (const std::string& l : languages)
            if (!installed.count(l)) missing.push_back(l);
        return missing;
    }
    bool recognize(const platform::GreyImage& image, const std::vector<std::string>& languages,
                   std::vector<std::string>& out) override {
        images.push_back(image);
        asked.push_back(languages);
        out = lines;
        return true;
    }

    std::set<std::string> installed{"eng", "chi_sim"};
    std::vector<std::string> lines;
    std::vector<platform::GreyImage> images;
    std::vector<std::vector<std::string>> asked;
};
