// Option parsing and the render timeline.
#include "RenderOptions.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace {

constexpr int kMaxSide = 16384;
constexpr double kMaxFps = 1000.0;
constexpr long kMaxFrames = 1000000;  // over four hours at 60 fps

bool parseNumber(const std::string& text, double& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end && *end == '\0' && std::isfinite(value);
}

bool parseTime(const std::string& option, const std::string& text, double& value, std::string& error) {
    if (!parseNumber(text, value) || value < 0.0) {
        error = option + " wants a time in seconds that is zero or more, got '" + text + "'";
        return false;
    }
    return true;
}

bool parseSize(const std::string& text, int& width, int& height, std::string& error) {
    const std::size_t x = text.find('x');
    const auto digits = [](const std::string& s) {
        return !s.empty() && s.size() <= 6 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (x != std::string::npos && digits(text.substr(0, x)) && digits(text.substr(x + 1))) {
        width = std::stoi(text.substr(0, x));
        height = std::stoi(text.substr(x + 1));
        if (width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide) return true;
    }
    error = "--size wants WxH with both sides between 1 and " + std::to_string(kMaxSide) + ", got '" + text + "'";
    return false;
}

std::string formatSeconds(double s) {
    std::ostringstream text;
    text << s;
    return text.str();
}

}  // namespace

std::string renderUsage() {
    return "usage: demorender [--root DIR] [--size WxH] [--fps N] [--from S] [--to S] [--at T1,T2,...]\n"
           "                  [--out PATH] [--quiet] [--profile] | --list-effects [--json | --markdown]\n"
           "Renders a demo without a display, on a fixed timeline, frame by frame.\n"
           "  --root DIR     the demo folder (default .): its Data/demo.json is loaded and the project's\n"
           "                 paths resolve inside it; it is the working and the program directory\n"
           "  --size WxH     the window's client size in pixels (default 1920x1080); the picture is\n"
           "                 letterboxed to the project's aspect ratio inside it, as in the player\n"
           "  --fps N        frames per second of the timeline (default 60)\n"
           "  --from S       first frame time in seconds (default 0)\n"
           "  --to S         frames are rendered for times before S (default: the end of the music,\n"
           "                 or 10 s without music); frame k shows time from + k / fps\n"
           "  --at T1,T2,... render exactly these times, in this order (not with --from/--to)\n"
           "  --out PATH     a folder for frame_000000.png, frame_000001.png, ... (RGB), or a video\n"
           "                 file ending in .mp4, .mkv or .webm, encoded by ffmpeg with the music\n"
           "                 (default: render/ in the demo folder)\n"
           "  --quiet        no progress on stderr (otherwise a live bar on a terminal, and a plain\n"
           "                 line every 10 % into a pipe or a log file)\n"
           "  --profile      after the render, the mean time per frame of every effect's update\n"
           "                 and render, on stderr (slows the render a little)\n"
           "  --list-effects print every effect class with its tracks (name, range, default value,\n"
           "                 default interpolation) instead of rendering; --json or --markdown for\n"
           "                 those formats\n"
           "  --help         this text\n"
           "The music runs on a manual clock: every frame sees the music (and its spectrum) at exactly\n"
           "its time, so two renders of a demo are identical.\n";
}

bool parseRenderOptions(int argc, const char* const* argv, RenderOptions& options, std::string& error) {
    bool listEffects = false;
    RenderOptions::Catalogue format = RenderOptions::Catalogue::Text;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            options.help = true;
            continue;
        }
        if (option == "--quiet") {
            options.quiet = true;
            continue;
        }
        if (option == "--profile") {
            options.profile = true;
            continue;
        }
        if (option == "--list-effects") {
            listEffects = true;
            continue;
        }
        if (option == "--json" || option == "--markdown") {
            format = option == "--json" ? RenderOptions::Catalogue::Json : RenderOptions::Catalogue::Markdown;
            continue;
        }
        const bool takesValue = option == "--root" || option == "--size" || option == "--fps" || option == "--from" ||
                                option == "--to" || option == "--at" || option == "--out";
        if (!takesValue) {
            error = "unknown option '" + option + "' (see --help)";
            return false;
        }
        if (i + 1 >= argc) {
            error = option + " needs a value (see --help)";
            return false;
        }
        const std::string value = argv[++i];
        if (option == "--root") {
            if (value.empty()) {
                error = "--root needs a folder";
                return false;
            }
            options.root = value;
        } else if (option == "--size") {
            if (!parseSize(value, options.width, options.height, error)) return false;
        } else if (option == "--fps") {
            if (!parseNumber(value, options.fps) || options.fps <= 0.0 || options.fps > kMaxFps) {
                error = "--fps wants a frame rate above 0 and at most 1000, got '" + value + "'";
                return false;
            }
        } else if (option == "--from") {
            double t = 0.0;
            if (!parseTime(option, value, t, error)) return false;
            options.from = t;
        } else if (option == "--to") {
            double t = 0.0;
            if (!parseTime(option, value, t, error)) return false;
            options.to = t;
        } else if (option == "--at") {
            options.at.clear();
            std::stringstream list(value);
            std::string item;
            while (std::getline(list, item, ',')) {
                double t = 0.0;
                if (!parseTime(option, item, t, error)) return false;
                options.at.push_back(t);
            }
            if (options.at.empty() || value.back() == ',') {
                error = "--at wants a comma-separated list of times, got '" + value + "'";
                return false;
            }
        } else if (option == "--out") {
            if (value.empty()) {
                error = "--out needs a folder or a video file name";
                return false;
            }
            options.out = value;
        }
    }
    if (listEffects) {
        options.catalogue = format;
    } else if (format != RenderOptions::Catalogue::Text) {
        error = "--json and --markdown go with --list-effects";
        return false;
    }
    if (!options.at.empty() && (options.from || options.to)) {
        error = "--at cannot be combined with --from or --to";
        return false;
    }
    if (options.from && options.to && *options.from >= *options.to) {
        error = "--from (" + formatSeconds(*options.from) + ") must be before --to (" + formatSeconds(*options.to) + ")";
        return false;
    }
    return true;
}

std::vector<double> frameTimes(const RenderOptions& options, double musicLength, std::string& error) {
    if (!options.at.empty()) return options.at;
    const double from = options.from.value_or(0.0);
    const double to = options.to ? *options.to : (musicLength > 0.0 ? musicLength : 10.0);
    std::vector<double> times;
    for (long k = 0;; ++k) {
        const double t = from + static_cast<double>(k) / options.fps;
        if (!(t < to)) break;
        if (k >= kMaxFrames) {
            error = "the timeline holds more than " + std::to_string(kMaxFrames) + " frames";
            return {};
        }
        times.push_back(t);
    }
    if (times.empty() && error.empty()) {
        error = "--from (" + formatSeconds(from) + ") is at or after the end of the timeline (" + formatSeconds(to) + ")";
    }
    return times;
}

bool isVideoPath(const std::string& path) {
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const char* extension : {".mp4", ".mkv", ".webm"}) {
        const std::string e = extension;
        if (lower.size() > e.size() && lower.compare(lower.size() - e.size(), e.size(), e) == 0) return true;
    }
    return false;
}
