#pragma once
// The export's cost with the .xlsx engine: load a workbook of several thousand rows, write
// a text into two cells of every row (one replacing a text, one new), save it. The same
// load and save without a write is the baseline, so the writes' own share shows.
#include <string>

#include "bench_report.h"

class XlsxTool;

class XlsxBench {
public:
    static constexpr int kRuns = 7;

    explicit XlsxBench(BenchReport& report);
    void run();

private:
    // One size of workbook; false when a run failed (the reason is in the report).
    bool measureRows(const XlsxTool& tool, int rows);
    static std::string cellText(int row, int column);

    BenchReport& m_report;
};
