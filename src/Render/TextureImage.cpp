#include "TextureImage.h"

#include <cstdlib>
#include <memory>
#include <optional>

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include "BitmapPixels.h"
#include "FileSystemSource.h"

// stb_image's TGA reader, built here with zeroed allocations: pixels a file lacks read as
// transparent black, never as whatever memory held before.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STBI_MALLOC(size) std::calloc(1, size)
#define STBI_REALLOC(pointer, size) std::realloc(pointer, size)
#define STBI_FREE(pointer) std::free(pointer)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace {

// Larger images are refused rather than read: 256 M pixels are 1 GiB as RGBA.
constexpr qint64 kMaxPixels = qint64{1} << 28;
constexpr int kAllocationLimitMB = 1024;
// No compressed image holds more pixels than this many a byte of its file (deflate at
// its best on one-bit pixels); a header that says more is lying.
constexpr qint64 kMostPixelsPerByte = 16384;

// What a TGA header declares: the pixels, and the fewest bytes that could hold them.
struct TargaSize {
    qint64 pixels = 0;
    qint64 leastBytes = 0;
};
std::optional<TargaSize> targaSize(const QByteArray& file) {
    if (file.size() < 18) return std::nullopt;
    auto byte = [&](int i) { return static_cast<qint64>(static_cast<unsigned char>(file[i])); };
    const qint64 type = byte(2), width = byte(12) | byte(13) << 8, height = byte(14) | byte(15) << 8;
    const qint64 pixelBytes = (byte(16) + 7) / 8, colourMap = (byte(5) | byte(6) << 8) * ((byte(7) + 7) / 8);
    if (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11) return std::nullopt;
    // Uncompressed: every pixel stored. Run-length encoded: at most 128 pixels a packet
    // of a count byte and one pixel.
    qint64 data = type < 9 ? width * height * pixelBytes : (width * height + 127) / 128 * (1 + pixelBytes);
    return TargaSize{width * height, 18 + byte(0) + colourMap + data};
}

using Fault = TextureDecoding::Fault;

// What a decoder may take: pixels the file's length could hold, in as many bytes as
// allowed. What it refuses is said in `refusal`.
struct Allowance {
    qint64 fileBytes;
    qint64 maxBytes;
    TextureDecoding& refusal;
    bool allows(qint64 pixels) const {
        if (pixels > kMostPixelsPerByte * fileBytes || pixels > kMaxPixels) {
            refusal.fault = Fault::NotAnImage;
            refusal.reason = "its header claims more pixels than its file could hold";
            return false;
        }
        if (pixels * 4 <= maxBytes) return true;
        refusal.fault = Fault::TooLarge;
        refusal.reason = "its pixels would take " + std::to_string(pixels * 4 >> 20) + " MB";
        return false;
    }
};

void refuseAsCutShort(TextureDecoding& refusal) {
    refusal.fault = Fault::CutShort;
    refusal.reason = "its file ends before its pixels do";
}

QImage decodeWithQt(QByteArray& file, const Allowance& allowance) {
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(kAllocationLimitMB);
    QSize declared = reader.size();
    if (declared.isValid() && !allowance.allows(qint64{declared.width()} * declared.height())) return {};
    if (reader.format() == "bmp" &&
        !bitmapHoldsEveryPixel({reinterpret_cast<const unsigned char*>(file.constData()), static_cast<size_t>(file.size())})) {
        refuseAsCutShort(allowance.refusal);
        return {};
    }
    return reader.read();
}

QImage decodeTargaWithStb(const QByteArray& file, const Allowance& allowance) {
    int width = 0, height = 0, channels = 0;
    auto* data = reinterpret_cast<const stbi_uc*>(file.constData());
    if (!stbi_info_from_memory(data, static_cast<int>(file.size()), &width, &height, &channels)) return {};
    if (width <= 0 || height <= 0 || !allowance.allows(qint64{width} * height)) return {};
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load_from_memory(data, static_cast<int>(file.size()), &width, &height, &channels, 4), stbi_image_free);
    if (!pixels) return {};
    QImage image(pixels.get(), width, height, width * 4, QImage::Format_RGBA8888);
    return image.copy();  // own the pixels before stb's buffer is freed
}

}  // namespace

TextureDecoding decodeTexture(std::string_view bytes, std::string_view name, qint64 maxBytes) {
    TextureDecoding decoding;
    // The caller's bytes, not copied.
    QByteArray file = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const Allowance allowance{file.size(), maxBytes, decoding};
    const bool tga = name.size() >= 4 && QByteArray(name.data() + name.size() - 4, 4).toLower() == ".tga";
    std::optional<TargaSize> targa = tga ? targaSize(file) : std::nullopt;
    if (targa && targa->leastBytes > file.size()) {
        refuseAsCutShort(decoding);
        return decoding;
    }
    if (targa && !allowance.allows(targa->pixels)) return decoding;
    QImage image = decodeWithQt(file, allowance);
    if (image.isNull() && targa && decoding.fault == Fault::None) image = decodeTargaWithStb(file, allowance);
    if (image.isNull()) {
        if (decoding.fault == Fault::None) {
            decoding.fault = Fault::NotAnImage;
            decoding.reason = "it is no image that can be read";
        }
        return decoding;
    }
    decoding.image = image.convertToFormat(QImage::Format_RGBA8888);
    return decoding;
}

QImage decodeTextureImage(const QString& path, qint64 maxBytes, bool* tooLarge) {
    const std::string name = QFile::encodeName(path).toStdString();
    try {
        zelto::SourceBytes file = zelto::fileSystem().open(name, kMaxTextureFileBytes);
        TextureDecoding decoding = decodeTexture(file.bytes.view(), name, maxBytes);
        if (tooLarge) *tooLarge = decoding.fault == TextureDecoding::Fault::TooLarge;
        return file.bytes.truncated() ? QImage() : decoding.image;  // cut short while it was decoded
    } catch (const zelto::SourceError&) {
        return {};
    }
}

QImage fitTextureImage(const QImage& image, int maxSize) {
    if (maxSize <= 0 || (image.width() <= maxSize && image.height() <= maxSize)) return image;
    return image.scaled(maxSize, maxSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}
