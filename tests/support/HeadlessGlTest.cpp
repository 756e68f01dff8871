// Proves the headless GL context works: clear, draw a triangle, read the pixels back.
#include "support/GlFixture.h"

namespace {

using HeadlessGlTest = GlFixture;

TEST_F(HeadlessGlTest, ClearsAndDrawsATriangleThatReadsBack) {
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(1.0f, 0.0f, 0.0f);
    glBegin(GL_TRIANGLES);  // covers the lower-left half of the viewport
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(1.0f, -1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    auto inside = pixel(8, 8);
    EXPECT_EQ(inside[0], 255);
    EXPECT_EQ(inside[1], 0);
    EXPECT_EQ(inside[2], 0);
    auto outside = pixel(56, 56);
    EXPECT_EQ(outside[0], 0);
    EXPECT_EQ(outside[2], 255);

    std::vector<std::uint8_t> top = gl_.readPixelsRgbTopDown();
    ASSERT_EQ(top.size(), 64u * 64u * 3u);
    EXPECT_EQ(top[0], 0);    // top-left is outside the triangle: blue
    EXPECT_EQ(top[2], 255);
    std::size_t bottomLeft = (63u * 64u) * 3u;
    EXPECT_EQ(top[bottomLeft], 255);
}

TEST_F(HeadlessGlTest, IsACompatibilityContextWithFixedFunctionState) {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    ASSERT_NE(version, nullptr);
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 24);
    glEnable(GL_LIGHTING);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(HeadlessGlTest, ResizeGivesAFramebufferOfTheNewSize) {
    ASSERT_TRUE(gl_.resize(32, 16));
    EXPECT_EQ(gl_.readPixelsRgba().size(), 32u * 16u * 4u);
}

}  // namespace
