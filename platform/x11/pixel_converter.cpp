#include "platform/x11/pixel_converter.h"

#include <bit>
#include <cstring>

PixelConverter::PixelConverter(const Format& format) : m_format(format) {
    m_red = channel(format.redMask);
    m_green = channel(format.greenMask);
    m_blue = channel(format.blueMask);
    const int bpp = format.bitsPerPixel;
    m_bytesPerPixel = bpp / 8;
    m_supported =
        (bpp == 16 || bpp == 24 || bpp == 32) && m_red.valid() && m_green.valid() && m_blue.valid();
    m_direct = m_supported && bpp == 32 && !format.mostSignificantByteFirst &&
               std::endian::native == std::endian::little && format.redMask == 0xff0000 &&
               format.greenMask == 0xff00 && format.blueMask == 0xff;
}

PixelConverter::Channel PixelConverter::channel(std::uint32_t mask) {
    Channel c;
    if (mask == 0) return c;
    c.mask = mask;
    c.shift = std::countr_zero(mask);
    c.max = mask >> c.shift;
    // A mask with holes is not a channel any visual has.
    if ((c.max & (c.max + 1)) != 0) c.max = 0;
    return c;
}

std::uint8_t PixelConverter::Channel::scale(std::uint32_t pixel) const {
    const std::uint32_t value = (pixel & mask) >> shift;
    if (max == 0xff) return std::uint8_t(value);
    // Rounded, so that the full channel value maps to 255 and 0 to 0.
    return std::uint8_t((value * 255 + max / 2) / max);
}

std::uint32_t PixelConverter::read(const std::uint8_t* in) const {
    std::uint32_t value = 0;
    if (m_format.mostSignificantByteFirst) {
        for (int i = 0; i < m_bytesPerPixel; ++i) value = value << 8 | in[i];
    } else {
        for (int i = m_bytesPerPixel - 1; i >= 0; --i) value = value << 8 | in[i];
    }
    return value;
}

void PixelConverter::convertRow(const std::uint8_t* in, int count, std::uint8_t* out,
                                std::uint8_t fourth) const {
    if (m_direct) {
        const std::uint32_t top = std::uint32_t(fourth) << 24;
        for (int i = 0; i < count; ++i) {
            std::uint32_t pixel;
            std::memcpy(&pixel, in + 4 * i, 4);
            // Little-endian host and image alike: the bytes are already blue, green, red.
            pixel = (pixel & 0x00ffffffu) | top;
            std::memcpy(out + 4 * i, &pixel, 4);
        }
        return;
    }
    for (int i = 0; i < count; ++i, in += m_bytesPerPixel, out += 4) {
        const std::uint32_t pixel = read(in);
        out[0] = m_blue.scale(pixel);
        out[1] = m_green.scale(pixel);
        out[2] = m_red.scale(pixel);
        out[3] = fourth;
    }
}
