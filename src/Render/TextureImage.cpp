#include "TextureImage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <optional>

#include <QBuffer>
#include <QFile>
#include <QImageReader>

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

// Larger files and images are refused rather than read: 256 M pixels are 1 GiB as RGBA.
constexpr qint64 kMaxFileBytes = qint64{256} << 20;
constexpr qint64 kMaxPixels = qint64{1} << 28;
constexpr int kAllocationLimitMB = 1024;
// No compressed image holds more pixels than this many a byte of its file (deflate at
// its best on one-bit pixels); a header that says more is lying.
constexpr qint64 kMostPixelsPerByte = 16384;

// The bytes of a regular file; none for anything else. Opened without blocking, so a
// FIFO without a writer does not wait for one.
std::optional<QByteArray> readRegularFile(const QString& path) {
    int fd = open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::unique_ptr<int, void (*)(int*)> closer(&fd, [](int* f) { close(*f); });
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > kMaxFileBytes) return std::nullopt;
    QByteArray bytes(static_cast<qsizetype>(status.st_size), Qt::Uninitialized);
    qsizetype used = 0;
    while (used < bytes.size()) {
        ssize_t got = read(fd, bytes.data() + used, static_cast<size_t>(bytes.size() - used));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return std::nullopt;  // cut short while read
        used += got;
    }
    return bytes;
}

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

// What a decoder may take: pixels the file's length could hold, in as many bytes as
// allowed; `tooLarge` tells the second apart.
struct Allowance {
    qint64 fileBytes;
    qint64 maxBytes;
    bool* tooLarge;
    bool allows(qint64 pixels) const {
        if (pixels > kMostPixelsPerByte * fileBytes || pixels > kMaxPixels) return false;
        if (pixels * 4 <= maxBytes) return true;
        if (tooLarge) *tooLarge = true;
        return false;
    }
};

QImage decodeWithQt(QByteArray& file, const Allowance& allowance) {
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(kAllocationLimitMB);
    QSize declared = reader.size();
    if (declared.isValid() && !allowance.allows(qint64{declared.width()} * declared.height())) return {};
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

QImage decodeTextureImage(const QString& path, qint64 maxBytes, bool* tooLarge) {
    std::optional<QByteArray> file = readRegularFile(path);
    if (!file) return {};
    const Allowance allowance{file->size(), maxBytes, tooLarge};
    std::optional<TargaSize> targa = path.endsWith(".tga", Qt::CaseInsensitive) ? targaSize(*file) : std::nullopt;
    if (targa && (targa->leastBytes > file->size() || !allowance.allows(targa->pixels))) return {};
    QImage image = decodeWithQt(*file, allowance);
    if (image.isNull() && targa) image = decodeTargaWithStb(*file, allowance);
    if (image.isNull()) return {};
    return image.convertToFormat(QImage::Format_RGBA8888);
}

QImage fitTextureImage(const QImage& image, int maxSize) {
    if (maxSize <= 0 || (image.width() <= maxSize && image.height() <= maxSize)) return image;
    return image.scaled(maxSize, maxSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}
