#pragma once
// The offline engine on rendered screen text (bench/ocr_corpus.h): the character error rate
// of the program's recognition (preparation, engine, tidying) beside the engine alone on the
// same pixels, the time of a one-line 900 × 100 region with the engine made, and the first
// recognition, which makes the engine.
#include <string>
#include <vector>

#include "bench_report.h"
#include "ocr_corpus.h"

class OcrBench {
public:
    static constexpr int kRuns = 15;

    explicit OcrBench(BenchReport& report);
    // All: timings, then the error rates beside the engine alone. ErrorRate: only the error
    // rate of the program's recognition (about a third of the time, for tuning). Speed: only
    // the timings.
    enum class Part { All, ErrorRate, Speed };
    void run(Part part = Part::All);

    // Edits (insertions, deletions, substitutions of characters) from truth to text.
    static std::size_t editDistance(const std::string& truth, const std::string& text);
    static std::size_t characters(const std::string& text);

private:
    void errorRates(bool withEngineAlone);
    void timings();

    BenchReport& m_report;
};
