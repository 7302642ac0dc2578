#pragma once

#include <memory>
#include <string>

#include <QImage>

// An OpenGL compatibility context that needs no display: EGL on Mesa's surfaceless
// platform, drawing into a framebuffer object with an RGBA8 colour buffer and a 24-bit
// depth buffer. For tools and tests that draw without a window.
class HeadlessContext {
public:
    // Makes the context current with a framebuffer of the given size bound, with this many
    // samples a pixel (0: one, as a plain framebuffer has), resolved as pixels are read.
    // Throws std::runtime_error, saying which step failed, when no such context can be had.
    HeadlessContext(int width, int height, int samples = 0);
    ~HeadlessContext();
    HeadlessContext(const HeadlessContext&) = delete;
    HeadlessContext& operator=(const HeadlessContext&) = delete;

    int width() const;
    int height() const;
    // Waits for drawing to finish and reads the framebuffer back, top row first, as an
    // opaque image: what a window shows of the frame.
    QImage readPixels() const;

private:
    struct State;
    std::unique_ptr<State> _state;
};
