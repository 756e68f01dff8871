// The real demoplayer in temporary demo folders under a virtual X server of their own (Xvfb), with keys
// sent by xdotool and DEMO_AUDIO=null: the end of the music, F8 tracing and Escape, a missing
// project with and without the real message box, no display. Every wait is bounded and
// generous, so a loaded machine only makes the tests slower.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "core/EffectFactory.h"
#include "effects/RegisterEffects.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {

// Shell helpers for the scripts. `wait_for CMD...` retries CMD for up to 60 s. The player's
// window is "Demo"; the message box is the window named by its caption, "Error" (a search by
// size once caught a helper window that was gone a moment later).
// `timed CMD...` runs CMD and writes "start end" in nanoseconds to times.txt.
constexpr const char* kScriptPrelude = R"sh(set -u
wait_for() {
  i=0
  while [ $i -lt 600 ]; do "$@" && return 0; sleep 0.1; i=$((i+1)); done
  echo "timed out: $*" >&2; return 1
}
player_window() { xdotool search --name '^Demo$' >/dev/null 2>&1; }
message_box() {
  for w in $(xdotool search --class '.*' 2>/dev/null); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = Error ] && echo "$w" && return 0
  done
  return 1
}
timed() { start=$(date +%s%N); "$@"; code=$?; echo "$start $(date +%s%N)" > times.txt; return $code; }
)sh";

class PlayerEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A real copy: the player finds its folder through /proc/self/exe.
        ASSERT_EQ(runShell("cp " + buildProgram("demoplayer") + " .", dir.path().string()).exitCode, 0);
    }
    // Runs `body` as a shell script in the demo folder under its own X server, which picks a
    // free display itself (-displayfd), so parallel runs never share one, once a client can
    // connect to it (a loaded machine once left the player without a usable display); the exit
    // code is the script's.
    ProcessResult runScript(const std::string& body, bool dialogs = false) {
        const std::string dialogSetting = dialogs ? "unset DEMO_NO_DIALOGS\n" : "export DEMO_NO_DIALOGS=1\n";
        dir.write("run.sh", dialogSetting + kScriptPrelude + body);
        const std::string launch = R"sh(Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp 3>display.txt 2>xvfb.log &
xvfb=$!
i=0; while [ ! -s display.txt ] && [ $i -lt 600 ]; do sleep 0.1; i=$((i+1)); done
export DISPLAY=:$(cat display.txt)
i=0; until xdotool getmouselocation >/dev/null 2>&1 || [ $i -ge 600 ]; do sleep 0.1; i=$((i+1)); done
sh run.sh; echo $? > exit.txt
kill $xvfb; wait $xvfb 2>/dev/null)sh";
        ProcessResult result = runShell("DEMO_AUDIO=null sh -c '" + launch + "'", dir.path().string(), 240);
        std::istringstream(dir.read("exit.txt")) >> result.exitCode;
        return result;
    }
    double playerSeconds() {
        long long start = 0, end = 0;
        std::istringstream(dir.read("times.txt")) >> start >> end;
        return (end - start) / 1e9;
    }

    TempDir dir;
};

TEST_F(PlayerEndToEndTest, ATwoSecondSongWithoutEffectsPlaysToItsEndAndExitsZero) {
    dir.write("Data/demo.json", R"({"project": {"resolution": [1280, 720], "musicFile": "Data/Music/two.wav"}})");
    ASSERT_TRUE(writeTestWav(dir.file("Data/Music/two.wav"), 2.0));
    const ProcessResult run = runScript("timed timeout 120 ./demoplayer\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_GE(playerSeconds(), 2.0);
    EXPECT_LT(playerSeconds(), 60.0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("crash_trace_log.txt")));
}

// Trace points run per effect, so the project lists one effect of any registered class. Whole
// frames are traced between the two presses: update, render, update, render, ... Escape then ends
// the run long before the minute of music, with exit code 0.
TEST_F(PlayerEndToEndTest, F8PressedTwiceTracesWholeFramesAndEscapeEndsTheRunEarly) {
    registerAllEffects();
    dir.write("Data/demo.json", R"({"effects": [{"className": ")" + EffectFactory::registeredNames().front() +
                                    R"(", "instanceName": "Traced effect"}]})");
    ASSERT_TRUE(writeTestWav(dir.file("Data/Music/long.wav"), 60.0));
    const ProcessResult run = runScript(R"sh(
timed timeout 120 ./demoplayer & pid=$!
wait_for player_window || exit 90
sleep 1
xdotool key F8
wait_for grep -q 'kaller render' crash_trace_log.txt || exit 91
xdotool key F8
wait_for grep -q 'STOP CRASH TRACE' crash_trace_log.txt || exit 92
xdotool key Escape
wait $pid
)sh");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_LT(playerSeconds(), 50.0);
    const std::string trace = dir.read("crash_trace_log.txt"), rule(54, '=');
    const std::string update =
        "[EffectManager -> EffectManager::update @ Linje 139] -> EffectManager kaller update() for: Traced effect\n";
    const std::string render =
        "[EffectManager -> EffectManager::render @ Linje 147] -> EffectManager kaller render() for: Traced effect\n";
    std::string expected = "\n" + rule + "\n=== START CRASH TRACE (F8) ===\n" + rule + "\n";
    for (std::size_t at = trace.find(update); at != std::string::npos; at = trace.find(update, at + 1))
        expected += update + render;
    EXPECT_NE(trace.find(update), std::string::npos);
    EXPECT_EQ(trace, expected + "=== STOP CRASH TRACE ===\n");
}

TEST_F(PlayerEndToEndTest, AMissingProjectExits255WithTheMessageOnStderr) {
    const ProcessResult run = runScript("timeout 120 ./demoplayer\n");
    EXPECT_EQ(run.exitCode, 255);
    EXPECT_NE(run.err.find("Error: Failed to load Data/demo.json\n"), std::string::npos) << run.err;
}

TEST_F(PlayerEndToEndTest, TheRealMessageBoxWaitsForAKeyPress) {
    const ProcessResult run = runScript(R"sh(
# Up to three starts: a player that found no usable display (seen under the sanitizers on a
# loaded machine) is started again; any other end before the box fails the test.
tries=1
timeout 120 ./demoplayer 2>player.err & pid=$!
until box=$(message_box); do
  if ! kill -0 $pid 2>/dev/null; then
    grep -q 'no display' player.err && [ $tries -lt 3 ] || exit 90
    tries=$((tries+1))
    timeout 120 ./demoplayer 2>player.err & pid=$!
  fi
  sleep 0.1
done
sleep 1
kill -0 $pid || exit 91    # still waiting for the user
xdotool windowfocus "$box"
xdotool key Return
wait $pid
)sh",
                                        /*dialogs=*/true);
    EXPECT_EQ(run.exitCode, 255) << run.err;
    EXPECT_EQ(dir.read("player.err"), "Error: Failed to load Data/demo.json\n");
}

TEST_F(PlayerEndToEndTest, WithoutADisplayItSaysSoAndExits255) {
    dir.write("Data/demo.json", "{}");
    const ProcessResult run = runShell("unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER; DEMO_NO_DIALOGS=1 ./demoplayer",
                                       dir.path().string(), 60);
    EXPECT_EQ(run.exitCode, 255);
    EXPECT_NE(run.err.find("Error: Cannot open the demo window: "), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Advarsel"), std::string::npos) << "it went on loading";
}

}  // namespace
