#pragma once
// What the benchmark prints, as Markdown: one table of timings, each beside the baseline measured
// in the same run and the target it is held to; one table of the HTTPS connection reuse; and the
// notes and skipped parts below them.
#include <ostream>
#include <string>
#include <vector>

#include "bench_timer.h"

struct Figure {
    std::string measure;
    Timing timing;
    double bytes = 0;  // the input for the throughput column; 0 for none
    std::string baseline;
    Timing baselineTiming;  // the ratio is median over this median
    std::string target;
    std::string result;  // "met", "missed by ..."; empty where there is no target
};

struct ConnectionFigure {
    std::string client;
    std::string scenario;
    Timing first;
    Timing second;
    std::string sameConnection;
    std::string newHandshake;
};

class BenchReport {
public:
    BenchReport();

    void heading(const std::string& machine);
    void add(const Figure& figure);
    void add(const ConnectionFigure& figure);
    void note(const std::string& text);
    void skip(const std::string& part, const std::string& why);
    void print(std::ostream& out) const;

    // "met" or "missed by <how much>".
    static std::string verdict(bool met, const std::string& missedBy);
    // Characters as a terminal shows them: UTF-8 continuation bytes take no column.
    static std::size_t displayWidth(const std::string& text);

private:
    using Row = std::vector<std::string>;
    struct Table {
        Row headers;
        std::vector<Row> rows;
    };

    // Markdown with the columns lined up, so the text reads well in a terminal and pastes
    // into the README as it is.
    static void printTable(const Table& table, std::ostream& out);

    std::string m_machine;
    Table m_figures;
    Table m_connections;
    std::vector<std::string> m_notes;
    std::vector<std::string> m_skipped;
};
