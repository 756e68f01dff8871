// MatrixGreetingsEffect in a 16:9 headless context: hash and glyph choice, greeting parsing,
// grid sizing with its trace lines, drops from the shared generator, greeting spawn,
// decryption and removal, dt 0, the alpha threshold, vertex array against immediate mode,
// and bad track values, texts and JSON.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <limits>

#include "base/CrashTrace.h"
#include "base/Logger.h"
#include "base/Random.h"
#include "core/ProjectLoader.h"
#include "effects/MatrixGreetingsEffect.h"
#include "effects/RegisterEffects.h"
#include "support/GlFixture.h"
#include "support/TempDir.h"
#include "support/TrackTable.h"

namespace {

using Matrix = MatrixGreetingsEffect;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

class MatrixGreetingsEffectTest : public GlFixture {
protected:
    MatrixGreetingsEffectTest() : GlFixture(160, 90) {}
    void SetUp() override {
        GlFixture::SetUp();
        runtime::srand(1);
        e.init();
    }
    void set(const char* track, float value) { e.findTrack(track)->setKey(0.0f, value, InterpType::Linear); }
    Matrix e;
};

// Reference: the formula in single precision.
float referenceHash(float x) {
    const float s = std::sin(x * 12.9898f) * 43758.547f;
    return s - std::floor(s);
}

TEST(MatrixGreetingsHash, HashAndGlyphChoiceFollowTheSinglePrecisionFormulas) {
    for (float x : {0.0f, 1.0f, 2.5f, 13.37f, 1337.0f, 4567.25f})
        EXPECT_EQ(Matrix::hash(x), referenceHash(x)) << x;
    EXPECT_EQ(Matrix::hash(0.0f), 0.0f);
    const std::pair<float, unsigned char> codes[] = {{0.0f, '0'},   {0.199f, '9'}, {0.2f, 'A'},  {0.719f, 'Z'},
                                                     {0.72f, 0x80}, {0.99f, 0x81}, {1.0f, 0x82}, {kNaN, '0'}};
    for (auto [h, code] : codes) EXPECT_EQ(Matrix::glyphCode(h), code) << h;
}

TEST_F(MatrixGreetingsEffectTest, TracksAndTheDefaultText) {
    expectTrackTable(e, {{"enabled", 0, 1, 1, true, InterpType::Step, &e.enabled},
                         {"direction", 0, 3, 0, true, InterpType::Step, &e.direction},
                         {"columns", 10, 300, 60, false, InterpType::Linear, &e.columns},
                         {"ca_rule", 0, 255, 30, true, InterpType::Step, &e.ca_rule},
                         {"speed", 1, 100, 20, false, InterpType::Linear, &e.speed},
                         {"decay", 0.05f, 5, 0.5f, false, InterpType::Linear, &e.decay},
                         {"spawn_interval", 0.1f, 5, 1.15f, false, InterpType::Linear, &e.spawn_interval},
                         {"decrypt_time", 0.1f, 5, 0.5f, false, InterpType::Linear, &e.decrypt_time},
                         {"hold_time", 0.1f, 10, 1.5f, false, InterpType::Linear, &e.hold_time},
                         {"glitch", 0, 5, 1, false, InterpType::Linear, &e.glitch},
                         {"thickness", 0.1f, 10, 2, false, InterpType::Linear, &e.thickness},
                         {"greetings_enabled", 0, 1, 1, true, InterpType::Step, &e.greetings_enabled},
                         {"seed", 0, 10000, 1337, true, InterpType::Step, &e.seed},
                         {"color.r", 0, 1, 0.1f, false, InterpType::Linear, &e.colorR},
                         {"color.g", 0, 1, 0.9f, false, InterpType::Linear, &e.colorG},
                         {"color.b", 0, 1, 0.2f, false, InterpType::Linear, &e.colorB},
                         {"alpha", 0, 1, 1, false, InterpType::Linear, &e.alpha}});
    e.updateAllTracks(0.1f);
    EXPECT_EQ(e.greetings.size(), 11u);
}

TEST_F(MatrixGreetingsEffectTest, GreetingsAreTrimmedUpperCasedPiecesWithoutEmptyOnes) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"", {}},
        {",, , ,", {}},
        {" alpha ,beta,, ,gamma delta , ", {"ALPHA", "BETA", "GAMMA DELTA"}},
        {"blåbær,x", {"BL\xC3\xA5" "B\xC3\xA6R", "X"}},  // bytes above 0x7F stay as they are
    };
    float time = 0.0f;
    for (const auto& [text, words] : cases) {
        e.setText(text);
        e.updateAllTracks(time += 0.1f);
        EXPECT_EQ(e.greetings, words) << text;
        EXPECT_EQ(e.text(), text) << "the stored text keeps its case";
        if (words.empty()) {
            EXPECT_TRUE(e.activeGreetings.empty()) << "nothing to spawn";
        }
    }
    ASSERT_EQ(e.activeGreetings.size(), 1u) << "ALPHA came at once, the timer had run out";
    EXPECT_EQ(e.activeGreetings[0].text, "ALPHA");
}

