// Where rendered frames go: numbered PNG files in a folder, or raw frames piped to ffmpeg,
// which encodes a video and muxes the music in. Frames are RGB, top row first.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual bool write(const std::vector<std::uint8_t>& rgb, std::string& error) = 0;
    // Completes the output (for a video: waits for ffmpeg); false when it failed.
    virtual bool finish(std::string& error) = 0;
};

// frame_000000.png, frame_000001.png, ... in `folder` (created when missing).
std::unique_ptr<FrameSink> makePngFolderSink(const std::string& folder, int width, int height, std::string& error);

struct VideoSettings {
    std::string path;        // .mp4, .mkv or .webm
    int width = 0, height = 0;
    double fps = 60.0;
    double duration = 0.0;   // seconds of video (frames / fps)
    std::string musicFile;   // "" = no audio stream
    double musicStart = 0.0; // where in the music the video starts
};

// The ffmpeg command line for these settings (argv[0] is "ffmpeg").
std::vector<std::string> ffmpegArguments(const VideoSettings& settings);
// Starts ffmpeg; null with `error` when it is not installed or does not start.
std::unique_ptr<FrameSink> makeVideoSink(const VideoSettings& settings, std::string& error);

// The full path of an executable found in PATH, or "".
std::string findInPath(const std::string& program);
