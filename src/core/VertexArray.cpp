// VertexArray: appending and the one draw call.
// glMultiDrawArrays (GL 1.4) is declared by the extension header only on request.
#define GL_GLEXT_PROTOTYPES 1
#include "core/VertexArray.h"

#include <GL/glext.h>

#include <algorithm>

VertexArray::VertexArray(int positionSize, unsigned attributes)
    : positionSize_(positionSize == 2 ? 2 : 3), attributes_(attributes) {}

void VertexArray::clear() {
    positions_.clear();
    colors_.clear();
    normals_.clear();
    texCoords_.clear();
}

void VertexArray::reserve(std::size_t vertices) {
    positions_.reserve(vertices * static_cast<std::size_t>(positionSize_));
    if (attributes_ & kColor) colors_.reserve(vertices * 4);
    if (attributes_ & kNormal) normals_.reserve(vertices * 3);
    if (attributes_ & kTexCoord) texCoords_.reserve(vertices * 2);
}

void VertexArray::vertex(float x, float y, float z) {
    positions_.push_back(x);
    positions_.push_back(y);
    if (positionSize_ == 3) positions_.push_back(z);
    if (attributes_ & kColor) colors_.insert(colors_.end(), current_.color, current_.color + 4);
    if (attributes_ & kNormal) normals_.insert(normals_.end(), current_.normal, current_.normal + 3);
    if (attributes_ & kTexCoord) texCoords_.insert(texCoords_.end(), current_.texCoord, current_.texCoord + 2);
}

void VertexArray::enableArrays() const {
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(positionSize_, GL_FLOAT, 0, positions_.data());
    if (attributes_ & kColor) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_FLOAT, 0, colors_.data());
    }
    if (attributes_ & kNormal) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 0, normals_.data());
    }
    if (attributes_ & kTexCoord) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, texCoords_.data());
    }
}

void VertexArray::restoreCurrent() const {
    glPopClientAttrib();
    // The current values after an array draw are undefined; immediate mode leaves the last ones.
    const std::size_t last = size() - 1;
    if (attributes_ & kColor) glColor4fv(&colors_[last * 4]);
    if (attributes_ & kNormal) glNormal3fv(&normals_[last * 3]);
    if (attributes_ & kTexCoord) glTexCoord2fv(&texCoords_[last * 2]);
}

void VertexArray::draw(GLenum mode) const {
    if (positions_.empty()) return;
    enableArrays();
    glDrawArrays(mode, 0, static_cast<GLsizei>(size()));
    restoreCurrent();
}

void VertexArray::drawRanges(GLenum mode, const std::vector<GLint>& firsts, const std::vector<GLsizei>& counts) const {
    if (positions_.empty() || firsts.empty()) return;
    enableArrays();
    glMultiDrawArrays(mode, firsts.data(), counts.data(), static_cast<GLsizei>(std::min(firsts.size(), counts.size())));
    restoreCurrent();
}
