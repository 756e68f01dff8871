// What the fuzz targets share: a private scratch folder for the files the code under test must
// read by path, a small music file to make tracks audio-reactive, one headless GL context for the
// whole run, and the way a broken invariant is reported (an abort, which libFuzzer records with
// the input). Fuzz builds only; nothing here is used by the player.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class HeadlessGl;

namespace fuzz {

// A folder made for this process (in /dev/shm when it can be written, else $TMPDIR or /tmp),
// removed at exit.
const std::string& scratchFolder();
// Writes `size` bytes to scratchFolder()/name (parent folders created) and returns the path.
std::string writeScratchFile(const std::string& name, const std::uint8_t* data, std::size_t size);
// A mono 16-bit WAV of `frames` frames at `rate` Hz: a chord with a little noise, so every
// spectrum band has energy.
std::string writeToneWav(const std::string& name, int rate, int frames);
// The 64 x 64 headless context, made current on first use; aborts when none can be made.
HeadlessGl& sharedGl();
// Reports a broken invariant with the target's name and aborts.
[[noreturn]] void fail(const char* target, const std::string& what);

}  // namespace fuzz
