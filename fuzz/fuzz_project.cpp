// fuzz_project: bytes as Data/demo.json -> the player's whole loading phase (every class the
// effect registry knows, so classes added later are covered without a change here), then a few
// frames of update and render into a 64 x 64 headless context, as the offline renderer runs
// them: manual audio clock, fixed frame times. The demo folder holds a short tone in
// Data/Music/ and small images under the bundled demo's texture names.
// Frame times: the harness-only member "fuzzTimes" of the root (finite times of 0 or more,
// at most four), else 0, 1.5 and 7.25 s. After each input everything is released (effects,
// music, textures), so inputs do not depend on each other.
#include <GL/gl.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "audio/Bass.h"
#include "base/Platform.h"
#include "base/Random.h"
#include "base/Workers.h"
#include "core/ProjectGlobals.h"
#include "core/TextureManager.h"
#include "platform/HeadlessGl.h"
#include "platform/HeadlessWindow.h"
#include "player/FrameClock.h"
#include "player/FrameLoop.h"
#include "player/LoadingPhase.h"
#include "player/Player.h"

namespace {

// An uncompressed 8 x 8 BMP (24-bit) with a colour pattern seeded by `seed`.
std::string smallBmp(int seed) {
    const int side = 8, rowBytes = side * 3, dataBytes = rowBytes * side;
    std::string bmp = "BM";
    auto put = [&bmp](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) bmp.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    put(54 + dataBytes, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(side, 4);
    put(side, 4);
    put(1, 2);
    put(24, 2);
    put(0, 4);
    put(dataBytes, 4);
    put(2835, 4);
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    for (int i = 0; i < side * side; ++i) put(static_cast<std::uint32_t>(i * 2654435761u + seed * 40503u) & 0xFFFFFF, 3);
    return bmp;
}

std::string& demoFolder() {
    static std::string folder;
    return folder;
}

std::vector<float> frameTimes(const std::uint8_t* data, std::size_t size) {
    std::vector<float> times;
    const nlohmann::json root = nlohmann::json::parse(data, data + size, nullptr, false);
    if (root.is_object()) {
        const auto found = root.find("fuzzTimes");
        if (found != root.end() && found->is_array())
            for (const nlohmann::json& t : *found)
                if (t.is_number() && times.size() < 4) {
                    const double seconds = t.get<double>();
                    if (std::isfinite(seconds) && seconds >= 0.0 && seconds < 1e30) times.push_back(static_cast<float>(seconds));
                }
    }
    if (times.empty()) times = {0.0f, 1.5f, 7.25f};
    return times;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    namespace fs = std::filesystem;
    workers::setThreadCount(1);  // the same work on every run, however busy the machine is
    fuzz::writeToneWav("demo/Data/Music/tone.wav", 22050, 33075);
    int seed = 0;
    for (const char* name : {"checker.png", "rings.png", "tiles.png", "logo.png"}) {
        const std::string bmp = smallBmp(++seed);
        fuzz::writeScratchFile(std::string("demo/Data/Textures/") + name,
                               reinterpret_cast<const std::uint8_t*>(bmp.data()), bmp.size());
    }
    demoFolder() = (fs::path(fuzz::scratchFolder()) / "demo").string();
    fs::current_path(demoFolder());
    setProgramDirectoryOverride(demoFolder());
    setMessageBoxHandler(nullptr);
    fuzz::sharedGl();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::writeScratchFile("demo/Data/demo.json", data, size);
    HeadlessGl& gl = fuzz::sharedGl();
    HeadlessWindow window(gl);

    audio::setOutputMode(audio::OutputMode::Manual);
    audio::setManualPosition(0.0);
    resetProjectGlobals();
    runtime::srand(1);
    setRunGlState();
    showBlackFrame(window);
    if (runLoadingPhase()) {
        FixedClock clock;
        for (float t : frameTimes(data, size)) {
            audio::setManualPosition(t);
            clock.time = t;
            runFrame(window, nullptr, clock);
        }
        gl.readPixelsRgba();
    }
    shutdownPlayer();
    BASS_Free();
    TextureManager::instance().clear();
    if (glGetError() == GL_OUT_OF_MEMORY) fuzz::fail("fuzz_project", "the GL ran out of memory");
    return 0;
}
