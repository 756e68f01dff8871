// Camera: an effect that draws nothing but loads the projection and view matrices every later
// 3D effect in the list draws under. Looks from an animated eye at an animated target, can
// orbit the target or take the target from another effect's position tracks. It leaves its
// matrices (and model-view mode) in force on purpose; it never pushes or pops.
#pragma once

#include "core/Effect.h"

class Camera : public Effect, public IDrivable {
public:
    Camera();

    void onInit() override;
    void onUpdate(float time) override;
    void onRender() override;
    void renderGeometry() override { onRender(); }
    const char* getClassName() const override { return "Camera"; }

    Effect* asEffect() override { return this; }
    void drive(float dt, bool forward, bool backward, bool left, bool right, bool up, bool down) override;
    void syncFromParameters() override;
    void recordKeys(float time) override;

    float posX = 0.0f, posY = 0.0f, posZ = -32.0f;
    float targetX = 0.0f, targetY = 0.0f, targetZ = 0.0f;
    float trackTarget = 0.0f;  // 1-based list position of the effect to look at; 0 = none
    float orbitEnabled = 0.0f;
    float orbitRadius = 30.0f;
    float orbitSpeed = 1.0f;   // radians per second
    float orbitHeight = 10.0f;
    float fov = 65.0f;         // vertical, degrees

    float lastTime = 0.0f;

    // Driven state, used instead of the parameters while `driving` is set.
    float drivenPos[3] = {0.0f, 0.0f, -32.0f};
    float drivenTarget[3] = {0.0f, 0.0f, 0.0f};
    float yaw = -90.0f;  // degrees
    float pitch = 0.0f;  // degrees
};
