#include "profile_bench.h"

#include <QApplication>
#include <chrono>
#include <fstream>
#include <vector>

#include "app/app_state.h"
#include "app/control_names.h"
#include "export/excel_exporter.h"
#include "platform/charset.h"
#include "platform/ini.h"
#include "platform/launcher/xdg_launcher.h"
#include "platform/qt/qt_form.h"
#include "support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRowCounts[] = {5000, 10000};

double since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string target(int row, int column) {
    return "1|" + std::to_string(row + 1) + "|" + std::to_string(column);
}

}  // namespace

ProfileBench::ProfileBench(BenchReport& report) : m_report(report) {}

std::string ProfileBench::profileBytes(int rows) {
    std::string text = "[姓名]\r\n列宽=80\r\n";
    for (int j = 1; j <= rows; ++j)
        text += std::to_string(j) + "=字段" + std::to_string(j) + "\r\n";
    text += "[内容]\r\n列宽=200\r\n";
    for (int j = 1; j <= rows; ++j)
        text += std::to_string(j) + "=北京市海淀区" + std::to_string(j) + "号\r\n";
    for (const char* book : {"身份证.xlsx", "户籍\\登记.xlsx"}) {
        text += std::string("[") + book + "]\r\n列宽=90\r\n类型=EXCEL\r\n";
        for (int j = 1; j <= rows; ++j) text += std::to_string(j) + "=" + target(j, 3) + "\r\n";
    }
    return charset::utf8ToCp936(text, true);
}

void ProfileBench::run() {
    TempDir folder;
    for (int rows : kRowCounts)
        if (!measureRows(folder.path(), rows)) return;
}

bool ProfileBench::measureRows(const std::string& folder, int rows) {
    AppState state(folder);
    state.exportProfilePath = state.pathOf("导出1.ini");
    const std::string bytes = profileBytes(rows);
    std::ofstream(state.exportProfilePath, std::ios::binary) << bytes;
    XdgLauncher launcher;

    std::vector<double> loads, parses;
    for (int run = 0; run < kRuns + 1; ++run) {
        // A fresh window each time, as at startup; the first run warms up and is not counted.
        QtForm form;
        form.show();
        QApplication::processEvents();
        ExcelExporter exporter(state, form, launcher);
        const auto start = Clock::now();
        exporter.loadProfile();
        QApplication::processEvents();
        const double loaded = since(start);
        if (form.rowCount(ctl::高级表格1) != rows + 1 ||
            form.cell(ctl::高级表格1, rows, 4) != target(rows, 3)) {
            m_report.skip("profile", "the " + std::to_string(rows) + "-row profile did not load");
            return false;
        }

        const auto parse = Clock::now();
        const ini::Snapshot profile(state.exportProfilePath);
        size_t read = 0;
        for (const std::string& section : profile.sectionNames())
            for (int j = 1; j <= rows; ++j) read += profile.read(section, std::to_string(j)).size();
        const double parsed = since(parse);
        if (read == 0) return false;
        if (run > 0) {
            loads.push_back(loaded);
            parses.push_back(parsed);
        }
    }
    const Timing load = BenchTimer::summarize(loads);
    const Timing parse = BenchTimer::summarize(parses);
    const std::string label = "export profile, " + std::to_string(rows) + " rows";
    const bool targeted = rows == ExcelExporter::kMaxRows;
    m_report.add({label + ": loadProfile into the window's grid", load, 0, "parse alone", parse,
                  targeted ? "< 1 s" : "",
                  targeted ? BenchReport::verdict(load.medianMs < kTargetMs,
                                                  BenchTimer::duration(load.medianMs - kTargetMs))
                           : ""});
    m_report.add({label + ": parse and read every cell (baseline)", parse, 0, "", {}, "", ""});
    m_report.note(label + ": a profile of " + BenchTimer::size(static_cast<double>(bytes.size())) +
                  " in code page 936, four columns (labels, values, two workbook targets).");
    return true;
}
