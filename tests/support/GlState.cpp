// GlState: reads the state with glGet*; the switch list is fixed so snapshots compare by index.
#include "support/GlState.h"

#include <sstream>

namespace {
const GLenum kSwitches[] = {GL_LIGHTING, GL_LIGHT0, GL_LIGHT1, GL_DEPTH_TEST, GL_BLEND, GL_TEXTURE_2D,
                            GL_COLOR_MATERIAL, GL_CULL_FACE, GL_NORMALIZE, GL_ALPHA_TEST, GL_FOG,
                            GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_LINE_SMOOTH, GL_POINT_SMOOTH,
                            GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_POLYGON_OFFSET_FILL};
const char* const kSwitchNames[] = {"LIGHTING", "LIGHT0", "LIGHT1", "DEPTH_TEST", "BLEND", "TEXTURE_2D",
                                    "COLOR_MATERIAL", "CULL_FACE", "NORMALIZE", "ALPHA_TEST", "FOG",
                                    "TEXTURE_GEN_S", "TEXTURE_GEN_T", "LINE_SMOOTH", "POINT_SMOOTH",
                                    "SCISSOR_TEST", "STENCIL_TEST", "POLYGON_OFFSET_FILL"};
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
    for (GLenum cap : kSwitches) s.switches.push_back(glIsEnabled(cap));
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
    if (projectionDepth != o.projectionDepth) out << "projection stack depth; ";
    if (modelviewDepth != o.modelviewDepth) out << "modelview stack depth; ";
    if (attribDepth != o.attribDepth) out << "attribute stack depth; ";
    if (depthMask != o.depthMask) out << "depth mask; ";
    if (colour != o.colour) out << "current colour; ";
    for (std::size_t i = 0; i < switches.size() && i < o.switches.size(); ++i)
        if (switches[i] != o.switches[i]) out << kSwitchNames[i] << "; ";
    return out.str();
}
