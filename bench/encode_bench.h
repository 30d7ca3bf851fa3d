#pragma once
// The local work of one recognition, from the captured BMP to the finished request body:
// the JPEG encoding against libjpeg-turbo called directly on the same pixels, the fused
// base64 and URL encoding against its portable loop and memcpy of the same bytes (and
// against the two separate passes), the body as the OCR client builds it, and the whole path.
#include "bench_report.h"
#include "net/base64_kernel.h"
#include "text/text_tools.h"

class EncodeBench {
public:
    static constexpr int kJpegRuns = 31;
    static constexpr int kEncodeRuns = 301;
    static constexpr double kJpegTarget = 1.10;       // times direct libjpeg-turbo
    static constexpr double kEncodeTarget = 6e9;      // bytes of input a second
    static constexpr double kWholePathTargetMs = 10;  // pixels to request body

    EncodeBench(BenchReport& report, const Bytes& bmp);

    void run();
    // The whole path again from a file the screen captured, with the capture's own median.
    void runFromCapture(const Bytes& captured, const Timing& capture);

private:
    void jpeg();
    // The fused encoder and its alternatives on the bytes; label names them in the table.
    void encodings(const Bytes& bytes, const std::string& label);
    void allocations();
    static std::string pathName(base64_kernel::Path path);
    void body();
    void wholePath();

    // The body exactly as the OCR client builds it for a general recognition.
    static Text requestBody(const Bytes& jpeg);

    BenchReport& m_report;
    const Bytes& m_bmp;
    Bytes m_jpeg;
    Timing m_direct;
};
