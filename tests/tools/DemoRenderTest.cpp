// demorender as a user runs it: --help, refusal of nonsense options, frame counts and names
// for --from/--to/--fps and --at, PNG format, byte-identical repeated renders of the bundled
// demo, the default and relative output paths, load failures, and video output with ffprobe.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> fileNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> frameNames(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06d.png", i);
        names.push_back(name);
    }
    return names;
}

std::uint32_t bigEndian32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3]));
}

class DemoRenderTest : public ::testing::Test {
protected:
    ProcessResult render(std::vector<std::string> args, const std::string& cwd = "") {
        args.insert(args.begin(), buildProgram("demorender"));
        ProcessOptions options;
        options.workingDirectory = cwd.empty() ? dir.path().string() : cwd;
        options.environment = {{"DEMO_AUDIO", "null"}};
        options.timeoutSeconds = 300;
        return runProcess(args, options);
    }
    void emptyDemo() { dir.write("demo/Data/demo.json", "{}"); }
    void wav(const std::string& name, double seconds) {
        fs::create_directories(fs::path(dir.file(name)).parent_path());
        std::vector<std::int16_t> samples(static_cast<std::size_t>(44100 * seconds) * 2);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<std::int16_t>(8000 * std::sin(2 * 3.14159265 * 440.0 * static_cast<double>(i / 2) / 44100));
        }
        ASSERT_TRUE(writeWavFile(dir.file(name), samples, 2, 44100));
    }
    int countFrames(const std::string& folder) { return static_cast<int>(fileNames(dir.file(folder)).size()); }

    TempDir dir;
};

}  // namespace

