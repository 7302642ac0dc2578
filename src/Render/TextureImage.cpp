#include "TextureImage.h"

#include <memory>

#include <QFile>
#include <QImageReader>
#include <stb_image.h>

namespace {

// Larger images are refused rather than decoded: 256 M pixels are 1 GiB as RGBA.
constexpr qint64 kMaxPixels = qint64{1} << 28;
constexpr int kAllocationLimitMB = 1024;

QImage decodeWithQt(const QString& path) {
    QImageReader reader(path);
    reader.setAllocationLimit(kAllocationLimitMB);
    return reader.read();
}

QImage decodeWithStb(const QString& path) {
    QByteArray file = QFile::encodeName(path);
    int width = 0, height = 0, channels = 0;
    if (!stbi_info(file.constData(), &width, &height, &channels)) return {};
    if (width <= 0 || height <= 0 || qint64{width} * height > kMaxPixels) return {};
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load(file.constData(), &width, &height, &channels, 4), stbi_image_free);
    if (!pixels) return {};
    QImage image(pixels.get(), width, height, width * 4, QImage::Format_RGBA8888);
    return image.copy();  // own the pixels before stb's buffer is freed
}

}  // namespace

QImage decodeTextureImage(const QString& path) {
    QImage image = decodeWithQt(path);
    if (image.isNull()) image = decodeWithStb(path);
    if (image.isNull()) return {};
    return image.convertToFormat(QImage::Format_RGBA8888);
}

QImage fitTextureImage(const QImage& image, int maxSize) {
    if (maxSize <= 0 || (image.width() <= maxSize && image.height() <= maxSize)) return image;
    return image.scaled(maxSize, maxSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}
