#pragma once
// A screen rectangle in physical pixels, origin at the top-left corner of the primary
// screen; right and bottom are exclusive (100, 100, 1000, 200 covers 900 x 100 pixels).
#include <cstdint>

struct CaptureRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool valid() const { return left < right && top < bottom; }
    std::int32_t width() const { return right - left; }
    std::int32_t height() const { return bottom - top; }
    bool operator==(const CaptureRect&) const = default;
};
