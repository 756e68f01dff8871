// Basic3DEffect: one solid primitive (sphere, cylinder, torus, cube, or a football-patterned
// truncated icosahedron) placed, turned, scaled and coloured by its tracks, flat or smooth lit,
// optionally textured from the texture store (by position in its name list), drawn in the
// camera's view or in a fixed view of its own. Saves and restores all GL state it touches.
#pragma once

#include <vector>

#include "core/Effect.h"

class Basic3DEffect : public Effect {
public:
    enum Shape { Sphere = 0, Cylinder = 1, Torus = 2, Cube = 3, Football = 4 };

    void onInit() override;
    void onUpdate(float) override {}
    void onRender() override;
    const char* getClassName() const override { return "Basic3DEffect"; }

    // The truncated icosahedron as triangles, nine floats per vertex (position, normal, grey
    // as three equal components): 20 hexagons of 4 triangles, then 12 pentagons of 3.
    // Built on first use and shared by every instance until the process ends.
    static const std::vector<float>& footballMesh();
    static constexpr int kFloatsPerVertex = 9;

    float shape = 0.0f;
    float shadingMode = 4.0f;  // 0 flat unlit; 1..4 smooth lit; 4 also textured
    float textureID = 0.0f;
    float ignoreCamera = 0.0f;
    float posX = 0.0f, posY = 0.0f, posZ = 0.0f;
    float rotX = 0.0f, rotY = 0.0f, rotZ = 0.0f;  // degrees
    float scaleX = 1.0f, scaleY = 1.0f, scaleZ = 1.0f;
    float colorR = 1.0f, colorG = 1.0f, colorB = 1.0f;

private:
    // Binds the store texture chosen by textureID; false (texturing off) when there is none.
    bool bindTexture(int mode) const;
    void drawShape(int shapeIndex) const;
};
