#pragma once

#include <span>

// Whether a BMP file holds every pixel its header declares: all the rows of an
// uncompressed bitmap, or run-length codes that write every pixel of every row (no
// rows ended early, no pixels skipped by a jump). Qt's reader leaves the pixels a file
// lacks as whatever memory held before, so a bitmap without all of them is not decoded.
bool bitmapHoldsEveryPixel(std::span<const unsigned char> file);
