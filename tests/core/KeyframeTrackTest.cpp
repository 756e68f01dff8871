// Keyframe tracks: every interpolation shape, the time-0 rule, catmull tangents, recording,
// value ranges, the audio term and the JSON form.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "audio/Bass.h"
#include "audio/MusicPlayer.h"
#include "core/KeyframeTrack.h"
#include "support/TempDir.h"

namespace {

KeyframeTrack twoKeys(float t0, float v0, float t1, float v1, InterpType interp) {
    KeyframeTrack track("x");
    track.setKey(t0, v0, InterpType::Linear);
    track.setKey(t1, v1, interp);
    return track;
}

TEST(KeyframeTrackEvaluate, NoKeysGiveZeroAndOneKeyHoldsEverywhere) {
    KeyframeTrack track("x");
    EXPECT_EQ(track.evaluate(3.0f), 0.0f);
    track.setKey(2.0f, 7.0f, InterpType::Catmull);
    EXPECT_EQ(track.evaluate(-1.0f), 7.0f);
    EXPECT_EQ(track.evaluate(2.0f), 7.0f);
    EXPECT_EQ(track.evaluate(100.0f), 7.0f);
}

TEST(KeyframeTrackEvaluate, AKeyAtTimeZeroNeverBlendsIntoTheNext) {
    KeyframeTrack track = twoKeys(0.0f, 1.0f, 5.0f, 0.0f, InterpType::Linear);
    EXPECT_EQ(track.evaluate(0.0f), 1.0f);
    EXPECT_EQ(track.evaluate(2.5f), 1.0f);
    EXPECT_EQ(track.evaluate(4.999f), 1.0f);
    EXPECT_EQ(track.evaluate(5.0f), 0.0f);
    EXPECT_EQ(track.evaluate(9.0f), 0.0f);
}

TEST(KeyframeTrackEvaluate, LinearBetweenKeysAndHoldsOutside) {
    KeyframeTrack track = twoKeys(1.0f, 0.0f, 3.0f, 10.0f, InterpType::Linear);
    EXPECT_FLOAT_EQ(track.evaluate(2.0f), 5.0f);
    EXPECT_EQ(track.evaluate(0.5f), 0.0f);
    EXPECT_EQ(track.evaluate(4.0f), 10.0f);
    EXPECT_FLOAT_EQ(track.evaluate(1.5f), 2.5f);
    EXPECT_EQ(track.evaluate(3.0f), 10.0f);  // segment end belongs to the segment
}

TEST(KeyframeTrackEvaluate, StepAndTriggerHoldTheEarlierValueThroughTheSegmentEnd) {
    for (InterpType interp : {InterpType::Step, InterpType::Trigger}) {
        KeyframeTrack track = twoKeys(1.0f, 0.0f, 3.0f, 10.0f, interp);
        EXPECT_EQ(track.evaluate(2.9f), 0.0f);
        EXPECT_EQ(track.evaluate(3.0f), 0.0f);
        EXPECT_EQ(track.evaluate(3.001f), 10.0f);
    }
}

TEST(KeyframeTrackEvaluate, TheLaterKeyChoosesTheShape) {
    KeyframeTrack track("x");
    track.setKey(1.0f, 0.0f, InterpType::Step);  // the earlier key's interpolation is ignored
    track.setKey(3.0f, 1.0f, InterpType::EaseInQuad);
    EXPECT_FLOAT_EQ(track.evaluate(2.0f), 0.25f);
}

struct ShapeCase {
    InterpType interp;
    float u, expected;
};

TEST(KeyframeTrackEvaluate, EasingShapesOverTheUnitSegment) {
    // From 0 to 1 over [1, 3]: t = 1 + 2u.
    const ShapeCase cases[] = {
        {InterpType::Unchanged, 0.25f, 0.25f},
        {InterpType::EaseInQuad, 0.5f, 0.25f},
        {InterpType::EaseOutQuad, 0.5f, 0.75f},
        {InterpType::EaseOutQuad, 0.25f, 0.4375f},
        {InterpType::EaseInOutQuad, 0.25f, 0.125f},
        {InterpType::EaseInOutQuad, 0.5f, 0.5f},
        {InterpType::EaseInOutQuad, 0.75f, 0.875f},
        {InterpType::EaseInCubic, 0.5f, 0.125f},
        {InterpType::EaseOutCubic, 0.5f, 0.875f},
        {InterpType::EaseInOutCubic, 0.25f, 0.0625f},
        {InterpType::EaseInOutCubic, 0.5f, 0.5f},
        {InterpType::EaseInOutCubic, 0.75f, 0.9375f},
        {InterpType::EaseInOutCubic, 1.0f, 1.0f},
    };
    for (const ShapeCase& c : cases) {
        KeyframeTrack track = twoKeys(1.0f, 0.0f, 3.0f, 1.0f, c.interp);
        EXPECT_NEAR(track.evaluate(1.0f + 2.0f * c.u), c.expected, 1e-6f)
            << "interp " << static_cast<int>(c.interp) << " u " << c.u;
    }
}

TEST(KeyframeTrackEvaluate, KeysCloserThanTenMicrosecondsHoldTheEarlierValue) {
    KeyframeTrack track = twoKeys(1.0f, 4.0f, 1.000005f, 9.0f, InterpType::Linear);
    EXPECT_EQ(track.evaluate(1.000003f), 4.0f);
    EXPECT_EQ(track.evaluate(1.000005f), 4.0f);
}

TEST(KeyframeTrackCatmull, TwoKeysUseTheSegmentDifferenceAsBothTangents) {
    KeyframeTrack track = twoKeys(1.0f, 0.0f, 3.0f, 10.0f, InterpType::Catmull);
    EXPECT_FLOAT_EQ(track.evaluate(2.0f), 5.0f);
    // u = 0.25, m1 = m2 = 10: h00*0 + h10*10 + h01*10 + h11*10.
    float u = 0.25f;
    float expected = (u * u * u - 2 * u * u + u) * 10 + (3 * u * u - 2 * u * u * u) * 10 + (u * u * u - u * u) * 10;
    EXPECT_FLOAT_EQ(track.evaluate(1.5f), expected);
}

float hermite(float u, float p1, float m1, float p2, float m2) {
    float u2 = u * u, u3 = u2 * u;
    return (2 * u3 - 3 * u2 + 1) * p1 + (u3 - 2 * u2 + u) * m1 + (3 * u2 - 2 * u3) * p2 + (u3 - u2) * m2;
}

TEST(KeyframeTrackCatmull, ThreeAndFourKeysTakeTangentsFromTheNeighbours) {
    KeyframeTrack track("x");
    track.setKey(1.0f, 0.0f, InterpType::Linear);
    track.setKey(2.0f, 4.0f, InterpType::Catmull);
    track.setKey(4.0f, 2.0f, InterpType::Catmull);
    // Segment [2, 4] (dt 2), p0 = key at 1, p3 = key at 4 itself (last key).
    float m1 = (2.0f - 0.0f) / (4.0f - 1.0f) * 2.0f;
    float m2 = (2.0f - 4.0f) / (4.0f - 2.0f) * 2.0f;
    EXPECT_FLOAT_EQ(track.evaluate(3.0f), hermite(0.5f, 4.0f, m1, 2.0f, m2));
    // Segment [1, 2] (dt 1): p0 is the first key itself, p3 the key at 4.
    float n1 = (4.0f - 0.0f) / (2.0f - 1.0f) * 1.0f;
    float n2 = (2.0f - 0.0f) / (4.0f - 1.0f) * 1.0f;
    EXPECT_FLOAT_EQ(track.evaluate(1.25f), hermite(0.25f, 0.0f, n1, 4.0f, n2));

    track.setKey(6.0f, 8.0f, InterpType::Catmull);  // now [2, 4] has a real p3
    float k2 = (8.0f - 4.0f) / (6.0f - 2.0f) * 2.0f;
    EXPECT_FLOAT_EQ(track.evaluate(3.5f), hermite(0.75f, 4.0f, m1, 2.0f, k2));
}

TEST(KeyframeTrackKeys, SetKeyReplacesAtTheSameTimeAndInsertsInOrder) {
    KeyframeTrack track("x");
    track.setKey(2.0f, 1.0f, InterpType::Linear);
    track.setKey(1.0f, 5.0f, InterpType::Linear);
    track.setKey(2.0f, 3.0f, InterpType::Step);
    ASSERT_EQ(track.keys.size(), 2u);
    EXPECT_EQ(track.keys.begin()->first, 1.0f);
    EXPECT_EQ(track.keys.at(2.0f).value, 3.0f);
    EXPECT_EQ(track.keys.at(2.0f).interp, InterpType::Step);
}

TEST(KeyframeTrackKeys, RecordKeySkipsNearDuplicatesOfTheKeyBefore) {
    KeyframeTrack track("x");
    track.recordKey(1.0f, 2.0f);
    ASSERT_EQ(track.keys.size(), 1u);
    EXPECT_EQ(track.keys.at(1.0f).interp, InterpType::Catmull);
    track.recordKey(1.04f, 2.005f);  // within 0.05 s and 0.01: nothing
    EXPECT_EQ(track.keys.size(), 1u);
    track.recordKey(1.04f, 2.5f);  // value differs
    EXPECT_EQ(track.keys.size(), 2u);
    track.recordKey(0.5f, 2.0f);  // before every key: compared with the first key, 0.5 s away
    EXPECT_EQ(track.keys.size(), 3u);
}

TEST(KeyframeTrackKeys, ValueRangeRules) {
    KeyframeTrack enabled("enabled");
    enabled.minValue = -5;
    enabled.maxValue = 5;
    EXPECT_EQ(enabled.getValueRange(), std::make_pair(0.0f, 1.0f));

    KeyframeTrack track("x");
    EXPECT_EQ(track.getValueRange(), std::make_pair(0.0f, 50.0f));
    track.setKey(0.0f, 3.0f, InterpType::Linear);
    EXPECT_EQ(track.getValueRange(), std::make_pair(-22.0f, 28.0f));
    track.setKey(1.0f, -1.0f, InterpType::Linear);
    EXPECT_EQ(track.getValueRange(), std::make_pair(-1.0f, 3.0f));
    track.minValue = 0.5f;  // only one end set: still from the keys
    EXPECT_EQ(track.getValueRange(), std::make_pair(-1.0f, 3.0f));
    track.maxValue = 2.0f;
    EXPECT_EQ(track.getValueRange(), std::make_pair(0.5f, 2.0f));
}

TEST(KeyframeTrackUpdate, WritesTheBoundMemberWithoutMusic) {
    releaseMusic();
    KeyframeTrack track = twoKeys(1.0f, 0.0f, 3.0f, 10.0f, InterpType::Linear);
    track.audioSource = AudioLow;  // no music: no audio term
    float member = -1.0f;
    track.target = &member;
    track.update(2.0f);
    EXPECT_FLOAT_EQ(member, 5.0f);
    EXPECT_FLOAT_EQ(track.currentValue, 5.0f);
    KeyframeTrack empty("y");
    empty.target = &member;
    empty.update(1.0f);
    EXPECT_EQ(member, 0.0f);
}

TEST(KeyframeTrackAudio, BandSumsUseTheirBinsAndWeights) {
    float bins[256];
    for (int i = 0; i < 256; ++i) bins[i] = static_cast<float>(i);
    EXPECT_FLOAT_EQ(audioBandLevel(bins, AudioLow), (1 + 2 + 3) * 1.5f);
    EXPECT_FLOAT_EQ(audioBandLevel(bins, AudioMid), (5 + 19) * 15 / 2 * 1.5f);   // bin 4 in no band
    EXPECT_FLOAT_EQ(audioBandLevel(bins, AudioHigh), (20 + 99) * 80 / 2 * 2.0f);
    EXPECT_EQ(audioBandLevel(bins, 0), 0.0f);
    EXPECT_EQ(audioBandLevel(bins, 4), 0.0f);
}

// A 16-bit stereo PCM WAV of a 130 Hz (low band) + 1 kHz (mid band) tone, written byte by byte.
std::string writeToneWav(const TempDir& dir, float seconds) {
    const int rate = 44100, channels = 2;
    const int frames = static_cast<int>(seconds * rate);
    std::string data;
    for (int i = 0; i < frames; ++i) {
        float s = 0.4f * std::sin(2 * 3.14159265f * 130.0f * i / rate) + 0.4f * std::sin(2 * 3.14159265f * 1000.0f * i / rate);
        auto v = static_cast<std::int16_t>(s * 32767);
        for (int c = 0; c < channels; ++c) data.append(reinterpret_cast<const char*>(&v), 2);
    }
    auto le32 = [](std::uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
    auto le16 = [](std::uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); };
    std::string wav = "RIFF" + le32(36 + static_cast<std::uint32_t>(data.size())) + "WAVEfmt " + le32(16) + le16(1) +
                      le16(channels) + le32(rate) + le32(rate * channels * 2) + le16(channels * 2) + le16(16) +
                      "data" + le32(static_cast<std::uint32_t>(data.size())) + data;
    return dir.write("tone.wav", wav);
}

TEST(KeyframeTrackAudio, AddsTheWeightedBandLevelOfThePlayingChannel) {
    TempDir dir;
    audio::setOutputMode(audio::OutputMode::Manual);
    ASSERT_TRUE(loadMusic(writeToneWav(dir, 2.0f)));
    HCHANNEL channel = getMusicPlayer()->channel;
    ASSERT_TRUE(BASS_ChannelPlay(channel, 0));
    audio::setManualPosition(1.0);
    float bins[256];
    ASSERT_NE(BASS_ChannelGetData(channel, bins, BASS_DATA_FFT512), BASS_DATA_FAILED);
    float low = audioBandLevel(bins, AudioLow), mid = audioBandLevel(bins, AudioMid);
    ASSERT_GT(low, 0.1f);
    ASSERT_GT(mid, 0.1f);

    KeyframeTrack track("pos.x");
    track.setKey(0.0f, 2.0f, InterpType::Linear);
    track.audioSource = AudioLow;
    track.audioAmount = 0.5f;
    track.update(1.0f);
    EXPECT_FLOAT_EQ(track.currentValue, 2.0f + 0.5f * low);

    // With a child track its value is the weight.
    track.getAudioAmountTrack()->setKey(0.0f, -2.0f, InterpType::Linear);
    track.audioSource = AudioMid;
    track.update(1.0f);
    EXPECT_FLOAT_EQ(track.currentValue, 2.0f - 2.0f * mid);
    releaseMusic();
    audio::setOutputMode(audio::OutputMode::Silent);
}

TEST(KeyframeTrackAudio, TheChildIsNamedAfterItsParentAndStartsAtTheAmount) {
    KeyframeTrack track("scale");
    track.audioAmount = 0.7f;
    KeyframeTrack* child = track.getAudioAmountTrack();
    EXPECT_EQ(child->name, "scale AudioAmt");
    EXPECT_TRUE(child->isAudioAmountTrack);
    EXPECT_EQ(child->minValue, -2.0f);
    EXPECT_EQ(child->maxValue, 2.0f);
    ASSERT_EQ(child->keys.size(), 1u);
    EXPECT_FLOAT_EQ(child->keys.at(0.0f).value, 0.7f);
    EXPECT_EQ(track.getAudioAmountTrack(), child);
}

using nlohmann::json;

TEST(KeyframeTrackJson, WritesTheDocumentedObject) {
    KeyframeTrack track("enabled");
    track.snapToInteger = true;
    track.setKey(0.0f, 1.0f, InterpType::Step);
    track.setKey(2.5f, 0.0f, InterpType::Linear);
    json expected = json::parse(R"({
        "name": "enabled", "snapToInteger": true, "dataType": 0, "audioSource": 0, "audioAmount": 1.0,
        "keys": [[0, {"interp": "step", "time": 0, "value": 1}],
                 [2.5, {"interp": "linear", "time": 2.5, "value": 0}]]})");
    EXPECT_EQ(track.toJson(), expected);
    EXPECT_EQ(track.toJson().dump().substr(0, 16), R"({"audioAmount":1)");  // members sorted by key
}

