// demorender: renders a demo without a display, on a fixed timeline, to PNG frames or a video.
// Runs the player's loading phase, effect list and frame function over a headless context.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "EffectCatalogue.h"
#include "FrameProfile.h"
#include "FrameSink.h"
#include "Progress.h"
#include "RenderOptions.h"
#include "platform/HeadlessGl.h"
#include "player/OfflineSession.h"

namespace {

int fail(const std::string& message, int code = 1) {
    std::fprintf(stderr, "demorender: %s\n", message.c_str());
    return code;
}

// The catalogue on stdout. The effects initialise inside a small headless context, as they
// would in the renderer, in case one touches GL while doing so.
int printCatalogue(RenderOptions::Catalogue format) {
    HeadlessGl gl;
    gl.create(16, 16);
    const std::vector<CatalogueEntry> entries = effectCatalogue();
    const std::string text = format == RenderOptions::Catalogue::Json       ? catalogueJson(entries)
                             : format == RenderOptions::Catalogue::Markdown ? catalogueMarkdown(entries)
                                                                            : catalogueText(entries);
    std::fputs(text.c_str(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // A file size limit must show up as a failed write with a message, not end the process.
    std::signal(SIGXFSZ, SIG_IGN);
    RenderOptions options;
    std::string error;
    if (!parseRenderOptions(argc, argv, options, error)) return fail(error, 2);
    if (options.help) {
        std::fputs(renderUsage().c_str(), stdout);
        return 0;
    }
    if (options.catalogue != RenderOptions::Catalogue::None) return printCatalogue(options.catalogue);

    // The output path is relative to where demorender was started, not to the demo folder.
    std::error_code fsError;
    const std::filesystem::path root = std::filesystem::absolute(options.root, fsError);
    const std::string out = options.out.empty() ? (root / "render").string()
                                                : std::filesystem::absolute(options.out, fsError).string();
    const bool video = isVideoPath(out);
    if (video && findInPath("ffmpeg").empty()) {
        return fail("ffmpeg was not found in PATH; install ffmpeg to write '" + out +
                    "', or give --out a folder to get PNG frames");
    }

    OfflineSession session;
    if (!session.open(root.string(), options.width, options.height)) return fail(session.error());

    const std::vector<double> times = frameTimes(options, session.musicLengthSeconds(), error);
    if (times.empty()) return fail(error, 2);

    std::unique_ptr<FrameSink> sink;
    if (video) {
        VideoSettings settings;
        settings.path = out;
        settings.width = options.width;
        settings.height = options.height;
        settings.fps = options.fps;
        settings.duration = static_cast<double>(times.size()) / options.fps;
        if (session.hasMusic()) settings.musicFile = std::filesystem::absolute(session.musicFile(), fsError).string();
        settings.musicStart = times.front();
        sink = makeVideoSink(settings, error);
    } else {
        sink = makePngFolderSink(out, options.width, options.height, error);
    }
    if (!sink) return fail(error);

    Progress progress(static_cast<long>(times.size()), options.quiet, isatty(STDERR_FILENO) != 0);
    FrameProfile profile;
    if (options.profile) EffectManager::instance().setObserver(&profile);
    long done = 0;
    for (double t : times) {
        const auto frameStart = std::chrono::steady_clock::now();
        if (!sink->write(session.renderFrame(static_cast<float>(t)), error)) {
            if (!options.quiet && isatty(STDERR_FILENO)) std::fputc('\n', stderr);
            return fail(error);
        }
        profile.frameDone(std::chrono::duration<double>(std::chrono::steady_clock::now() - frameStart).count());
        progress.update(++done);
    }
    progress.finish(done);
    EffectManager::instance().setObserver(nullptr);
    if (options.profile) std::fputs(profile.report().c_str(), stderr);
    if (!session.musicUnchanged(error)) return fail(error);  // the sink drops a video it has not finished
    if (!sink->finish(error)) return fail(error);
    session.close();
    if (!options.quiet) std::fprintf(stderr, "demorender: %ld frames written to %s\n", done, out.c_str());
    return 0;
}
