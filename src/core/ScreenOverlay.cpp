// ScreenOverlay: push, set, pop in the order fixed-function GL needs.
#include "core/ScreenOverlay.h"

#include <GL/gl.h>

ScreenOverlay::ScreenOverlay(double left, double right, double bottom, double top) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(left, right, bottom, top, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

ScreenOverlay::~ScreenOverlay() {
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}

void drawScreenQuad(double width, double height, bool texCoords) {
    glBegin(GL_QUADS);
    if (texCoords) glTexCoord2f(0.0f, 0.0f);
    glVertex2d(0.0, 0.0);
    if (texCoords) glTexCoord2f(1.0f, 0.0f);
    glVertex2d(width, 0.0);
    if (texCoords) glTexCoord2f(1.0f, 1.0f);
    glVertex2d(width, height);
    if (texCoords) glTexCoord2f(0.0f, 1.0f);
    glVertex2d(0.0, height);
    glEnd();
}

void drawTexturedRect(double x0, double y0, double x1, double y1, float s0, float t0, float s1, float t1) {
    glBegin(GL_QUADS);
    glTexCoord2f(s0, t0);
    glVertex2d(x0, y0);
    glTexCoord2f(s1, t0);
    glVertex2d(x1, y0);
    glTexCoord2f(s1, t1);
    glVertex2d(x1, y1);
    glTexCoord2f(s0, t1);
    glVertex2d(x0, y1);
    glEnd();
}
