// The start-up loading of the demo: registers the effect classes, loads "Data/demo.json" into
// the effect manager, finds and loads the music when the project gave none that plays, and
// starts playback. Fatal problems are shown as message boxes with the player's exact texts.
// Paths are relative to the working directory. Does not open windows or draw.
#pragma once

#include <string>

constexpr const char* kProjectFile = "Data/demo.json";
constexpr const char* kMusicFolder = "Data/Music/";

// True when the demo can run (possibly without music); false after a fatal message box.
bool runLoadingPhase();

// The first entry of `folder`, in name order, whose extension is exactly ".wav" or ".mp3",
// as the folder path joined with the entry name; "" when there is none or no such folder.
std::string findMusicInFolder(const std::string& folder);

// Sets the volume (0 when muted) and starts the current music without restarting it.
// Does nothing without a playable channel.
void startMusicPlayback();
