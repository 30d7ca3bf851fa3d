#pragma once
// Loading a long export profile at startup: the profile parsed and the results grid of the
// real window filled, until the window has handled every event that the load caused. The
// baseline is the parse alone (the same reads, no grid), so the grid's share shows.
#include <string>

#include "bench_report.h"

class ProfileBench {
public:
    static constexpr int kRuns = 5;
    static constexpr double kTargetMs = 1000;  // for the 10,000 rows the export allows

    explicit ProfileBench(BenchReport& report);
    // Needs a QApplication.
    void run();

private:
    // One profile size; false when a run failed (the reason is in the report).
    bool measureRows(const std::string& folder, int rows);
    // A profile as a user writes it on Windows: code page 936, CR LF, two target columns.
    static std::string profileBytes(int rows);

    BenchReport& m_report;
};
