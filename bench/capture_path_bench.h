#pragma once
// The capture path inside the program: the program's own capture commands, region selector,
// main window, screen and recognition workflow on a live X server, with a transport that
// answers at once and notes when the finished request body reaches it. A coordinate capture
// is timed from the moment its pixels are in hand, a dragged one from the button's release,
// to the body; the baseline is the same image turned into a body directly in the same run.
#include "bench_report.h"

class CapturePathBench {
public:
    static constexpr int kRuns = 9;

    explicit CapturePathBench(BenchReport& report);
    // Needs a QApplication on an X display (and xdotool for the drag).
    void run();

private:
    BenchReport& m_report;
};
