// Keyframe tracks: interpolation shapes, the time-0 rule, catmull tangents, the audio term and
// the JSON form (audio sources beyond int's range too). Wrong JSON types: ProjectLoaderTest's
// failure rows. (Recording and value ranges serve an editing tool, not this player.)
#include <gtest/gtest.h>

#include <limits>

#include "audio/AudioTestSignals.h"
#include "audio/Bass.h"
#include "audio/MusicPlayer.h"
#include "core/KeyframeTrack.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {

using nlohmann::json;

KeyframeTrack twoKeys(float t0, float v0, float t1, float v1, InterpType interp) {
    KeyframeTrack track("x");
    track.setKey(t0, v0, InterpType::Linear);
    track.setKey(t1, v1, interp);
    return track;
}

float hermite(float u, float p1, float m1, float p2, float m2) {
    const float u2 = u * u, u3 = u2 * u;
    return (2 * u3 - 3 * u2 + 1) * p1 + (u3 - 2 * u2 + u) * m1 + (3 * u2 - 2 * u3) * p2 + (u3 - u2) * m2;
}

// From 0 to 1 over [1, 3] unless the row says otherwise: (t0, v0, t1, v1, interp, t, value).
TEST(KeyframeTrackEvaluate, SegmentsShapesHoldsAndTheTimeZeroRule) {
    using I = InterpType;
    const struct {
        float t0, v0, t1, v1;
        InterpType interp;
        float t, expected;
    } cases[] = {
        {0, 1, 5, 0, I::Linear, 0, 1},   {0, 1, 5, 0, I::Linear, 4.999f, 1},  // a key at 0 never blends
        {0, 1, 5, 0, I::Linear, 5, 0},   {1, 0, 3, 10, I::Linear, 0.5f, 0},   {1, 0, 3, 10, I::Linear, 2, 5},
        {1, 0, 3, 10, I::Linear, 4, 10}, {1, 0, 3, 10, I::Step, 3, 0},        {1, 0, 3, 10, I::Step, 3.001f, 10},
        {1, 0, 3, 10, I::Trigger, 3, 0}, {1, 4, 1.000005f, 9, I::Linear, 1.000005f, 4},  // dt <= 1e-5: holds
        {1, 0, 3, 1, I::Unchanged, 1.5f, 0.25f},    {1, 0, 3, 1, I::EaseInQuad, 2, 0.25f},
        {1, 0, 3, 1, I::EaseOutQuad, 1.5f, 0.4375f}, {1, 0, 3, 1, I::EaseInOutQuad, 1.5f, 0.125f},
        {1, 0, 3, 1, I::EaseInOutQuad, 2.5f, 0.875f}, {1, 0, 3, 1, I::EaseInCubic, 2, 0.125f},
        {1, 0, 3, 1, I::EaseOutCubic, 2, 0.875f},    {1, 0, 3, 1, I::EaseInOutCubic, 1.5f, 0.0625f},
        {1, 0, 3, 1, I::EaseInOutCubic, 2.5f, 0.9375f}, {1, 0, 3, 1, static_cast<InterpType>(42), 1.5f, 0.25f},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(twoKeys(c.t0, c.v0, c.t1, c.v1, c.interp).evaluate(c.t), c.expected, 1e-6f)
            << "interp " << static_cast<int>(c.interp) << " at " << c.t;
    EXPECT_EQ(KeyframeTrack("x").evaluate(3.0f), 0.0f);
    KeyframeTrack laterChooses("x");
    laterChooses.setKey(1.0f, 0.0f, InterpType::Step);
    laterChooses.setKey(3.0f, 1.0f, InterpType::EaseInQuad);
    EXPECT_FLOAT_EQ(laterChooses.evaluate(2.0f), 0.25f);
}

TEST(KeyframeTrackEvaluate, CatmullTangentsFromTwoThreeAndFourKeys) {
    KeyframeTrack two = twoKeys(1.0f, 0.0f, 3.0f, 10.0f, InterpType::Catmull);
    EXPECT_FLOAT_EQ(two.evaluate(1.5f), hermite(0.25f, 0.0f, 10.0f, 10.0f, 10.0f));
    KeyframeTrack track("x");
    track.setKey(1.0f, 0.0f, InterpType::Linear);
    track.setKey(2.0f, 4.0f, InterpType::Catmull);
    track.setKey(4.0f, 2.0f, InterpType::Catmull);
    // [2, 4]: p0 is the key at 1, p3 the last key itself.
    const float m1 = 2.0f / 3.0f * 2.0f, m2 = -2.0f / 2.0f * 2.0f;
    EXPECT_FLOAT_EQ(track.evaluate(3.0f), hermite(0.5f, 4.0f, m1, 2.0f, m2));
    // [1, 2]: p0 is the first key itself, p3 the key at 4.
    EXPECT_FLOAT_EQ(track.evaluate(1.25f), hermite(0.25f, 0.0f, 4.0f, 4.0f, 2.0f / 3.0f));
    track.setKey(6.0f, 8.0f, InterpType::Catmull);  // now [2, 4] has a real p3
    EXPECT_FLOAT_EQ(track.evaluate(3.5f), hermite(0.75f, 4.0f, m1, 2.0f, 4.0f / 4.0f * 2.0f));
}

// Bands: bins 1..3 x 1.5 (low), 5..19 x 1.5 (mid; bin 4 belongs to none), 20..99 x 2 (high).
// A 130 Hz + 1 kHz tone under the manual clock moves the low and the mid band.
TEST(KeyframeTrackAudio, UpdateAddsTheWeightedBandLevelOfThePlayingChannelOnly) {
    float ramp[256];
    for (int i = 0; i < 256; ++i) ramp[i] = static_cast<float>(i);
    EXPECT_FLOAT_EQ(audioBandLevel(ramp, AudioLow), 6 * 1.5f);
    EXPECT_FLOAT_EQ(audioBandLevel(ramp, AudioMid), 180 * 1.5f);
    EXPECT_FLOAT_EQ(audioBandLevel(ramp, AudioHigh), 4760 * 2.0f);
    EXPECT_EQ(audioBandLevel(ramp, 4), 0.0f);

    KeyframeTrack track = twoKeys(1.0f, 0.0f, 3.0f, 10.0f, InterpType::Linear);
    track.audioSource = AudioLow;
    float member = -1.0f;
    track.target = &member;
    releaseMusic();
    track.update(2.0f);
    EXPECT_FLOAT_EQ(member, 5.0f) << "no music: no audio term";

    TempDir dir;
    const auto tone = signals::tones({{130, 0.4}, {1000, 0.4}}, 88200, 44100, 1);
    ASSERT_TRUE(writeWavFile(dir.file("tone.wav"), tone, 1, 44100));
    audio::setOutputMode(audio::OutputMode::Manual);
    ASSERT_TRUE(loadMusic(dir.file("tone.wav")));
    ASSERT_TRUE(BASS_ChannelPlay(getMusicPlayer()->channel, 0));
    audio::setManualPosition(1.0);
    float bins[256];
    ASSERT_NE(BASS_ChannelGetData(getMusicPlayer()->channel, bins, BASS_DATA_FFT512), BASS_DATA_FAILED);
    const float low = audioBandLevel(bins, AudioLow), mid = audioBandLevel(bins, AudioMid);
    ASSERT_GT(low, 0.1f);
    ASSERT_GT(mid, 0.1f);
    track.audioAmount = 0.5f;
    track.update(2.0f);
    EXPECT_FLOAT_EQ(member, 5.0f + 0.5f * low);
    KeyframeTrack* child = track.getAudioAmountTrack();  // from now on the child's value weighs
    EXPECT_EQ(child->name, "x AudioAmt");
    EXPECT_EQ(track.getAudioAmountTrack(), child);
    track.audioSource = AudioMid;
    track.update(2.0f);
    EXPECT_FLOAT_EQ(member, 5.0f + 0.5f * mid);
    child->setKey(0.0f, -2.0f, InterpType::Linear);
    track.update(2.0f);
    EXPECT_FLOAT_EQ(member, 5.0f - 2.0f * mid);
    releaseMusic();
    audio::setOutputMode(audio::OutputMode::Silent);
}

TEST(KeyframeTrackJson, WritesTheDocumentedObjectAndReadsItBack) {
    KeyframeTrack track("enabled");
    track.snapToInteger = true;
    track.setKey(0.0f, 1.0f, InterpType::Step);
    track.setKey(2.5f, 0.0f, static_cast<InterpType>(42));  // outside the table: "linear"
    EXPECT_EQ(track.toJson(), json::parse(R"({
        "name": "enabled", "snapToInteger": true, "dataType": 0, "audioSource": 0, "audioAmount": 1.0,
        "keys": [[0, {"interp": "step", "time": 0, "value": 1}],
                 [2.5, {"interp": "linear", "time": 2.5, "value": 0}]]})"));

    KeyframeTrack original("pos.y");
    for (int i = 0; i < 11; ++i) original.setKey(0.25f * i, 1.5f * i - 3.0f, static_cast<InterpType>(i));
    original.audioSource = AudioHigh;
    original.getAudioAmountTrack()->setKey(4.0f, 1.25f, InterpType::EaseOutCubic);
    KeyframeTrack copy("pos.y");
    copy.setKey(0.0f, 99.0f, InterpType::Linear);  // the default key the file replaces
    copy.fromJson(json::parse(original.toJson().dump()));
    EXPECT_EQ(copy.toJson(), original.toJson());
    EXPECT_EQ(copy.keys.size(), 11u);
    ASSERT_TRUE(copy.audioTrack);
    EXPECT_EQ(copy.audioTrack->keys.size(), 2u);
}

TEST(KeyframeTrackJson, ReadingDefaultsTheImplicitChildAndEqualTimes) {
    KeyframeTrack plain = twoKeys(0.0f, 5.0f, 1.0f, 6.0f, InterpType::Linear);
    plain.fromJson(json::object());
    EXPECT_EQ(plain.keys.size(), 2u);  // no "keys": the keys stay
    EXPECT_FALSE(plain.audioTrack);
    KeyframeTrack reactive("b");
    reactive.fromJson(json::parse(R"({"audioSource": 1, "audioAmount": 0.5, "keys": []})"));
    EXPECT_TRUE(reactive.keys.empty());
    ASSERT_TRUE(reactive.audioTrack);
    EXPECT_EQ(reactive.audioTrack->keys.at(0.0f).value, 0.5f);
    EXPECT_FALSE(reactive.toJson().contains("audioAmount"));

    KeyframeTrack keys("x");
    keys.fromJson(json::parse(R"({"keys": [[1, {"value": 3, "interp": "wobble"}], [1, {"value": 4}], [2, {}]]})"));
    ASSERT_EQ(keys.keys.size(), 2u);
    EXPECT_EQ(keys.keys.at(1.0f).value, 3.0f);  // the first of equal times wins
    EXPECT_EQ(keys.keys.at(1.0f).time, 0.0f);   // "time" absent: 0; the map key stays 1
    EXPECT_EQ(keys.keys.at(1.0f).interp, InterpType::Linear);
    EXPECT_EQ(keys.keys.at(2.0f).value, 0.0f);

    // fuzz_track found "audioSource": 7.34e39, which the JSON library's own int conversion left
    // undefined: numbers are truncated toward zero and clamped to int.
    const int most = std::numeric_limits<int>::max(), least = std::numeric_limits<int>::min();
    const std::pair<const char*, int> sources[] = {{"73.4028235e38", most}, {"-1e300", least}, {"1.9", 1}, {"-2.5", -2},
                                                   {"3", 3}, {"18446744073709551615", most}};
    for (const auto& [number, audioSource] : sources) {
        KeyframeTrack track("x");
        track.fromJson(json::parse(std::string(R"({"audioSource": )") + number + "}"));
        EXPECT_EQ(track.audioSource, audioSource) << number;
        EXPECT_TRUE(track.audioTrack) << number;
    }
    EXPECT_THROW(plain.fromJson(json::parse(R"({"audioSource": "low"})")), json::type_error);
    EXPECT_THROW(plain.fromJson(json::parse("[1]")), json::type_error);
}

}  // namespace
