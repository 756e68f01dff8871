// demorender as a user runs it: --help, refusal of nonsense options, frame counts and names for
// --from/--to/--fps and --at, the PNG format, byte-identical repeated renders of the bundled
// demo, output paths, load failures, progress, video output checked with ffprobe; and when the
// world fails under it (full disk, unwritable folder, missing or failing ffmpeg, the music file
// truncated while rendering): a message, exit code 1, no partial file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> frameNames(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.png", i);
        names.push_back(name);
    }
    return names;
}

class DemoRenderTest : public ::testing::Test {
protected:
    // Runs demorender with shell-quoted `args` in the test folder (or `subfolder` of it).
    ProcessResult render(const std::string& args, const std::string& subfolder = "") {
        return runShell("DEMO_AUDIO=null " + buildProgram("demorender") + " " + args, dir.file(subfolder));
    }
    // A demo folder demo/ with this project.
    void demo(const std::string& json = "{}") { dir.write("demo/Data/demo.json", json); }
    std::vector<std::string> files(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.file(folder))) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Every file left outside the demo and a fake ffmpeg, relative to the test folder.
    std::vector<std::string> outputs() {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
            const std::string path = fs::relative(entry.path(), dir.path()).string();
            if (entry.is_regular_file() && path.rfind("demo/", 0) != 0 && path.rfind("bin/", 0) != 0)
                found.push_back(path);
        }
        return found;  // expected empty, so the order does not matter
    }

    TempDir dir;
};

TEST_F(DemoRenderTest, HelpDescribesEveryOptionAndNonsenseIsRefusedWithOneLine) {
    const ProcessResult help = render("--help");
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"--root", "--size", "--fps", "--from", "--to", "--at", "--out", "--quiet", ".mp4",
                               "--list-effects", "--json", "--markdown"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;

    demo();
    for (const char* args : {"--size 0x0", "--size 1920", "--size 100000x10", "--fps 0", "--fps abc", "--from -1",
                             "--from 3 --to 2", "--at 1,-2", "--at ''", "--at 1 --from 0", "--bogus", "--fps",
                             "--to nan", "--json"}) {
        const ProcessResult run = render(std::string("--root demo --quiet ") + args);
        EXPECT_EQ(run.exitCode, 2) << args << "\n" << run.err;
        EXPECT_EQ(run.err.rfind("demorender: ", 0), 0u) << args << "\n" << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << args << "\n" << run.err;
    }
    EXPECT_FALSE(fs::exists(dir.file("demo/render")));
}

TEST_F(DemoRenderTest, FrameCountsAndNamesFollowTheTimeline) {
    demo();
    // Without music the timeline is 10 s: 20 frames at 2 fps, into render/ of the demo folder.
    const ProcessResult run = render("--root demo --size 32x18 --fps 2 --quiet");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("Advarsel: Fant ingen musikkfil i Data/Music/! Starter demo uten lyd."), std::string::npos);
    EXPECT_EQ(files("demo/render"), frameNames(20));
    // t = from + k / fps while t < to: 0.5, 0.643, 0.786, 0.929.
    render("--root demo --size 32x18 --fps 7 --from 0.5 --to 1 --out b --quiet");
    EXPECT_EQ(files("b"), frameNames(4));
    // --out is relative to the caller, not to the demo.
    render("--root .. --size 32x18 --at 3,0.5,1 --out c --quiet", "demo/Data");
    EXPECT_EQ(files("demo/Data/c"), frameNames(3));

    const std::string png = dir.read("demo/Data/c/frame_000002.png");
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(png.substr(12, 14), std::string("IHDR\0\0\0\x20\0\0\0\x12\x08\x02", 14)) << "32x18, 8-bit RGB";
}

// Into a pipe the progress is one plain line per tenth; on a terminal (script gives it a
// pseudo-terminal) a bar redrawn in place.
TEST_F(DemoRenderTest, TheMusicSetsTheEndAndProgressSuitsWhereItGoes) {
    demo(R"({"project": {"musicFile": "Data/Music/two.wav"}})");
    ASSERT_TRUE(writeTestWav(dir.file("demo/Data/Music/two.wav"), 2.0));
    ProcessResult run = render("--root demo --size 16x16 --fps 5 --out frames");
    EXPECT_EQ(files("frames"), frameNames(10));
    std::string expected;
    for (int k = 1; k <= 10; ++k) expected += "render: " + std::string(k < 10 ? " " : "") + std::to_string(10 * k) +
                                              " %  " + std::to_string(k) + "/10 frames  ";
    std::string lines;  // each line without its frame rate
    for (std::size_t at = 0, end; (end = run.err.find('\n', at)) != std::string::npos; at = end + 1)
        if (run.err.compare(at, 7, "render:") == 0) lines += run.err.substr(at, run.err.find("frames", at) + 8 - at);
    EXPECT_EQ(lines, expected) << run.err;
    EXPECT_EQ(run.err.find('\r'), std::string::npos);
    EXPECT_EQ(run.out, "");

    run = runShell("script -qec \"DEMO_AUDIO=null " + buildProgram("demorender") +
                       " --root demo --size 16x16 --fps 5 --out frames2\" /dev/null",
                   dir.path().string());
    EXPECT_NE(run.out.find("\rrender [##############################] 10/10 frames"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("left"), std::string::npos);

    run = render("--root demo --from 2 --quiet");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("--from"), std::string::npos) << run.err;
}

