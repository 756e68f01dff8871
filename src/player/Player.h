// The demo player program: start-up (log off, window, GL state, a black frame), the loading
// phase, the frame loop, and the shutdown order. Reads no command-line arguments.
#pragma once

// 0 after a normal run; -1 after a fatal loading failure, when no window can be opened, or when
// the music file changed while it was playing (the run then ends where its audio ran out).
int runPlayer();

// After the run: when the music file was truncated or replaced while it was being decoded,
// shows the error message box and returns false.
bool reportChangedMusic();

// GL state that holds for the whole run: depth testing on, face culling off.
void setRunGlState();

// Releases the music, closes the log, and deletes the effects while the GL context is current.
void shutdownPlayer();
