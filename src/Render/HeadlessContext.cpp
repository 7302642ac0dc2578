#include "HeadlessContext.h"

#include <stdexcept>

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include "FrameImage.h"
#include "RenderGL.h"

namespace {

// Framebuffer objects are past OpenGL 1.x: their entry points come from EGL.
using GenFramebuffers = void (*)(GLsizei, GLuint*);
using BindFramebuffer = void (*)(GLenum, GLuint);
using FramebufferRenderbuffer = void (*)(GLenum, GLenum, GLenum, GLuint);
using RenderbufferStorage = void (*)(GLenum, GLenum, GLsizei, GLsizei);
using CheckFramebufferStatus = GLenum (*)(GLenum);
using DeleteFramebuffers = void (*)(GLsizei, const GLuint*);
using RenderbufferStorageMultisample = void (*)(GLenum, GLsizei, GLenum, GLsizei, GLsizei);
using BlitFramebuffer = void (*)(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield, GLenum);

constexpr GLenum kFramebuffer = 0x8D40;
constexpr GLenum kRenderbuffer = 0x8D41;
constexpr GLenum kColorAttachment0 = 0x8CE0;
constexpr GLenum kDepthAttachment = 0x8D00;
constexpr GLenum kFramebufferComplete = 0x8CD5;
constexpr GLenum kRGBA8 = 0x8058;
constexpr GLenum kDepthComponent24 = 0x81A6;
constexpr GLenum kReadFramebuffer = 0x8CA8;
constexpr GLenum kDrawFramebuffer = 0x8CA9;

template <typename F>
F entryPoint(const char* name) {
    auto address = reinterpret_cast<F>(eglGetProcAddress(name));
    if (!address) throw std::runtime_error(std::string("OpenGL has no ") + name);
    return address;
}

[[noreturn]] void fail(const char* step) {
    throw std::runtime_error(std::string("cannot set up OpenGL without a display: ") + step);
}

}  // namespace

// Everything set up so far, let go in its destructor: also when set-up fails half way.
struct HeadlessContext::State {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    GLuint framebuffer = 0;
    GLuint renderbuffers[2] = {0, 0};
    // With samples: the single-sample framebuffer they are resolved into.
    GLuint resolved = 0;
    GLuint resolvedColour = 0;
    int width = 0;
    int height = 0;

    ~State() {
        if (context != EGL_NO_CONTEXT) {
            if (framebuffer) {
                auto deleteFramebuffers = reinterpret_cast<DeleteFramebuffers>(eglGetProcAddress("glDeleteFramebuffers"));
                auto deleteRenderbuffers = reinterpret_cast<DeleteFramebuffers>(eglGetProcAddress("glDeleteRenderbuffers"));
                if (deleteFramebuffers) deleteFramebuffers(1, &framebuffer);
                if (deleteRenderbuffers) deleteRenderbuffers(2, renderbuffers);
                if (deleteFramebuffers && resolved) deleteFramebuffers(1, &resolved);
                if (deleteRenderbuffers && resolvedColour) deleteRenderbuffers(1, &resolvedColour);
            }
            eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
            eglDestroyContext(display, context);
        }
        if (display != EGL_NO_DISPLAY) eglTerminate(display);
    }
};

HeadlessContext::HeadlessContext(int width, int height, int samples) : _state(std::make_unique<State>()) {
    if (width <= 0 || height <= 0) throw std::runtime_error("the image size must be positive");
    if (samples < 0) throw std::runtime_error("the samples a pixel cannot be negative");
    _state->width = width;
    _state->height = height;
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) fail("EGL has no platform displays");
    _state->display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (_state->display == EGL_NO_DISPLAY) fail("no surfaceless EGL display");
    if (!eglInitialize(_state->display, nullptr, nullptr)) fail("EGL does not initialise");
    if (!eglBindAPI(EGL_OPENGL_API)) fail("EGL has no desktop OpenGL");
    const EGLint attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                 EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    _state->context = eglCreateContext(_state->display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    if (_state->context == EGL_NO_CONTEXT) fail("no compatibility context");
    if (!eglMakeCurrent(_state->display, EGL_NO_SURFACE, EGL_NO_SURFACE, _state->context))
        fail("the context cannot be made current");

    auto genFramebuffers = entryPoint<GenFramebuffers>("glGenFramebuffers");
    auto bindFramebuffer = entryPoint<BindFramebuffer>("glBindFramebuffer");
    auto genRenderbuffers = entryPoint<GenFramebuffers>("glGenRenderbuffers");
    auto bindRenderbuffer = entryPoint<BindFramebuffer>("glBindRenderbuffer");
    auto storage = entryPoint<RenderbufferStorage>("glRenderbufferStorage");
    auto attach = entryPoint<FramebufferRenderbuffer>("glFramebufferRenderbuffer");
    auto status = entryPoint<CheckFramebufferStatus>("glCheckFramebufferStatus");

    auto multisampled = samples > 0 ? entryPoint<RenderbufferStorageMultisample>("glRenderbufferStorageMultisample")
                                    : nullptr;
    // Storage for the bound renderbuffer, with the samples asked for.
    auto store = [&](GLenum format) {
        if (multisampled)
            multisampled(kRenderbuffer, samples, format, width, height);
        else
            storage(kRenderbuffer, format, width, height);
    };
    if (samples > 0) {
        // The picture is read from a plain framebuffer the samples are resolved into.
        genFramebuffers(1, &_state->resolved);
        bindFramebuffer(kFramebuffer, _state->resolved);
        genRenderbuffers(1, &_state->resolvedColour);
        bindRenderbuffer(kRenderbuffer, _state->resolvedColour);
        storage(kRenderbuffer, kRGBA8, width, height);
        attach(kFramebuffer, kColorAttachment0, kRenderbuffer, _state->resolvedColour);
        if (status(kFramebuffer) != kFramebufferComplete) fail("the framebuffer is incomplete");
    }
    genFramebuffers(1, &_state->framebuffer);
    bindFramebuffer(kFramebuffer, _state->framebuffer);
    genRenderbuffers(2, _state->renderbuffers);
    bindRenderbuffer(kRenderbuffer, _state->renderbuffers[0]);
    store(kRGBA8);
    attach(kFramebuffer, kColorAttachment0, kRenderbuffer, _state->renderbuffers[0]);
    bindRenderbuffer(kRenderbuffer, _state->renderbuffers[1]);
    store(kDepthComponent24);
    attach(kFramebuffer, kDepthAttachment, kRenderbuffer, _state->renderbuffers[1]);
    if (status(kFramebuffer) != kFramebufferComplete) fail("the framebuffer is incomplete");
    glViewport(0, 0, width, height);
}

HeadlessContext::~HeadlessContext() = default;

int HeadlessContext::width() const { return _state->width; }
int HeadlessContext::height() const { return _state->height; }

QImage HeadlessContext::readPixels() const {
    if (!_state->resolved) return readFrameImage(_state->width, _state->height);
    auto bindFramebuffer = entryPoint<BindFramebuffer>("glBindFramebuffer");
    auto blit = entryPoint<BlitFramebuffer>("glBlitFramebuffer");
    bindFramebuffer(kReadFramebuffer, _state->framebuffer);
    bindFramebuffer(kDrawFramebuffer, _state->resolved);
    blit(0, 0, _state->width, _state->height, 0, 0, _state->width, _state->height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    bindFramebuffer(kFramebuffer, _state->resolved);
    QImage image = readFrameImage(_state->width, _state->height);
    bindFramebuffer(kFramebuffer, _state->framebuffer);
    return image;
}
