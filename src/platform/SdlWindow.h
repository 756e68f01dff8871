// The player's window over SDL2: one borderless window covering the primary display, titled
// "Demo", with an OpenGL compatibility context (double buffer, RGBA, 24-bit depth, 8-bit
// stencil, no vertical sync), cursor hidden. Also installs SDL message boxes as the handler of
// showMessageBox (unless DEMO_NO_DIALOGS=1). Does not draw anything itself.
#pragma once

#include <string>

#include "platform/Window.h"

struct SDL_Window;

class SdlWindow : public Window {
public:
    SdlWindow() = default;
    ~SdlWindow() override;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    // Opens the window and makes its context current; false with error() on failure.
    bool create();
    const std::string& error() const { return error_; }

    int clientWidth() const override;
    int clientHeight() const override;
    void swapBuffers() override;
    bool pumpEvents() override;
    bool takeTraceKeyPress() override;

    // Routes showMessageBox to SDL_ShowSimpleMessageBox over this window, except when the
    // environment variable DEMO_NO_DIALOGS is "1" (the stderr line is written either way).
    void installMessageBoxes();

private:
    SDL_Window* window_ = nullptr;
    void* context_ = nullptr;
    bool tracePressed_ = false;
    std::string error_;
};
