#pragma once
// Turns rows of an X image in the server's pixel format into rows of 32-bit pixels in the
// byte order blue, green, red, x (a little-endian 0xXXRRGGBB). True-colour visuals of any
// depth are understood; palette visuals are not (supported() is false for them).
#include <cstddef>
#include <cstdint>

class PixelConverter {
public:
    struct Format {
        int bitsPerPixel = 0;
        bool mostSignificantByteFirst = false;
        std::uint32_t redMask = 0;
        std::uint32_t greenMask = 0;
        std::uint32_t blueMask = 0;
    };

    explicit PixelConverter(const Format& format);

    bool supported() const { return m_supported; }

    // Converts count pixels from in to out (4 bytes each); the fourth byte of every output
    // pixel becomes fourth.
    void convertRow(const std::uint8_t* in, int count, std::uint8_t* out,
                    std::uint8_t fourth) const;

private:
    struct Channel {
        std::uint32_t mask = 0;
        int shift = 0;
        std::uint32_t max = 0;
        bool valid() const { return max != 0; }
        std::uint8_t scale(std::uint32_t pixel) const;
    };
    static Channel channel(std::uint32_t mask);
    std::uint32_t read(const std::uint8_t* in) const;

    Format m_format;
    Channel m_red, m_green, m_blue;
    int m_bytesPerPixel = 0;
    bool m_supported = false;
    // The common case: 32-bit pixels already laid out as blue, green, red, x.
    bool m_direct = false;
};
