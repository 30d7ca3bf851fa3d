#include "xlsx_bench.h"

#include <chrono>
#include <exception>
#include <filesystem>
#include <vector>

#include "platform/spreadsheet.h"
#include "support/xlsx_tool.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRowCounts[] = {5000, 10000};
constexpr int kReplacedColumn = 1;  // B: a text stands there already
constexpr int kNewColumn = 3;       // D: no cell yet

double since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

XlsxBench::XlsxBench(BenchReport& report) : m_report(report) {}

void XlsxBench::run() {
    try {
        XlsxTool tool;
        for (int rows : kRowCounts) {
            if (!measureRows(tool, rows)) return;
        }
    } catch (const std::exception& e) {
        m_report.skip("xlsx",
                      std::string("the workbook could not be made with openpyxl: ") + e.what());
    }
}

std::string XlsxBench::cellText(int row, int column) {
    // What a card export writes: Chinese field values with numbers in them.
    return column == kReplacedColumn ? "姓名" + std::to_string(row) + " 男 汉"
                                     : "北京市海淀区中关村大街" + std::to_string(row % 997) +
                                           "号 110108199003" + std::to_string(1000 + row % 9000);
}

bool XlsxBench::measureRows(const XlsxTool& tool, int rows) {
    const std::string source = tool.path("rows" + std::to_string(rows) + ".xlsx");
    const std::string target = tool.path("written.xlsx");
    const std::string copy = tool.path("unchanged.xlsx");
    tool.make("big", source, std::to_string(rows));

    std::vector<double> loads, writes, saves, totals, untouched;
    for (int run = 0; run < kRuns + 1; ++run) {
        // The first run warms the file cache and the allocator, and is not counted.
        const bool counted = run > 0;
        auto book = spreadsheet::createXlsxWorkbook();
        const auto start = Clock::now();
        if (!book->load(source) || !book->sheet(0)) {
            m_report.skip("xlsx",
                          "the engine did not load the " + std::to_string(rows) + "-row workbook");
            return false;
        }
        const double loaded = since(start);
        spreadsheet::Sheet* sheet = book->sheet(0);
        auto phase = Clock::now();
        for (int row = 0; row < rows; ++row) {
            if (!sheet->writeText(row, kReplacedColumn, cellText(row, kReplacedColumn)) ||
                !sheet->writeText(row, kNewColumn, cellText(row, kNewColumn))) {
                m_report.skip("xlsx", "a write was refused at row " + std::to_string(row));
                return false;
            }
        }
        const double written = since(phase);
        phase = Clock::now();
        if (!book->save(target)) {
            m_report.skip("xlsx", "the engine did not save the workbook");
            return false;
        }
        const double saved = since(phase);
        const double total = since(start);

        auto plain = spreadsheet::createXlsxWorkbook();
        const auto baseline = Clock::now();
        const bool roundTrip = plain->load(source) && plain->save(copy);
        const double unchanged = since(baseline);
        if (!roundTrip) {
            m_report.skip("xlsx", "the engine did not load and save the unchanged workbook");
            return false;
        }
        if (counted) {
            loads.push_back(loaded);
            writes.push_back(written);
            saves.push_back(saved);
            totals.push_back(total);
            untouched.push_back(unchanged);
        }
    }

    // Read back what the last run wrote, so the figures belong to a working export.
    auto check = spreadsheet::createXlsxWorkbook();
    const int last = rows - 1;
    if (!check->load(target) || !check->sheet(0) ||
        check->sheet(0)->text(0, kReplacedColumn) != cellText(0, kReplacedColumn) ||
        check->sheet(0)->text(last, kNewColumn) != cellText(last, kNewColumn)) {
        m_report.skip("xlsx", "the saved workbook does not hold the texts written");
        return false;
    }
    const std::string size = std::to_string(rows);
    const double cells = 2.0 * rows;
    const Timing baseline = BenchTimer::summarize(untouched);
    const std::string label = "xlsx, " + size + " rows: ";
    m_report.add({label + "load", BenchTimer::summarize(loads), 0, "", {}, "", ""});
    m_report.add({label + "write " + std::to_string(static_cast<int>(cells)) + " cells",
                  BenchTimer::summarize(writes),
                  0,
                  "",
                  {},
                  "",
                  ""});
    m_report.add({label + "save", BenchTimer::summarize(saves), 0, "", {}, "", ""});
    m_report.add({label + "load + write + save", BenchTimer::summarize(totals), 0,
                  "load + save, no writes", baseline, "", ""});
    m_report.add({label + "load + save, no writes (baseline)", baseline, 0, "", {}, "", ""});
    m_report.note("xlsx, " + size + " rows: the source workbook is " +
                  BenchTimer::size(static_cast<double>(std::filesystem::file_size(source))) +
                  " (openpyxl: a number, a text and a formula a row, with a calculation chain); "
                  "the saved one is " +
                  BenchTimer::size(static_cast<double>(std::filesystem::file_size(target))) + ".");
    return true;
}
