// The command line of demorender, parsed and checked. Nonsense (a zero size or frame rate,
// negative times, --from not before --to, --at together with --from/--to) is refused with a
// one-line error; the timeline that depends on the music's length is resolved after loading.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct RenderOptions {
    std::string root = ".";
    int width = 1920, height = 1080;
    double fps = 60.0;
    std::optional<double> from, to;
    std::vector<double> at;   // when not empty, exactly these times in this order
    std::string out;          // "" = render/ in the demo folder
    bool quiet = false;
    bool help = false;
    bool profile = false;  // --profile: per-effect times on stderr after the render
    // --list-effects: print the effect catalogue instead of rendering (as text, or --json /
    // --markdown).
    enum class Catalogue { None, Text, Json, Markdown } catalogue = Catalogue::None;
};

// Returns false and sets `error` (one line, no trailing newline) when the arguments are invalid.
bool parseRenderOptions(int argc, const char* const* argv, RenderOptions& options, std::string& error);

std::string renderUsage();

// The frame times t = from + k / fps for t < to; `to` defaults to `musicLength` (10 s without
// music). Empty with `error` set when the range holds no frame.
std::vector<double> frameTimes(const RenderOptions& options, double musicLength, std::string& error);

// True for an output path ending in .mp4, .mkv or .webm (a video); anything else is a folder.
bool isVideoPath(const std::string& path);
