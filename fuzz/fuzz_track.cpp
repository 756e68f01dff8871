// fuzz_track: a keyframe track's JSON object -> fromJson, then evaluation and update at many
// times: every key time, points between and just around keys, and the special values (negative,
// huge, infinite, NaN), plus the times listed in the harness-only member "fuzzTimes". A tone is
// loaded as the music first, so audio-reactive tracks take real spectra on the manual clock.
// Invariants checked: update writes evaluate + the audio term (exactly evaluate without one),
// and a track with finite numbers survives toJson -> fromJson with identical values.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "audio/Bass.h"
#include "audio/MusicPlayer.h"
#include "core/KeyframeTrack.h"

namespace {

using nlohmann::json;

bool sameFloat(float a, float b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

std::vector<float> evaluationTimes(const KeyframeTrack& track, const json& input) {
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> times = {0.0f, -0.0f, -1.0f, 0.25f, 1.0f, 1e-6f, 1e30f, -1e30f, inf, -inf,
                                std::numeric_limits<float>::quiet_NaN()};
    float previous = -inf;
    for (const auto& [time, key] : track.keys) {
        times.insert(times.end(), {time, std::nextafter(time, inf), std::nextafter(time, -inf), key.time});
        if (std::isfinite(previous)) times.push_back(previous + (time - previous) * 0.37f);
        previous = time;
    }
    const auto found = input.find("fuzzTimes");
    if (found != input.end() && found->is_array())
        for (const json& t : *found)
            if (t.is_number() && times.size() < 256) times.push_back(t.get<float>());
    return times;
}

bool allFinite(const KeyframeTrack& track) {
    if (!std::isfinite(track.audioAmount)) return false;
    for (const auto& [time, key] : track.keys)
        if (!std::isfinite(time) || !std::isfinite(key.time) || !std::isfinite(key.value)) return false;
    return !track.audioTrack || allFinite(*track.audioTrack);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    audio::setOutputMode(audio::OutputMode::Manual);
    const std::string music = fuzz::writeToneWav("music.wav", 22050, 22050);
    if (!loadMusic(music)) fuzz::fail("fuzz_track", "the tone does not load as music");
    BASS_ChannelPlay(getMusicPlayer()->channel, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const json input = json::parse(data, data + size, nullptr, false);
    if (input.is_discarded()) return 0;

    KeyframeTrack track("fuzz");
    track.setKey(0.0f, 1.0f, InterpType::Linear);  // the default key an effect gives its tracks
    float member = 0.0f;
    track.target = &member;
    try {
        track.fromJson(input);
    } catch (const json::exception&) {
        return 0;  // the project loader turns this into a failed load
    }

    for (float t : evaluationTimes(track, input)) {
        audio::setManualPosition(std::isfinite(t) ? std::fabs(static_cast<double>(t)) : 0.0);
        const float keysAlone = track.evaluate(t);
        track.update(t);
        if (track.audioSource == AudioNone && !sameFloat(member, keysAlone))
            fuzz::fail("fuzz_track", "update wrote " + std::to_string(member) + ", evaluate gives " +
                                         std::to_string(keysAlone) + " at t = " + std::to_string(t));
        if (!sameFloat(member, track.currentValue)) fuzz::fail("fuzz_track", "member and currentValue differ");
    }
    const auto range = track.getValueRange();
    (void)range;

    if (allFinite(track)) {
        KeyframeTrack copy("fuzz");
        copy.fromJson(track.toJson());
        if (copy.keys.size() != track.keys.size() || copy.audioSource != track.audioSource)
            fuzz::fail("fuzz_track", "keys or audio source changed in the JSON round trip");
        for (float t : evaluationTimes(track, input))
            if (!sameFloat(copy.evaluate(t), track.evaluate(t)))
                fuzz::fail("fuzz_track", "the JSON round trip changed the value at t = " + std::to_string(t));
    }

    // Recording over the loaded keys (what the authoring tool does while driving).
    for (float t : {0.5f, 0.52f, 3.0f}) track.recordKey(t, member);
    return 0;
}
