#include "ocr_bench.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "capture/offline_languages.h"
#include "capture/offline_recognizer.h"
#include "capture/screen_text_image.h"
#include "platform/tesseract/tesseract_engine.h"

namespace {

std::u32string codePoints(const std::string& s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t c = n == 1 ? b : b & (0x7F >> n);
        for (int k = 1; k < n && i + k < s.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out += c;
        i += n;
    }
    return out;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += (text.empty() ? "" : "\n") + l;
    return text;
}

std::string percent(std::size_t errors, std::size_t total) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f %%", total ? 100.0 * errors / total : 0.0);
    return buffer;
}

std::string againstGoal(std::size_t errors, std::size_t total) {
    const bool met = errors * 200 < total;
    return BenchReport::verdict(
        met, met ? std::string() : percent(errors * 200 - total, total * 200) + " points");
}

const std::vector<std::string> kChineseAndEnglish{"chi_sim", "eng"};

// Qt draws the corpus; without a display it draws offscreen.
void ensureGuiApplication() {
    if (QGuiApplication::instance()) return;
    if (!std::getenv("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "ozmira_bench";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}

}  // namespace

OcrBench::OcrBench(BenchReport& report) : m_report(report) {}

std::size_t OcrBench::characters(const std::string& text) {
    std::size_t n = 0;
    for (char32_t c : codePoints(text)) n += c != '\n';
    return n;
}

std::size_t OcrBench::editDistance(const std::string& truth, const std::string& text) {
    const std::u32string a = codePoints(truth), b = codePoints(text);
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t next =
                std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = row[j];
            row[j] = next;
        }
    }
    return row[b.size()];
}

void OcrBench::run(Part part) {
    TesseractEngine probe;
    const auto missing = probe.missingLanguages(kChineseAndEnglish);
    if (!missing.empty()) {
        m_report.skip("ocr", OfflineRecognizer::missingDataStatus(missing));
        return;
    }
    ensureGuiApplication();
    if (part != Part::ErrorRate) timings();
    if (part != Part::Speed) errorRates(part == Part::All);
}

void OcrBench::timings() {
    const CorpusRegion line = OcrCorpus::single(OcrCorpus::mixed()[1], 14, 900, 100);
    std::vector<double> first;
    for (int i = 0; i < 3; ++i) {
        TesseractEngine engine;
        OfflineRecognizer recognizer(engine);
        first.push_back(BenchTimer::measure(
                            1, [&] { recognizer.recognize(line.image, 1); }, 0)
                            .medianMs);
    }
    TesseractEngine engine;
    OfflineRecognizer recognizer(engine);
    std::vector<std::string> lines;
    const auto both = BenchTimer::interleave(
        kRuns,
        {[&] { recognizer.recognize(line.image, 1); },
         [&] { engine.recognize(offline::greyLevels(line.image), kChineseAndEnglish, lines); }});
    m_report.add(Figure{"offline, one line in a 900 × 100 region, engine made", both[0], 0,
                        "the engine alone on grey levels", both[1], "< 300 ms",
                        BenchReport::verdict(both[0].medianMs < 300,
                                             BenchTimer::duration(both[0].medianMs - 300))});
    const Timing made = BenchTimer::summarize(first);
    m_report.add(Figure{
        "offline, first recognition (makes the engine)",
        made,
        0,
        "",
        {},
        "< 1.5 s",
        BenchReport::verdict(made.medianMs < 1500, BenchTimer::duration(made.medianMs - 1500))});
}

void OcrBench::errorRates(bool withEngineAlone) {
    const std::vector<CorpusRegion> corpus = OcrCorpus::regions();
    TesseractEngine engine;
    OfflineRecognizer recognizer(engine);
    std::size_t total = 0, ours = 0, alone = 0;
    std::map<std::string, std::pair<std::size_t, std::size_t>> byGroup;  // errors, characters
    std::vector<double> perLine;
    std::vector<std::string> examples;
    const char* const k1216 = "12-16 px";
    for (const CorpusRegion& region : corpus) {
        OfflineResult result;
        const Timing t = BenchTimer::measure(
            1, [&] { result = recognizer.recognize(region.image, 1); }, 0);
        perLine.push_back(t.medianMs / region.truth.size());
        std::vector<std::string> raw;
        if (withEngineAlone)
            engine.recognize(offline::greyLevels(region.image), kChineseAndEnglish, raw);
        const std::string truth = joined(region.truth);
        const std::size_t n = characters(truth);
        const std::size_t e = editDistance(truth, joined(result.lines));
        total += n;
        ours += e;
        alone += editDistance(truth, joined(raw));
        auto add = [&](const std::string& group, std::size_t errors, std::size_t chars) {
            byGroup[group].first += errors;
            byGroup[group].second += chars;
        };
        add(region.dark ? "dark theme" : "light theme", e, n);
        add("scale " + std::to_string(region.scale), e, n);
        // The kind of corpus the 0.5 % goal was set on: clean lines of 12 to 16 px.
        if (region.pixels >= 12 && region.pixels <= 16) {
            add(k1216, e, n);
            if (region.scale == 1) add(k1216 + std::string(" at scale 1"), e, n);
        }
        const bool aligned = result.lines.size() == region.truth.size();
        for (std::size_t i = 0; i < region.truth.size(); ++i) {
            const std::string got = aligned ? result.lines[i] : std::string();
            const std::size_t le =
                aligned ? editDistance(region.truth[i], got) : characters(region.truth[i]);
            add(region.kinds[i] + " lines", le, characters(region.truth[i]));
            if (le > 0 && (examples.size() < 12 || std::getenv("OZMIRA_BENCH_ALL_MISREADS")))
                examples.push_back(region.description + ": \"" + region.truth[i] + "\" read as \"" +
                                   (aligned ? got : joined(result.lines)) + "\"");
        }
    }
    m_report.add(Figure{
        "offline, per line of a 3-line region", BenchTimer::summarize(perLine), 0, "", {}, "", ""});
    m_report.note("Offline character error rate over " + std::to_string(corpus.size()) +
                  " rendered regions (" + std::to_string(total) +
                  " characters, 4 faces, 11-18 px, " + "light and dark, scale 1 and 2): " +
                  percent(ours, total) + "; the engine alone on the same grey levels: " +
                  (withEngineAlone ? percent(alone, total) : std::string("not run")) +
                  ". Target < 0.5 %: " + againstGoal(ours, total));
    const auto& [e1216, n1216] = byGroup[k1216];
    m_report.note("On clean lines of 12-16 px (light and dark, scale 1 and 2; " +
                  std::to_string(n1216) + " characters): " + percent(e1216, n1216) +
                  ". Target < 0.5 %: " + againstGoal(e1216, n1216));
    std::string groups;
    for (const auto& [group, counts] : byGroup)
        groups += (groups.empty() ? "" : ", ") + group + " " + percent(counts.first, counts.second);
    m_report.note("By group: " + groups + ".");
    for (const std::string& e : examples) m_report.note("Misread: " + e);
}
