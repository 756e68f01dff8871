// Camera: the projection and model-view matrices it leaves behind, compared with matrices built
// here from the perspective and look-at formulas; orbit, target tracking through the effect
// list, the vertical up-vector switch, the disabled camera, the driving controls; its tracks.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "core/EffectManager.h"
#include "core/Logger.h"
#include "core/ProjectGlobals.h"
#include "effects/Basic3DEffect.h"
#include "effects/Camera.h"
#include "effects/Lighting.h"
#include "support/GlFixture.h"

namespace {

using Mat = std::array<double, 16>;  // column-major, as GL stores it
struct V3 {
    double x, y, z;
};

V3 sub(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 unit(V3 v) {
    double l = std::sqrt(dot(v, v));
    return {v.x / l, v.y / l, v.z / l};
}

Mat perspective(double fovDegrees, double aspect, double zNear, double zFar) {
    double f = 1.0 / std::tan(fovDegrees * M_PI / 360.0);
    Mat m{};
    m[0] = f / aspect;
    m[5] = f;
    m[10] = (zFar + zNear) / (zNear - zFar);
    m[11] = -1.0;
    m[14] = 2.0 * zFar * zNear / (zNear - zFar);
    return m;
}

Mat lookAt(V3 eye, V3 centre, V3 up) {
    V3 f = unit(sub(centre, eye));
    V3 s = unit(cross(f, up));
    V3 u = cross(s, f);
    Mat m{};
    m[0] = s.x, m[4] = s.y, m[8] = s.z;
    m[1] = u.x, m[5] = u.y, m[9] = u.z;
    m[2] = -f.x, m[6] = -f.y, m[10] = -f.z;
    m[12] = -dot(s, eye);
    m[13] = -dot(u, eye);
    m[14] = dot(f, eye);
    m[15] = 1.0;
    return m;
}

std::array<float, 16> glMatrix(GLenum which) {
    std::array<float, 16> m{};
    glGetFloatv(which, m.data());
    return m;
}

void expectMatrix(const std::array<float, 16>& actual, const Mat& expected, const char* what) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-4 * std::max(1.0, std::fabs(expected[i])))
            << what << " element " << i;
}

