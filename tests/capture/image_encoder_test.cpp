#include "capture/image_encoder.h"
#include "platform/codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

using Paint = std::function<Rgb(int x, int y)>;

Rgb gradient(int x, int y) {
    return {20 + x * 23, 30 + y * 21, 200 - 9 * (x + y)};
}

void put(Bytes& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

uint32_t get(const Bytes& in, size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= uint32_t{static_cast<uint8_t>(in[at + i])} << 8 * i;
    return value;
}

struct BmpLayout {
    int bitsPerPixel = 32;  // 8 (paletted), 16 (5-5-5), 24 or 32
    bool topDown = false;
    bool bitFields = false;  // 32-bit with blue-green-red masks
};

// A BMP file laid out as a screen capture is (54-byte header, padded rows), or a variant.
Bytes makeBmp(int width, int height, const Paint& paint, BmpLayout layout = {}) {
    std::vector<Rgb> palette;
    std::map<uint32_t, int> indexOf;
    if (layout.bitsPerPixel == 8) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const Rgb c = paint(x, y);
                const uint32_t key = c.r << 16 | c.g << 8 | c.b;
                if (indexOf.emplace(key, static_cast<int>(palette.size())).second) {
                    palette.push_back(c);
                }
            }
    }
    const int stride = (width * layout.bitsPerPixel + 31) / 32 * 4;
    const int extra = static_cast<int>(palette.size()) * 4 + (layout.bitFields ? 12 : 0);
    const int offset = 54 + extra;
    Bytes bmp = "BM";
    put(bmp, offset + stride * height, 4);
    put(bmp, 0, 4);
    put(bmp, offset, 4);
    put(bmp, 40, 4);
    put(bmp, width, 4);
    put(bmp, layout.topDown ? -height : height, 4);
    put(bmp, 1, 2);
    put(bmp, layout.bitsPerPixel, 2);
    put(bmp, layout.bitFields ? 3 : 0, 4);
    put(bmp, 0, 4);
    put(bmp, 0, 4);  // resolutions
    put(bmp, 0, 4);
    put(bmp, static_cast<uint32_t>(palette.size()), 4);
    put(bmp, 0, 4);
    if (layout.bitFields) {
        put(bmp, 0x00FF0000, 4);
        put(bmp, 0x0000FF00, 4);
        put(bmp, 0x000000FF, 4);
    }
    for (const Rgb& c : palette) put(bmp, c.b | c.g << 8 | c.r << 16, 4);
    for (int row = 0; row < height; ++row) {
        const int y = layout.topDown ? row : height - 1 - row;
        Bytes line;
        for (int x = 0; x < width; ++x) {
            const Rgb c = paint(x, y);
            switch (layout.bitsPerPixel) {
                case 8:
                    put(line, indexOf[c.r << 16 | c.g << 8 | c.b], 1);
                    break;
                case 16:
                    put(line, (c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3, 2);
                    break;
                case 24:
                    put(line, c.b | c.g << 8 | c.r << 16, 3);
                    break;
                default:  // the fourth byte stays 0, as a screen capture leaves it
                    put(line, c.b | c.g << 8 | c.r << 16, 4);
            }
        }
        line.resize(stride, '\0');
        bmp += line;
    }
    return bmp;
}

// The pixels of a 24- or 32-bit uncompressed BMP, rows top to bottom.
bool readBmp(const Bytes& bmp, int& width, int& height, std::vector<Rgb>& pixels) {
    if (bmp.size() < 54 || bmp.compare(0, 2, "BM") != 0) return false;
    width = static_cast<int32_t>(get(bmp, 18, 4));
    const int rawHeight = static_cast<int32_t>(get(bmp, 22, 4));
    const int bpp = static_cast<int>(get(bmp, 28, 2));
    height = std::abs(rawHeight);
    const int stride = (width * bpp + 31) / 32 * 4;
    const size_t offset = get(bmp, 10, 4);
    if ((bpp != 24 && bpp != 32) || offset + size_t(stride) * height > bmp.size()) return false;
    pixels.clear();
    for (int y = 0; y < height; ++y) {
        const size_t row = offset + size_t(stride) * (rawHeight > 0 ? height - 1 - y : y);
        for (int x = 0; x < width; ++x) {
            const size_t p = row + size_t(x) * (bpp / 8);
            pixels.push_back({static_cast<uint8_t>(bmp[p + 2]), static_cast<uint8_t>(bmp[p + 1]),
                              static_cast<uint8_t>(bmp[p])});
        }
    }
    return true;
}

