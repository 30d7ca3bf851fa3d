#include "bench_report.h"

#include <algorithm>

BenchReport::BenchReport() {
    m_figures.headers = {"Measure", "Median", "Min",   "Throughput", "Baseline (same run)",
                         "Ratio",   "Target", "Result"};
    m_connections.headers = {"Client",      "Scenario",        "1st request",
                             "2nd request", "2nd on same TCP", "New TLS handshake for 2nd"};
}

void BenchReport::heading(const std::string& machine) {
    m_machine = machine;
}

void BenchReport::add(const Figure& figure) {
    const bool compared = figure.baselineTiming.valid() && figure.baselineTiming.medianMs > 0;
    m_figures.rows.push_back({
        figure.measure,
        BenchTimer::duration(figure.timing.medianMs),
        BenchTimer::duration(figure.timing.minMs),
        figure.bytes > 0 ? BenchTimer::throughput(figure.bytes, figure.timing.medianMs) : "",
        compared ? figure.baseline + " " + BenchTimer::duration(figure.baselineTiming.medianMs)
                 : figure.baseline,
        compared ? BenchTimer::ratio(figure.timing.medianMs / figure.baselineTiming.medianMs) : "",
        figure.target,
        figure.result,
    });
}

void BenchReport::add(const ConnectionFigure& figure) {
    m_connections.rows.push_back({
        figure.client,
        figure.scenario,
        figure.first.valid() ? BenchTimer::duration(figure.first.medianMs) : "-",
        figure.second.valid() ? BenchTimer::duration(figure.second.medianMs) : "-",
        figure.sameConnection,
        figure.newHandshake,
    });
}

void BenchReport::note(const std::string& text) {
    m_notes.push_back(text);
}

void BenchReport::skip(const std::string& part, const std::string& why) {
    m_skipped.push_back(part + ": " + why);
}

void BenchReport::print(std::ostream& out) const {
    out << "# Ozmira benchmark\n\n" << m_machine << "\n\n";
    if (!m_figures.rows.empty()) {
        out << "## Timings (median and fastest of the runs; ratio = median / baseline median)\n\n";
        printTable(m_figures, out);
        out << '\n';
    }
    if (!m_connections.rows.empty()) {
        out << "## HTTPS: two requests to one host (median request times)\n\n";
        printTable(m_connections, out);
        out << '\n';
    }
    if (!m_notes.empty()) {
        out << "## Notes\n\n";
        for (const auto& text : m_notes) out << "- " << text << '\n';
        out << '\n';
    }
    if (!m_skipped.empty()) {
        out << "## Skipped\n\n";
        for (const auto& text : m_skipped) out << "- " << text << '\n';
        out << '\n';
    }
}

std::string BenchReport::verdict(bool met, const std::string& missedBy) {
    return met ? "met" : "missed by " + missedBy;
}

std::size_t BenchReport::displayWidth(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void BenchReport::printTable(const Table& table, std::ostream& out) {
    std::vector<std::size_t> widths(table.headers.size(), 3);
    auto widen = [&](const std::vector<std::string>& cells) {
        for (std::size_t c = 0; c < cells.size(); ++c) {
            widths[c] = std::max(widths[c], displayWidth(cells[c]));
        }
    };
    widen(table.headers);
    for (const auto& row : table.rows) widen(row);

    auto line = [&](const std::vector<std::string>& cells) {
        out << '|';
        for (std::size_t c = 0; c < cells.size(); ++c) {
            out << ' ' << cells[c] << std::string(widths[c] - displayWidth(cells[c]), ' ') << " |";
        }
        out << '\n';
    };
    line(table.headers);
    out << '|';
    for (std::size_t width : widths) out << std::string(width + 2, '-') << '|';
    out << '\n';
    for (const auto& row : table.rows) line(row);
}
