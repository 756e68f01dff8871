// demosoak: renders a demo offline in a loop for a given time (the demo is loaded once; each pass
// renders its whole timeline, as a player looping the demo would) and prints the resident memory
// after each pass.
// Exits 1 when the memory kept growing after the first pass, or a pass failed.
//   demosoak [--root DIR] [--size WxH] [--fps N] [--time SECONDS]
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "SoakReport.h"
#include "player/OfflineSession.h"

namespace {

struct SoakOptions {
    std::string root = ".";
    int width = 640, height = 360;
    double fps = 30.0;
    double seconds = 300.0;
};

bool parse(int argc, char** argv, SoakOptions& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i], value = argv[i + 1];
        char* end = nullptr;
        if (option == "--root") {
            options.root = value;
        } else if (option == "--size") {
            if (std::sscanf(value.c_str(), "%dx%d", &options.width, &options.height) != 2 || options.width < 1 ||
                options.height < 1 || options.width > 16384 || options.height > 16384)
                return false;
        } else if (option == "--fps") {
            options.fps = std::strtod(value.c_str(), &end);
            if (*end != '\0' || !(options.fps > 0.0 && options.fps <= 1000.0)) return false;
        } else if (option == "--time") {
            options.seconds = std::strtod(value.c_str(), &end);
            if (*end != '\0' || !(options.seconds > 0.0 && options.seconds <= 7 * 86400.0)) return false;
        } else {
            return false;
        }
    }
    return argc % 2 == 1;
}

}  // namespace

int main(int argc, char** argv) {
    SoakOptions options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: demosoak [--root DIR] [--size WxH] [--fps N] [--time SECONDS]\n");
        return 2;
    }
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto elapsed = [&start] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    std::printf("soak: %s at %dx%d, %g fps, for %g s; resident memory before: %llu MiB\n", options.root.c_str(),
                options.width, options.height, options.fps, options.seconds,
                static_cast<unsigned long long>(residentKiB() / 1024));
    // One session for the whole soak, as in the player: a pass is the whole timeline once.
    OfflineSession session;
    if (!session.open(options.root, options.width, options.height)) {
        std::fprintf(stderr, "soak: %s\n", session.error().c_str());
        return 1;
    }
    const double length = session.hasMusic() ? session.musicLengthSeconds() : 10.0;
    std::vector<std::uint64_t> figures;
    do {
        const double passStart = elapsed();
        long frames = 0;
        for (double t = 0.0; t < length; t = static_cast<double>(++frames) / options.fps)
            session.renderFrame(static_cast<float>(t));
        figures.push_back(residentKiB());
        // The allocator's bytes in use beside the resident figure: flat while the resident one
        // creeps means the heap fragments rather than leaks.
        const unsigned long long heapKiB = mallinfo2().uordblks / 1024;
        std::printf("soak: pass %zu: %ld frames in %.1f s, resident %llu KiB (%+lld KiB since pass 1), heap in use %llu KiB\n",
                    figures.size(), frames, elapsed() - passStart, static_cast<unsigned long long>(figures.back()),
                    static_cast<long long>(figures.back()) - static_cast<long long>(figures.front()), heapKiB);
        std::fflush(stdout);
    } while (elapsed() < options.seconds);
    session.close();
    const std::string verdict = soakVerdict(figures);
    std::printf("soak: %zu passes in %.0f s: %s\n", figures.size(), elapsed(),
                verdict.empty() ? "memory stopped growing" : verdict.c_str());
    return verdict.empty() ? 0 : 1;
}