TEST_F(MatrixGreetingsEffectTest, GridFollowsColumnsDirectionAndViewportAndTracesItsResize) {
    TempDir dir(true);
    CrashTrace::reset();
    bool press = true;
    CrashTrace::setKeySource([&] { return std::exchange(press, false); });
    e.updateAllTracks(0.5f);
    e.onRender();
    e.updateAllTracks(0.6f);
    set("alpha", 0.01f);
    e.updateAllTracks(0.7f);
    e.onRender();
    CrashTrace::reset();
    const std::string head = "[MatrixGreetingsEffect -> MatrixGreetingsEffect::";
    const std::string start = head + "onUpdate @ Linje 174] Matrix: Starter onUpdate\n";
    const std::string done = head + "onUpdate @ Linje 364] Matrix: onUpdate Ferdig\n";
    const std::string render = head + "onRender @ Linje 368] Matrix: Starter onRender\n";
    const std::string rule(54, '=');
    EXPECT_EQ(dir.read("crash_trace_log.txt"),
              "\n" + rule + "\n=== START CRASH TRACE (F8) ===\n" + rule + "\n" + start + head +
                  "onUpdate @ Linje 233] Matrix: Resizer grid til 60x37\n" + done + render + head +
                  "onRender @ Linje 496] Matrix: onRender Ferdig\n" + start + done + start + done + render);

    struct Case { float columns, direction; int width, height, cols, rows; };
    const Case cases[] = {{0.4f, 0, 160, 90, 1, 4},     {350, 0, 160, 90, 300, 172}, {60, 2, 160, 90, 60, 110},
                          {50, 1, 90, 90, 50, 54},      {kNaN, kNaN, 160, 90, 1, 4}, {kInf, 7, 160, 90, 300, 537},
                          {60, 0, 1, 90, 60, 4096},     {60, 0, 90, 0, 60, 4}};
    for (const Case& c : cases) {
        set("columns", c.columns);
        set("direction", c.direction);
        glViewport(0, 0, c.width, c.height);
        e.updateAllTracks(1.0f);
        EXPECT_EQ(e.gridCols, c.cols) << c.columns << " columns, " << c.width << "x" << c.height;
        EXPECT_EQ(e.gridRows, c.rows) << c.columns << " columns, " << c.width << "x" << c.height;
    }
}

TEST_F(MatrixGreetingsEffectTest, ResizeDealsDropsFromTheSharedGeneratorAndTheHash) {
    runtime::srand(99);
    e.updateAllTracks(0.0f);
    ASSERT_EQ(e.drops.size(), 90u);
    runtime::srand(99);
    for (std::size_t i = 0; i < e.drops.size(); ++i) {
        EXPECT_EQ(e.drops[i].column, runtime::rand() % 60) << i;
        EXPECT_EQ(e.drops[i].position, 37.0f * Matrix::hash(static_cast<float>(i))) << i;
        EXPECT_EQ(e.drops[i].length, Matrix::hash(static_cast<float>(i) + 2.0f) * 15.0f + 5.0f) << i;
    }
    EXPECT_EQ(e.cellGlyph(7, 3), Matrix::glyphCode(Matrix::hash(3.0f + 7.0f * 13.37f)));
    EXPECT_EQ(e.caState[30], 1);
}

