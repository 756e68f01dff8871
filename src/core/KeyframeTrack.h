// Keyframe tracks: a named, time-ordered set of keys bound to one float member of an effect,
// evaluated once per frame at the music time with eleven interpolation shapes, optionally
// plus an audio term from the spectrum of the playing music; and their JSON form.
// Evaluation neither clamps to the range nor rounds: effects convert values themselves.
#pragma once

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>

enum class InterpType : std::int32_t {
    Linear = 0,
    Step = 1,
    Catmull = 2,
    Trigger = 3,
    Unchanged = 4,
    EaseInQuad = 5,
    EaseOutQuad = 6,
    EaseInOutQuad = 7,
    EaseInCubic = 8,
    EaseOutCubic = 9,
    EaseInOutCubic = 10,
};

// "linear" is first: an unknown name reads as Linear and an unknown value writes "linear".
NLOHMANN_JSON_SERIALIZE_ENUM(InterpType, {
    {InterpType::Linear, "linear"},
    {InterpType::Step, "step"},
    {InterpType::Catmull, "catmull"},
    {InterpType::Trigger, "trigger"},
    {InterpType::Unchanged, "unchanged"},
    {InterpType::EaseInQuad, "easeInQuad"},
    {InterpType::EaseOutQuad, "easeOutQuad"},
    {InterpType::EaseInOutQuad, "easeInOutQuad"},
    {InterpType::EaseInCubic, "easeInCubic"},
    {InterpType::EaseOutCubic, "easeOutCubic"},
    {InterpType::EaseInOutCubic, "easeInOutCubic"},
})

enum AudioSource : std::int32_t { AudioNone = 0, AudioLow = 1, AudioMid = 2, AudioHigh = 3 };

struct Keyframe {
    float time = 0.0f;
    float value = 0.0f;
    InterpType interp = InterpType::Linear;
};

using KeyMap = std::map<float, Keyframe>;

class ITrack {
public:
    virtual void update(float time) = 0;
    virtual const std::string& getName() const = 0;
    virtual std::pair<float, float> getValueRange() const = 0;
    virtual KeyMap& getKeys() = 0;
    virtual ~ITrack() = default;
};

class KeyframeTrack : public ITrack {
public:
    explicit KeyframeTrack(std::string trackName);

    void update(float time) override;
    const std::string& getName() const override { return name; }
    std::pair<float, float> getValueRange() const override;
    KeyMap& getKeys() override { return keys; }

    // The value of the keys alone at `time`.
    float evaluate(float time) const;
    void setKey(float time, float value, InterpType interp);
    // Adds a catmull key unless a nearby key already holds (almost) this value.
    void recordKey(float time, float value);
    // The audio-amount child ("<name> AudioAmt"), created on first use.
    KeyframeTrack* getAudioAmountTrack();

    nlohmann::json toJson() const;
    // Throws the JSON library's type errors on values of the wrong type.
    void fromJson(const nlohmann::json& j);

    std::int32_t audioSource = AudioNone;
    float audioAmount = 1.0f;
    std::unique_ptr<KeyframeTrack> audioTrack;
    bool isAudioAmountTrack = false;
    std::string name;
    KeyMap keys;
    float currentValue = 0.0f;
    float* target = nullptr;
    bool snapToInteger = false;
    std::int32_t dataType = 0;
    float minValue = std::numeric_limits<float>::quiet_NaN();
    float maxValue = std::numeric_limits<float>::quiet_NaN();
};

// The level L of one audio band from a 256-bin magnitude spectrum:
// low (b1..b3)*1.5, mid (b5..b19)*1.5, high (b20..b99)*2.0, anything else 0.
float audioBandLevel(const float* bins, std::int32_t source);