// The model-view matrix must take the eye to the origin and the target onto the -z axis.
void expectViewFrom(V3 eye, V3 target) {
    auto m = glMatrix(GL_MODELVIEW_MATRIX);
    auto apply = [&](V3 p) {
        return V3{m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
                  m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
    };
    V3 e = apply(eye), t = apply(target);
    EXPECT_NEAR(e.x, 0, 1e-3);
    EXPECT_NEAR(e.y, 0, 1e-3);
    EXPECT_NEAR(e.z, 0, 1e-3);
    EXPECT_NEAR(t.x, 0, 1e-3);
    EXPECT_NEAR(t.y, 0, 1e-3);
    EXPECT_NEAR(t.z, -std::sqrt(dot(sub(target, eye), sub(target, eye))), 1e-3);
}

class CameraTest : public GlFixture {
protected:
    void SetUp() override {
        GlFixture::SetUp();
        resetProjectGlobals();
    }
    void TearDown() override {
        EffectManager::instance().replaceList(EffectList{});
        resetProjectGlobals();
        GlFixture::TearDown();
    }

    static std::unique_ptr<Camera> makeCamera() {
        auto camera = std::make_unique<Camera>();
        camera->init();
        return camera;
    }
    static void key(Effect& e, const char* track, float time, float value, InterpType interp = InterpType::Linear) {
        KeyframeTrack* t = e.findTrack(track);
        ASSERT_NE(t, nullptr) << track;
        t->setKey(time, value, interp);
    }
};

TEST_F(CameraTest, DefaultViewLooksFromZMinus32AtTheOriginWith65Degrees) {
    auto camera = makeCamera();
    camera->updateAllTracks(0.0f);
    camera->render();

    expectMatrix(glMatrix(GL_PROJECTION_MATRIX), perspective(65.0, 960.0 / 540.0, 0.1, 250.0), "projection");
    expectMatrix(glMatrix(GL_MODELVIEW_MATRIX), lookAt({0, 0, -32}, {0, 0, 0}, {0, 1, 0}), "modelview");
    expectViewFrom({0, 0, -32}, {0, 0, 0});
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST_F(CameraTest, ProjectionUsesTheProjectAspectAndClampsTheFieldOfView) {
    auto camera = makeCamera();
    projectWidth = 800;
    projectHeight = 0;  // no height: aspect 1
    key(*camera, "fov", 0.0f, 0.25f);
    camera->updateAllTracks(0.0f);
    camera->render();
    expectMatrix(glMatrix(GL_PROJECTION_MATRIX), perspective(1.0, 1.0, 0.1, 250.0), "projection");

    projectWidth = 640;
    projectHeight = 480;
    key(*camera, "fov", 0.0f, 90.0f);
    camera->updateAllTracks(0.0f);
    camera->renderGeometry();  // the geometry-only pass uses the same view
    expectMatrix(glMatrix(GL_PROJECTION_MATRIX), perspective(90.0, 640.0 / 480.0, 0.1, 250.0), "projection");
}

TEST_F(CameraTest, OrbitAtHalfPiPutsTheEyeAt30OnZAnd10Up) {
    auto camera = makeCamera();
    key(*camera, "orbit_enabled", 0.0f, 1.0f, InterpType::Step);
    const float t = static_cast<float>(M_PI / 2.0);
    camera->updateAllTracks(t);
    camera->render();
    expectMatrix(glMatrix(GL_MODELVIEW_MATRIX), lookAt({0, 10, 30}, {0, 0, 0}, {0, 1, 0}), "modelview");
    expectViewFrom({0, 10, 30}, {0, 0, 0});

    // The orbit is centred on the target, and the position tracks do not matter while orbiting.
    key(*camera, "target.x", 0.0f, 5.0f);
    key(*camera, "pos.x", 0.0f, -70.0f);
    camera->updateAllTracks(t);
    camera->render();
    expectViewFrom({5, 10, 30}, {5, 0, 0});
}

TEST_F(CameraTest, TrackTargetFollowsTheKeyedPositionOfTheSecondEffect) {
    auto camera = makeCamera();
    key(*camera, "trackTarget", 0.0f, 2.0f, InterpType::Step);
    key(*camera, "target.x", 0.0f, -9.0f);  // overridden while tracking
    auto object = std::make_unique<Basic3DEffect>();
    object->init();
    key(*object, "pos.x", 1.0f, 2.0f);
    key(*object, "pos.x", 3.0f, 6.0f);  // 4 at t = 2
    key(*object, "pos.y", 0.0f, -3.0f);
    key(*object, "pos.z", 0.0f, 7.0f);
    key(*object, "enabled", 0.0f, 0.0f, InterpType::Step);  // followed even when switched off
    Camera* cam = camera.get();

    EffectList list;
    list.push_back(std::move(camera));
    list.push_back(std::move(object));
    EffectManager::instance().replaceList(std::move(list));
    EffectManager::instance().update(2.0f);
    EffectManager::instance().render();

    EXPECT_FLOAT_EQ(cam->targetX, 4.0f);
    EXPECT_FLOAT_EQ(cam->targetY, -3.0f);
    EXPECT_FLOAT_EQ(cam->targetZ, 7.0f);
    expectMatrix(glMatrix(GL_MODELVIEW_MATRIX), lookAt({0, 0, -32}, {4, -3, 7}, {0, 1, 0}), "modelview");
}

TEST_F(CameraTest, TrackTargetThatCannotBeFollowedKeepsTheOwnTarget) {
    auto camera = makeCamera();
    key(*camera, "target.x", 0.0f, 3.0f);
    auto light = std::make_unique<Lighting>();  // no position tracks
    light->init();
    Camera* cam = camera.get();
    EffectList list;
    list.push_back(std::move(camera));
    list.push_back(std::move(light));
    EffectManager::instance().replaceList(std::move(list));

    for (float n : {1.0f, 2.0f, 3.0f, 100.0f, -4.0f}) {  // itself, no pos tracks, past the end
        key(*cam, "trackTarget", 0.0f, n, InterpType::Step);
        EffectManager::instance().update(1.0f);
        EXPECT_FLOAT_EQ(cam->targetX, 3.0f) << "trackTarget " << n;
        EXPECT_FLOAT_EQ(cam->targetY, 0.0f) << "trackTarget " << n;
    }
}

TEST_F(CameraTest, EyeStraightAboveOrBelowTheTargetSwitchesUpToTheZAxis) {
    auto camera = makeCamera();
    key(*camera, "pos.z", 0.0f, 0.0f);
    key(*camera, "pos.y", 0.0f, 20.0f);
    camera->updateAllTracks(0.0f);
    camera->render();
    auto above = glMatrix(GL_MODELVIEW_MATRIX);
    for (float v : above) EXPECT_TRUE(std::isfinite(v));
    expectMatrix(above, lookAt({0, 20, 0}, {0, 0, 0}, {0, 0, 1}), "looking down");
    expectViewFrom({0, 20, 0}, {0, 0, 0});

    key(*camera, "pos.y", 0.0f, -20.0f);
    camera->updateAllTracks(0.0f);
    camera->render();
    expectMatrix(glMatrix(GL_MODELVIEW_MATRIX), lookAt({0, -20, 0}, {0, 0, 0}, {0, 0, -1}), "looking up");
}

TEST_F(CameraTest, DisabledCameraLeavesThePreviousMatrices) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2, 3, -4, 5, -6, 7);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    auto projection = glMatrix(GL_PROJECTION_MATRIX);
    auto modelview = glMatrix(GL_MODELVIEW_MATRIX);

    auto camera = makeCamera();
    key(*camera, "enabled", 0.0f, 0.0f, InterpType::Step);
    Camera* cam = camera.get();
    EffectList list;
    list.push_back(std::move(camera));
    EffectManager::instance().replaceList(std::move(list));
    EffectManager::instance().update(1.0f);
    EffectManager::instance().render();
    cam->render();

    EXPECT_EQ(glMatrix(GL_PROJECTION_MATRIX), projection);
    EXPECT_EQ(glMatrix(GL_MODELVIEW_MATRIX), modelview);
}

