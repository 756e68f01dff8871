// The window the frame function draws into, as the player sees it: the client size in pixels,
// the buffer swap and the event pump (quit requests and the F8 key of the crash trace).
// One implementation per backend: SdlWindow (the player), HeadlessWindow (offline rendering).
// Does not create GL state or pace frames.
#pragma once

class Window {
public:
    virtual ~Window() = default;

    virtual int clientWidth() const = 0;
    virtual int clientHeight() const = 0;
    virtual void swapBuffers() = 0;
    // Handles every waiting event; true when a close request or Escape was among them.
    virtual bool pumpEvents() = 0;
    // True once for every run of F8 presses seen by pumpEvents since the previous call.
    virtual bool takeTraceKeyPress() = 0;
};
