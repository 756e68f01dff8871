// The demo's music: loads one file through the audio library (a .wav as a sample, anything
// else as a pre-scanned stream) and holds the channel the player plays and times the demo by.
// One process-wide instance at a time, replaced by loadMusic and released at shutdown.
// Does not start, pause or seek playback: the player's loading phase does that.
#pragma once

#include <string>

#include "Bass.h"

class MusicPlayer {
public:
    explicit MusicPlayer(const std::string& path);
    ~MusicPlayer();
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    HSAMPLE sample = 0;
    HSTREAM stream = 0;
    HCHANNEL channel = 0;  // 0 = nothing playable
    bool muted = false;
    float volume = 1.0f;
    std::string filePath;
};

// The current music player, or null before the first loadMusic and after releaseMusic.
MusicPlayer* getMusicPlayer();
// Destroys the current player (if any), makes a new one current, returns channel != 0.
bool loadMusic(const std::string& path);
// Destroys the current player and clears the pointer.
void releaseMusic();
