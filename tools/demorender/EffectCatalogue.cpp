// EffectCatalogue: one initialised effect per registered class, read back track by track.
#include "EffectCatalogue.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>

#include "core/Effect.h"
#include "core/EffectFactory.h"
#include "effects/RegisterEffects.h"

namespace {

// What each class is for, in one line; the classes' own source files say the rest.
const std::map<std::string, std::string>& summaries() {
    static const std::map<std::string, std::string> text = {
        {"Basic3DEffect", "A solid sphere, cylinder, torus, cube or football, lit, optionally textured from the store."},
        {"Camera", "Projection and view for every 3D effect after it: eye, target, orbit, target tracking."},
        {"CellularLinesEffect", "An elementary cellular automaton's history as glowing lines on a sphere, tube or torus, with sparks."},
        {"CinematicOverlayEffect", "A white beat flash and a darkening vignette over the frame; clears the depth buffer."},
        {"ClassicFireEffect", "The old-school fire as a 256 x 256 dynamic texture (\"*DynamicFire_*\"); draws nothing itself."},
        {"ColorFilterEffect", "One of ten full-screen colour filters over the frame (washes, inversion, tints, vignette, glow, contrast)."},
        {"FocusBlurEffect", "Depth of field: blurs what lies outside the focal depth range."},
        {"GloomEffect", "Radial light rays from a screen point over the frame."},
        {"GrayscaleOverlayEffect", "A white wash of adjustable opacity over the frame (fade to white)."},
        {"LeftfieldAutomataEffect", "A cyclic cellular automaton drawn as a full-screen field of wobbling coloured triangles."},
        {"Lighting", "Switches on light 0 for the 3D effects after it: intensities and position."},
        {"MarchingTetraEffect", "Animated iso-surfaces (metaballs, boxes, tori, planes, cross-fades), lit, textured or sphere-mapped."},
        {"MatrixGreetingsEffect", "Falling stroke-font glyph rain with greetings from customText that decrypt letter by letter."},
        {"NorwegianFlagEffect", "A lit, semi-transparent cloth flag waving in the wind."},
        {"OverlayEffect", "One image of the texture store stretched over the viewport; clears the depth buffer."},
        {"PlasmaEffect", "A sine plasma as a 256 x 256 dynamic texture (\"*DynamicPlasma_*\"); draws nothing itself."},
        {"PredatorEffect", "Turns the frame into a thermal view with a targeting display."},
        {"RadarImageryEffect", "Re-renders the frame as grainy radar imagery with a sweep line."},
        {"RotatingCubeEffect", "A solid-coloured spinning cube."},
        {"RubixCubeEffect", "A 3 x 3 x 3 puzzle cube that solves itself as progress runs from 0 to 1."},
        {"VectorTextEffect", "One word of customText drawn stroke by stroke, with sparks at the pen tips."},
        {"VoronoiCausticsEffect", "Water caustics as a 256 x 256 dynamic texture (\"*DynamicCaustics_*\"); draws nothing itself."},
    };
    return text;
}

std::string number(float v) {
    if (std::isnan(v)) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
    return text;
}

std::string interpolationName(InterpType interp) { return nlohmann::json(interp).get<std::string>(); }

// The float as the shortest decimal that reads back as it (0.05, not 0.05000000074505806).
nlohmann::ordered_json numberOrNull(float v) {
    if (!std::isfinite(v)) return nullptr;
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    return std::strtod(std::string(text, end).c_str(), nullptr);
}

}  // namespace

std::vector<CatalogueEntry> effectCatalogue() {
    registerAllEffects();
    std::vector<CatalogueEntry> entries;
    for (const std::string& name : EffectFactory::registeredNames()) {
        std::unique_ptr<Effect> effect = EffectFactory::create(name);
        if (!effect) continue;
        effect->init();
        CatalogueEntry entry;
        entry.className = name;
        const auto summary = summaries().find(name);
        if (summary != summaries().end()) entry.summary = summary->second;
        for (ITrack* track : effect->tracks) {
            const auto* keyframes = dynamic_cast<const KeyframeTrack*>(track);
            if (!keyframes) continue;
            CatalogueTrack row;
            row.name = keyframes->name;
            row.min = keyframes->minValue;
            row.max = keyframes->maxValue;
            row.snapToInteger = keyframes->snapToInteger;
            const auto first = keyframes->keys.find(0.0f);
            if (first != keyframes->keys.end()) {
                row.hasDefault = true;
                row.defaultValue = first->second.value;
                row.interpolation = interpolationName(first->second.interp);
            }
            entry.tracks.push_back(row);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string catalogueText(const std::vector<CatalogueEntry>& entries) {
    std::string out;
    char line[256];
    for (const CatalogueEntry& entry : entries) {
        out += entry.className + (entry.summary.empty() ? "" : "  -- " + entry.summary) + "\n";
        for (const CatalogueTrack& t : entry.tracks) {
            std::snprintf(line, sizeof line, "  %-22s %10s .. %-10s default %-10s %-15s%s", t.name.c_str(),
                          number(t.min).c_str(), number(t.max).c_str(),
                          t.hasDefault ? number(t.defaultValue).c_str() : "(none)", t.interpolation.c_str(),
                          t.snapToInteger ? " integer" : "");
            std::string text = line;
            text.erase(text.find_last_not_of(' ') + 1);
            out += text + "\n";
        }
        out += "\n";
    }
    return out;
}

std::string catalogueJson(const std::vector<CatalogueEntry>& entries) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const CatalogueEntry& entry : entries) {
        nlohmann::ordered_json tracks = nlohmann::ordered_json::array();
        for (const CatalogueTrack& t : entry.tracks) {
            tracks.push_back({{"name", t.name},
                              {"min", numberOrNull(t.min)},
                              {"max", numberOrNull(t.max)},
                              {"default", t.hasDefault ? numberOrNull(t.defaultValue) : nlohmann::ordered_json(nullptr)},
                              {"interpolation", t.hasDefault ? nlohmann::ordered_json(t.interpolation) : nlohmann::ordered_json(nullptr)},
                              {"snapToInteger", t.snapToInteger}});
        }
        list.push_back({{"className", entry.className}, {"summary", entry.summary}, {"tracks", tracks}});
    }
    return list.dump(2) + "\n";
}

std::string catalogueMarkdown(const std::vector<CatalogueEntry>& entries) {
    std::string out =
        "# Effect catalogue\n\n"
        "Generated by `demorender --list-effects --markdown` (`make docs`); do not edit by hand.\n"
        "Every class the player knows, with its tracks in creation order. The default is the key at\n"
        "time 0 that a new effect gets; a project's saved keys replace it. Ranges describe the\n"
        "intended values: evaluation never clamps, each effect guards what it converts.\n\n";
    for (const CatalogueEntry& entry : entries) out += "- [" + entry.className + "](#" + entry.className + ")\n";
    for (const CatalogueEntry& entry : entries) {
        out += "\n## " + entry.className + "\n\n";
        if (!entry.summary.empty()) out += entry.summary + "\n\n";
        out += "| track | min | max | default | interpolation | integer |\n|---|---|---|---|---|---|\n";
        for (const CatalogueTrack& t : entry.tracks) {
            out += "| `" + t.name + "` | " + number(t.min) + " | " + number(t.max) + " | " +
                   (t.hasDefault ? number(t.defaultValue) : "(none)") + " | " + t.interpolation + " | " +
                   (t.snapToInteger ? "yes" : "") + " |\n";
        }
    }
    return out;
}
