// MarchingTetraEffect: an animated iso-surface. Every frame it composes a field from the field
// library (two field ids and an operation, optionally cross-faded to a second such combination),
// samples it on a cubic grid of up to 80 points a side, extracts the surface at `isolevel` by
// marching tetrahedra and draws the triangles with vertex arrays: lit or not, untextured,
// textured with planar coordinates, or sphere-mapped with a texture chosen by its position in
// the texture store's list of names. Saves and restores the GL state it touches; uses the
// current colour and material as they stand.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/DrivenPlacement.h"
#include "core/Effect.h"
#include "effects/FieldSystem.h"

struct Texture;

class MarchingTetraEffect : public Effect, public IDrivable {
public:
    // Grid sizes the effect accepts: a rounded `gridRes` below the minimum is ignored, one above
    // the maximum is taken as the maximum.
    static constexpr int kMinResolution = 8;
    static constexpr int kMaxResolution = 80;

    MarchingTetraEffect();
    ~MarchingTetraEffect() override;

    void onInit() override;
    void onUpdate(float time) override;
    void onRender() override;
    void renderGeometry() override;
    const char* getClassName() const override { return "MarchingTetraEffect"; }

    Effect* asEffect() override { return this; }
    void drive(float dt, bool forward, bool backward, bool left, bool right, bool up, bool down) override;
    void syncFromParameters() override;
    void recordKeys(float time) override;

    // Draws a triangle list in one of the shading modes (0, 1, 2 untextured; 3 sphere-mapped;
    // 4 with the given texture coordinates) with `texture` bound in modes 3 and 4.
    static void drawMesh(const std::vector<float>& positions, const std::vector<float>& normals,
                         const std::vector<float>& texCoords, int shadingMode, unsigned int texture);

    std::vector<float> meshPositions;  // 3 floats a vertex, 3 vertices a triangle
    std::vector<float> meshNormals;    // 3 floats a vertex
    std::vector<float> meshTexCoords;  // 2 floats a vertex; empty in shading mode 1
    FieldSystem field{0.3f, 0.1f, 1.0f, 0.5f, 0.25f};
    float posX = 0.0f, posY = 0.0f, posZ = 0.0f;
    float rotX = 0.0f, rotY = 0.0f, rotZ = 0.0f;  // degrees
    float shadingMode = 3.0f;
    float fieldOp = 3.0f, fieldA = 0.0f, fieldB = 1.0f;
    float fieldOp2 = 3.0f, fieldA2 = 2.0f, fieldB2 = 5.0f;
    float morph = 0.0f;
    float texture = 0.0f;
    float enableLighting = 1.0f;
    float isolevel = 0.0f;
    unsigned int textureId = 0;
    std::int32_t loadedTextureIndex = -1;
    std::shared_ptr<Texture> heldTexture;
    float metaSize = 3.0f;
    float metaSpeed = 0.75f;
    float gridRes = 32.0f;
    std::int32_t currentResolution = 32;

    // Driven state, used instead of the position and rotation tracks while `driving` is set.
    DrivenPlacement driven;

private:
    void chooseTexture();
    void configureFields();
    void applyTransform() const;

    // The configuration the field system was last given; the same one again is not rebuilt.
    struct Configuration {
        int op = -1, a = -1, b = -1, op2 = -1, a2 = -1, b2 = -1;
        float morph = -1.0f;
        bool operator==(const Configuration&) const = default;
    };
    Configuration configured_;
};
