// Test-only pieces for the player tests: an effect that fills its whole viewport with one
// colour (to see where the letterbox lets effects draw) and a window double over the headless
// framebuffer that counts swaps.
#pragma once

#include <GL/gl.h>

#include "core/Effect.h"
#include "platform/Window.h"

class FillViewportEffect : public Effect {
public:
    void onInit() override {}
    void onUpdate(float time) override { lastTime = time; }
    void onRender() override {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glColor3f(1.0f, 1.0f, 1.0f);
        glBegin(GL_QUADS);
        glVertex2f(-1, -1);
        glVertex2f(1, -1);
        glVertex2f(1, 1);
        glVertex2f(-1, 1);
        glEnd();
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopAttrib();
        ++renders;
    }
    const char* getClassName() const override { return "FillViewportEffect"; }

    float lastTime = -1.0f;
    int renders = 0;
};

class CountingWindow : public Window {
public:
    CountingWindow(int w, int h) : w_(w), h_(h) {}
    int clientWidth() const override { return w_; }
    int clientHeight() const override { return h_; }
    void swapBuffers() override { ++swaps; }
    bool pumpEvents() override { return ++pumps > quitAfterPumps && quitAfterPumps >= 0; }
    bool takeTraceKeyPress() override { return false; }

    int swaps = 0, pumps = 0;
    int quitAfterPumps = -1;  // never

private:
    int w_, h_;
};
