// Client-side vertex arrays for fixed-function drawing: an effect that would send thousands of
// vertices one call at a time (glBegin ... glVertex ... glEnd) collects them here instead, in
// buffers that keep their capacity from frame to frame, and draws them with one glDrawArrays
// (or one glMultiDrawArrays over ranges of them).
// The vertices, their order and their attributes are the same as in immediate mode, so the
// pixels are too. Holds no GL objects; main thread only.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <vector>

class VertexArray {
public:
    enum Attributes : unsigned { kColor = 1u, kNormal = 2u, kTexCoord = 4u };

    // positionSize: 2 or 3 coordinates a vertex; attributes: which of colour (RGBA), normal and
    // texture coordinate (s, t) every vertex carries.
    explicit VertexArray(int positionSize = 3, unsigned attributes = 0);

    // Forgets the vertices, keeps the memory.
    void clear();
    void reserve(std::size_t vertices);

    // The current attributes, taken by every following vertex (as glColor4f and friends).
    void color(float r, float g, float b, float a) { current_.color[0] = r, current_.color[1] = g, current_.color[2] = b, current_.color[3] = a; }
    void normal(float x, float y, float z) { current_.normal[0] = x, current_.normal[1] = y, current_.normal[2] = z; }
    void texCoord(float s, float t) { current_.texCoord[0] = s, current_.texCoord[1] = t; }
    // Appends a vertex with the current attributes (z is ignored for 2-coordinate positions).
    void vertex(float x, float y, float z = 0.0f);

    std::size_t size() const { return positions_.size() / static_cast<std::size_t>(positionSize_); }
    bool empty() const { return positions_.empty(); }

    // One glDrawArrays(mode) over every vertex, with the client arrays switched on and off
    // again (client attribute state saved and restored). Afterwards the current colour,
    // normal and texture coordinate are those of the last vertex, as after glEnd.
    void draw(GLenum mode) const;
    // The same, as one glMultiDrawArrays over the ranges (first vertex, vertex count), in order:
    // for callers that keep apart vertices the GL library handles on a slower path (those
    // outside the view, which it must clip), so that they do not slow down the others.
    void drawRanges(GLenum mode, const std::vector<GLint>& firsts, const std::vector<GLsizei>& counts) const;

private:
    void enableArrays() const;
    void restoreCurrent() const;

    struct Current {
        float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        float normal[3] = {0.0f, 0.0f, 1.0f};
        float texCoord[2] = {0.0f, 0.0f};
    };
    int positionSize_;
    unsigned attributes_;
    Current current_;
    std::vector<float> positions_, colors_, normals_, texCoords_;
};

// The same calls as VertexArray, sent straight to GL one at a time (between the caller's
// glBegin and glEnd): code written against either can draw both ways, for comparing pixels and
// timings with the array path.
struct ImmediateVertices {
    void color(float r, float g, float b, float a) { glColor4f(r, g, b, a); }
    void normal(float x, float y, float z) { glNormal3f(x, y, z); }
    void texCoord(float s, float t) { glTexCoord2f(s, t); }
    void vertex(float x, float y, float z = 0.0f) { glVertex3f(x, y, z); }
};
