#include "app/language_codes.h"

namespace layout {

const std::vector<Language>& languages() {
    static const std::vector<Language> table{
        {"语言自动检测", "auto_detect"}, {"中英文混合", "CHN_ENG"}, {"英文", "ENG"},
        {"日文", "JAP"},                 {"韩文", "KOR"},           {"法文", "FRE"},
        {"西班牙文", "SPA"},             {"葡萄牙文", "POR"},       {"德文", "GER"},
        {"意大利文", "ITA"},             {"俄文", "RUS"},           {"丹麦文", "DAN"},
        {"荷兰文", "DUT"},               {"马来文", "MAL"},         {"瑞典文", "SWE"},
        {"印尼文", "IND"},               {"波兰文", "POL"},         {"罗马尼亚文", "ROM"},
        {"土耳其文", "TUR"},             {"希腊文", "GRE"},         {"匈牙利文", "HUN"},
    };
    return table;
}

std::vector<std::string> languageItemTexts() {
    std::vector<std::string> texts;
    for (const Language& l : languages()) texts.emplace_back(l.item);
    return texts;
}

}  // namespace layout
