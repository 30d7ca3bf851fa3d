#include "platform/codec/jpeg_codec.h"

#include <turbojpeg.h>

#include <climits>
#include <cstdint>
#include <memory>

namespace {

struct HandleDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using Handle = std::unique_ptr<void, HandleDeleter>;

struct BufferDeleter {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

}  // namespace

bool JpegCodec::encode(const codec::Image& image, std::string& file) {
    if (image.width <= 0 || image.height <= 0 || image.width > codec::kMaxSide ||
        image.height > codec::kMaxSide) {
        return false;
    }
    // Kept by each thread that encodes: a capture's JPEG is written into pages that are
    // already there (a fresh megabyte costs hundreds of page faults), and the compressor is
    // made once.
    thread_local Handle compressor(tjInitCompress());
    thread_local std::unique_ptr<unsigned char, BufferDeleter> buffer;
    thread_local unsigned long bufferSize = 0;
    if (!compressor) return false;

    // The library takes no negative pitch; bottom-up rows are given from their lowest
    // address with the bottom-up flag instead.
    const unsigned char* rows = image.top;
    std::ptrdiff_t pitch = image.pitch;
    int flags = TJFLAG_NOREALLOC;
    if (pitch < 0) {
        rows = image.top + (image.height - 1) * pitch;
        pitch = -pitch;
        flags |= TJFLAG_BOTTOMUP;
    }
    // A worst-case buffer, so the library never grows it by copying; its untouched pages
    // cost nothing.
    const unsigned long capacity = tjBufSize(image.width, image.height, TJSAMP_420);
    if (capacity == static_cast<unsigned long>(-1) || capacity > INT_MAX) return false;
    if (capacity > bufferSize) {
        buffer.reset();
        bufferSize = 0;
        buffer.reset(tjAlloc(static_cast<int>(capacity)));
        if (!buffer) return false;
        bufferSize = capacity;
    }
    unsigned char* out = buffer.get();
    unsigned long length = bufferSize;
    if (tjCompress2(compressor.get(), rows, image.width, static_cast<int>(pitch), image.height,
                    TJPF_BGRX, &out, &length, TJSAMP_420, kQuality, flags) != 0) {
        return false;
    }
    file.assign(reinterpret_cast<const char*>(out), length);
    return true;
}

DecodeOutcome JpegCodec::decode(std::string_view file, codec::Image& image,
                                std::int64_t maxPixels) {
    Handle decompressor(tjInitDecompress());
    if (!decompressor) return DecodeOutcome::Refused;
    const auto* data = reinterpret_cast<const unsigned char*>(file.data());
    const auto size = static_cast<unsigned long>(file.size());
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourSpace = 0;
    if (tjDecompressHeader3(decompressor.get(), data, size, &width, &height, &subsampling,
                            &colourSpace) != 0) {
        return DecodeOutcome::Refused;
    }
    if (!codec::acceptableSize(width, height, maxPixels)) return DecodeOutcome::Refused;
    if (colourSpace == TJCS_CMYK || colourSpace == TJCS_YCCK) return DecodeOutcome::OtherVariant;

    codec::Image decoded;
    decoded.width = width;
    decoded.height = height;
    decoded.pitch = std::ptrdiff_t{width} * 4;
    decoded.storage.resize(static_cast<size_t>(decoded.pitch) * static_cast<size_t>(height));
    // Warnings (a truncated scan among them) fail too: the library would pad the missing
    // part with grey, and an untrusted file gets no benefit of the doubt. The scan limit
    // stops progressive files built to take forever.
    if (tjDecompress2(decompressor.get(), data, size, decoded.storage.data(), width,
                      static_cast<int>(decoded.pitch), height, TJPF_BGRX,
                      TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS) != 0) {
        return DecodeOutcome::Refused;
    }
    decoded.top = decoded.storage.data();
    image = std::move(decoded);
    return DecodeOutcome::Decoded;
}
