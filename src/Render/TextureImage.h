#pragma once

#include <string_view>

#include <QImage>
#include <QString>

// Image files larger than this are not read for textures.
constexpr size_t kMaxTextureFileBytes = size_t{256} << 20;

// Decodes an image file's bytes for a texture: RGBA, 8 bits a channel, the image's top
// row first, colour and alpha as stored; only when the size its header declares could
// come from a file of its length. `name` is the file's name, whose extension tells a TGA
// file. Qt's readers come first; TGA files they cannot read (run-length encoded or grey,
// or without the 2.0 footer) go to stb_image. A null image means the file could not be
// read, or (with `tooLarge` set) that its pixels as RGBA would take more than
// `maxBytes`, which is seen before decoding.
QImage decodeTextureImage(std::string_view file, std::string_view name, qint64 maxBytes = qint64{1} << 30,
                          bool* tooLarge = nullptr);
// The same for the file at `path`, read as the file system source reads it: a regular
// file only (a FIFO or a device never holds the caller up).
QImage decodeTextureImage(const QString& path, qint64 maxBytes = qint64{1} << 30, bool* tooLarge = nullptr);

// The image scaled down, keeping its aspect ratio, so neither side exceeds `maxSize`;
// unchanged when it already fits.
QImage fitTextureImage(const QImage& image, int maxSize);
