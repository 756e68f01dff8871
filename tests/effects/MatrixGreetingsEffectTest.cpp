// MatrixGreetingsEffect in a 16:9 headless context: hash and glyph choice, greetings, grid sizing
// and trace lines, a new grid's drops and glyphs, greeting spawn, decryption and removal, dt 0,
// the alpha threshold, vertex array against immediate mode; long texts and a non-string text of
// both text effects. The bad-value sweep: AllEffectsTest.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "base/CrashTrace.h"
#include "base/Random.h"
#include "effects/MatrixGreetingsEffect.h"
#include "effects/VectorTextEffect.h"
#include "support/EffectHelpers.h"
#include "support/GlFixture.h"
#include "support/TempDir.h"

namespace {

using Matrix = MatrixGreetingsEffect;

class MatrixGreetingsEffectTest : public GlFixture {
protected:
    MatrixGreetingsEffectTest() : GlFixture(160, 90) {}
    void SetUp() override {
        GlFixture::SetUp();
        runtime::srand(1);
        e.init();
    }
    Matrix e;
};

TEST(MatrixGreetingsHash, HashAndGlyphChoiceFollowTheSinglePrecisionFormulas) {
    for (float x : {0.0f, 1.0f, 2.5f, 13.37f, 1337.0f, 4567.25f})
        EXPECT_EQ(Matrix::hash(x), std::sin(x * 12.9898f) * 43758.547f - std::floor(std::sin(x * 12.9898f) * 43758.547f)) << x;
    const std::pair<float, unsigned char> codes[] = {{0.0f, '0'},   {0.199f, '9'}, {0.2f, 'A'},  {0.719f, 'Z'},
                                                     {0.72f, 0x80}, {0.99f, 0x81}, {1.0f, 0x82}, {NAN, '0'}};
    for (auto [h, code] : codes) EXPECT_EQ(Matrix::glyphCode(h), code) << h;
}

TEST_F(MatrixGreetingsEffectTest, GreetingsAreTrimmedUpperCasedPiecesWithoutEmptyOnes) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {  // bytes above 0x7F stay as they are
        {"", {}}, {",, , ,", {}}, {" alpha ,beta,, ,gamma delta , ", {"ALPHA", "BETA", "GAMMA DELTA"}},
        {"blåbær,x", {"BL\xC3\xA5" "B\xC3\xA6R", "X"}}};
    float time = 0.0f;
    for (const auto& [text, words] : cases) {
        e.setText(text);
        e.updateAllTracks(time += 0.1f);
        EXPECT_EQ(e.greetings, words) << text;
        EXPECT_EQ(e.text(), text) << "the stored text keeps its case";
        EXPECT_TRUE(!words.empty() || e.activeGreetings.empty()) << "nothing to spawn";
    }
}

TEST_F(MatrixGreetingsEffectTest, GridFollowsColumnsDirectionAndViewportAndTracesItsResize) {
    TempDir dir(true);
    CrashTrace::reset();
    bool press = true;
    CrashTrace::setKeySource([&] { return std::exchange(press, false); });
    e.updateAllTracks(0.5f);
    e.onRender();
    e.updateAllTracks(0.6f);
    setKeys(e, {{"alpha", 0.01f}});
    e.updateAllTracks(0.7f);
    e.onRender();
    CrashTrace::reset();
    auto line = [](const char* function, int number, const std::string& message) {
        return "[MatrixGreetingsEffect -> MatrixGreetingsEffect::" + std::string(function) + " @ Linje " +
               std::to_string(number) + "] Matrix: " + message + "\n";
    };
    const std::string start = line("onUpdate", 174, "Starter onUpdate"), done = line("onUpdate", 364, "onUpdate Ferdig");
    const std::string render = line("onRender", 368, "Starter onRender"), rule(54, '=');
    EXPECT_EQ(dir.read("crash_trace_log.txt"), "\n" + rule + "\n=== START CRASH TRACE (F8) ===\n" + rule + "\n" + start +
                                                   line("onUpdate", 233, "Resizer grid til 60x37") + done + render +
                                                   line("onRender", 496, "onRender Ferdig") + start + done + start + done + render);

    struct Case { float columns, direction; int width, height, cols, rows; };
    const Case cases[] = {{0.4f, 0, 160, 90, 1, 4},     {350, 0, 160, 90, 300, 172}, {60, 2, 160, 90, 60, 110},
                          {50, 1, 90, 90, 50, 54},      {NAN, NAN, 160, 90, 1, 4},   {INFINITY, 7, 160, 90, 300, 537},
                          {60, 0, 1, 90, 60, 4096},     {60, 0, 90, 0, 60, 4}};
    for (const Case& c : cases) {
        setKeys(e, {{"columns", c.columns}, {"direction", c.direction}});
        glViewport(0, 0, c.width, c.height);
        e.updateAllTracks(1.0f);
        EXPECT_EQ(e.gridCols, c.cols) << c.columns << " columns, " << c.width << "x" << c.height;
        EXPECT_EQ(e.gridRows, c.rows) << c.columns << " columns, " << c.width << "x" << c.height;
    }
}

