// MarchingTetraEffect: per frame, the parameters are turned into whole numbers (guarded against
// NaN and huge track values), the field system is re-configured only when the combination
// changed, then sampled, differentiated and polygonised on the worker threads; the draw is one
// glDrawArrays over the three mesh arrays under saved attribute and client state.
#include "effects/MarchingTetraEffect.h"

#include <GL/gl.h>

#include <cmath>
#include <limits>
#include <string>

#include "base/Logger.h"
#include "core/TextureManager.h"

namespace {

constexpr float kDriveSpeed = 30.0f;

// Nearest whole number (halves away from zero) clamped into [low, high]; NaN gives `low`.
int roundClamped(float v, int low, int high) {
    if (!(v >= static_cast<float>(low))) return low;
    if (v >= static_cast<float>(high)) return high;
    return static_cast<int>(std::lround(v));
}

// Truncation towards zero of a track value used as a mode; NaN gives 0, huge values saturate.
int truncated(float v) {
    if (!(v == v)) return 0;
    if (v > 1.0e6f) return 1000000;
    if (v < -1.0e6f) return -1000000;
    return static_cast<int>(v);
}

}  // namespace

MarchingTetraEffect::MarchingTetraEffect() { logLine("MarchingTetraEffect constructor called."); }

MarchingTetraEffect::~MarchingTetraEffect() = default;

void MarchingTetraEffect::onInit() {
    field.init(32);
    constexpr float kLargestFloat = std::numeric_limits<float>::max();
    createTrack("pos.x", &posX, -100.0f, 100.0f, 0.0f);
    createTrack("pos.y", &posY, -100.0f, 100.0f, 0.0f);
    createTrack("pos.z", &posZ, -100.0f, 100.0f, 0.0f);
    createTrack("rot.x", &rotX, 0.0f, 360.0f, 0.0f);
    createTrack("rot.y", &rotY, 0.0f, 360.0f, 0.0f);
    createTrack("rot.z", &rotZ, 0.0f, 360.0f, 0.0f);
    createTrack("shadingMode", &shadingMode, 0.0f, 4.0f, 3.0f, true, InterpType::Step);
    createTrack("isolevel", &isolevel, -50.0f, 50.0f, 0.0f);
    createTrack("fieldOp", &fieldOp, 0.0f, 4.0f, 3.0f, true, InterpType::Step);
    createTrack("fieldA", &fieldA, 0.0f, 5.0f, 0.0f, true, InterpType::Step);
    createTrack("fieldB", &fieldB, 0.0f, 5.0f, 1.0f, true, InterpType::Step);
    createTrack("fieldOp2", &fieldOp2, 0.0f, 4.0f, 3.0f, true, InterpType::Step);
    createTrack("fieldA2", &fieldA2, 0.0f, 5.0f, 2.0f, true, InterpType::Step);
    createTrack("fieldB2", &fieldB2, 0.0f, 5.0f, 5.0f, true, InterpType::Step);
    createTrack("morph", &morph, 0.0f, 1.0f, 0.0f);
    // Default key 1: without keys of its own the effect shows the store's second texture.
    createTrack("texture", &texture, 0.0f, kLargestFloat, 1.0f, false, InterpType::Trigger);
    createTrack("enableLighting", &enableLighting, 0.0f, 1.0f, enableLighting != 0.0f ? 1.0f : 0.0f, true,
                InterpType::Step);
    createTrack("metaSize", &metaSize, 0.1f, 20.0f, 3.0f);
    createTrack("metaSpeed", &metaSpeed, -5.0f, 5.0f, 0.75f);
    createTrack("gridRes", &gridRes, 8.0f, 80.0f, 32.0f, true, InterpType::Step);
}

void MarchingTetraEffect::onUpdate(float time) {
    // The mesh arrays are not emptied here: polygonize replaces their contents, and resizing
    // arrays that still hold last frame's triangles fills nothing twice.
    // Compared in float first, so NaN (ignored) and huge values (the largest grid) never reach
    // the integer conversion or the grid's size.
    const int requested = roundClamped(gridRes, 0, kMaxResolution);
    if (requested != currentResolution && requested >= kMinResolution) {
        field.init(requested);
        currentResolution = requested;
    }

    chooseTexture();
    configureFields();
    if (field.primaryId == Metaballs || field.secondaryId == Metaballs) field.animateMetaballs(time, metaSize, metaSpeed);
    field.sampleField();
    // Only the normals the surface needs: the rows next to it (computeNormals would do them all).
    field.computeNormalsAndPolygonize(meshPositions, meshNormals, meshTexCoords, truncated(shadingMode), isolevel);
}

