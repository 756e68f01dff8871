// MarchingTetraEffect in a headless GL context: its tracks, the grid resolution rule, the texture
// chosen by store position, the pixels of the shading modes (and their texture coordinates)
// with the GL state restored, bad track values, no allocation once running, and the driving
// controls.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>

#include "base/Logger.h"
#include "core/TextureManager.h"
#include "effects/MarchingTetraEffect.h"
#include "support/GlFixture.h"
#include "support/GlState.h"
#include "support/TempDir.h"
#include "support/TrackTable.h"

// Every allocation of this test program is counted (the effect's frames must make none).
std::atomic<long> allocations{0};
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
// Out of line, so the compiler does not pair a new expression with free() and warn.
__attribute__((noinline)) void release(void* p) noexcept { std::free(p); }
void operator delete(void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

using Keys = std::vector<std::pair<const char*, float>>;

class MarchingTetraEffectTest : public GlFixture {
protected:
    // Eye at the origin looking down -z; the surface 60 units in front.
    void SetUp() override {
        GlFixture::SetUp();
        TextureManager::instance().clear();
        glMatrixMode(GL_PROJECTION);
        gluPerspective(65.0, 1.0, 0.1, 250.0);
        glMatrixMode(GL_MODELVIEW);
        glTranslatef(0, 0, -60);
    }
    void TearDown() override {
        TextureManager::instance().clear();
        GlFixture::TearDown();
    }
    static void set(Effect& e, const Keys& keys) {
        for (const auto& [name, value] : keys) {
            KeyframeTrack* t = e.findTrack(name);
            t->setKey(0.0f, value, t->keys.at(0.0f).interp);
        }
        e.updateAllTracks(0.0f);
    }
    static std::unique_ptr<MarchingTetraEffect> make(const Keys& keys) {
        auto e = std::make_unique<MarchingTetraEffect>();
        e->init();
        set(*e, keys);
        return e;
    }
    // A 4 x 4 texture; texel (x, y) has colour(y).
    template <class Colour>
    static std::shared_ptr<Texture> texture(const std::string& name, Colour colour) {
        std::vector<std::uint8_t> rgba;
        for (int i = 0; i < 16; ++i) {
            const std::array<std::uint8_t, 4> c = colour(i / 4);
            rgba.insert(rgba.end(), c.begin(), c.end());
        }
        return TextureManager::instance().updateDynamicTexture(name, 4, 4, rgba.data());
    }
};

TEST_F(MarchingTetraEffectTest, LogsAndMakesItsTracks) {
    TempDir dir;
    Logger::instance().open(dir.file("log.txt"), true);
    MarchingTetraEffect e;
    Logger::instance().close();
    EXPECT_NE(dir.read("log.txt").find("] MarchingTetraEffect constructor called.\n"), std::string::npos);
    e.init();
    const auto L = InterpType::Linear, S = InterpType::Step;
    expectTrackTable(e, {{"enabled", 0, 1, 1, true, S, &e.enabled},       {"pos.x", -100, 100, 0, false, L, &e.posX},
                         {"pos.y", -100, 100, 0, false, L, &e.posY},      {"pos.z", -100, 100, 0, false, L, &e.posZ},
                         {"rot.x", 0, 360, 0, false, L, &e.rotX},         {"rot.y", 0, 360, 0, false, L, &e.rotY},
                         {"rot.z", 0, 360, 0, false, L, &e.rotZ},         {"shadingMode", 0, 4, 3, true, S, &e.shadingMode},
                         {"isolevel", -50, 50, 0, false, L, &e.isolevel}, {"fieldOp", 0, 4, 3, true, S, &e.fieldOp},
                         {"fieldA", 0, 5, 0, true, S, &e.fieldA},         {"fieldB", 0, 5, 1, true, S, &e.fieldB},
                         {"fieldOp2", 0, 4, 3, true, S, &e.fieldOp2},     {"fieldA2", 0, 5, 2, true, S, &e.fieldA2},
                         {"fieldB2", 0, 5, 5, true, S, &e.fieldB2},       {"morph", 0, 1, 0, false, L, &e.morph},
                         {"texture", 0, std::numeric_limits<float>::max(), 1, false, InterpType::Trigger, &e.texture},
                         {"enableLighting", 0, 1, 1, true, S, &e.enableLighting},
                         {"metaSize", 0.1f, 20, 3, false, L, &e.metaSize}, {"metaSpeed", -5, 5, 0.75f, false, L, &e.metaSpeed},
                         {"gridRes", 8, 80, 32, true, S, &e.gridRes}});
    EXPECT_EQ(e.field.resolution, 32);
}

TEST_F(MarchingTetraEffectTest, GridResolutionIsRoundedAndBadValuesNeverReachTheGrid) {
    auto e = make({});
    // Each value is applied after the previous one.
    const std::pair<float, int> steps[] = {{7.4f, 32}, {8.5f, 9},    {kNaN, 9},  {1.0e30f, 80}, {-kInf, 80},
                                           {7.5f, 8},  {kInf, 80},   {-3.0f, 80}, {63.6f, 64}};
    for (auto [value, expected] : steps) {
        set(*e, {{"gridRes", value}});
        EXPECT_EQ(e->currentResolution, expected) << value;
        EXPECT_EQ(e->field.resolution, expected) << value;
        EXPECT_EQ(e->field.values.size(), std::size_t(expected) * expected * expected) << value;
    }
    EXPECT_FALSE(e->meshPositions.empty());
}

TEST_F(MarchingTetraEffectTest, TextureIsChosenByTruncatedStorePositionAndKeptOnBadValues) {
    std::shared_ptr<Texture> store[3];
    for (int i = 0; i < 3; ++i) store[i] = texture(std::string(1, char('a' + i)), [](int) { return std::array<std::uint8_t, 4>{}; });
    auto e = make({});
    EXPECT_EQ(e->textureId, store[1]->id);  // the default key 1
    for (float value : {2.9f, -1.0f, 3.0f, kNaN, kInf, 1.0e30f}) {  // 2.9 selects index 2, the rest keep it
        set(*e, {{"texture", value}});
        EXPECT_TRUE(e->textureId == store[2]->id && e->loadedTextureIndex == 2 && e->heldTexture == store[2]) << value;
    }
}

TEST_F(MarchingTetraEffectTest, DrawsUntexturedTexturedAndSphereMappedAndRestoresTheState) {
    // The second texture: rows 1 and 2 of 4 green, rows 0 and 3 red; repeating like the
    // project's image textures, unfiltered.
    texture("*red*", [](int) { return std::array<std::uint8_t, 4>{255, 0, 0, 255}; });
    auto green = [](int row) { return std::array<std::uint8_t, 4>{std::uint8_t(row % 3 ? 0 : 255), std::uint8_t(row % 3 ? 255 : 0), 0, 255}; };
    glBindTexture(GL_TEXTURE_2D, texture("*bands*", green)->id);
    for (GLenum parameter : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T}) glTexParameteri(GL_TEXTURE_2D, parameter, GL_REPEAT);
    for (GLenum parameter : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER}) glTexParameteri(GL_TEXTURE_2D, parameter, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    // A sphere of radius 16 (closed in a 36-point grid), 60 units away, unlit: white without a
    // texture; green with the sphere map (t = 0.5 facing the eye) and with the planar
    // coordinates (t = 34 / 35 + 0.5 at the front); red texel row 0 would mean no coordinates.
    const Keys sphere = {{"fieldB", 5}, {"fieldOp", 0}, {"gridRes", 36}};
    for (float mode : {0.0f, 1.0f, 2.0f, 3.0f, 4.0f}) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        auto e = make(sphere);
        set(*e, {{"shadingMode", mode}, {"enableLighting", 0}});
        EXPECT_EQ(e->meshTexCoords.size(), mode == 1 ? 0 : e->meshPositions.size() / 3 * 2);  // none in mode 1
        const GlState before = GlState::capture();
        e->render();
        EXPECT_TRUE(GlState::capture() == before) << GlState::capture().differences(before);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        const auto p = pixel(32, 32);
        if (mode < 3) EXPECT_TRUE(p[0] == 255 && p[1] == 255 && p[2] == 255) << "mode " << mode;
        else EXPECT_TRUE(p[0] == 0 && p[1] == 255 && p[2] == 0) << "mode " << mode;
        EXPECT_EQ(pixel(1, 1), (std::array<std::uint8_t, 4>{0, 0, 0, 255})) << "mode " << mode;
    }
    // Lit (the default), the sphere is shaded: brighter facing the light than at its rim.
    glEnable(GL_LIGHT0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    make({{"fieldB", 5}, {"fieldOp", 0}, {"gridRes", 36}, {"shadingMode", 0}})->render();
    EXPECT_GT(pixel(32, 32)[0], pixel(32, 50)[0] + 40);
}

