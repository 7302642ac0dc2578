#pragma once

#include <QImage>
#include <QString>

// Decodes an image file for a texture: RGBA, 8 bits a channel, the image's top row
// first, colour and alpha as stored. Only a regular file is read (a FIFO or a device
// never holds the caller up), and only when the size its header declares could come
// from a file of its length. Qt's readers come first; TGA files they cannot read
// (run-length encoded or grey, or without the 2.0 footer) go to stb_image. A null image
// means the file could not be read, or (with `tooLarge` set) that its pixels as RGBA
// would take more than `maxBytes`, which is seen before decoding.
QImage decodeTextureImage(const QString& path, qint64 maxBytes = qint64{1} << 30, bool* tooLarge = nullptr);

// The image scaled down, keeping its aspect ratio, so neither side exceeds `maxSize`;
// unchanged when it already fits.
QImage fitTextureImage(const QImage& image, int maxSize);
