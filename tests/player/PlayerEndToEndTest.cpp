// The real demoplayer in temporary demo folders under a virtual X server (xvfb-run), with
// keys sent by xdotool and DEMO_AUDIO=null: the end of the music, Escape, F8 tracing, a
// missing project with and without the real message box. Every wait is bounded and generous.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "core/EffectFactory.h"
#include "effects/RegisterEffects.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {

constexpr const char* kScreen = "-screen 0 1280x720x24";

// Shell functions the scripts share. The player's window is "Demo"; a message box is any
// other top-level window that does not cover the whole 1280x720 screen.
constexpr const char* kScriptPrelude = R"sh(
wait_for_window() {
  i=0
  while [ $i -lt 600 ]; do
    xdotool search --name '^Demo$' >/dev/null 2>&1 && return 0
    sleep 0.1; i=$((i+1))
  done
  echo "no player window" >&2; return 1
}
wait_for_text() {  # file text
  i=0
  while [ $i -lt 600 ]; do
    grep -q "$2" "$1" 2>/dev/null && return 0
    sleep 0.1; i=$((i+1))
  done
  echo "no '$2' in $1" >&2; return 1
}
find_message_box() {
  i=0
  while [ $i -lt 600 ]; do
    for w in $(xdotool search --maxdepth 1 --class '.*' 2>/dev/null); do
      case "$(xdotool getwindowgeometry "$w" 2>/dev/null)" in
        *1280x720*|"") ;;
        *) echo "$w"; return 0 ;;
      esac
    done
    sleep 0.1; i=$((i+1))
  done
  return 1
}
now() { date +%s%N; }
)sh";

class PlayerEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string player = buildProgram("demoplayer");
        ASSERT_TRUE(std::filesystem::exists(player)) << player;
        // A real copy: the player finds its folder through /proc/self/exe.
        std::filesystem::copy_file(player, dir.file("demoplayer"));
    }

    void wav(const std::string& name, double seconds) {
        std::filesystem::create_directories(std::filesystem::path(dir.file(name)).parent_path());
        std::vector<std::int16_t> samples(static_cast<std::size_t>(44100 * seconds) * 2, 0);
        ASSERT_TRUE(writeWavFile(dir.file(name), samples, 2, 44100));
    }

    // Runs `body` as a shell script in the demo folder under its own X server.
    ProcessResult runScript(const std::string& body, bool dialogs = false) {
        dir.write("run.sh", std::string("set -u\n") + kScriptPrelude + body);
        ProcessOptions options;
        options.workingDirectory = dir.path().string();
        options.environment = {{"DEMO_AUDIO", "null"}, {"DEMO_NO_DIALOGS", dialogs ? std::nullopt : std::optional<std::string>("1")}};
        options.timeoutSeconds = 240;
        ProcessResult result;
        // Parallel tests can race for a display number; start from different ones and retry.
        for (int attempt = 0; attempt < 3; ++attempt) {
            const std::string server = std::to_string(100 + (getpid() * 7 + attempt * 131) % 800);
            result = runProcess({"xvfb-run", "-a", "-n", server, "-s", kScreen, "sh", "run.sh"}, options);
            if (result.err.find("Xvfb failed to start") == std::string::npos) break;
        }
        return result;
    }

    // Seconds the player ran, from the "start end" nanosecond pair the script wrote.
    double playerSeconds() {
        std::istringstream in(dir.read("times.txt"));
        long long start = 0, end = 0;
        in >> start >> end;
        return static_cast<double>(end - start) / 1e9;
    }

    TempDir dir;
};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
}

}  // namespace

TEST_F(PlayerEndToEndTest, ATwoSecondSongWithoutEffectsPlaysToItsEndAndExitsZero) {
    dir.write("Data/demo.json", R"({"project": {"resolution": [1280, 720], "musicFile": "Data/Music/two.wav"}})");
    wav("Data/Music/two.wav", 2.0);
    const ProcessResult run = runScript(R"sh(
start=$(now); timeout 120 ./demoplayer; code=$?; end=$(now)
echo "$start $end" > times.txt
exit $code
)sh");
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_GE(playerSeconds(), 2.0);
    EXPECT_LT(playerSeconds(), 60.0);
    EXPECT_EQ(run.err, "");
    EXPECT_FALSE(std::filesystem::exists(dir.file("log_player.txt")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("crash_trace_log.txt")));
}

TEST_F(PlayerEndToEndTest, EscapeEndsTheRunEarlyWithExitCodeZero) {
    dir.write("Data/demo.json", "{}");
    wav("Data/Music/long.wav", 60.0);
    const ProcessResult run = runScript(R"sh(
start=$(now); timeout 120 ./demoplayer & pid=$!
wait_for_window || exit 90
sleep 1
xdotool key Escape
wait $pid; code=$?; end=$(now)
echo "$start $end" > times.txt
exit $code
)sh");
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_LT(playerSeconds(), 50.0);
}

