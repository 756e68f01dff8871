// fuzz_project_seeds OUT_FOLDER DICT_FILE: writes seed projects for fuzz_project made from the
// effect registry, so every registered class (also one added after these lines were written)
// starts with inputs that reach its tracks: for each class its default object, and variants that
// give every track huge, infinite, NaN-producing, negative or fractional values at frame times in
// "fuzzTimes". Appends each class name and track name to DICT_FILE as dictionary words.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "core/Effect.h"
#include "core/EffectFactory.h"
#include "effects/RegisterEffects.h"
#include "platform/HeadlessGl.h"

namespace {

using nlohmann::json;

json key(double time, double value, const char* interp) {
    return json::array({time, {{"time", time}, {"value", value}, {"interp", interp}}});
}

// Each variant: a name and the keys every track gets. 1e39 does not fit a float: it reads as
// infinity, and infinity minus infinity between two keys gives NaN.
struct Variant {
    const char* name;
    json keys;
    int audioSource;
};

std::vector<Variant> variants() {
    return {
        {"huge", json::array({key(0, 3e38, "linear"), key(1, -3e38, "catmull"), key(2, 3e38, "easeInOutCubic")}), 0},
        {"overflow_int", json::array({key(0, 4e9, "step"), key(2, -4e9, "linear")}), 0},
        {"infinite", json::array({key(0, 1e39, "linear"), key(1, -1e39, "linear")}), 0},
        {"nan", json::array({key(0.5, 1e39, "linear"), key(2, -1e39, "linear"), key(3, 0, "catmull")}), 0},
        {"negative", json::array({key(0, -1, "linear"), key(2, -100000, "linear")}), 0},
        {"fraction", json::array({key(0, 0.5, "linear"), key(2, 2.5, "step")}), 0},
        {"zero", json::array({key(0, 0, "linear")}), 0},
        {"audio", json::array({key(0, 1, "linear")}), 1},
    };
}

json project(json effect, json times) {
    return {{"project", {{"resolution", json::array({64, 64})}, {"musicFile", "Data/Music/tone.wav"}}},
            {"textures", json::array({"Data/Textures/checker.png", "Data/Textures/rings.png"})},
            {"effects", json::array({std::move(effect)})},
            {"fuzzTimes", std::move(times)}};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_project_seeds OUT_FOLDER DICT_FILE\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out);
    HeadlessGl gl;  // effects may create GL objects when they are initialised
    if (!gl.create(64, 64)) {
        std::fprintf(stderr, "fuzz_project_seeds: %s\n", gl.error().c_str());
        return 1;
    }
    registerAllEffects();
    std::set<std::string> words;
    int files = 0;
    for (const std::string& className : EffectFactory::registeredNames()) {
        auto effect = EffectFactory::create(className);
        effect->init();
        effect->instanceName = className;
        const json object = effect->toJson();
        words.insert(className);
        std::ofstream(out / ("gen_" + className + "_default.json")) << project(object, json::array({0, 1.5})).dump();
        ++files;
        for (const Variant& variant : variants()) {
            json changed = object;
            for (json& track : changed["tracks"]) {
                words.insert(track.value("name", std::string()));
                track["keys"] = variant.keys;
                track["audioSource"] = variant.audioSource;
                if (variant.audioSource) track["audioAmount"] = 1e39;
            }
            std::ofstream(out / ("gen_" + className + "_" + variant.name + ".json"))
                << project(changed, json::array({0, 0.75, 1.5, 2.5})).dump();
            ++files;
        }
    }
    std::ofstream dictionary(argv[2], std::ios::app);
    for (const std::string& word : words)
        if (!word.empty()) dictionary << "\"\\\"" << word << "\\\"\"\n";  // the word in JSON quotes
    std::printf("fuzz_project_seeds: %d seeds for %zu classes, %zu words\n", files,
                EffectFactory::registeredNames().size(), words.size());
    gl.destroy();
    return 0;
}
