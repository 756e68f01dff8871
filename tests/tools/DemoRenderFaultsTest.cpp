// demorender when the world fails under it: a file size limit (a full disk for one file), a
// folder it cannot write, an ffmpeg that dies or writes nothing, the music file truncated while
// rendering. Each run ends with a message on stderr and exit code 1, and no output file is left
// under its final name unless it is complete (no partial files at all).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace fs = std::filesystem;

namespace {

class DemoRenderFaultsTest : public ::testing::Test {
protected:
    // A demo whose frames are noise (an overlay of a noise texture), so no frame compresses small.
    void SetUp() override {
        std::string noise = "P6\n64 64\n255\n";
        for (int i = 0; i < 64 * 64 * 3; ++i) noise += static_cast<char>((i * 7919 + (i >> 5) * 104729) & 0xFF);
        dir.write("demo/Data/Textures/noise.ppm", noise);
        dir.write("demo/Data/demo.json",
                  R"({"textures": ["Data/Textures/noise.ppm"], "effects": [{"className": "OverlayEffect"}]})");
    }
    // demorender with `args`; `prefix` runs before it in the same shell (a ulimit, PATH=...).
    ProcessResult render(const std::string& args, const std::string& prefix = "") {
        return runShell(prefix + " DEMO_AUDIO=null " + buildProgram("demorender") + " --root demo --quiet " + args,
                        dir.path().string());
    }
    // Every file the run left outside the demo and the fake ffmpeg, relative to the test folder.
    std::vector<std::string> outputs() {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
            const std::string path = fs::relative(entry.path(), dir.path()).string();
            if (entry.is_regular_file() && path.rfind("demo/", 0) != 0 && path.rfind("bin/", 0) != 0)
                found.push_back(path);
        }
        return found;  // expected empty, so the order does not matter
    }
    // An executable "ffmpeg" in bin/ that runs `body` instead of encoding; the PATH that finds it.
    std::string fakeFfmpeg(const std::string& body) {
        dir.write("bin/ffmpeg", "#!/bin/sh\n" + body + "\n");
        fs::permissions(dir.file("bin/ffmpeg"), fs::perms::owner_all);
        return "PATH=" + dir.file("bin") + ":/usr/bin:/bin";
    }

    TempDir dir;
};

TEST_F(DemoRenderFaultsTest, FailuresEndWithAMessageAndLeaveNoPartialFile) {
    struct Case {
        const char* what;
        std::string prefix, fake, args, message;  // fake: the body of a fake ffmpeg, "" = the real one
    };
    const std::vector<Case> cases = {
        {"file size limit, frames", "ulimit -f 8;", "", "--size 320x180 --at 0,1 --out frames",
         "cannot write '" + dir.file("frames/frame_000000.png") + "': File too large"},
        {"file size limit, video", "ulimit -f 8;", "", "--size 320x180 --fps 30 --to 3 --out video.mp4",
         "ffmpeg could not write '" + dir.file("video.mp4") + "'"},
        {"unwritable folder, frames", "", "", "--at 0 --out /proc", "cannot write '/proc/frame_000000.png': "},
        {"unwritable folder, video", "", "", "--at 0 --out /proc/video.mp4", "cannot write '/proc/video.mp4': "},
        {"ffmpeg dies after a few bytes", "", "head -c 100 >/dev/null; exit 1", "--to 2 --out video.mp4",
         "ffmpeg stopped accepting frames for '" + dir.file("video.mp4") + "'"},
        {"ffmpeg killed while writing", "", "for a; do out=$a; done; cat >/dev/null; echo x > \"$out\"; kill -9 $$",
         "--to 2 --out video.mp4", "ffmpeg could not write '" + dir.file("video.mp4") + "' (it was killed by Killed"},
        {"ffmpeg writes nothing", "", "cat >/dev/null; exit 0", "--to 1 --out video.mp4",
         "ffmpeg ended without writing '" + dir.file("video.mp4") + "'"},
    };
    for (const Case& c : cases) {
        const std::string path = c.fake.empty() ? "" : fakeFfmpeg(c.fake);
        const ProcessResult run = render(c.args, c.prefix + " " + path);
        EXPECT_EQ(run.exitCode, 1) << c.what << "\n" << run.err;
        EXPECT_NE(run.err.find("demorender: " + c.message), std::string::npos) << c.what << "\n" << run.err;
        EXPECT_EQ(outputs(), std::vector<std::string>{}) << c.what;
        fs::remove_all(dir.file("frames"));
    }
}

TEST_F(DemoRenderFaultsTest, MusicTruncatedWhileRenderingFailsTheRun) {
    dir.write("demo/Data/demo.json", R"({"project": {"musicFile": "Data/Music/m.wav"}})");  // black frames
    ASSERT_TRUE(writeTestWav(dir.file("demo/Data/Music/m.wav"), 60.0));
    // Thousands of small frames; the music is cut once the first ones are on disk.
    const ProcessResult run = render(
        "--size 16x16 --fps 100 --out frames & pid=$!; "
        "while [ ! -e frames/frame_000020.png ]; do sleep 0.01; done; : > demo/Data/Music/m.wav; wait $pid");
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("demorender: the music file '" + dir.file("demo/Data/Music/m.wav") +
                           "' changed while rendering (now 0 bytes, was "),
              std::string::npos)
        << run.err;
}

}  // namespace
