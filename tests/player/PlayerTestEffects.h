// Test-only pieces for the player tests: an effect that fills its whole viewport white (to see
// where the letterbox lets effects draw) and a window over the headless framebuffer that counts
// swaps.
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
        glDisable(GL_DEPTH_TEST);
        glColor3f(1.0f, 1.0f, 1.0f);
        glRectf(-1, -1, 1, 1);  // nothing in these tests moves the modelview from identity
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
    int clientWidth() const override { return 64; }
    int clientHeight() const override { return 48; }
    void swapBuffers() override { ++swaps; }
    bool pumpEvents() override { return false; }
    bool takeTraceKeyPress() override { return false; }

    int swaps = 0;
};
