// GlState: reads the state with glGet*; the switch list is fixed so snapshots compare by index.
#include "support/GlState.h"

#include <sstream>

namespace {
#define SWITCH(name) {GL_##name, #name}
const std::pair<GLenum, const char*> kSwitches[] = {
    SWITCH(LIGHTING),       SWITCH(LIGHT0),         SWITCH(LIGHT1),      SWITCH(DEPTH_TEST),    SWITCH(BLEND),
    SWITCH(TEXTURE_2D),     SWITCH(COLOR_MATERIAL), SWITCH(CULL_FACE),   SWITCH(NORMALIZE),     SWITCH(ALPHA_TEST),
    SWITCH(FOG),            SWITCH(TEXTURE_GEN_S),  SWITCH(TEXTURE_GEN_T), SWITCH(LINE_SMOOTH), SWITCH(POINT_SMOOTH),
    SWITCH(SCISSOR_TEST),   SWITCH(STENCIL_TEST),   SWITCH(POLYGON_OFFSET_FILL)};
#undef SWITCH
}  // namespace

GlState GlState::capture() {
    GlState s;
    glGetFloatv(GL_PROJECTION_MATRIX, s.projection.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, s.modelview.data());
    glGetFloatv(GL_TEXTURE_MATRIX, s.texture.data());
    glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
    glGetIntegerv(GL_SHADE_MODEL, &s.shadeModel);
    glGetIntegerv(GL_BLEND_SRC, &s.blendSrc);
    glGetIntegerv(GL_BLEND_DST, &s.blendDst);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.boundTexture2D);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &s.projectionDepth);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &s.modelviewDepth);
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &s.attribDepth);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &s.depthMask);
    glGetFloatv(GL_CURRENT_COLOR, s.colour.data());
    for (const auto& [cap, name] : kSwitches) s.switches.push_back(glIsEnabled(cap));
    return s;
}

bool GlState::operator==(const GlState& o) const { return differences(o).empty(); }

std::string GlState::differences(const GlState& o) const {
    std::ostringstream out;
    if (projection != o.projection) out << "projection matrix; ";
    if (modelview != o.modelview) out << "modelview matrix; ";
    if (texture != o.texture) out << "texture matrix; ";
    if (matrixMode != o.matrixMode) out << "matrix mode; ";
    if (shadeModel != o.shadeModel) out << "shade model; ";
    if (blendSrc != o.blendSrc || blendDst != o.blendDst) out << "blend function; ";
    if (boundTexture2D != o.boundTexture2D) out << "bound 2D texture; ";
    if (projectionDepth != o.projectionDepth || modelviewDepth != o.modelviewDepth) out << "matrix stack depth; ";
    if (attribDepth != o.attribDepth) out << "attribute stack depth; ";
    if (depthMask != o.depthMask) out << "depth mask; ";
    if (colour != o.colour) out << "current colour; ";
    for (std::size_t i = 0; i < switches.size() && i < o.switches.size(); ++i)
        if (switches[i] != o.switches[i]) out << kSwitches[i].second << "; ";
    return out.str();
}
