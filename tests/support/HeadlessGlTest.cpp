// The headless GL context: a compatibility context with a depth buffer that draws, reads back
// bottom row first (RGBA) and top row first (RGB, as the offline renderer writes frames), and
// resizes.
#include "support/GlFixture.h"

namespace {

using HeadlessGlTest = GlFixture;

TEST_F(HeadlessGlTest, DrawsAndReadsBackInBothRowOrdersAndResizes) {
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 24);
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1.0f, 0.0f, 0.0f);
    glRectf(-1.0f, -1.0f, 0.0f, 0.0f);  // the lower-left quarter
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(pixel(8, 8), (std::array<std::uint8_t, 4>{255, 0, 0, 255}));
    EXPECT_EQ(pixel(56, 56), (std::array<std::uint8_t, 4>{0, 0, 255, 255}));
    const std::vector<std::uint8_t> top = gl_.readPixelsRgbTopDown();
    ASSERT_EQ(top.size(), 64u * 64u * 3u);
    EXPECT_EQ(std::vector<std::uint8_t>(top.begin(), top.begin() + 3), (std::vector<std::uint8_t>{0, 0, 255}));
    EXPECT_EQ(top[63u * 64u * 3u], 255) << "the bottom row comes last";
    ASSERT_TRUE(gl_.resize(32, 16));
    EXPECT_EQ(gl_.readPixelsRgba().size(), 32u * 16u * 4u);
}

}  // namespace