TEST_F(MarchingTetraEffectTest, BadParametersGiveAnEmptyOrClampedSurfaceNotACrash) {
    const std::pair<Keys, bool> cases[] = {
        {{{"isolevel", kNaN}}, true}, {{{"isolevel", kInf}}, true}, {{{"isolevel", -1.0e30f}}, true},
        {{{"fieldA", kNaN}, {"fieldB", 1.0e30f}, {"fieldOp", -kInf}}, false},  // sphere, empty, union
        {{{"fieldOp", kNaN}, {"morph", kNaN}, {"metaSpeed", 1.0e30f}, {"shadingMode", kNaN}}, false},
        {{{"morph", 0.5f}, {"fieldA2", kInf}, {"fieldOp2", 1.0e30f}, {"metaSize", kNaN}}, true},
    };
    for (const auto& [keys, empty] : cases) {
        auto e = make(keys);
        EXPECT_EQ(e->meshPositions.empty(), empty);
        e->render();
        if (std::string(keys[0].first) == "fieldA") {
            EXPECT_TRUE(e->field.primaryId == Sphere && e->field.secondaryId == Empty);
        }
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(MarchingTetraEffectTest, FramesAllocateNothingOnceRunning) {
    for (Keys keys : {Keys{{"gridRes", 48}}, Keys{{"gridRes", 40}, {"morph", 0.5f}}}) {
        auto e = make(keys);
        // The frame's own work (the tracks' shared evaluation is not this effect's business).
        for (int frame = 1; frame < 4; ++frame) e->onUpdate(frame * 0.25f);
        const long before = allocations.load();
        for (int frame = 4; frame < 10; ++frame) e->onUpdate(frame * 0.25f);
        EXPECT_EQ(allocations.load() - before, 0);
        EXPECT_FALSE(e->meshPositions.empty());
    }
}

TEST_F(MarchingTetraEffectTest, DrivingMovesTheSurfaceAndRecordsKeys) {
    auto e = make({{"pos.x", 4}, {"rot.y", 30}});
    e->syncFromParameters();
    e->drive(0.5f, true, false, false, true, false, true);  // forward, right, down: 15 units each
    EXPECT_TRUE(e->drivenPos[0] == 19 && e->drivenPos[1] == -15 && e->drivenPos[2] == -15 && e->drivenRot[1] == 30);
    e->recordKeys(2.0f);
    auto at2 = [&](const char* name) { return e->findTrack(name)->evaluate(2.0f); };
    EXPECT_TRUE(at2("pos.x") == 19 && at2("pos.y") == -15 && at2("pos.z") == -15 && at2("rot.y") == 30);
}

}  // namespace
