// The device output's mixer without a device: exact mixed sample values (volume, linear
// resampling, clipping, undecoded frames as silence) and the audible position it reports for
// given callback times (block start plus elapsed time, capped at what was delivered).
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "audio/Mixer.h"
#include "audio/PcmBuffer.h"
#include "audio/Voice.h"

namespace {

using audio::Mixer;
using audio::PcmBuffer;
using audio::Voice;

constexpr std::int64_t kMs = 1000000;  // nanoseconds

std::unique_ptr<PcmBuffer> pcmOf(const std::vector<std::int16_t>& samples, int channels, int rate,
                                 std::uint64_t decoded = ~std::uint64_t{0}) {
    const std::uint64_t frames = samples.size() / static_cast<std::size_t>(channels);
    auto pcm = PcmBuffer::create({rate, channels, frames});
    std::copy(samples.begin(), samples.end(), pcm->frame(0));
    if (decoded < frames) {
        pcm->publish(decoded);
    } else {
        pcm->publish(frames);
        pcm->finish();
    }
    return pcm;
}

void start(Voice& voice) { voice.generation.fetch_add(1); }

TEST(BassMixerTest, SameRateMixCopiesSamplesScaledByVolume) {
    std::vector<std::int16_t> samples;
    for (int i = 0; i < 16; ++i) samples.push_back(static_cast<std::int16_t>(i * 100 - 800));
    auto pcm = pcmOf(samples, 1, 44100);
    Voice voice(*pcm);
    voice.volume = 0.5f;
    Mixer mixer(44100);
    ASSERT_TRUE(mixer.attach(voice));
    start(voice);
    std::vector<float> out(2 * 8);
    mixer.render(out.data(), 8, 0);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(out[2 * i], (i * 100 - 800) * 0.5f / 32768) << i;
        EXPECT_EQ(out[2 * i + 1], out[2 * i]) << "mono goes to both sides";
    }
}

TEST(BassMixerTest, UpsamplingInterpolatesLinearly) {
    std::vector<std::int16_t> samples;  // stereo: left rises by 1000 a frame, right falls
    for (int i = 0; i < 8; ++i) {
        samples.push_back(static_cast<std::int16_t>(i * 1000));
        samples.push_back(static_cast<std::int16_t>(-i * 1000));
    }
    auto pcm = pcmOf(samples, 2, 22050);
    Voice voice(*pcm);
    Mixer mixer(44100);
    ASSERT_TRUE(mixer.attach(voice));
    start(voice);
    std::vector<float> out(2 * 10);
    mixer.render(out.data(), 10, 0);
    for (int i = 0; i < 10; ++i) {
        const float left = static_cast<float>(i * 500) / 32768;
        EXPECT_FLOAT_EQ(out[2 * i], left) << i;
        EXPECT_FLOAT_EQ(out[2 * i + 1], -left) << i;
    }
}

TEST(BassMixerTest, PositionIsBlockStartPlusElapsedTimeCappedAtBlockEnd) {
    auto pcm = pcmOf(std::vector<std::int16_t>(48000, 1000), 1, 48000);
    Voice voice(*pcm);
    Mixer mixer(44100);
    ASSERT_TRUE(mixer.attach(voice));
    EXPECT_EQ(mixer.audibleFrame(voice, 0), 0);
    start(voice);
    std::vector<float> out(2 * 441);
    mixer.render(out.data(), 441, 100 * kMs);  // 441 device frames = 480 source frames
    EXPECT_EQ(mixer.audibleFrame(voice, 100 * kMs), 0);
    EXPECT_EQ(mixer.audibleFrame(voice, 105 * kMs), 240);
    EXPECT_EQ(mixer.audibleFrame(voice, 90 * kMs), 0) << "a query older than the callback";
    EXPECT_EQ(mixer.audibleFrame(voice, 900 * kMs), 480) << "never ahead of what was delivered";
    mixer.render(out.data(), 441, 110 * kMs);
    EXPECT_EQ(mixer.audibleFrame(voice, 110 * kMs), 480);
    EXPECT_EQ(mixer.audibleFrame(voice, 112 * kMs), 480 + 96);
}