TEST_F(DemoRenderTest, TwoRendersOfTheBundledDemoAreIdentical) {
    const std::string args = "--root " + buildProgram("../demo") + " --size 320x180 --at 0.5,2,4.25,9.75,30 --quiet";
    ASSERT_EQ(render(args + " --out one").exitCode, 0);
    ASSERT_EQ(render(args + " --out two").exitCode, 0);
    ASSERT_EQ(files("one"), frameNames(5));
    for (const std::string& name : frameNames(5)) {
        EXPECT_GT(dir.read("one/" + name).size(), 100u);
        EXPECT_TRUE(dir.read("one/" + name) == dir.read("two/" + name)) << name << " differs between two renders";
    }
}

// Every message of the loading phase is LoadingPhaseTest's; here that a failed load ends the run.
TEST_F(DemoRenderTest, LoadFailuresEndTheRun) {
    ProcessResult run = render("--root demo --quiet");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("does not exist"), std::string::npos) << run.err;
    demo();
    dir.write("demo/Data/Music/bad.mp3", "no music here");
    run = render("--root demo --quiet");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Error: Failed to load music.\nPath tried: 'Data/Music/bad.mp3'\n"
                           "demorender: the demo could not be loaded\n"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(fs::exists(dir.file("demo/render")));
}

// A file size limit (a full disk for one file), a folder it cannot write, no ffmpeg, an ffmpeg
// that dies or writes nothing: a message, exit code 1, and no output file under its final name
// unless complete (no partial files at all). The frames are noise (an overlay of a noise
// texture), so no frame compresses small.
TEST_F(DemoRenderTest, FailuresEndWithAMessageAndLeaveNoPartialFile) {
    std::string noise = "P6\n64 64\n255\n";
    for (int i = 0; i < 64 * 64 * 3; ++i) noise += static_cast<char>((i * 7919 + (i >> 5) * 104729) & 0xFF);
    dir.write("demo/Data/Textures/noise.ppm", noise);
    demo(R"({"textures": ["Data/Textures/noise.ppm"], "effects": [{"className": "OverlayEffect"}]})");
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
        {"no ffmpeg", "PATH=/nowhere", "", "--out x.webm", "ffmpeg was not found in PATH; install ffmpeg to write '" +
                                                               dir.file("x.webm") + "', or give --out a folder"},
    };
    for (const Case& c : cases) {
        if (!c.fake.empty()) {  // an executable "ffmpeg" in bin/ found first
            dir.write("bin/ffmpeg", "#!/bin/sh\n" + c.fake + "\n");
            fs::permissions(dir.file("bin/ffmpeg"), fs::perms::owner_all);
        }
        const std::string path = c.fake.empty() ? "" : " PATH=" + dir.file("bin") + ":/usr/bin:/bin";
        const ProcessResult run = runShell(c.prefix + path + " DEMO_AUDIO=null " + buildProgram("demorender") +
                                               " --root demo --quiet " + c.args,
                                           dir.path().string());
        EXPECT_EQ(run.exitCode, 1) << c.what << "\n" << run.err;
        EXPECT_NE(run.err.find("demorender: " + c.message), std::string::npos) << c.what << "\n" << run.err;
        EXPECT_EQ(outputs(), std::vector<std::string>{}) << c.what;
        fs::remove_all(dir.file("frames"));
    }
}

TEST_F(DemoRenderTest, MusicTruncatedWhileRenderingFailsTheRun) {
    demo(R"({"project": {"musicFile": "Data/Music/m.wav"}})");  // black frames
    ASSERT_TRUE(writeTestWav(dir.file("demo/Data/Music/m.wav"), 60.0));
    // Thousands of small frames; the music is cut once the first ones are on disk.
    const ProcessResult run = render(
        "--root demo --quiet --size 16x16 --fps 100 --out frames & pid=$!; "
        "while [ ! -e frames/frame_000020.png ]; do sleep 0.01; done; : > demo/Data/Music/m.wav; wait $pid");
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_NE(run.err.find("demorender: the music file '" + dir.file("demo/Data/Music/m.wav") +
                           "' changed while rendering (now 0 bytes, was "),
              std::string::npos)
        << run.err;
}

TEST_F(DemoRenderTest, AnMp4HasTheTimelinesDurationAndTheMusic) {
    demo(R"({"project": {"musicFile": "Data/Music/two.wav"}})");
    ASSERT_TRUE(writeTestWav(dir.file("demo/Data/Music/two.wav"), 2.0));
    ASSERT_EQ(render("--root demo --size 160x90 --fps 10 --out video/out.mp4 --quiet").exitCode, 0);
    const ProcessResult probe = runShell("ffprobe -v error -of default=noprint_wrappers=1 -show_entries "
                                         "format=duration:stream=codec_type,width,height,nb_frames video/out.mp4",
                                         dir.path().string());
    ASSERT_EQ(probe.exitCode, 0) << probe.err;
    for (const char* expected : {"codec_type=video", "width=160", "height=90", "nb_frames=20", "codec_type=audio"})
        EXPECT_NE(probe.out.find(std::string(expected) + "\n"), std::string::npos) << expected << "\n" << probe.out;
    const std::size_t duration = probe.out.find("duration=");
    ASSERT_NE(duration, std::string::npos) << probe.out;
    EXPECT_NEAR(std::stod(probe.out.substr(duration + 9)), 2.0, 0.1) << probe.out;
}

}  // namespace
