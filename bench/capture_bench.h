#pragma once
// The screen capture of a full 1920 x 1080 rectangle from a live X server: the text-like
// image is first painted onto the root window, so the capture reads real content, and the
// captured file is checked against it. Shared memory against a plain GetImage, both beside
// a memcpy of the same number of bytes.
#include <string>

#include "text/text_tools.h"
#include "bench_report.h"
#include "platform/screen.h"

class CaptureBench {
public:
    static constexpr int kRuns = 31;

    CaptureBench(BenchReport& report, const platform::ScreenImage& image);

    // False, with the reason in the report, when there is no usable display.
    bool run();
    // The last captured file (the painted image read back), for the whole-path figure.
    const Bytes& captured() const { return m_captured; }
    Timing captureTiming() const { return m_sharedMemory; }

private:
    // Puts the image at the top-left corner of the root window; empty on success, else why.
    std::string paintRoot() const;
    // How many pixels of the captured file differ from the image (colour bytes only).
    long long differingPixels(const Bytes& file) const;

    BenchReport& m_report;
    const platform::ScreenImage& m_image;
    Bytes m_captured;
    Timing m_sharedMemory;
};
