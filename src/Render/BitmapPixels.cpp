#include "BitmapPixels.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

// Compression kinds a bitmap's header names.
constexpr uint32_t kUncompressed = 0, kRunLength8 = 1, kRunLength4 = 2, kBitFields = 3, kAlphaBitFields = 6;

struct Bytes {
    std::span<const unsigned char> file;
    bool has(uint64_t at, uint64_t count) const { return at <= file.size() && count <= file.size() - at; }
    uint32_t u16(size_t at) const { return has(at, 2) ? file[at] | file[at + 1] << 8 : 0; }
    uint32_t u32(size_t at) const { return has(at, 4) ? u16(at) | u16(at + 2) << 16 : 0; }
};

// Whether the run-length codes from `at` write every pixel of `width` x `height`.
bool runsCoverEveryPixel(const Bytes& bytes, uint64_t at, int64_t width, int64_t height, bool fourBits) {
    int64_t x = 0, y = 0;
    auto finished = [&] { return y == height || (y == height - 1 && x >= width); };
    while (bytes.has(at, 2)) {
        const uint32_t count = bytes.file[at], code = bytes.file[at + 1];
        at += 2;
        if (count > 0) {  // a run of one value
            x += count;
        } else if (code == 0) {  // end of the row: the rest of it is not written
            if (x < width) return false;
            x = 0;
            if (++y == height) return true;
        } else if (code == 1) {  // end of the bitmap
            return finished();
        } else if (code == 2) {  // a jump over pixels, which stay unwritten
            return false;
        } else {  // `code` pixels given one by one, padded to a 16-bit boundary
            const uint64_t stored = fourBits ? (code + 1) / 2 : code;
            at += (stored + 1) / 2 * 2;
            if (at > bytes.file.size()) return false;
            x += code;
        }
    }
    return finished();
}

}  // namespace

bool bitmapHoldsEveryPixel(std::span<const unsigned char> file) {
    const Bytes bytes{file};
    if (!bytes.has(0, 26)) return false;
    const uint32_t headerSize = bytes.u32(14);
    const bool core = headerSize == 12;  // the oldest header: 16-bit sizes, 3-byte palette entries
    const int64_t width = core ? bytes.u16(18) : static_cast<int32_t>(bytes.u32(18));
    const int64_t height = std::llabs(core ? bytes.u16(20) : static_cast<int32_t>(bytes.u32(22)));
    const uint32_t bits = core ? bytes.u16(24) : bytes.u16(28);
    const uint32_t compression = core || headerSize < 20 ? kUncompressed : bytes.u32(30);
    const uint32_t coloursUsed = core || headerSize < 36 ? 0 : bytes.u32(46);
    if (width <= 0 || height <= 0 || bits == 0 || bits > 32) return false;

    // The pixels start where the file header says, and never before the palette's end.
    uint64_t masks = 0;
    if (headerSize == 40 && compression == kBitFields) masks = 12;
    if (headerSize == 40 && compression == kAlphaBitFields) masks = 16;
    const uint64_t colours = coloursUsed ? coloursUsed : bits <= 8 ? uint64_t{1} << bits : 0;
    const uint64_t palette = colours * (core ? 3 : 4);
    const uint64_t pixels = std::max<uint64_t>(bytes.u32(10), 14 + uint64_t{headerSize} + masks + palette);

    if (compression == kRunLength8 || compression == kRunLength4)
        return runsCoverEveryPixel(bytes, pixels, width, height, compression == kRunLength4);
    const uint64_t rowBytes = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    return rowBytes <= file.size() && bytes.has(pixels, rowBytes * static_cast<uint64_t>(height));
}
