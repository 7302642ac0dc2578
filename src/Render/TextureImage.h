#pragma once

#include <string>
#include <string_view>

#include <QImage>
#include <QString>

// Image files larger than this are not read for textures.
constexpr size_t kMaxTextureFileBytes = size_t{256} << 20;

// What decoding a texture file gave: its image, or why there is none.
struct TextureDecoding {
    QImage image;  // RGBA, 8 bits a channel; null when the file gave none
    enum class Fault {
        None,
        NotAnImage,  // no image a reader takes, or a header that lies about its size
        CutShort,    // the file ends before the pixels its header declares
        TooLarge,    // its pixels would take more than the bytes allowed
    } fault = Fault::None;
    std::string reason;  // the fault in words, for warnings: "its file ends before its pixels do"
};

// Decodes an image file's bytes for a texture: RGBA, 8 bits a channel, the image's top
// row first, colour and alpha as stored; only when the size its header declares could
// come from a file of its length, and only when the file holds every pixel (a bitmap
// whose file is short is refused, not shown with whatever memory held). `name` is the
// file's name, whose extension tells a TGA file. Qt's readers come first; TGA files they
// cannot read (run-length encoded or grey, or without the 2.0 footer) go to stb_image.
// Pixels that would take more than `maxBytes` as RGBA are seen before decoding.
TextureDecoding decodeTexture(std::string_view file, std::string_view name, qint64 maxBytes = qint64{1} << 30);
// The same for the file at `path`, read as the file system source reads it: a regular
// file only (a FIFO or a device never holds the caller up). A null image when there is
// none, with `tooLarge` set when that is why.
QImage decodeTextureImage(const QString& path, qint64 maxBytes = qint64{1} << 30, bool* tooLarge = nullptr);

// The image scaled down, keeping its aspect ratio, so neither side exceeds `maxSize`;
// unchanged when it already fits.
QImage fitTextureImage(const QImage& image, int maxSize);