TEST(KeyframeTrackJson, AnInterpolationOutsideTheTableIsWrittenAsLinear) {
    KeyframeTrack track("x");
    track.setKey(1.0f, 1.0f, static_cast<InterpType>(42));
    EXPECT_EQ(track.toJson()["keys"][0][1]["interp"], "linear");
}

TEST(KeyframeTrackJson, RoundTripKeepsEveryKeyAndTheAudioChild) {
    KeyframeTrack original("pos.y");
    const InterpType all[] = {InterpType::Linear, InterpType::Step, InterpType::Catmull, InterpType::Trigger,
                              InterpType::Unchanged, InterpType::EaseInQuad, InterpType::EaseOutQuad,
                              InterpType::EaseInOutQuad, InterpType::EaseInCubic, InterpType::EaseOutCubic,
                              InterpType::EaseInOutCubic};
    for (int i = 0; i < 11; ++i) original.setKey(0.25f * i, 1.5f * i - 3.0f, all[i]);
    original.audioSource = AudioHigh;
    original.getAudioAmountTrack()->setKey(4.0f, 1.25f, InterpType::EaseOutCubic);

    KeyframeTrack copy("pos.y");
    copy.setKey(0.0f, 99.0f, InterpType::Linear);  // a default key the file replaces
    copy.fromJson(json::parse(original.toJson().dump()));
    EXPECT_EQ(copy.toJson(), original.toJson());
    ASSERT_EQ(copy.keys.size(), 11u);
    EXPECT_EQ(copy.keys.at(0.5f).interp, InterpType::Catmull);
    ASSERT_TRUE(copy.audioTrack);
    EXPECT_EQ(copy.audioTrack->keys.size(), 2u);
    EXPECT_EQ(copy.audioSource, AudioHigh);
}