TEST_F(MatrixGreetingsEffectTest, GreetingsSpawnAtHashedCellsDecryptInOrderAndLeave) {
    e.setText("hello, world");
    e.updateAllTracks(0.25f);
    ASSERT_EQ(e.activeGreetings.size(), 1u);
    const Matrix::ActiveGreeting& hello = e.activeGreetings[0];
    EXPECT_EQ(hello.text, "HELLO");
    EXPECT_EQ(hello.column, 2 + static_cast<int>(Matrix::hash(1337.0f) * 52.0f));
    EXPECT_EQ(hello.row, 3 + static_cast<int>(Matrix::hash(1337.0f) * 31.0f));
    EXPECT_EQ(hello.revealed, (std::vector<bool>{true, true, false, false, false})) << "trunc(0.25 / 0.5 * 5)";
    for (int j = 2; j < 5; ++j) {
        const float h = Matrix::hash(static_cast<float>(j) + 0.25f);
        EXPECT_EQ(hello.scrambled[j], h > 0.6f ? Matrix::glyphCode(h) : Matrix::glyphCode(Matrix::hash(static_cast<float>(j))));
    }
    e.updateAllTracks(0.45f);
    EXPECT_EQ(e.activeGreetings[0].revealed, (std::vector<bool>{true, true, true, true, false}));
    e.updateAllTracks(0.75f);
    EXPECT_EQ(e.activeGreetings[0].revealed, std::vector<bool>(5, true));

    e.updateAllTracks(2.3f);  // HELLO is 2.3 s old: gone; WORLD spawns and ages 1.55 s at once
    ASSERT_EQ(e.activeGreetings.size(), 1u);
    const Matrix::ActiveGreeting& world = e.activeGreetings[0];
    EXPECT_EQ(world.text, "WORLD");
    EXPECT_EQ(world.column, 2 + static_cast<int>(Matrix::hash(12.34f + 1337.0f) * 52.0f));
    EXPECT_EQ(world.row, 3 + static_cast<int>(Matrix::hash(43.21f + 1337.0f) * 31.0f));
    EXPECT_EQ(world.age, 2.3f - 0.75f);
    EXPECT_EQ(e.greetingIndex, 0);

    Matrix late;  // the first update comes at 3 s: the greeting outlives decrypt + hold at once
    late.init();
    late.setText("hello, world");
    late.updateAllTracks(3.0f);
    EXPECT_TRUE(late.activeGreetings.empty());
    EXPECT_EQ(late.greetingIndex, 1);
}

TEST_F(MatrixGreetingsEffectTest, TheSameTimeTwiceChangesNothing) {
    e.updateAllTracks(1.0f);
    const Matrix::ActiveGreeting greeting = e.activeGreetings.at(0);
    const auto intensity = e.intensity;
    const auto glyphs = e.glyphs;
    const auto caState = e.caState;
    const float firstDrop = e.drops[0].position, caTimer = e.caTimer;
    runtime::srand(7);
    e.updateAllTracks(1.0f);
    const int next = runtime::rand();
    runtime::srand(7);
    EXPECT_EQ(next, runtime::rand()) << "no generator call";
    EXPECT_EQ(e.intensity, intensity);
    EXPECT_EQ(e.glyphs, glyphs);
    EXPECT_EQ(e.caState, caState);
    EXPECT_EQ(e.drops[0].position, firstDrop);
    EXPECT_EQ(e.caTimer, caTimer);
    EXPECT_EQ(e.activeGreetings.at(0).age, greeting.age);
    EXPECT_EQ(e.activeGreetings.at(0).scrambled, greeting.scrambled);
}

