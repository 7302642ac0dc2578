#include "FrameImage.h"

#include "RenderGL.h"

QImage readFrameImage(int width, int height, bool keepAlpha) {
    glFinish();
    // No frame is larger than OpenGL draws; asking for more is a fault, not a picture.
    GLint largest[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, largest);
    if (width <= 0 || height <= 0 || width > largest[0] || height > largest[1]) return {};
    QImage image(width, height, QImage::Format_RGBA8888);
    if (image.isNull()) return {};  // no memory for it
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    // OpenGL's rows run bottom to top; a window shows the colour without its alpha.
    if (!keepAlpha) return image.mirrored().convertToFormat(QImage::Format_RGB32);
    image.reinterpretAsFormat(QImage::Format_RGBA8888_Premultiplied);
    return image.mirrored().convertToFormat(QImage::Format_ARGB32);
}
