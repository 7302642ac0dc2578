#pragma once

#include <QImage>

// The frame just drawn in the bound framebuffer, as a window shows it: waits for drawing
// to finish and reads `width` × `height` pixels back, top row first, without alpha.
// The tools and the window's pictures both come through here. A null image when there
// is no memory for it.
QImage readFrameImage(int width, int height);