// The file converted back to BMP, as pixels.
void decodePicture(const Bytes& file, int width, int height, std::vector<Rgb>& pixels,
                   const std::string& label) {
    Bytes bmp;
    ASSERT_TRUE(ImageEncoder::Convert(file, ImageFormat::Bmp, bmp)) << label;
    int w = 0, h = 0;
    ASSERT_TRUE(readBmp(bmp, w, h, pixels)) << label;
    ASSERT_EQ(w, width) << label;
    ASSERT_EQ(h, height) << label;
}

// Compares the file's pixels with the painted picture: the largest and the mean
// difference of any colour channel.
void expectPicture(const Bytes& file, int width, int height, const Paint& paint, int maxDiff,
                   double meanDiff, const std::string& label) {
    std::vector<Rgb> pixels;
    decodePicture(file, width, height, pixels, label);
    if (pixels.size() != size_t(width) * height) return;
    int worst = 0;
    double total = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb want = paint(x, y);
            const Rgb got = pixels[size_t(y) * width + x];
            for (int d : {got.r - want.r, got.g - want.g, got.b - want.b}) {
                worst = std::max(worst, std::abs(d));
                total += std::abs(d);
            }
        }
    EXPECT_LE(worst, maxDiff) << label;
    EXPECT_LE(total / (3.0 * width * height), meanDiff) << label;
}

TEST(ImageEncoderTest, TenByTenBmpToEveryFormat) {
    const Bytes bmp = makeBmp(10, 10, gradient);
    const struct {
        ImageFormat format;
        std::vector<std::string> signatures;  // any one of them
        std::string ending;
        int maxDiff;
        double meanDiff;
    } cases[] = {
        {ImageFormat::Bmp, {"BM"}, "", 0, 0},
        {ImageFormat::Jpeg, {"\xFF\xD8"}, "\xFF\xD9", 40, 8},
        {ImageFormat::Gif, {"GIF8"}, "", 0, 0},
        {ImageFormat::Tiff, {std::string("II*\0", 4), std::string("MM\0*", 4)}, "", 0, 0},
        {ImageFormat::Png, {"\x89PNG\r\n\x1A\n"}, "", 0, 0},
    };
    for (const auto& c : cases) {
        const std::string label = "format " + std::to_string(static_cast<int>(c.format));
        Bytes out = "previous";
        ASSERT_TRUE(ImageEncoder::Convert(bmp, c.format, out)) << label;
        bool signatureFound = false;
        for (const std::string& s : c.signatures)
            signatureFound |= out.compare(0, s.size(), s) == 0;
        EXPECT_TRUE(signatureFound) << label;
        if (!c.ending.empty()) {
            ASSERT_GE(out.size(), c.ending.size());
            EXPECT_EQ(out.substr(out.size() - c.ending.size()), c.ending) << label;
        }
        expectPicture(out, 10, 10, gradient, c.maxDiff, c.meanDiff, label);
    }
}

TEST(ImageEncoderTest, ReadsEveryBmpLayout) {
    // Seven pixels a row leave row padding in the 8-, 16- and 24-bit layouts.
    const Paint pure = [](int x, int y) {
        const Rgb colours[] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
        return colours[(x + 2 * y) % 5];
    };
    const struct {
        const char* label;
        BmpLayout layout;
        Paint paint;
        int maxDiff;  // 16 bits keep 5 bits a channel
    } cases[] = {
        {"32-bit bottom-up", {32, false, false}, gradient, 0},
        {"32-bit top-down", {32, true, false}, gradient, 0},
        {"32-bit bit fields", {32, false, true}, gradient, 0},
        {"24-bit bottom-up", {24, false, false}, gradient, 0},
        {"24-bit top-down", {24, true, false}, gradient, 0},
        {"8-bit paletted", {8, false, false}, gradient, 0},
        {"16-bit", {16, false, false}, pure, 7},
    };
    for (const auto& c : cases) {
        const Bytes bmp = makeBmp(7, 5, c.paint, c.layout);
        Bytes png;
        ASSERT_TRUE(ImageEncoder::Convert(bmp, ImageFormat::Png, png)) << c.label;
        expectPicture(png, 7, 5, c.paint, c.maxDiff, c.maxDiff, c.label);
    }
}

