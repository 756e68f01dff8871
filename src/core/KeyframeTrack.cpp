// KeyframeTrack: evaluation, the audio term, recording and the track object of the project file.
#include "KeyframeTrack.h"

#include <cmath>
#include <limits>

#include "audio/Bass.h"
#include "audio/MusicPlayer.h"

namespace {

float shape(InterpType interp, float u) {
    switch (interp) {
        case InterpType::EaseInQuad: return u * u;
        case InterpType::EaseOutQuad: return u * (2.0f - u);
        case InterpType::EaseInOutQuad:
            return u < 0.5f ? 2.0f * u * u : 1.0f - powf(2.0f - 2.0f * u, 2.0f) / 2.0f;
        case InterpType::EaseInCubic: return u * u * u;
        case InterpType::EaseOutCubic: return 1.0f - powf(1.0f - u, 3.0f);
        case InterpType::EaseInOutCubic:
            return u < 0.5f ? 4.0f * u * u * u : 1.0f - powf(2.0f - 2.0f * u, 3.0f) / 2.0f;
        default: return u;  // linear, unchanged and values outside the table
    }
}

// A JSON member read as int the way the JSON library does (fractions truncated toward zero, type
// errors for non-numbers), but without its undefined conversion of numbers beyond int's range:
// those are clamped to it.
std::int32_t intMember(const nlohmann::json& j, const char* key, std::int32_t fallback) {
    const auto found = j.find(key);
    if (!j.is_object() || (found != j.end() && !found->is_number()))
        return j.value(key, fallback);  // raises the library's type error
    if (found == j.end()) return fallback;
    const double number = found->get<double>();
    if (!(number > static_cast<double>(std::numeric_limits<std::int32_t>::min())))
        return std::numeric_limits<std::int32_t>::min();
    if (number >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(number);
}

}  // namespace

KeyframeTrack::KeyframeTrack(std::string trackName) : name(std::move(trackName)) {}

float KeyframeTrack::evaluate(float t) const {
    if (keys.empty()) return 0.0f;
    auto next = keys.lower_bound(t);
    if (next == keys.begin()) return next->second.value;
    if (next == keys.end()) return std::prev(next)->second.value;
    auto prev = std::prev(next);
    const Keyframe& a = prev->second;
    const Keyframe& b = next->second;

    // A key at time 0 (where every default key sits) never blends into the next one.
    if (prev->first == 0.0f) return t < next->first ? a.value : b.value;

    float dt = next->first - prev->first;
    if (dt <= 1e-5f) return a.value;
    float u = (t - prev->first) / dt;

    switch (b.interp) {
        case InterpType::Step:
        case InterpType::Trigger: return a.value;
        case InterpType::Catmull: {
            auto p0 = prev == keys.begin() ? prev : std::prev(prev);
            auto p3 = std::next(next) == keys.end() ? next : std::next(next);
            float span1 = next->first - p0->first;
            float span2 = p3->first - prev->first;
            float m1 = span1 > 0.0001f ? (b.value - p0->second.value) / span1 * dt : 0.0f;
            float m2 = span2 > 0.0001f ? (p3->second.value - a.value) / span2 * dt : 0.0f;
            float u2 = u * u, u3 = u2 * u;
            return (2 * u3 - 3 * u2 + 1) * a.value + (u3 - 2 * u2 + u) * m1 +
                   (3 * u2 - 2 * u3) * b.value + (u3 - u2) * m2;
        }
        default: return a.value + (b.value - a.value) * shape(b.interp, u);
    }
}

float audioBandLevel(const float* b, std::int32_t source) {
    float sum = 0.0f;
    switch (source) {
        case AudioLow:
            for (int i = 1; i <= 3; ++i) sum += b[i];
            return sum * 1.5f;
        case AudioMid:
            for (int i = 5; i <= 19; ++i) sum += b[i];
            return sum * 1.5f;
        case AudioHigh:
            for (int i = 20; i <= 99; ++i) sum += b[i];
            return sum * 2.0f;
        default: return 0.0f;
    }
}

void KeyframeTrack::update(float t) {
    currentValue = evaluate(t);
    MusicPlayer* music = getMusicPlayer();
    if (audioSource != AudioNone && music && music->channel != 0) {
        float bins[256];
        float level = 0.0f;
        if (BASS_ChannelGetData(music->channel, bins, BASS_DATA_FFT512) != BASS_DATA_FAILED)
            level = audioBandLevel(bins, audioSource);
        float weight = audioAmount;
        if (audioTrack) {
            audioTrack->update(t);
            weight = audioTrack->currentValue;
        }
        currentValue += weight * level;
    }
    if (target) *target = currentValue;
}

void KeyframeTrack::setKey(float time, float value, InterpType interp) {
    keys[time] = Keyframe{time, value, interp};
}

void KeyframeTrack::recordKey(float t, float v) {
    if (!keys.empty()) {
        auto it = keys.lower_bound(t);  // first key not before t
        const Keyframe& k = it == keys.begin() ? it->second : std::prev(it)->second;
        if (std::fabs(t - k.time) < 0.05f && std::fabs(v - k.value) < 0.01f) return;
    }
    setKey(t, v, InterpType::Catmull);
}

KeyframeTrack* KeyframeTrack::getAudioAmountTrack() {
    if (!audioTrack) {
        audioTrack = std::make_unique<KeyframeTrack>(name + " AudioAmt");
        audioTrack->isAudioAmountTrack = true;
        audioTrack->minValue = -2.0f;
        audioTrack->maxValue = 2.0f;
        audioTrack->setKey(0.0f, audioAmount, InterpType::Linear);
    }
    return audioTrack.get();
}

std::pair<float, float> KeyframeTrack::getValueRange() const {
    if (name == "enabled") return {0.0f, 1.0f};
    if (!std::isnan(minValue) && !std::isnan(maxValue)) return {minValue, maxValue};
    if (keys.empty()) return {0.0f, 50.0f};
    float lo = keys.begin()->second.value, hi = lo;
    for (const auto& [time, key] : keys) {
        lo = std::min(lo, key.value);
        hi = std::max(hi, key.value);
    }
    if (hi - lo < 0.001f) return {lo - 25.0f, hi + 25.0f};
    return {lo, hi};
}

nlohmann::json KeyframeTrack::toJson() const {
    nlohmann::json j;
    j["name"] = name;
    j["snapToInteger"] = snapToInteger;
    j["dataType"] = dataType;
    j["audioSource"] = audioSource;
    if (audioTrack)
        j["audioTrack"] = audioTrack->toJson();
    else
        j["audioAmount"] = audioAmount;
    nlohmann::json keyArray = nlohmann::json::array();
    for (const auto& [time, key] : keys) {
        nlohmann::json k;
        k["time"] = key.time;
        k["value"] = key.value;
        k["interp"] = key.interp;
        keyArray.push_back(nlohmann::json::array({time, k}));
    }
    j["keys"] = std::move(keyArray);
    return j;
}

void KeyframeTrack::fromJson(const nlohmann::json& j) {
    audioSource = intMember(j, "audioSource", AudioNone);
    audioAmount = j.value("audioAmount", 1.0f);
    if (j.contains("audioTrack")) {
        getAudioAmountTrack()->fromJson(j.at("audioTrack"));
    } else if (audioSource != AudioNone || std::fabs(audioAmount - 1.0f) > 0.001f) {
        KeyframeTrack* child = getAudioAmountTrack();
        child->keys.clear();
        child->setKey(0.0f, audioAmount, InterpType::Linear);
    }
    if (j.contains("keys")) {
        const nlohmann::json& array = j.at("keys");
        if (!array.is_array())
            throw nlohmann::json::type_error::create(302, "type must be array, but is " + std::string(array.type_name()), &array);
        KeyMap fresh;
        for (const nlohmann::json& element : array) {
            float mapKey = element.at(0).get<float>();
            const nlohmann::json& object = element.at(1);
            if (!object.is_object())
                throw nlohmann::json::type_error::create(302, "type must be object, but is " + std::string(object.type_name()), &object);
            Keyframe key;
            key.time = object.value("time", 0.0f);
            key.value = object.value("value", 0.0f);
            key.interp = object.value("interp", InterpType::Linear);
            fresh.emplace(mapKey, key);  // the first of equal times wins
        }
        keys = std::move(fresh);
    }
}
