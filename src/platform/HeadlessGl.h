// A real OpenGL context without a display: EGL on Mesa's surfaceless platform, drawing into a
// framebuffer object of a chosen size (RGBA8 colour, 24-bit depth, 8-bit stencil). Used by the
// offline renderer and the tests; the same GL code runs in the window on a real driver.
// Compatibility profile, so fixed-function GL and GLU work. Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class HeadlessGl {
public:
    HeadlessGl() = default;
    ~HeadlessGl();
    HeadlessGl(const HeadlessGl&) = delete;
    HeadlessGl& operator=(const HeadlessGl&) = delete;

    // Creates the context and a width x height framebuffer and makes both current.
    // On failure returns false and error() says why.
    bool create(int width, int height);
    // Replaces the framebuffer by one of a new size (the context stays).
    bool resize(int width, int height);
    void destroy();

    int width() const { return width_; }
    int height() const { return height_; }
    const std::string& error() const { return error_; }

    // Finishes drawing and reads the colour buffer: RGBA, bottom row first.
    std::vector<std::uint8_t> readPixelsRgba() const;
    // Same as RGB with the top row first (image file order).
    std::vector<std::uint8_t> readPixelsRgbTopDown() const;
    // The same into `rgb`, with `rgba` as the read-back's scratch: buffers kept across frames
    // spare two frame-sized allocations (and their page faults) per frame.
    void readPixelsRgbTopDown(std::vector<std::uint8_t>& rgb, std::vector<std::uint8_t>& rgba) const;

private:
    bool makeFramebuffer(int width, int height);
    void dropFramebuffer();

    void* display_ = nullptr;
    void* context_ = nullptr;
    unsigned framebuffer_ = 0, colour_ = 0, depthStencil_ = 0;
    int width_ = 0, height_ = 0;
    std::string error_;
};
