// RotatingCubeEffect: every track shares the range 0..25 and a linear default key; values
// outside it are used as they are. Colours above 1 saturate in GL.
#include "effects/RotatingCubeEffect.h"

#include <GL/gl.h>

#include "base/Logger.h"

namespace {

// Six quads counter-clockwise seen from outside, each with its face normal.
void drawCube(float edge) {
    const float h = edge / 2.0f;
    struct Face {
        float n[3];
        float c[4][3];
    };
    const Face faces[6] = {
        {{0, 0, 1}, {{-h, -h, h}, {h, -h, h}, {h, h, h}, {-h, h, h}}},
        {{0, 0, -1}, {{h, -h, -h}, {-h, -h, -h}, {-h, h, -h}, {h, h, -h}}},
        {{0, 1, 0}, {{-h, h, h}, {h, h, h}, {h, h, -h}, {-h, h, -h}}},
        {{0, -1, 0}, {{-h, -h, -h}, {h, -h, -h}, {h, -h, h}, {-h, -h, h}}},
        {{1, 0, 0}, {{h, -h, h}, {h, -h, -h}, {h, h, -h}, {h, h, h}}},
        {{-1, 0, 0}, {{-h, -h, -h}, {-h, -h, h}, {-h, h, h}, {-h, h, -h}}},
    };
    glBegin(GL_QUADS);
    for (const Face& f : faces) {
        glNormal3fv(f.n);
        for (const auto& corner : f.c) glVertex3fv(corner);
    }
    glEnd();
}

}  // namespace

RotatingCubeEffect::RotatingCubeEffect() { logLine("RotatingCubeEffect constructor called."); }

void RotatingCubeEffect::onInit() {
    // Each default key holds the member's construction value.
    struct Parameter {
        const char* name;
        float* member;
    };
    const Parameter parameters[] = {
        {"px", &px}, {"py", &py}, {"pz", &pz}, {"rx", &rx}, {"ry", &ry},
        {"rz", &rz}, {"r", &r},   {"g", &g},   {"b", &b},   {"scale", &scale},
    };
    for (const Parameter& p : parameters) createTrack(p.name, p.member, 0.0f, 25.0f, *p.member);
}

void RotatingCubeEffect::onRender() {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_MODELVIEW);  // the mode itself comes back with the attributes
    glPushMatrix();

    glTranslatef(px, py, pz);
    glRotatef(rx * kDegreesPerRadian, 1.0f, 0.0f, 0.0f);
    glRotatef(ry * kDegreesPerRadian, 0.0f, 1.0f, 0.0f);
    glRotatef(rz * kDegreesPerRadian, 0.0f, 0.0f, 1.0f);
    glScalef(scale, scale, scale);

    glColor3f(r, g, b);
    drawCube(2.0f);

    glPopMatrix();
    glPopAttrib();
}
