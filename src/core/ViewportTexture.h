// The copy of the frame that screen effects filter: a texture that follows the size of the GL
// viewport and receives exactly the viewport's rectangle (its origin and its size). Under the
// player's letterbox the viewport is offset inside the window, so copying from the window's
// lower-left corner would take the black bar and miss part of the picture; copying the
// viewport's own rectangle gives the picture the effects draw over, pixel for pixel.
// The texture is made on first use and its storage (re)defined whenever the size changes,
// before the copy; linear filtering, clamp-to-edge. It sets and restores no other GL state:
// callers work inside their own saved scope (ScreenOverlay). GL context, main thread only.
#pragma once

struct ViewportRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
    bool operator==(const ViewportRect&) const = default;
};

// The current GL_VIEWPORT.
ViewportRect currentViewport();

class ViewportTexture {
public:
    enum class Channels { Rgb, Rgba };  // 8 bits each
    explicit ViewportTexture(Channels channels) : channels_(channels) {}
    ~ViewportTexture();  // deletes the GL texture
    ViewportTexture(const ViewportTexture&) = delete;
    ViewportTexture& operator=(const ViewportTexture&) = delete;

    // Makes the texture if there is none and (re)defines its storage at width x height when
    // that differs from the size it has; leaves it bound. True when the storage was (re)defined.
    bool fit(int width, int height);
    // fit to the viewport's size, then copies the viewport's rectangle of the frame buffer into
    // the texture (level 0 from its lower-left texel); leaves it bound. Nothing for an empty one.
    void copyViewport(const ViewportRect& viewport);

    unsigned id() const { return id_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    Channels channels_;
    unsigned id_ = 0;
    int width_ = 0, height_ = 0;
};
