#pragma once

#include <QImage>
#include <QString>

// Decodes an image file for a texture: RGBA, 8 bits a channel, the image's top row
// first, colour and alpha as stored. Qt's readers come first; files they cannot read
// (run-length encoded or grey TGA files, TGA files without the 2.0 footer) go to
// stb_image. A null image means the file could not be read at all.
QImage decodeTextureImage(const QString& path);

// The image scaled down, keeping its aspect ratio, so neither side exceeds `maxSize`;
// unchanged when it already fits.
QImage fitTextureImage(const QImage& image, int maxSize);
