// HeadlessGl: surfaceless EGL display, compatibility context, framebuffer object.
#include "HeadlessGl.h"

#define GL_GLEXT_PROTOTYPES
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#ifndef EGL_PLATFORM_SURFACELESS_MESA
#define EGL_PLATFORM_SURFACELESS_MESA 0x31DD
#endif

HeadlessGl::~HeadlessGl() { destroy(); }

bool HeadlessGl::create(int width, int height) {
    destroy();
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
        error_ = "eglGetPlatformDisplayEXT is not available";
        return false;
    }
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) {
        error_ = "cannot initialise the surfaceless EGL display";
        return false;
    }
    display_ = display;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error_ = "EGL cannot bind the OpenGL API";
        destroy();
        return false;
    }
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_RED_SIZE, 8,
                                       EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count == 0) {
        // Surfaceless displays may offer configs without colour sizes; take any GL config.
        const EGLint anyGl[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
        if (!eglChooseConfig(display, anyGl, &config, 1, &count) || count == 0) config = nullptr;
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) {
        error_ = "cannot create a compatibility-profile OpenGL context";
        destroy();
        return false;
    }
    context_ = context;
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
        error_ = "cannot make the surfaceless context current";
        destroy();
        return false;
    }
    if (!makeFramebuffer(width, height)) {
        destroy();
        return false;
    }
    return true;
}

bool HeadlessGl::resize(int width, int height) {
    if (!context_) return false;
    dropFramebuffer();
    return makeFramebuffer(width, height);
}

bool HeadlessGl::makeFramebuffer(int width, int height) {
    if (width < 1 || height < 1) {
        error_ = "framebuffer size must be positive";
        return false;
    }
    glGenFramebuffers(1, &framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glGenRenderbuffers(1, &colour_);
    glBindRenderbuffer(GL_RENDERBUFFER, colour_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
    glGenRenderbuffers(1, &depthStencil_);
    glBindRenderbuffer(GL_RENDERBUFFER, depthStencil_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depthStencil_);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        error_ = "framebuffer object is incomplete";
        return false;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, width, height);
    width_ = width;
    height_ = height;
    return true;
}

void HeadlessGl::dropFramebuffer() {
    if (!context_) return;
    if (framebuffer_) glDeleteFramebuffers(1, &framebuffer_);
    if (colour_) glDeleteRenderbuffers(1, &colour_);
    if (depthStencil_) glDeleteRenderbuffers(1, &depthStencil_);
    framebuffer_ = colour_ = depthStencil_ = 0;
    width_ = height_ = 0;
}

void HeadlessGl::destroy() {
    dropFramebuffer();
    if (display_) {
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (context_) eglDestroyContext(display_, context_);
        eglTerminate(display_);
    }
    display_ = context_ = nullptr;
}

std::vector<std::uint8_t> HeadlessGl::readPixelsRgba() const {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width_) * height_ * 4);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::vector<std::uint8_t> HeadlessGl::readPixelsRgbTopDown() const {
    std::vector<std::uint8_t> rgb, rgba;
    readPixelsRgbTopDown(rgb, rgba);
    return rgb;
}

// Read as RGBA, which the driver copies out faster than RGB, and packed to RGB here.
void HeadlessGl::readPixelsRgbTopDown(std::vector<std::uint8_t>& rgb, std::vector<std::uint8_t>& rgba) const {
    rgba.resize(static_cast<std::size_t>(width_) * height_ * 4);
    rgb.resize(static_cast<std::size_t>(width_) * height_ * 3);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    for (int y = 0; y < height_; ++y) {
        const std::uint8_t* src = &rgba[static_cast<std::size_t>(height_ - 1 - y) * width_ * 4];
        std::uint8_t* dst = &rgb[static_cast<std::size_t>(y) * width_ * 3];
        for (int x = 0; x < width_; ++x) {
            dst[x * 3 + 0] = src[x * 4 + 0];
            dst[x * 3 + 1] = src[x * 4 + 1];
            dst[x * 3 + 2] = src[x * 4 + 2];
        }
    }
}
