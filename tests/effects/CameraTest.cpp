// Camera: the projection and model-view matrices it leaves, compared with matrices built here
// from the perspective and look-at formulas; orbit, target tracking, the vertical up switch,
// the disabled camera, the driving controls; its tracks and log line.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <string>

#include "base/Logger.h"
#include "core/EffectManager.h"
#include "core/ProjectGlobals.h"
#include "effects/Basic3DEffect.h"
#include "effects/Camera.h"
#include "effects/Lighting.h"
#include "support/GlFixture.h"
#include "support/TempDir.h"
#include "support/TrackTable.h"

namespace {

using Mat = std::array<double, 16>;  // column-major, as GL stores it
struct V3 {
    double x, y, z;
};

double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 unit(V3 v) {
    double l = std::sqrt(dot(v, v));
    return {v.x / l, v.y / l, v.z / l};
}

Mat perspective(double fovDegrees, double aspect) {
    const double n = 0.1, f = 250.0, c = 1.0 / std::tan(fovDegrees * M_PI / 360.0);
    return {c / aspect, 0, 0, 0,
            0,          c, 0, 0,
            0,          0, (f + n) / (n - f), -1,
            0,          0, 2 * f * n / (n - f), 0};
}

Mat lookAt(V3 eye, V3 centre, V3 up = {0, 1, 0}) {
    V3 f = unit({centre.x - eye.x, centre.y - eye.y, centre.z - eye.z});
    V3 s = unit(cross(f, up));
    V3 u = cross(s, f);
    return {s.x,          u.x,          -f.x,        0,
            s.y,          u.y,          -f.y,        0,
            s.z,          u.z,          -f.z,        0,
            -dot(s, eye), -dot(u, eye), dot(f, eye), 1};
}

std::array<float, 16> glMatrix(GLenum which) {
    std::array<float, 16> m{};
    glGetFloatv(which, m.data());
    return m;
}

void expectMatrix(GLenum which, const Mat& expected) {
    auto actual = glMatrix(which);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-4 * std::max(1.0, std::fabs(expected[i])))
            << (which == GL_PROJECTION_MATRIX ? "projection" : "modelview") << " element " << i;
}

class CameraTest : public GlFixture {
protected:
    void SetUp() override {
        GlFixture::SetUp();
        resetProjectGlobals();
        camera->init();
    }
    void TearDown() override {
        EffectManager::instance().replaceList(EffectList{});
        resetProjectGlobals();
        GlFixture::TearDown();
    }
    static void key(Effect& e, const char* track, float value, float time = 0.0f) {
        KeyframeTrack* t = e.findTrack(track);
        t->setKey(time, value, t->keys.at(0.0f).interp);
    }
    void renderAt(float time) {
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
    key(*camera, "fov", 0.25f);
    renderAt(0.0f);
    expectMatrix(GL_PROJECTION_MATRIX, perspective(1.0, 1.0));

    projectWidth = 640;
    projectHeight = 480;
    key(*camera, "fov", 90.0f);
    camera->updateAllTracks(0.0f);
    camera->renderGeometry();  // the geometry-only pass uses the same view
    expectMatrix(GL_PROJECTION_MATRIX, perspective(90.0, 640.0 / 480.0));
}

TEST_F(CameraTest, OrbitCirclesTheTargetAndUpSwitchesToZWhenLookingStraightDownOrUp) {
    key(*camera, "orbit_enabled", 1.0f);
    renderAt(static_cast<float>(M_PI / 2.0));  // a quarter turn at orbitSpeed 1
    expectMatrix(GL_MODELVIEW_MATRIX, lookAt({0, 10, 30}, {0, 0, 0}));
    key(*camera, "target.x", 5.0f);
    key(*camera, "target.y", 2.0f);
    key(*camera, "target.z", -3.0f);
    key(*camera, "pos.x", -70.0f);  // not used while orbiting
    renderAt(static_cast<float>(M_PI / 2.0));
    expectMatrix(GL_MODELVIEW_MATRIX, lookAt({5, 12, 27}, {5, 2, -3}));

    key(*camera, "orbit_enabled", 0.0f);
    key(*camera, "pos.x", 5.0f);
    key(*camera, "pos.z", -3.0f);
    key(*camera, "pos.y", 20.0f);
    renderAt(0.0f);
    expectMatrix(GL_MODELVIEW_MATRIX, lookAt({5, 20, -3}, {5, 2, -3}, {0, 0, 1}));
    key(*camera, "pos.y", -20.0f);
    renderAt(0.0f);
    expectMatrix(GL_MODELVIEW_MATRIX, lookAt({5, -20, -3}, {5, 2, -3}, {0, 0, -1}));
}

TEST_F(CameraTest, TrackTargetFollowsTheKeysOfTheNthEffectWhereItCan) {
    key(*camera, "target.x", -9.0f);
    auto object = std::make_unique<Basic3DEffect>();
    object->init();
    key(*object, "pos.x", 2.0f, 1.0f);
    key(*object, "pos.x", 6.0f, 3.0f);  // 4 at t = 2
    key(*object, "pos.y", -3.0f);
    key(*object, "pos.z", 7.0f);
    key(*object, "enabled", 0.0f);  // followed even when switched off
    auto light = std::make_unique<Lighting>();  // no position tracks
    light->init();
    EffectList list;
    list.push_back(std::move(owned));
    list.push_back(std::move(object));
    list.push_back(std::move(light));
    EffectManager::instance().replaceList(std::move(list));

    key(*camera, "trackTarget", 2.0f);
    EffectManager::instance().update(2.0f);
    EffectManager::instance().render();
    expectMatrix(GL_MODELVIEW_MATRIX, lookAt({0, 0, -32}, {4, -3, 7}));

    for (float n : {1.0f, 3.0f, 100.0f, -4.0f}) {  // itself, no position tracks, past either end
        key(*camera, "trackTarget", n);
        EffectManager::instance().update(1.0f);
        EXPECT_FLOAT_EQ(camera->targetX, -9.0f) << "trackTarget " << n;
        EXPECT_FLOAT_EQ(camera->targetY, 0.0f) << "trackTarget " << n;
    }
}

TEST_F(CameraTest, DisabledCameraLeavesThePreviousMatrices) {
    glMatrixMode(GL_PROJECTION);
    glOrtho(-2, 3, -4, 5, -6, 7);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);
    auto projection = glMatrix(GL_PROJECTION_MATRIX);
    auto modelview = glMatrix(GL_MODELVIEW_MATRIX);