void MarchingTetraEffect::chooseTexture() {
    const std::vector<std::string>& names = TextureManager::instance().textureNames();
    // Truncation towards zero; NaN, negative and past-the-end values keep the texture held.
    if (!(texture > -1.0f) || !(texture < static_cast<float>(names.size()))) return;
    const int index = static_cast<int>(texture);
    std::shared_ptr<Texture> found = TextureManager::instance().getTexture(names[index]);
    if (!found) return;
    textureId = found->id;
    if (index != loadedTextureIndex) {
        heldTexture = std::move(found);
        loadedTextureIndex = index;
    }
}

void MarchingTetraEffect::configureFields() {
    Configuration wanted;
    wanted.a = roundClamped(fieldA, 0, 5);
    wanted.b = roundClamped(fieldB, 0, 5);
    wanted.a2 = roundClamped(fieldA2, 0, 5);
    wanted.b2 = roundClamped(fieldB2, 0, 5);
    wanted.op = roundClamped(fieldOp, 0, 4);
    wanted.op2 = roundClamped(fieldOp2, 0, 4);
    const float t = morph > 0.0f ? (morph < 1.0f ? morph : 1.0f) : 0.0f;  // NaN counts as 0
    // Only the side that is shown matters at the two ends.
    wanted.morph = t <= 0.001f ? 0.0f : t >= 0.999f ? 1.0f : t;
    if (wanted == configured_) return;  // the same field as last frame: nothing to rebuild
    configured_ = wanted;

    auto id = [](int v) { return static_cast<FieldID>(v); };
    auto op = [](int v) { return static_cast<FieldOp>(v); };
    ScalarField a = field.getFieldFunc(id(wanted.a)), b = field.getFieldFunc(id(wanted.b));
    ScalarField a2 = field.getFieldFunc(id(wanted.a2)), b2 = field.getFieldFunc(id(wanted.b2));
    if (t <= 0.001f)
        field.configureOperation(a, b, op(wanted.op), id(wanted.a), id(wanted.b));
    else if (t >= 0.999f)
        field.configureOperation(a2, b2, op(wanted.op2), id(wanted.a2), id(wanted.b2));
    else
        field.configureMorph(a, b, op(wanted.op), id(wanted.a), id(wanted.b), a2, b2, op(wanted.op2), id(wanted.a2),
                             id(wanted.b2), t);
}

void MarchingTetraEffect::applyTransform() const {
    const float* p = driving ? driven.pos : nullptr;
    const float* r = driving ? driven.rot : nullptr;
    glTranslatef(p ? p[0] : posX, p ? p[1] : posY, p ? p[2] : posZ);
    glRotatef(r ? r[2] : rotZ, 0.0f, 0.0f, 1.0f);
    glRotatef(r ? r[1] : rotY, 0.0f, 1.0f, 0.0f);
    glRotatef(r ? r[0] : rotX, 1.0f, 0.0f, 0.0f);
}

void MarchingTetraEffect::onRender() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    if (enableLighting != 0.0f) glEnable(GL_LIGHTING);
    else glDisable(GL_LIGHTING);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    applyTransform();
    drawMesh(meshPositions, meshNormals, meshTexCoords, truncated(shadingMode), textureId);
    glPopMatrix();
    glPopAttrib();
}

void MarchingTetraEffect::drawMesh(const std::vector<float>& positions, const std::vector<float>& normals,
                                   const std::vector<float>& texCoords, int shadingMode, unsigned int texture) {
    if (positions.empty()) return;
    const std::size_t vertices = positions.size() / 3;
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    const bool textured = shadingMode == 3 || shadingMode == 4;
    // Coordinates only when there is one pair per vertex (mode 1 makes none).
    const bool coordinateArray = shadingMode == 4 && texCoords.size() / 2 >= vertices;
    if (textured) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
    }
    if (coordinateArray) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, texCoords.data());
    }
    if (shadingMode == 3) {
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, positions.data());
    const bool normalArray = normals.size() / 3 >= vertices;
    if (normalArray) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 0, normals.data());
    }
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices));
    glDisableClientState(GL_VERTEX_ARRAY);
    if (normalArray) glDisableClientState(GL_NORMAL_ARRAY);
    if (coordinateArray) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (shadingMode == 3) {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
    if (textured) {
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
    }
    glPopClientAttrib();
}

void MarchingTetraEffect::renderGeometry() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    applyTransform();
    if (!meshPositions.empty()) drawMesh(meshPositions, meshNormals, {}, 0, 0);
    glPopMatrix();
    glPopAttrib();
}

void MarchingTetraEffect::drive(float dt, bool forward, bool backward, bool left, bool right, bool up, bool down) {
    driven.move(kDriveSpeed * dt, forward, backward, left, right, up, down);
}

void MarchingTetraEffect::syncFromParameters() { driven.set(posX, posY, posZ, rotX, rotY, rotZ); }

void MarchingTetraEffect::recordKeys(float time) { driven.recordInto(*this, time); }