TEST_F(DemoRenderTest, HelpDescribesEveryOption) {
    const ProcessResult run = render({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* option : {"--root", "--size", "--fps", "--from", "--to", "--at", "--out", "--quiet", "--help",
                               ".mp4", ".mkv", ".webm", "frame_000000.png"}) {
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
    }
}

TEST_F(DemoRenderTest, NonsenseOptionsAreRefusedWithOneLine) {
    emptyDemo();
    const std::vector<std::vector<std::string>> bad = {
        {"--size", "0x0"},       {"--size", "1920"},         {"--size", "-5x10"},     {"--size", "100000x10"},
        {"--fps", "0"},          {"--fps", "-30"},           {"--fps", "abc"},        {"--from", "-1"},
        {"--to", "-0.5"},        {"--from", "3", "--to", "2"}, {"--from", "2", "--to", "2"},
        {"--at", "1,-2"},        {"--at", ""},               {"--at", "1,"},          {"--at", "1", "--from", "0"},
        {"--bogus"},             {"--fps"},                  {"--to", "nan"}};
    for (std::vector<std::string> args : bad) {
        args.insert(args.begin(), {"--root", "demo", "--quiet"});
        const ProcessResult run = render(args);
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        EXPECT_EQ(run.exitCode, 2) << joined << run.err;
        EXPECT_EQ(run.err.rfind("demorender: ", 0), 0u) << joined << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << joined << run.err;
    }
    EXPECT_FALSE(fs::exists(dir.file("demo/render")));
}

TEST_F(DemoRenderTest, FrameCountsAndNamesFollowTheTimeline) {
    emptyDemo();
    // Without music the timeline is 10 s: 20 frames at 2 fps, into render/ of the demo folder.
    ProcessResult run = render({"--root", "demo", "--size", "32x18", "--fps", "2", "--quiet"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("Advarsel: Fant ingen musikkfil i Data/Music/! Starter demo uten lyd."), std::string::npos);
    EXPECT_EQ(fileNames(dir.file("demo/render")), frameNames(20));

    // t = from + k / fps for t < to: 1.0, 1.1, ..., 1.9.
    run = render({"--root", "demo", "--size", "32x18", "--fps", "10", "--from", "1", "--to", "2", "--out", "a", "--quiet"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(fileNames(dir.file("a")), frameNames(10));

    // 0.5, 0.643, 0.786, 0.929; 1.071 is past the end.
    run = render({"--root", "demo", "--size", "32x18", "--fps", "7", "--from", "0.5", "--to", "1", "--out", "b", "--quiet"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(fileNames(dir.file("b")), frameNames(4));

    run = render({"--root", "demo", "--size", "32x18", "--at", "3,0.5,1", "--out", "c", "--quiet"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(fileNames(dir.file("c")), frameNames(3));

    // RGB PNGs of the requested size.
    const std::string png = readFile(dir.file("c/frame_000002.png"));
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(bigEndian32(png, 16), 32u);
    EXPECT_EQ(bigEndian32(png, 20), 18u);
    EXPECT_EQ(png[24], 8);  // bits per channel
    EXPECT_EQ(png[25], 2);  // colour type RGB
}

TEST_F(DemoRenderTest, TheMusicSetsTheDefaultEnd) {
    dir.write("demo/Data/demo.json", R"({"project": {"musicFile": "Data/Music/two.wav"}})");
    wav("demo/Data/Music/two.wav", 2.0);
    ProcessResult run = render({"--root", "demo", "--size", "16x16", "--fps", "5", "--out", "frames", "--quiet"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(countFrames("frames"), 10);

    run = render({"--root", "demo", "--size", "16x16", "--from", "2", "--out", "none", "--quiet"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("--from"), std::string::npos) << run.err;
}

TEST_F(DemoRenderTest, TwoRendersOfTheBundledDemoAreIdentical) {
    const std::string demo = buildProgram("../demo");
    ASSERT_TRUE(fs::exists(demo + "/Data/demo.json")) << demo;
    const std::vector<std::string> args = {"--root", demo, "--size", "320x180", "--at", "0.5,2,4.25,9.75,30"};
    std::vector<std::string> first = args, second = args;
    first.insert(first.end(), {"--out", dir.file("one"), "--quiet"});
    second.insert(second.end(), {"--out", dir.file("two"), "--quiet"});
    const ProcessResult a = render(first);
    ASSERT_EQ(a.exitCode, 0) << a.err;
    const ProcessResult b = render(second);
    ASSERT_EQ(b.exitCode, 0) << b.err;
    ASSERT_EQ(fileNames(dir.file("one")), frameNames(5));
    for (const std::string& name : frameNames(5)) {
        const std::string x = readFile(dir.file("one/" + name)), y = readFile(dir.file("two/" + name));
        EXPECT_GT(x.size(), 100u);
        EXPECT_TRUE(x == y) << name << " differs between two renders";
    }
}

TEST_F(DemoRenderTest, ARelativeOutputIsRelativeToTheCallerNotTheDemo) {
    emptyDemo();
    fs::create_directories(dir.file("elsewhere"));
    const ProcessResult run = render({"--root", "../demo", "--size", "8x8", "--at", "0", "--out", "pictures", "--quiet"},
                                     dir.file("elsewhere"));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(fs::exists(dir.file("elsewhere/pictures/frame_000000.png")));
    EXPECT_FALSE(fs::exists(dir.file("demo/pictures")));
}

TEST_F(DemoRenderTest, LoadFailuresEndWithThePlayersMessage) {
    ProcessResult run = render({"--root", "demo", "--quiet"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.err.find("does not exist"), std::string::npos) << run.err;

    fs::create_directories(dir.file("demo"));
    run = render({"--root", "demo", "--quiet"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.err.find("Error: Failed to load Data/demo.json\n"), std::string::npos) << run.err;

    dir.write("demo/Data/demo.json", "{}");
    dir.write("demo/Data/Music/bad.mp3", "no music here");
    run = render({"--root", "demo", "--quiet"});
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.err.find("Error: Failed to load music.\nPath tried: 'Data/Music/bad.mp3'\n"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir.file("demo/render")));
}

TEST_F(DemoRenderTest, ProgressGoesToStderrUnlessQuiet) {
    emptyDemo();
    const ProcessResult run = render({"--root", "demo", "--size", "8x8", "--fps", "3", "--to", "2", "--out", "p"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("6/6 frames"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("fps"), std::string::npos);
    EXPECT_NE(run.err.find("left"), std::string::npos);
    EXPECT_EQ(run.out, "");
}

TEST_F(DemoRenderTest, AnMp4HasTheTimelinesDurationAndTheMusic) {
    dir.write("demo/Data/demo.json", R"({"project": {"musicFile": "Data/Music/two.wav"}})");
    wav("demo/Data/Music/two.wav", 2.0);
    const ProcessResult run = render({"--root", "demo", "--size", "160x90", "--fps", "10", "--out", "video/out.mp4", "--quiet"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_TRUE(fs::exists(dir.file("video/out.mp4")));

    const ProcessResult probe = runProcess({"ffprobe", "-v", "error", "-show_entries",
                                            "format=duration:stream=codec_type,width,height,nb_frames", "-of",
                                            "default=noprint_wrappers=1", dir.file("video/out.mp4")});
    ASSERT_EQ(probe.exitCode, 0) << probe.err;
    std::multimap<std::string, std::string> values;
    std::istringstream in(probe.out);
    for (std::string line; std::getline(in, line);) {
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos) values.emplace(line.substr(0, eq), line.substr(eq + 1));
    }
    EXPECT_NEAR(std::stod(values.find("duration")->second), 2.0, 0.1) << probe.out;
    std::vector<std::string> types;
    for (auto [it, end] = values.equal_range("codec_type"); it != end; ++it) types.push_back(it->second);
    std::sort(types.begin(), types.end());
    EXPECT_EQ(types, (std::vector<std::string>{"audio", "video"})) << probe.out;
    EXPECT_EQ(values.find("width")->second, "160");
    EXPECT_EQ(values.find("height")->second, "90");
    bool twentyFrames = false;
    for (auto [it, end] = values.equal_range("nb_frames"); it != end; ++it) twentyFrames |= it->second == "20";
    EXPECT_TRUE(twentyFrames) << probe.out;
}

TEST_F(DemoRenderTest, VideoWithoutFfmpegIsAClearError) {
    emptyDemo();
    std::vector<std::string> args = {buildProgram("demorender"), "--root", "demo", "--out", "x.webm", "--quiet"};
    ProcessOptions options;
    options.workingDirectory = dir.path().string();
    options.environment = {{"DEMO_AUDIO", "null"}, {"PATH", dir.file("no-programs-here")}};
    const ProcessResult run = runProcess(args, options);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("ffmpeg was not found"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir.file("x.webm")));
}