TEST_F(CameraTest, DrivingMovesTheDrivenEyeAndRecordsItAsKeys) {
    auto camera = makeCamera();
    camera->syncFromParameters();  // from (0,0,-32) towards the origin: yaw 90, pitch 0
    EXPECT_NEAR(camera->yaw, 90.0f, 1e-3);
    EXPECT_NEAR(camera->pitch, 0.0f, 1e-3);

    camera->drive(0.5f, true, false, false, false, true, false);  // 20 units forward and up
    EXPECT_NEAR(camera->drivenPos[0], 0.0f, 1e-3);
    EXPECT_NEAR(camera->drivenPos[1], 20.0f, 1e-4);
    EXPECT_NEAR(camera->drivenPos[2], -12.0f, 1e-3);
    EXPECT_NEAR(camera->drivenTarget[2], -11.0f, 1e-3);

    camera->driving = true;
    camera->render();
    expectViewFrom({0, 20, -12}, {0, 20, -11});

    camera->recordKeys(4.0f);
    const KeyMap& keys = camera->findTrack("pos.y")->keys;
    ASSERT_EQ(keys.count(4.0f), 1u);
    EXPECT_NEAR(keys.at(4.0f).value, 20.0f, 1e-4);
    EXPECT_EQ(keys.at(4.0f).interp, InterpType::Catmull);
    EXPECT_EQ(camera->findTrack("yaw"), nullptr);  // recording creates no tracks
}

TEST_F(CameraTest, TracksInOrderWithRangesDefaultsAndKeyShapes) {
    struct Row {
        const char* name;
        float min, max, value;
        bool snap;
        InterpType interp;
    };
    const Row rows[] = {
        {"enabled", 0, 1, 1, true, InterpType::Step},
        {"pos.x", -100, 100, 0, false, InterpType::Linear},
        {"pos.y", -100, 100, 0, false, InterpType::Linear},
        {"pos.z", -64, 64, -32, false, InterpType::Linear},
        {"target.x", -100, 100, 0, false, InterpType::Linear},
        {"target.y", -100, 100, 0, false, InterpType::Linear},
        {"target.z", -100, 100, 0, false, InterpType::Linear},
        {"trackTarget", 0, 100, 0, true, InterpType::Step},
        {"orbit_enabled", 0, 1, 0, false, InterpType::Step},
        {"orbitRadius", 1, 200, 30, false, InterpType::Linear},
        {"orbitSpeed", -10, 10, 1, false, InterpType::Linear},
        {"orbitHeight", -100, 100, 10, false, InterpType::Linear},
        {"fov", 1, 160, 65, false, InterpType::Linear},
    };
    auto camera = makeCamera();
    ASSERT_EQ(camera->tracks.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        auto* t = dynamic_cast<KeyframeTrack*>(camera->tracks[i]);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->name, rows[i].name);
        EXPECT_EQ(t->minValue, rows[i].min) << rows[i].name;
        EXPECT_EQ(t->maxValue, rows[i].max) << rows[i].name;
        EXPECT_EQ(t->snapToInteger, rows[i].snap) << rows[i].name;
        ASSERT_EQ(t->keys.size(), 1u) << rows[i].name;
        EXPECT_EQ(t->keys.begin()->first, 0.0f);
        EXPECT_EQ(t->keys.begin()->second.value, rows[i].value) << rows[i].name;
        EXPECT_EQ(t->keys.begin()->second.interp, rows[i].interp) << rows[i].name;
        EXPECT_EQ(t->currentValue, rows[i].value) << rows[i].name;
    }
    EXPECT_EQ(std::string(camera->getClassName()), "Camera");
    EXPECT_EQ(camera->posZ, -32.0f);
    EXPECT_EQ(camera->fov, 65.0f);
}

TEST_F(CameraTest, ConstructorWritesItsLogLine) {
    auto path = std::filesystem::temp_directory_path() / ("camera_log_" + std::to_string(::getpid()) + ".txt");
    Logger::instance().open(path.string(), true);
    { Camera camera; }
    Logger::instance().close();
    std::ifstream in(path);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_EQ(line.substr(10), " Camera constructor called.");
    EXPECT_EQ(line.front(), '[');
    std::filesystem::remove(path);
}

}  // namespace