TEST(ImageEncoderTest, GifPalette) {
    // 200 colours scattered at random: long enough for the code table to fill and restart.
    std::vector<Rgb> colours;
    std::mt19937 random(7);
    for (int i = 0; i < 200; ++i) {
        colours.push_back({int(random() % 256), int(random() % 256), int(random() % 256)});
    }
    std::vector<int> noise(300 * 200);
    for (int& n : noise) n = int(random() % colours.size());
    const Paint scattered = [&](int x, int y) { return colours[noise[y * 300 + x]]; };
    // 4,096 colours, more than a palette holds: close, not exact.
    const Paint smooth = [](int x, int y) { return Rgb{x * 4, y * 4, 128 + (x - y)}; };
    const struct {
        const char* label;
        int width, height;
        Paint paint;
        int maxDiff;
        double meanDiff;
    } cases[] = {
        {"200 colours", 300, 200, scattered, 0, 0},
        {"one colour", 3, 2,
         [](int, int) {
             return Rgb{9, 99, 199};
         },
         0, 0},
        {"4096 colours", 64, 64, smooth, 24, 6},
    };
    for (const auto& c : cases) {
        Bytes gif;
        ASSERT_TRUE(
            ImageEncoder::Convert(makeBmp(c.width, c.height, c.paint), ImageFormat::Gif, gif))
            << c.label;
        expectPicture(gif, c.width, c.height, c.paint, c.maxDiff, c.meanDiff, c.label);
    }
}

TEST(ImageEncoderTest, FullScreenCaptureKeepsItsOrientation) {
    // Four quadrants of different colours tell a flipped or mirrored image apart.
    const Paint quadrants = [](int x, int y) {
        const Rgb colours[] = {{220, 30, 30}, {30, 200, 40}, {40, 40, 210}, {230, 220, 40}};
        return colours[(y >= 540 ? 2 : 0) + (x >= 960 ? 1 : 0)];
    };
    const Bytes capture = makeBmp(1920, 1080, quadrants);
    for (ImageFormat format : {ImageFormat::Jpeg, ImageFormat::Png}) {
        const std::string label = "format " + std::to_string(static_cast<int>(format));
        Bytes out;
        ASSERT_TRUE(ImageEncoder::Convert(capture, format, out)) << label;
        std::vector<Rgb> pixels;
        decodePicture(out, 1920, 1080, pixels, label);
        ASSERT_EQ(pixels.size(), 1920u * 1080u);
        // JPEG blurs the quadrants' borders; their inside must match closely.
        const int tolerance = format == ImageFormat::Jpeg ? 12 : 0;
        for (int y = 30; y < 1080; y += 60)
            for (int x = 30; x < 1920; x += 60) {
                const Rgb want = quadrants(x, y);
                const Rgb got = pixels[size_t(y) * 1920 + x];
                ASSERT_NEAR(got.r, want.r, tolerance) << label << " at " << x << "," << y;
                ASSERT_NEAR(got.g, want.g, tolerance) << label << " at " << x << "," << y;
                ASSERT_NEAR(got.b, want.b, tolerance) << label << " at " << x << "," << y;
            }
    }
}

// A thread keeps its encoder and output buffer from one JPEG to the next: small, larger and
// noisy images in turn must give the very files a fresh thread gives.
TEST(ImageEncoderTest, AThreadsNextJpegIsTheFileAFreshThreadWrites) {
    std::mt19937 noise(7);
    const Paint noisy = [&](int, int) {
        return Rgb{uint8_t(noise()), uint8_t(noise()), uint8_t(noise())};
    };
    const std::vector<Bytes> inputs = {makeBmp(16, 8, gradient), makeBmp(640, 480, noisy),
                                       makeBmp(8, 8, gradient), makeBmp(800, 600, noisy)};
    std::vector<Bytes> fresh(inputs.size());
    for (size_t i = 0; i < inputs.size(); ++i)
        std::thread([&, i] {
            ASSERT_TRUE(ImageEncoder::Convert(inputs[i], ImageFormat::Jpeg, fresh[i]));
        }).join();
    for (size_t i = 0; i < inputs.size(); ++i) {
        Bytes again;
        ASSERT_TRUE(ImageEncoder::Convert(inputs[i], ImageFormat::Jpeg, again)) << i;
        EXPECT_EQ(again, fresh[i]) << i;
    }
}

