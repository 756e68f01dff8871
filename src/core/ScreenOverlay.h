// The scope every screen effect draws in: saves all attribute state and both matrices, then
// sets an orthographic projection (left, right, bottom, top, near -1, far 1) with an identity
// model-view, matrix mode model-view; the destructor restores everything in reverse order
// (the matrix mode comes back with the attributes). It switches nothing else on or off: each
// effect sets its own blending, depth and texture state inside the scope.
#pragma once

class ScreenOverlay {
public:
    ScreenOverlay(double left, double right, double bottom, double top);
    ~ScreenOverlay();
    ScreenOverlay(const ScreenOverlay&) = delete;
    ScreenOverlay& operator=(const ScreenOverlay&) = delete;
};

// A full-screen quad (0, 0) ... (width, height) with texture coordinates 0 ... 1, counter-
// clockwise from the lower left, in immediate mode; texCoords false leaves them out.
void drawScreenQuad(double width, double height, bool texCoords = false);
// A quad from (x0, y0) to (x1, y1), counter-clockwise from the lower left, with texture
// coordinates from (s0, t0) at the lower left to (s1, t1) at the upper right; immediate mode.
void drawTexturedRect(double x0, double y0, double x1, double y1, float s0, float t0, float s1, float t1);