TEST(KeyframeTrackJson, ReadingDefaultsAndTheImplicitChild) {
    KeyframeTrack plain("a");
    plain.setKey(0.0f, 5.0f, InterpType::Linear);
    plain.fromJson(json::object());
    EXPECT_EQ(plain.keys.size(), 1u);  // no "keys": the default key stays
    EXPECT_FALSE(plain.audioTrack);
    EXPECT_EQ(plain.toJson()["audioAmount"], 1.0);

    KeyframeTrack reactive("b");
    reactive.fromJson(json::parse(R"({"audioSource": 1, "audioAmount": 0.5})"));
    ASSERT_TRUE(reactive.audioTrack);
    EXPECT_EQ(reactive.audioTrack->name, "b AudioAmt");
    ASSERT_EQ(reactive.audioTrack->keys.size(), 1u);
    EXPECT_EQ(reactive.audioTrack->keys.at(0.0f).value, 0.5f);
    EXPECT_FALSE(reactive.toJson().contains("audioAmount"));

    KeyframeTrack emptied("c");
    emptied.setKey(0.0f, 5.0f, InterpType::Linear);
    emptied.fromJson(json::parse(R"({"keys": []})"));
    EXPECT_TRUE(emptied.keys.empty());
}

TEST(KeyframeTrackJson, KeyDefaultsUnknownNamesAndTheFirstOfEqualTimesWins) {
    KeyframeTrack track("x");
    track.fromJson(json::parse(R"({"keys": [[1, {"value": 3, "interp": "wobble"}], [1, {"value": 4}],
                                             [2, {}]]})"));
    ASSERT_EQ(track.keys.size(), 2u);
    EXPECT_EQ(track.keys.at(1.0f).value, 3.0f);
    EXPECT_EQ(track.keys.at(1.0f).time, 0.0f);  // "time" absent: 0, the map key stays 1
    EXPECT_EQ(track.keys.at(1.0f).interp, InterpType::Linear);
    EXPECT_EQ(track.keys.at(2.0f).value, 0.0f);
}

TEST(KeyframeTrackJson, WrongTypesRaiseTheLibrarysTypeErrors) {
    const char* bad[] = {R"("a string")", R"({"audioSource": "low"})", R"({"keys": {"a": 1}})",
                         R"({"keys": [5]})", R"({"keys": [[1]]})", R"({"keys": [["t", {}]]})",
                         R"({"keys": [[1, 2]]})", R"({"keys": [[1, {"value": "big"}]]})"};
    for (const char* text : bad) {
        KeyframeTrack track("x");
        EXPECT_THROW(track.fromJson(json::parse(text)), json::exception) << text;
    }
}

}  // namespace
