#include "FrameImage.h"

#include "RenderGL.h"

QImage readFrameImage(int width, int height) {
    glFinish();
    QImage image(width, height, QImage::Format_RGBA8888);
    if (image.isNull()) return {};  // no memory for it
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
    // OpenGL's rows run bottom to top; a window shows the colour without its alpha.
    return image.mirrored().convertToFormat(QImage::Format_RGB32);
}
