#include "bench_timer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

std::string printed(const char* format, double value, const char* unit) {
    char text[64];
    std::snprintf(text, sizeof text, format, value, unit);
    return text;
}

// Three significant digits.
std::string significant(double value, const char* unit) {
    if (value >= 100) return printed("%.0f %s", value, unit);
    if (value >= 10) return printed("%.1f %s", value, unit);
    return printed("%.2f %s", value, unit);
}

}  // namespace

Timing BenchTimer::measure(int runs, const std::function<void()>& work, int warmups) {
    return interleave(runs, {work}, warmups).front();
}

std::vector<Timing> BenchTimer::interleave(int runs,
                                           const std::vector<std::function<void()>>& works,
                                           int warmups) {
    for (int k = 0; k < warmups; ++k) {
        for (const auto& work : works) work();
    }
    std::vector<std::vector<double>> samples(works.size());
    for (auto& list : samples) list.reserve(static_cast<std::size_t>(runs));
    for (int k = 0; k < runs; ++k) {
        for (std::size_t w = 0; w < works.size(); ++w) {
            const auto start = std::chrono::steady_clock::now();
            works[w]();
            const auto end = std::chrono::steady_clock::now();
            samples[w].push_back(std::chrono::duration<double, std::milli>(end - start).count());
        }
    }
    std::vector<Timing> timings;
    for (auto& list : samples) timings.push_back(summarize(std::move(list)));
    return timings;
}

Timing BenchTimer::summarize(std::vector<double> samplesMs) {
    Timing timing;
    if (samplesMs.empty()) return timing;
    std::sort(samplesMs.begin(), samplesMs.end());
    const std::size_t n = samplesMs.size();
    timing.medianMs = n % 2 ? samplesMs[n / 2] : (samplesMs[n / 2 - 1] + samplesMs[n / 2]) / 2;
    timing.minMs = samplesMs.front();
    timing.runs = static_cast<int>(n);
    return timing;
}

std::string BenchTimer::duration(double ms) {
    if (ms >= 1000) return significant(ms / 1000, "s");
    if (ms >= 1) return significant(ms, "ms");
    return significant(ms * 1000, "µs");
}

std::string BenchTimer::throughput(double bytes, double ms) {
    if (ms <= 0) return "-";
    const double perSecond = bytes / (ms / 1000);
    if (perSecond >= 1e9) return significant(perSecond / 1e9, "GB/s");
    return significant(perSecond / 1e6, "MB/s");
}

std::string BenchTimer::ratio(double value) {
    return printed("%.2f%s", value, "x");
}

std::string BenchTimer::size(double bytes) {
    if (bytes >= 1e6) return significant(bytes / 1e6, "MB");
    if (bytes >= 1e3) return significant(bytes / 1e3, "kB");
    return printed("%.0f %s", bytes, "B");
}
