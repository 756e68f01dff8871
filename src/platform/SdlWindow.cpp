// SdlWindow: SDL2 video, a GL compatibility context and the event pump of the player.
#include "platform/SdlWindow.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

#include "base/Platform.h"

SdlWindow::~SdlWindow() {
    setMessageBoxHandler(nullptr);
    if (context_) SDL_GL_DeleteContext(context_);
    if (window_) SDL_DestroyWindow(window_);
    if (window_ || context_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool SdlWindow::create() {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error_ = std::string("cannot start the video system: ") + SDL_GetError();
        return false;
    }
    // Without a display SDL falls back to drivers that draw nowhere; a demo nobody can see
    // would play to its end unnoticed. Only an explicit SDL_VIDEODRIVER may choose them.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* requested = std::getenv("SDL_VIDEODRIVER");
    if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) &&
        !(requested && *requested)) {
        error_ = "there is no display to open it on (DISPLAY and WAYLAND_DISPLAY are not usable)";
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);

    SDL_Rect screen{0, 0, 1280, 720};
    SDL_GetDisplayBounds(0, &screen);
    // Desktop full screen is SDL's borderless window covering the display, panels included.
    window_ = SDL_CreateWindow("Demo", screen.x, screen.y, screen.w, screen.h,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS | SDL_WINDOW_FULLSCREEN_DESKTOP |
                                   SDL_WINDOW_SHOWN);
    if (!window_) {
        error_ = std::string("cannot create the window: ") + SDL_GetError();
        return false;
    }
    context_ = SDL_GL_CreateContext(window_);
    if (!context_) {
        error_ = std::string("cannot create the OpenGL context: ") + SDL_GetError();
        return false;
    }
    SDL_GL_MakeCurrent(window_, context_);
    // The frame function paces itself; a swap must not wait for the display as well.
    SDL_GL_SetSwapInterval(0);
    SDL_ShowCursor(SDL_DISABLE);
    return true;
}

int SdlWindow::clientWidth() const {
    int w = 0, h = 0;
    if (window_) SDL_GL_GetDrawableSize(window_, &w, &h);
    return w;
}

int SdlWindow::clientHeight() const {
    int w = 0, h = 0;
    if (window_) SDL_GL_GetDrawableSize(window_, &w, &h);
    return h;
}

void SdlWindow::swapBuffers() {
    if (window_) SDL_GL_SwapWindow(window_);
}

bool SdlWindow::pumpEvents() {
    bool quit = false;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
            case SDL_QUIT:
                quit = true;
                break;
            case SDL_WINDOWEVENT:
                if (event.window.event == SDL_WINDOWEVENT_CLOSE) quit = true;
                break;
            case SDL_KEYDOWN:
                if (event.key.keysym.sym == SDLK_ESCAPE) quit = true;
                // Auto-repeat is not a new press.
                if (event.key.keysym.sym == SDLK_F8 && !event.key.repeat) tracePressed_ = true;
                break;
            default:
                break;
        }
    }
    return quit;
}

bool SdlWindow::takeTraceKeyPress() {
    bool pressed = tracePressed_;
    tracePressed_ = false;
    return pressed;
}

void SdlWindow::installMessageBoxes() {
    const char* noDialogs = std::getenv("DEMO_NO_DIALOGS");
    if (noDialogs && std::strcmp(noDialogs, "1") == 0) {
        setMessageBoxHandler(nullptr);
        return;
    }
    SDL_Window* parent = window_;
    setMessageBoxHandler([parent](const std::string& text, const std::string& caption, MessageIcon icon) {
        Uint32 flags = icon == MessageIcon::Error ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_WARNING;
        if (SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), parent) != 0) {
            // Some window systems refuse a parent; a box without one still blocks like the original.
            SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), nullptr);
        }
    });
}
