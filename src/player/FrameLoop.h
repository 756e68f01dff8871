// One frame of the demo and the loop around it. runFrame paces (when given a pacer), clears the
// window black, sets the letterboxed viewport, takes the frame time, lets the effect manager
// update and draw every effect, and swaps. The message loop alternates the event pump and
// runFrame until a quit request or the end of the music.
#pragma once

#include "platform/Window.h"
#include "player/FrameClock.h"
#include "player/FramePacer.h"
#include "player/Letterbox.h"

// False when the clock ended the run: then nothing was updated, drawn or swapped.
// `pacer` may be null (offline rendering runs on a fixed timeline, as fast as it can).
bool runFrame(Window& window, FramePacer* pacer, FrameClock& clock);

// Clears the client area black and sets the letterboxed viewport for the current project
// resolution, clearing its depth buffer. Returns the viewport.
Viewport prepareViewport(const Window& window);

// Clears the whole client area black and swaps: the picture while the project loads.
void showBlackFrame(Window& window);

// Runs frames until the window reports a quit or runFrame returns false.
void runMessageLoop(Window& window, FramePacer& pacer, FrameClock& clock);
