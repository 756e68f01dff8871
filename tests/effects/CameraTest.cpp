// Camera: the projection and model-view matrices it leaves, compared with matrices built here
// from the perspective and look-at formulas; orbit, target tracking, the vertical up switch.
// (The driving controls serve an editing tool, not this player.)
#include <gtest/gtest.h>

#include <cmath>

#include "core/EffectManager.h"
#include "core/ProjectGlobals.h"
#include "effects/Basic3DEffect.h"
#include "effects/Camera.h"
#include "effects/Lighting.h"
#include "support/GlFixture.h"
#include "support/EffectHelpers.h"

namespace {

using Mat = std::array<double, 16>;  // column-major, as GL stores it
struct V3 {
    double x, y, z;
};

double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 unit(V3 v) {
    const double l = std::sqrt(dot(v, v));
    return {v.x / l, v.y / l, v.z / l};
}

Mat perspective(double fovDegrees, double aspect) {
    const double n = 0.1, f = 250.0, c = 1.0 / std::tan(fovDegrees * M_PI / 360.0);
    return {c / aspect, 0, 0, 0, 0, c, 0, 0, 0, 0, (f + n) / (n - f), -1, 0, 0, 2 * f * n / (n - f), 0};
}

Mat lookAt(V3 eye, V3 centre, V3 up = {0, 1, 0}) {
    const V3 f = unit({centre.x - eye.x, centre.y - eye.y, centre.z - eye.z}), s = unit(cross(f, up)), u = cross(s, f);
    return {s.x, u.x, -f.x, 0, s.y, u.y, -f.y, 0, s.z, u.z, -f.z, 0, -dot(s, eye), -dot(u, eye), dot(f, eye), 1};
}

void expectMatrix(GLenum which, const Mat& expected) {
    std::array<float, 16> actual{};
    glGetFloatv(which, actual.data());
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-4 * std::max(1.0, std::fabs(expected[i])))
            << (which == GL_PROJECTION_MATRIX ? "projection" : "modelview") << " element " << i;
}

class CameraTest : public GlFixture {
protected:
    void SetUp() override {
        GlFixture::SetUp();
        camera->init();
    }
    void renderAt(float time, std::initializer_list<std::pair<const char*, float>> keys = {}) {
        setKeys(*camera, keys);
        camera->updateAllTracks(time);
        camera->render();
    }

    std::unique_ptr<Camera> owned = std::make_unique<Camera>();
    Camera* camera = owned.get();  // still valid once `owned` moves into the effect list
};

TEST_F(CameraTest, DefaultViewAndProjectionFollowTheProjectAspectAndClampTheFieldOfView) {
    renderAt(0.0f);
    expectMatrix(GL_PROJECTION_MATRIX, perspective(65.0, 960.0 / 540.0));
    expectMatrix(GL_MODELVIEW_MATRIX, lookAt({0, 0, -32}, {0, 0, 0}));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    projectWidth = 800;
    projectHeight = 0;  // no height: aspect 1
    renderAt(0.0f, {{"fov", 0.25f}});
    expectMatrix(GL_PROJECTION_MATRIX, perspective(1.0, 1.0));
    projectWidth = 640;
    projectHeight = 480;
    setKeys(*camera, {{"fov", 90.0f}});
    camera->updateAllTracks(0.0f);
    camera->renderGeometry();  // the geometry-only pass uses the same view
    expectMatrix(GL_PROJECTION_MATRIX, perspective(90.0, 640.0 / 480.0));
}

// A quarter turn at orbitSpeed 1 around the target, orbitHeight 10 above it; pos is not used.
TEST_F(CameraTest, OrbitCirclesTheTargetAndUpSwitchesToZWhenLookingStraightDownOrUp) {
    const float quarter = static_cast<float>(M_PI / 2.0);
    renderAt(quarter, {{"orbit_enabled", 1.0f}});
    expectMatrix(GL_MODELVIEW_MATRIX, lookAt({0, 10, 30}, {0, 0, 0}));
    renderAt(quarter, {{"target.x", 5.0f}, {"target.y", 2.0f}, {"target.z", -3.0f}, {"pos.x", -70.0f}});
    expectMatrix(GL_MODELVIEW_MATRIX, lookAt({5, 12, 27}, {5, 2, -3}));
    renderAt(0.0f, {{"orbit_enabled", 0.0f}, {"pos.x", 5.0f}, {"pos.z", -3.0f}, {"pos.y", 20.0f}});
    expectMatrix(GL_MODELVIEW_MATRIX, lookAt({5, 20, -3}, {5, 2, -3}, {0, 0, 1}));
    renderAt(0.0f, {{"pos.y", -20.0f}});
    expectMatrix(GL_MODELVIEW_MATRIX, lookAt({5, -20, -3}, {5, 2, -3}, {0, 0, -1}));
}

// trackTarget n follows the keys (not the audio) of the n-th effect in the list, switched off
// or not; itself, an effect without position tracks and numbers past either end change nothing.
TEST_F(CameraTest, TrackTargetFollowsTheKeysOfTheNthEffectWhereItCan) {
    auto object = std::make_unique<Basic3DEffect>();
    object->init();
    setKeys(*object, {{"pos.x", 2.0f}, {"pos.y", -3.0f}, {"pos.z", 7.0f}, {"enabled", 0.0f}});
    object->findTrack("pos.x")->setKey(3.0f, 6.0f, InterpType::Linear);
    object->findTrack("pos.x")->setKey(1.0f, 2.0f, InterpType::Linear);  // 4 at t = 2
    auto light = std::make_unique<Lighting>();
    light->init();
    EffectList list;
    list.push_back(std::move(owned));
    list.push_back(std::move(object));
    list.push_back(std::move(light));
    EffectManager::instance().replaceList(std::move(list));
    setKeys(*camera, {{"trackTarget", 2.0f}, {"target.x", -9.0f}});
    EffectManager::instance().update(2.0f);
    EffectManager::instance().render();
    expectMatrix(GL_MODELVIEW_MATRIX, lookAt({0, 0, -32}, {4, -3, 7}));
    for (float n : {1.0f, 3.0f, 100.0f, -4.0f}) {
        setKeys(*camera, {{"trackTarget", n}});
        EffectManager::instance().update(1.0f);
        EXPECT_FLOAT_EQ(camera->targetX, -9.0f) << "trackTarget " << n;
        EXPECT_FLOAT_EQ(camera->targetY, 0.0f) << "trackTarget " << n;
    }
}

}  // namespace
