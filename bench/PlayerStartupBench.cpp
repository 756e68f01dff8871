// Start-up time to the first swapped frame with the bundled demo (build/demo):
//  - InProcess: the player's own start-up path over a 1280x720 headless window: log off,
//    GL context, run state, black frame, loading phase (effects, project, textures, music
//    decode, playback start) and the first runFrame up to its swap.
//  - FromLaunch: a new demorender process rendering the frame at time 0 (process start,
//    EGL, the same loading phase, one frame, one PNG written) until it exits.
// The windowed player itself needs a display, so it is not launched here.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "audio/Bass.h"
#include "audio/MusicPlayer.h"
#include "base/Logger.h"
#include "base/Platform.h"
#include "core/EffectManager.h"
#include "core/ProjectGlobals.h"
#include "core/TextureManager.h"
#include "platform/HeadlessGl.h"
#include "platform/HeadlessWindow.h"
#include "player/FrameClock.h"
#include "player/FrameLoop.h"
#include "player/FramePacer.h"
#include "player/LoadingPhase.h"
#include "player/Player.h"

namespace {

void BM_StartupToFirstFrameInProcess(benchmark::State& state) {
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(DEMO_FOLDER);
    setProgramDirectoryOverride(DEMO_FOLDER);
    audio::setOutputMode(audio::OutputMode::Silent);
    for (auto _ : state) {
        HeadlessGl gl;
        HeadlessWindow window(gl);
        SystemPacingClock steady;
        FramePacer pacer(steady);
        Logger::instance().open("log_player.txt", false);
        if (!gl.create(1280, 720)) {
            state.SkipWithError(gl.error().c_str());
            break;
        }
        setRunGlState();
        showBlackFrame(window);
        if (!runLoadingPhase()) {
            state.SkipWithError("the bundled demo does not load");
            break;
        }
        CurrentMusicChannel channel;
        MusicClock clock(channel);
        runFrame(window, &pacer, clock);
        benchmark::DoNotOptimize(window.swapCount());

        state.PauseTiming();
        shutdownPlayer();
        BASS_Free();
        TextureManager::instance().clear();
        resetProjectGlobals();
        gl.destroy();
        state.ResumeTiming();
    }
    setProgramDirectoryOverride("");
    std::filesystem::current_path(previous);
}
BENCHMARK(BM_StartupToFirstFrameInProcess)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_StartupToFirstFrameFromLaunch(benchmark::State& state) {
    const std::string out = (std::filesystem::temp_directory_path() / "bench_startup_frames").string();
    const std::string renderer = std::string(DEMO_BIN_DIR) + "/demorender";
    for (auto _ : state) {
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("DEMO_AUDIO", "null", 1);
            execl(renderer.c_str(), renderer.c_str(), "--root", DEMO_FOLDER, "--size", "1280x720", "--at", "0", "--out",
                  out.c_str(), "--quiet", static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("demorender failed");
            break;
        }
    }
    std::filesystem::remove_all(out);
}
BENCHMARK(BM_StartupToFirstFrameFromLaunch)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
