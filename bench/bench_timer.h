#pragma once
// Wall-clock timings by repetition: a few unmeasured warm-up runs, then the median (what a
// user sees) and the fastest run (what the code can do when nothing interferes). Every
// figure of the benchmark is read beside a baseline timed the same way in the same run.
#include <functional>
#include <string>
#include <vector>

struct Timing {
    double medianMs = 0;
    double minMs = 0;
    int runs = 0;

    bool valid() const { return runs > 0; }
};

class BenchTimer {
public:
    static Timing measure(int runs, const std::function<void()>& work, int warmups = 2);
    // The works taken in turn, one run of each per round, so that a figure and its
    // baseline see the same machine even when other processes come and go; one timing
    // per work, in order.
    static std::vector<Timing> interleave(int runs, const std::vector<std::function<void()>>& works,
                                          int warmups = 2);
    // Median and minimum of timings taken elsewhere (milliseconds).
    static Timing summarize(std::vector<double> samplesMs);

    // "3.21 ms", "850 µs" and so on, three significant digits.
    static std::string duration(double ms);
    // Bytes per median time, as "4.12 GB/s" (decimal units, like memory bandwidth figures).
    static std::string throughput(double bytes, double ms);
    // "1.07x"
    static std::string ratio(double value);
    // "1.9 MB" (decimal).
    static std::string size(double bytes);
};