TEST_F(MatrixGreetingsEffectTest, AlphaThresholdAndVertexArrayDrawsTheImmediateModePixels) {
    const auto black = frame();
    set("alpha", 0.01f);
    e.updateAllTracks(0.5f);
    e.onRender();
    EXPECT_EQ(frame(), black) << "alpha 0.01 draws nothing";
    set("alpha", 0.02f);
    e.updateAllTracks(0.6f);
    e.onRender();
    EXPECT_NE(frame(), black) << "alpha 0.02 draws";

    set("alpha", 0.8f);
    set("spawn_interval", 0.1f);  // a greeting in every update, whatever the resizes discard
    set("decrypt_time", 1.0f);    // ... shown half revealed, half scrambled
    float time = 0.6f;
    for (float direction : {0.0f, 1.0f, 2.0f, 3.0f}) {
        set("direction", direction);
        set("glitch", direction * 1.5f);
        e.updateAllTracks(time += 0.7f);
        glClear(GL_COLOR_BUFFER_BIT);
        e.renderWith(Matrix::Submission::Immediate);
        const auto immediate = frame();
        glClear(GL_COLOR_BUFFER_BIT);
        e.onRender();
        EXPECT_NE(immediate, black);
        EXPECT_EQ(frame(), immediate) << "direction " << direction;
        EXPECT_FALSE(e.activeGreetings.empty());
    }
}

TEST_F(MatrixGreetingsEffectTest, BadTrackValuesAndTextsNeverBreakIt) {
    const std::pair<const char*, float> values[] = {
        {"columns", kNaN}, {"columns", 1e30f},  {"direction", -kInf}, {"thickness", kNaN}, {"thickness", kInf},
        {"glitch", kInf},  {"speed", kNaN},     {"decay", kNaN},      {"seed", kNaN},      {"spawn_interval", kNaN},
        {"decrypt_time", kNaN}, {"hold_time", kInf}, {"alpha", kNaN}, {"ca_rule", -1e30f}, {"color.g", kNaN}};
    const std::string texts[] = {std::string(1023, 'W'), std::string(1024, 'M') + ",X", std::string(3000, ','),
                                 "\xff\x80\x8c, \xc3\xa6"};
    for (const auto& [track, value] : values) {
        for (const std::string& text : texts) {
            Matrix bad;
            bad.init();
            bad.setText(text);
            bad.findTrack(track)->setKey(0.0f, value, InterpType::Linear);
            for (float t : {0.5f, kNaN, 3.0f, kInf, 1e30f, 4.0f}) {
                bad.updateAllTracks(t);
                bad.onRender();
            }
            EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << track << " " << value;
            EXPECT_LE(bad.text().size(), 1023u);
            EXPECT_TRUE(std::isfinite(bad.lastTime)) << track;
        }
    }
}

TEST_F(MatrixGreetingsEffectTest, BothTextEffectsKeepTheirTextCutItAndRefuseANonString) {
    registerAllEffects();
    TempDir dir;
    for (const char* className : {"MatrixGreetingsEffect", "VectorTextEffect"}) {
        const std::size_t limit = std::string(className) == "VectorTextEffect" ? 255 : 1023;
        for (std::size_t length : {limit - 1, limit, limit + 1, limit + 500}) {
            const std::string text(length, 'Q');
            const std::string path = dir.write("ok.json", R"({"effects":[{"className":")" + std::string(className) +
                                                              R"(","customText":")" + text + R"("}]})");
            EffectList effects;
            std::vector<bool> collapsed;
            ASSERT_TRUE(loadProject(path, effects, collapsed));
            EXPECT_EQ(effects.at(0)->toJson().at("customText"), text.substr(0, limit)) << className << " " << length;
        }
        Logger::instance().open(dir.file("log.txt"), true);
        const std::string path = dir.write("bad.json", R"({"effects":[{"className":")" + std::string(className) +
                                                           R"(","customText":42}]})");
        EffectList effects;
        std::vector<bool> collapsed;
        EXPECT_FALSE(loadProject(path, effects, collapsed));
        Logger::instance().close();
        EXPECT_NE(dir.read("log.txt").find(
                      "] JSON Parse Error i filen: [json.exception.type_error.302] type must be string, but is number\n"),
                  std::string::npos)
            << className;
    }
}

}  // namespace
