// runFrame and the message loop.
#include "player/FrameLoop.h"

#include <GL/gl.h>

#include "core/EffectManager.h"
#include "core/ProjectGlobals.h"

Viewport prepareViewport(const Window& window) {
    const int w = window.clientWidth();
    const int h = window.clientHeight();
    glViewport(0, 0, w, h);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const Viewport v = letterboxViewport(w, h, projectWidth, projectHeight);
    glViewport(v.x, v.y, v.width, v.height);
    glClear(GL_DEPTH_BUFFER_BIT);
    return v;
}

void showBlackFrame(Window& window) {
    glViewport(0, 0, window.clientWidth(), window.clientHeight());
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    window.swapBuffers();
}

bool runFrame(Window& window, FramePacer* pacer, FrameClock& clock) {
    if (pacer) pacer->waitForNextSlot();
    prepareViewport(window);
    const FrameTime time = clock.frameTime();
    if (!time.keepRunning) return false;
    EffectManager& manager = EffectManager::instance();
    manager.update(time.time);
    manager.render();
    window.swapBuffers();
    return true;
}

void runMessageLoop(Window& window, FramePacer& pacer, FrameClock& clock) {
    for (;;) {
        if (window.pumpEvents()) return;
        if (!runFrame(window, &pacer, clock)) return;
    }
}