TEST(ImageEncoderTest, AJpegMadeInStripesDecodesToTheOneMadeWhole) {
    std::mt19937 noise(3);
    const Paint speckled = [&](int x, int y) {
        return (x / 3 + y / 5) % 7 ? gradient(x % 40, y % 40)
                                   : Rgb{uint8_t(noise()), uint8_t(noise()), uint8_t(noise())};
    };
    const auto pixelsOf = [](const Bytes& jpeg) {
        codec::Image decoded;
        EXPECT_TRUE(codec::decode(jpeg, decoded));
        Bytes rows;
        for (int y = 0; y < decoded.height; ++y)
            rows.append(reinterpret_cast<const char*>(decoded.top + y * decoded.pitch),
                        std::size_t(decoded.width) * 4);
        return rows;
    };
    // One stripe; several with a short last one; a screen's worth (bottom-up rows, as captured).
    for (const auto& [width, height, stripes] :
         std::vector<std::tuple<int, int, int>>{{5, 3, 1}, {1000, 537, 7}, {1920, 1080, 8}}) {
        const Bytes bmp = makeBmp(width, height, speckled);
        codec::Image image;
        ASSERT_TRUE(codec::decode(bmp, image));
        Bytes whole;
        ASSERT_TRUE(codec::encode(image, codec::FileFormat::Jpeg, whole));
        codec::JpegStripes jpeg(image);
        ASSERT_EQ(jpeg.count(), stripes) << width;
        Bytes joined = "previous";
        // Two threads, the stripes in any order.
        std::thread other([&] {
            for (int i = jpeg.count() - 1; i >= 0; i -= 2) ASSERT_TRUE(jpeg.encode(i));
        });
        for (int i = jpeg.count() - 2; i >= 0; i -= 2) ASSERT_TRUE(jpeg.encode(i));
        other.join();
        ASSERT_TRUE(jpeg.join(joined)) << width;
        EXPECT_EQ(pixelsOf(joined), pixelsOf(whole)) << width;
        if (stripes == 1) continue;
        // Nothing is joined while a stripe is missing.
        codec::JpegStripes partial(image);
        ASSERT_TRUE(partial.encode(0));
        Bytes kept = "previous";
        EXPECT_FALSE(partial.join(kept));
        EXPECT_EQ(kept, "previous");
    }
    codec::Image empty;
    EXPECT_EQ(codec::JpegStripes(empty).count(), 0);
}

uint32_t crc32(const Bytes& data) {
    uint32_t crc = 0xFFFFFFFF;
    for (char ch : data) {
        crc ^= static_cast<uint8_t>(ch);
        for (int k = 0; k < 8; ++k) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
    }
    return ~crc;
}

uint32_t bigEndian(uint32_t v) {
    return (v >> 24) | (v >> 8 & 0xFF00) | (v << 8 & 0xFF0000) | (v << 24);
}

// A well-formed PNG start whose header claims the given size.
Bytes pngClaiming(uint32_t width, uint32_t height) {
    Bytes chunk = "IHDR";
    put(chunk, bigEndian(width), 4);
    put(chunk, bigEndian(height), 4);
    chunk += std::string("\x08\x06\x00\x00\x00", 5);
    Bytes png = "\x89PNG\r\n\x1A\n";
    put(png, bigEndian(13), 4);
    png += chunk;
    put(png, bigEndian(crc32(chunk)), 4);
    return png + Bytes(64, '\0');
}

