// bytes -> texture: any file decodes to an RGBA image or to none, never a crash, a read
// of memory the file did not fill, or more memory than the budget allows. The first
// byte picks the file's suffix (TGA has no signature of its own); the rest is the file.

#include <unistd.h>

#include <QFile>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "TextureImage.h"

namespace {

constexpr qint64 kBudget = qint64{16} << 20;

// A file of this process's own in the temporary folder, per suffix.
QString scratchPath(const char* suffix) {
    const char* folder = std::getenv("TMPDIR");
    return QString("%1/zelto-fuzz-texture-%2%3").arg(folder ? folder : "/tmp").arg(getpid()).arg(suffix);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const char* const suffixes[] = {".tga", ".png", ".bmp", ".jpg"};
    const QString path = scratchPath(suffixes[data[0] % 4]);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    file.write(reinterpret_cast<const char*>(data + 1), static_cast<qint64>(size - 1));
    file.close();
    bool tooLarge = false;
    QImage image = decodeTextureImage(path, kBudget, &tooLarge);
    QFile::remove(path);
    if (image.isNull()) return 0;
    if (tooLarge || image.format() != QImage::Format_RGBA8888 || image.sizeInBytes() > kBudget) std::abort();
    // Every pixel is read: memory the decoder left unfilled shows under the sanitizers.
    uint32_t sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (qsizetype x = 0; x < image.bytesPerLine(); ++x) sum += row[x];
    }
    volatile uint32_t keep = sum;
    (void)keep;
    (void)fitTextureImage(image, 64);
    return 0;
}
