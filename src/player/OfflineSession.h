// The player without a display: the same start-up, loading phase and frame function over a
// headless GL framebuffer, with the audio layer on its manual clock so that every frame sees
// the music (and its spectrum) at exactly the time it is rendered for. Used by demorender.
// The demo folder becomes the working directory and the program directory while it is open.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/FileIdentity.h"
#include "platform/HeadlessGl.h"
#include "platform/HeadlessWindow.h"
#include "player/FrameClock.h"

class OfflineSession {
public:
    OfflineSession();
    ~OfflineSession();
    OfflineSession(const OfflineSession&) = delete;
    OfflineSession& operator=(const OfflineSession&) = delete;

    // Loads the demo in `root` into a width x height framebuffer. On failure returns false and
    // error() holds the reason (a failed load has already written the player's message to stderr).
    bool open(const std::string& root, int width, int height);
    // Releases the music, the effects and the textures (whose GL names die with the context) and
    // restores the previous working directory.
    void close();

    const std::string& error() const { return error_; }
    bool hasMusic() const;
    // Length of the music in seconds, 0 without music.
    double musicLengthSeconds() const;
    // The music file as loaded (relative to the demo folder or absolute); "" without music.
    std::string musicFile() const;
    // False, with the reason in `error`, when the music file was truncated, rewritten, replaced or
    // removed since the demo was loaded: frames and a muxed soundtrack would no longer match it.
    bool musicUnchanged(std::string& error) const;

    // Renders the frame at time t and returns its pixels, RGB with the top row first. The buffer
    // is the session's own, valid until the next frame (no allocation per frame).
    const std::vector<std::uint8_t>& renderFrame(float t);

    int width() const { return gl_.width(); }
    int height() const { return gl_.height(); }

private:
    HeadlessGl gl_;
    std::vector<std::uint8_t> frame_, readBack_;
    HeadlessWindow window_;
    FixedClock clock_;
    std::string previousDirectory_;
    FileIdentity music_;
    std::string error_;
    bool open_ = false;
};
