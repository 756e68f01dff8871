// The demo player program: start-up (log off, window, GL state, a black frame), the loading
// phase, the frame loop, and the shutdown order. Reads no command-line arguments.
#pragma once

// 0 after a normal run; -1 after a fatal loading failure or when no window can be opened.
int runPlayer();

// GL state that holds for the whole run: depth testing on, face culling off.
void setRunGlState();

// Releases the music, closes the log, and deletes the effects while the GL context is current.
void shutdownPlayer();
