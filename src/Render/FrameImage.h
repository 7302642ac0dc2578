#pragma once

#include <QImage>

// The frame just drawn in the bound framebuffer, as a window shows it: waits for drawing
// to finish and reads `width` × `height` pixels back, top row first, without alpha.
// The tools and the window's pictures both come through here. A null image when there
// is no memory for it. With `keepAlpha`, the alpha stays, for frames drawn over a
// transparent background (whose colours are premultiplied by it).
QImage readFrameImage(int width, int height, bool keepAlpha = false);