TEST(BassMixerTest, VoiceStopsAtItsEndAndReportsTheLength) {
    auto pcm = pcmOf(std::vector<std::int16_t>(1500, 8192), 1, 44100);
    Voice voice(*pcm);
    Mixer mixer(44100);
    ASSERT_TRUE(mixer.attach(voice));
    start(voice);
    std::vector<float> out(2 * 1024);
    mixer.render(out.data(), 1024, 0);
    mixer.render(out.data(), 1024, 23 * kMs);
    EXPECT_EQ(out[2 * 475], 0.25f) << "last frame";
    EXPECT_EQ(out[2 * 476], 0.0f) << "past the end";
    EXPECT_EQ(out[2 * 1023], 0.0f);
    EXPECT_EQ(mixer.audibleFrame(voice, 23 * kMs), 1024);
    EXPECT_EQ(mixer.audibleFrame(voice, 30 * kMs), 1024 + 308);
    EXPECT_EQ(mixer.audibleFrame(voice, 60 * kMs), 1500);
    mixer.render(out.data(), 1024, 46 * kMs);
    EXPECT_EQ(mixer.audibleFrame(voice, 46 * kMs), 1500);
}

TEST(BassMixerTest, FramesNotYetDecodedPlayAsSilence) {
    auto pcm = pcmOf(std::vector<std::int16_t>(100, 16384), 1, 44100, 50);
    Voice voice(*pcm);
    Mixer mixer(44100);
    ASSERT_TRUE(mixer.attach(voice));
    start(voice);
    std::vector<float> out(2 * 100);
    mixer.render(out.data(), 100, 0);
    EXPECT_EQ(out[2 * 49], 0.5f);
    EXPECT_EQ(out[2 * 50], 0.0f);
    EXPECT_EQ(out[2 * 99], 0.0f);
    EXPECT_EQ(mixer.audibleFrame(voice, 10 * kMs), 100) << "the cursor still moves on";
}

TEST(BassMixerTest, RestartBeginsAgainAndSumsAreClipped) {
    auto loud = pcmOf(std::vector<std::int16_t>(4096, 30000), 1, 44100);
    Voice first(*loud);
    Voice second(*loud);
    Mixer mixer(44100);
    ASSERT_TRUE(mixer.attach(first));
    ASSERT_TRUE(mixer.attach(second));
    start(first);
    std::vector<float> out(2 * 512);
    mixer.render(out.data(), 512, 0);
    EXPECT_EQ(out[0], 30000.0f / 32768);
    EXPECT_EQ(mixer.audibleFrame(first, 5 * kMs), 220);
    start(second);
    start(first);  // again from the beginning
    EXPECT_EQ(mixer.audibleFrame(first, 6 * kMs), 0) << "until the callback picks the restart up";
    mixer.render(out.data(), 512, 11 * kMs);
    EXPECT_EQ(out[0], 1.0f) << "two voices of 0.92 clip at 1";
    EXPECT_EQ(mixer.audibleFrame(first, 11 * kMs), 0);
    EXPECT_EQ(mixer.audibleFrame(second, 11 * kMs), 0);
}

TEST(BassMixerTest, DetachedAndUnstartedVoicesAreSilent) {
    auto pcm = pcmOf(std::vector<std::int16_t>(1024, 30000), 1, 44100);
    Voice voice(*pcm);
    Mixer mixer(44100);
    ASSERT_TRUE(mixer.attach(voice));
    std::vector<float> out(2 * 64, 7.0f);
    mixer.render(out.data(), 64, 0);
    EXPECT_EQ(out[0], 0.0f) << "not started";
    start(voice);
    mixer.detach(voice);
    mixer.render(out.data(), 64, kMs);
    EXPECT_EQ(out[0], 0.0f) << "detached";
    EXPECT_EQ(voice.cursorFrame, 0u);
}

TEST(BassMixerTest, SlotsRunOut) {
    auto pcm = pcmOf(std::vector<std::int16_t>(16, 0), 1, 44100);
    std::vector<std::unique_ptr<Voice>> voices;
    Mixer mixer(44100);
    for (int i = 0; i < Mixer::kMaxVoices; ++i) {
        voices.push_back(std::make_unique<Voice>(*pcm));
        EXPECT_TRUE(mixer.attach(*voices.back()));
    }
    Voice extra(*pcm);
    EXPECT_FALSE(mixer.attach(extra));
    mixer.detach(*voices.front());
    EXPECT_TRUE(mixer.attach(extra));
}

}  // namespace