TEST_F(PlayerEndToEndTest, WithoutMusicItWarnsAndRunsUntilEscape) {
    dir.write("Data/demo.json", "{}");
    const ProcessResult run = runScript(R"sh(
timeout 120 ./demoplayer 2>player.err & pid=$!
wait_for_window || exit 90
sleep 3
kill -0 $pid || exit 91
xdotool key Escape
wait $pid
)sh");
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(dir.read("player.err"), "Advarsel: Fant ingen musikkfil i Data/Music/! Starter demo uten lyd.\n");
}

TEST_F(PlayerEndToEndTest, F8PressedTwiceWritesTheStartBannerTraceLinesAndTheStopBanner) {
    registerAllEffects();
    const std::vector<std::string>& names = EffectFactory::registeredNames();
    ASSERT_FALSE(names.empty()) << "no effect class is registered";
    dir.write("Data/demo.json", R"({"effects": [{"className": ")" + names.front() +
                                    R"(", "instanceName": "Traced effect"}]})");
    wav("Data/Music/long.wav", 60.0);
    const ProcessResult run = runScript(R"sh(
timeout 120 ./demoplayer & pid=$!
wait_for_window || exit 90
sleep 1
xdotool key F8
wait_for_text crash_trace_log.txt 'kaller render' || exit 91
xdotool key F8
wait_for_text crash_trace_log.txt 'STOP CRASH TRACE' || exit 92
sleep 0.5
xdotool key Escape
wait $pid
)sh");
    ASSERT_FALSE(run.timedOut);
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const std::string rule(54, '=');
    const std::string trace = dir.read("crash_trace_log.txt");
    const std::string banner = "\n" + rule + "\n=== START CRASH TRACE (F8) ===\n" + rule + "\n";
    ASSERT_EQ(trace.substr(0, banner.size()), banner);
    std::vector<std::string> body = lines(trace.substr(banner.size()));
    ASSERT_GE(body.size(), 3u);
    EXPECT_EQ(body.back(), "=== STOP CRASH TRACE ===");
    EXPECT_EQ(trace.back(), '\n');
    body.pop_back();
    // Whole frames between the two presses: update, render, update, render, ...
    ASSERT_EQ(body.size() % 2, 0u) << trace;
    for (std::size_t i = 0; i < body.size(); ++i) {
        EXPECT_EQ(body[i], i % 2 == 0
                               ? "[EffectManager -> EffectManager::update @ Linje 139] -> EffectManager kaller update() for: Traced effect"
                               : "[EffectManager -> EffectManager::render @ Linje 147] -> EffectManager kaller render() for: Traced effect");
    }
}

TEST_F(PlayerEndToEndTest, AMissingProjectExits255WithTheMessageOnStderr) {
    const ProcessResult run = runScript(R"sh(
timeout 120 ./demoplayer
)sh");
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 255);
    EXPECT_NE(run.err.find("Error: Failed to load Data/demo.json\n"), std::string::npos) << run.err;
}

TEST_F(PlayerEndToEndTest, TheRealMessageBoxWaitsForAKeyPress) {
    const ProcessResult run = runScript(R"sh(
start=$(now); timeout 120 ./demoplayer 2>player.err & pid=$!
box=$(find_message_box) || exit 90
sleep 1
kill -0 $pid || exit 91    # still waiting for the user
xdotool windowfocus "$box"
xdotool key Return
wait $pid; code=$?; end=$(now)
echo "$start $end" > times.txt
exit $code
)sh",
                                        /*dialogs=*/true);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 255) << run.err;
    EXPECT_EQ(dir.read("player.err"), "Error: Failed to load Data/demo.json\n");
    EXPECT_GT(playerSeconds(), 1.0);
}

TEST_F(PlayerEndToEndTest, WithoutADisplayItSaysSoAndExits255) {
    dir.write("Data/demo.json", "{}");
    ProcessOptions options;
    options.workingDirectory = dir.path().string();
    options.environment = {{"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}, {"DEMO_NO_DIALOGS", "1"},
                           {"DEMO_AUDIO", "null"}, {"SDL_VIDEODRIVER", std::nullopt}};
    options.timeoutSeconds = 60;
    const ProcessResult run = runProcess({"./demoplayer"}, options);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 255);
    EXPECT_NE(run.err.find("Error: Cannot open the demo window: "), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Advarsel"), std::string::npos) << "it went on loading";
}