Bytes withField(Bytes bmp, size_t at, uint32_t value, int bytes = 4) {
    for (int i = 0; i < bytes; ++i) bmp[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
    return bmp;
}

Bytes randomBytes(size_t n, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(n, '\0');
    for (char& b : bytes) b = static_cast<char>(random());
    return bytes;
}

TEST(ImageEncoderTest, RefusesMalformedInputAndKeepsOutput) {
    const Bytes bmp = makeBmp(10, 10, gradient);
    Bytes jpeg, png, gif, tiff;
    ASSERT_TRUE(ImageEncoder::Convert(bmp, ImageFormat::Jpeg, jpeg));
    ASSERT_TRUE(ImageEncoder::Convert(bmp, ImageFormat::Png, png));
    ASSERT_TRUE(ImageEncoder::Convert(bmp, ImageFormat::Gif, gif));
    ASSERT_TRUE(ImageEncoder::Convert(bmp, ImageFormat::Tiff, tiff));
    Bytes hugeGif = "GIF89a";
    put(hugeGif, 65535, 2);
    put(hugeGif, 65535, 2);
    hugeGif += Bytes(64, '\0');
    const struct {
        const char* label;
        Bytes input;
    } cases[] = {
        {"empty", ""},
        {"one byte", "B"},
        {"two bytes", "BM"},
        {"100 zero bytes", Bytes(100, '\0')},
        {"random bytes", randomBytes(4096, 1)},
        {"BM and random bytes", "BM" + randomBytes(4094, 2)},
        {"BMP short of one byte", bmp.substr(0, bmp.size() - 1)},
        {"BMP header only", bmp.substr(0, 54)},
        {"BMP cut inside its header", bmp.substr(0, 30)},
        {"BMP claiming 100000 x 100000", withField(withField(bmp, 18, 100000), 22, 100000)},
        {"BMP claiming 100000 x -100000",
         withField(withField(bmp, 18, 100000), 22, static_cast<uint32_t>(-100000))},
        {"24-bit BMP claiming 30000 x 30000",
         withField(withField(makeBmp(4, 4, gradient, {24}), 18, 30000), 22, 30000)},
        {"BMP of width 0", withField(bmp, 18, 0)},
        {"BMP of height 0", withField(bmp, 22, 0)},
        {"BMP with negative width", withField(bmp, 18, static_cast<uint32_t>(-10))},
        {"BMP with its pixels past the end", withField(bmp, 10, 1 << 30)},
        {"BMP with a header past the end", withField(bmp, 14, 0xFFFFFFFF)},
        {"BMP with 4000 palette colours", withField(makeBmp(4, 4, gradient, {8}), 46, 4000)},
        {"PNG claiming 100000 x 100000", pngClaiming(100000, 100000)},
        {"PNG of width 0", pngClaiming(0, 10)},
        {"PNG cut in half", png.substr(0, png.size() / 2)},
        {"PNG signature and random bytes", png.substr(0, 8) + randomBytes(500, 3)},
        {"JPEG cut in half", jpeg.substr(0, jpeg.size() / 2)},
        {"JPEG cut to 100 bytes", jpeg.substr(0, 100)},
        {"JPEG start and random bytes", "\xFF\xD8\xFF" + randomBytes(2000, 4)},
        {"GIF claiming 65535 x 65535", hugeGif},
        {"GIF cut in half", gif.substr(0, gif.size() / 2)},
        {"GIF signature and zeros", "GIF89a" + Bytes(100, '\0')},
        {"TIFF cut in half", tiff.substr(0, tiff.size() / 2)},
        {"TIFF signature and random bytes", std::string("II*\0", 4) + randomBytes(500, 5)},
    };
    for (const auto& c : cases) {
        Bytes out = "previous";
        EXPECT_FALSE(ImageEncoder::Convert(c.input, ImageFormat::Jpeg, out)) << c.label;
        EXPECT_EQ(out, "previous") << c.label;
    }
}

// A caller's own pixel limit holds in every reader, at the header, before the pixels.
TEST(ImageEncoderTest, ACallersPixelLimitHoldsInEveryReader) {
    const Bytes bmp = makeBmp(10, 10, gradient);
    std::vector<std::pair<std::string, Bytes>> files = {
        {"32-bit BMP", bmp},
        {"8-bit BMP", makeBmp(10, 10, gradient, {8})},
        {"16-bit BMP", makeBmp(10, 10, gradient, {16})}};
    for (const auto& [name, format] : {std::pair{"JPEG", ImageFormat::Jpeg},
                                       {"PNG", ImageFormat::Png},
                                       {"GIF", ImageFormat::Gif},
                                       {"TIFF", ImageFormat::Tiff}}) {
        ASSERT_TRUE(ImageEncoder::Convert(bmp, format, files.emplace_back(name, "").second))
            << name;
    }
    for (const auto& [name, file] : files) {
        codec::Image image;
        EXPECT_FALSE(codec::decode(file, image, 99)) << name;
        EXPECT_EQ(image.width, 0) << name;
        EXPECT_TRUE(codec::decode(file, image, 100)) << name;
        EXPECT_EQ(image.width * image.height, 100) << name;
    }
}

TEST(ImageEncoderTest, RefusesFormatsOutsideTheFive) {
    const Bytes bmp = makeBmp(10, 10, gradient);
    for (int format : {0, 6, -1, 100}) {
        Bytes out = "previous";
        EXPECT_FALSE(ImageEncoder::Convert(bmp, static_cast<ImageFormat>(format), out)) << format;
        EXPECT_EQ(out, "previous") << format;
    }
}

}  // namespace