    key(*camera, "enabled", 0.0f);
    renderAt(1.0f);
    EXPECT_EQ(glMatrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(glMatrix(GL_MODELVIEW_MATRIX), modelview);
}

TEST_F(CameraTest, DrivingMovesTheDrivenEyeAndRecordsItAsKeys) {
    camera->syncFromParameters();  // from (0,0,-32) towards the origin: yaw 90, pitch 0
    EXPECT_NEAR(camera->yaw, 90.0f, 1e-3);
    EXPECT_NEAR(camera->pitch, 0.0f, 1e-3);

    camera->drive(0.5f, true, false, false, false, true, false);  // 20 units forward and up
    EXPECT_NEAR(camera->drivenTarget[2], -11.0f, 1e-3);  // one unit ahead of the eye
    camera->driving = true;
    camera->render();
    expectMatrix(GL_MODELVIEW_MATRIX, lookAt({0, 20, -12}, {0, 20, -11}));

    camera->recordKeys(4.0f);
    const KeyMap& keys = camera->findTrack("pos.y")->keys;
    ASSERT_EQ(keys.count(4.0f), 1u);
    EXPECT_NEAR(keys.at(4.0f).value, 20.0f, 1e-4);
    EXPECT_EQ(keys.at(4.0f).interp, InterpType::Catmull);
    EXPECT_EQ(camera->findTrack("yaw"), nullptr);  // recording creates no tracks
}

TEST_F(CameraTest, TracksAndConstructorLogLine) {
    const auto L = InterpType::Linear, S = InterpType::Step;
    expectTrackTable(*camera, {
        {"enabled", 0, 1, 1, true, S},
        {"pos.x", -100, 100, 0, false, L, &camera->posX},
        {"pos.y", -100, 100, 0, false, L, &camera->posY},
        {"pos.z", -64, 64, -32, false, L, &camera->posZ},
        {"target.x", -100, 100, 0, false, L, &camera->targetX},
        {"target.y", -100, 100, 0, false, L, &camera->targetY},
        {"target.z", -100, 100, 0, false, L, &camera->targetZ},
        {"trackTarget", 0, 100, 0, true, S, &camera->trackTarget},
        {"orbit_enabled", 0, 1, 0, false, S, &camera->orbitEnabled},
        {"orbitRadius", 1, 200, 30, false, L, &camera->orbitRadius},
        {"orbitSpeed", -10, 10, 1, false, L, &camera->orbitSpeed},
        {"orbitHeight", -100, 100, 10, false, L, &camera->orbitHeight},
        {"fov", 1, 160, 65, false, L, &camera->fov},
    });

    TempDir dir;
    Logger::instance().open(dir.file("log.txt"), true);
    { Camera logged; }
    Logger::instance().close();
    std::string log = dir.read("log.txt");
    EXPECT_EQ(log.front(), '[');
    EXPECT_EQ(log.substr(10), " Camera constructor called.\n");
}

}  // namespace
