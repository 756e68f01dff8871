// Camera: perspective projection, orbit and target tracking, and the free-flight controls an
// editing tool uses. Reads the effect list only through EffectManager; draws no geometry.
#include "effects/Camera.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "base/Logger.h"
#include "core/EffectManager.h"
#include "core/ProjectGlobals.h"

namespace {

constexpr float kPi = 3.14159f;  // the driving controls' degree conversion
constexpr float kDriveSpeed = 40.0f;

struct Vec3 {
    float x, y, z;
};

Vec3 normalised(Vec3 v) {
    float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (len <= 0.0f) return v;
    return {v.x / len, v.y / len, v.z / len};
}

}  // namespace

Camera::Camera() { logLine("Camera constructor called."); }

void Camera::onInit() {
    createTrack("pos.x", &posX, -100.0f, 100.0f, 0.0f);
    createTrack("pos.y", &posY, -100.0f, 100.0f, 0.0f);
    createTrack("pos.z", &posZ, -64.0f, 64.0f, -32.0f);
    createTrack("target.x", &targetX, -100.0f, 100.0f, 0.0f);
    createTrack("target.y", &targetY, -100.0f, 100.0f, 0.0f);
    createTrack("target.z", &targetZ, -100.0f, 100.0f, 0.0f);
    createTrack("trackTarget", &trackTarget, 0.0f, 100.0f, 0.0f, true, InterpType::Step);
    createTrack("orbit_enabled", &orbitEnabled, 0.0f, 1.0f, 0.0f, false, InterpType::Step);
    createTrack("orbitRadius", &orbitRadius, 1.0f, 200.0f, 30.0f);
    createTrack("orbitSpeed", &orbitSpeed, -10.0f, 10.0f, 1.0f);
    createTrack("orbitHeight", &orbitHeight, -100.0f, 100.0f, 10.0f);
    createTrack("fov", &fov, 1.0f, 160.0f, 65.0f);
}

void Camera::onUpdate(float time) {
    lastTime = time;

    // Compare in float first: a huge or NaN key must not reach an integer conversion.
    if (!(trackTarget >= 0.5f)) return;
    const EffectManager& manager = EffectManager::instance();
    if (trackTarget >= static_cast<float>(manager.size()) + 0.5f) return;
    auto n = static_cast<std::size_t>(std::lround(trackTarget));
    if (n == 0 || n > manager.size()) return;

    const Effect* followed = manager.at(n - 1);
    if (followed == nullptr || followed == this) return;
    const KeyframeTrack* x = followed->findTrack("pos.x");
    const KeyframeTrack* y = followed->findTrack("pos.y");
    const KeyframeTrack* z = followed->findTrack("pos.z");
    if (x == nullptr || y == nullptr || z == nullptr) return;

    // Keys only: the followed object's audio modulation does not shake the camera.
    targetX = x->evaluate(time);
    targetY = y->evaluate(time);
    targetZ = z->evaluate(time);
}

void Camera::onRender() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    double aspect = projectHeight != 0 ? static_cast<double>(projectWidth) / projectHeight : 1.0;
    gluPerspective(std::max(fov, 1.0f), aspect, 0.1, 250.0);

    Vec3 position = driving ? Vec3{drivenPos[0], drivenPos[1], drivenPos[2]} : Vec3{posX, posY, posZ};
    Vec3 target = driving ? Vec3{drivenTarget[0], drivenTarget[1], drivenTarget[2]}
                          : Vec3{targetX, targetY, targetZ};

    Vec3 eye = position;
    if (!driving && orbitEnabled > 0.5f) {
        float a = orbitSpeed * lastTime;
        eye = {target.x + std::cos(a) * orbitRadius, target.y + orbitHeight,
               target.z + std::sin(a) * orbitRadius};
    }

    // Looking straight up or down: the y axis cannot be "up", use the z axis instead.
    Vec3 up{0.0f, 1.0f, 0.0f};
    if (std::fabs(target.x - eye.x) < 0.001f && std::fabs(target.z - eye.z) < 0.001f)
        up = target.y - eye.y > 0.0f ? Vec3{0.0f, 0.0f, -1.0f} : Vec3{0.0f, 0.0f, 1.0f};

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, up.x, up.y, up.z);
}

void Camera::drive(float dt, bool forward, bool backward, bool left, bool right, bool up, bool down) {
    float s = dt * kDriveSpeed;
    float yawRad = yaw * kPi / 180.0f;
    float pitchRad = pitch * kPi / 180.0f;
    Vec3 d = normalised({std::cos(yawRad) * std::cos(pitchRad), std::sin(pitchRad),
                         std::sin(yawRad) * std::cos(pitchRad)});
    Vec3 r = normalised({-d.z, 0.0f, d.x});

    auto move = [this](Vec3 v, float amount) {
        drivenPos[0] += v.x * amount;
        drivenPos[1] += v.y * amount;
        drivenPos[2] += v.z * amount;
    };
    if (forward) move(d, s);
    if (backward) move(d, -s);
    if (left) move(r, -s);
    if (right) move(r, s);
    if (up) drivenPos[1] += s;
    if (down) drivenPos[1] -= s;

    drivenTarget[0] = drivenPos[0] + d.x;
    drivenTarget[1] = drivenPos[1] + d.y;
    drivenTarget[2] = drivenPos[2] + d.z;
}

void Camera::syncFromParameters() {
    drivenPos[0] = posX;
    drivenPos[1] = posY;
    drivenPos[2] = posZ;
    drivenTarget[0] = targetX;
    drivenTarget[1] = targetY;
    drivenTarget[2] = targetZ;

    float dx = targetX - posX, dy = targetY - posY, dz = targetZ - posZ;
    float distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (distance > 0.001f) {
        dx /= distance;
        dy /= distance;
        dz /= distance;
        pitch = std::asin(std::clamp(dy, -1.0f, 1.0f)) * 180.0f / kPi;
        yaw = std::atan2(dz, dx) * 180.0f / kPi;
    }
}

void Camera::recordKeys(float time) {
    const std::pair<const char*, float> values[] = {
        {"pos.x", drivenPos[0]},    {"pos.y", drivenPos[1]},    {"pos.z", drivenPos[2]},
        {"target.x", drivenTarget[0]}, {"target.y", drivenTarget[1]}, {"target.z", drivenTarget[2]},
        {"pitch", pitch},           {"yaw", yaw},
    };
    for (const auto& [name, value] : values)
        if (KeyframeTrack* track = findTrack(name)) track->recordKey(time, value);
}