TEST_F(MatrixGreetingsEffectTest, ResizeDealsDropColumnsFromTheSharedGeneratorAndGlyphsFromTheHash) {
    runtime::srand(99);
    e.updateAllTracks(0.0f);  // dt 0: nothing moves after the resize
    ASSERT_EQ(e.drops.size(), 90u);
    runtime::srand(99);
    for (std::size_t i = 0; i < e.drops.size(); ++i) {
        EXPECT_EQ(e.drops[i].column, runtime::rand() % 60) << i;
        EXPECT_EQ(e.drops[i].position, 37.0f * Matrix::hash(static_cast<float>(i))) << i;
    }
    EXPECT_EQ(e.cellGlyph(7, 3), Matrix::glyphCode(Matrix::hash(3.0f + 7.0f * 13.37f)));
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
    const float firstDrop = e.drops[0].position;
    runtime::srand(7);
    e.updateAllTracks(1.0f);
    const int next = runtime::rand();
    runtime::srand(7);
    EXPECT_EQ(next, runtime::rand()) << "no generator call";
    EXPECT_EQ(e.intensity, intensity);
    EXPECT_EQ(e.glyphs, glyphs);
    EXPECT_EQ(e.drops[0].position, firstDrop);
    EXPECT_EQ(e.activeGreetings.at(0).age, greeting.age);
}

TEST_F(MatrixGreetingsEffectTest, AlphaThresholdAndVertexArrayDrawsTheImmediateModePixels) {
    const auto black = frame();
    drawWith(e, {{"alpha", 0.01f}}, 0.5f);
    EXPECT_EQ(frame(), black) << "alpha 0.01 draws nothing";
    drawWith(e, {{"alpha", 0.02f}}, 0.6f);
    EXPECT_NE(frame(), black) << "alpha 0.02 draws";
    // A greeting in every update, whatever the resizes discard, shown half revealed, half scrambled.
    setKeys(e, {{"alpha", 0.8f}, {"spawn_interval", 0.1f}, {"decrypt_time", 1.0f}});
    float time = 0.6f;
    for (float direction : {0.0f, 1.0f, 2.0f, 3.0f}) {
        setKeys(e, {{"direction", direction}, {"glitch", direction * 1.5f}});
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

// Both text effects keep at most 1023 or 255 bytes of a text (with commas and bytes above 0x7F
// near the cut) and draw it without a GL error; a text that is not a string is a JSON type error.
template <class E>
void expectLongTextsCut(std::size_t limit) {
    for (const std::string& text : {std::string(limit, 'W'), std::string(limit - 1, 'M') + ",XY",
                                    std::string(limit - 3, ',') + "bl\xC3\xA5" "b\xC3\xA6r, \xFF\x80\x8C,, ,"}) {
        E effect;
        effect.init();
        effect.fromJson({{"customText", text}});
        EXPECT_EQ(effect.toJson().at("customText"), text.substr(0, limit));
        for (const auto& [name, value] : {std::pair{"textSelect", 300.0f}, {"drawProgress", 0.6f}})  // the last word
            if (KeyframeTrack* track = effect.findTrack(name)) track->setKey(0.0f, value, InterpType::Linear);
        for (float time : {0.5f, 1.0f, 2.0f}) effect.updateAllTracks(time), effect.render();
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << limit;
    }
    E effect;
    EXPECT_THROW(effect.fromJson({{"customText", 42}}), nlohmann::json::type_error);
}

TEST_F(MatrixGreetingsEffectTest, BothTextEffectsCutLongTextsAndRefuseANonString) {
    expectLongTextsCut<MatrixGreetingsEffect>(1023);
    expectLongTextsCut<VectorTextEffect>(255);
}

}  // namespace
