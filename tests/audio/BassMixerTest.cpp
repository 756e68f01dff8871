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
using audio::Voice;

constexpr std::int64_t kMs = 1000000;  // nanoseconds

// PCM data of which only the first `decoded` frames are ready (all of them by default).
std::unique_ptr<audio::PcmBuffer> pcmOf(const std::vector<std::int16_t>& samples, int channels, int rate,
                                        std::uint64_t decoded = ~0ull) {
    const std::uint64_t frames = samples.size() / channels;
    auto pcm = audio::PcmBuffer::create({rate, channels, frames});
    std::copy(samples.begin(), samples.end(), pcm->frame(0));
    pcm->publish(std::min(decoded, frames));
    if (decoded >= frames) pcm->finish();
    return pcm;
}

void start(Voice& voice) { voice.generation.fetch_add(1); }

TEST(BassMixerTest, MixesScaledResampledAndClippedSamples) {
    auto mono = pcmOf({-800, -700, -600, -500}, 1, 44100);
    auto ramp = pcmOf({0, 0, 1000, -1000, 2000, -2000, 3000, -3000}, 2, 22050);  // stereo at half rate
    auto loud = pcmOf(std::vector<std::int16_t>(100, 30000), 1, 44100, 50);      // half decoded
    Voice quiet(*mono), resampled(*ramp), first(*loud), second(*loud);
    quiet.volume = 0.5f;
    Mixer mixer(44100);
    std::vector<float> out(2 * 100, 7.0f);
    for (Voice* voice : {&quiet, &resampled}) ASSERT_TRUE(mixer.attach(*voice));
    mixer.render(out.data(), 4, 0);
    EXPECT_EQ(out[0], 0.0f) << "attached but not started";
    for (Voice* voice : {&quiet, &resampled}) start(*voice);
    mixer.render(out.data(), 4, kMs);
    for (int i = 0; i < 4; ++i) {  // mono to both sides at half volume, plus the interpolated ramp
        EXPECT_FLOAT_EQ(out[2 * i], ((i * 100 - 800) * 0.5f + i * 500) / 32768) << i;
        EXPECT_FLOAT_EQ(out[2 * i + 1], ((i * 100 - 800) * 0.5f - i * 500) / 32768) << i;
    }
    mixer.detach(quiet);
    mixer.detach(resampled);
    mixer.render(out.data(), 4, 2 * kMs);
    EXPECT_EQ(out[2], 0.0f) << "detached";
    EXPECT_EQ(resampled.cursorFrame, 2u);

    for (Voice* voice : {&first, &second}) {
        ASSERT_TRUE(mixer.attach(*voice));
        start(*voice);
    }
    mixer.render(out.data(), 100, 3 * kMs);
    EXPECT_EQ(out[0], 1.0f) << "two voices of 0.92 clip at 1";
    EXPECT_EQ(out[2 * 50], 0.0f) << "frames not yet decoded play as silence";
    EXPECT_EQ(mixer.audibleFrame(first, 20 * kMs), 100) << "the cursor still moves on";
}

TEST(BassMixerTest, AudiblePositionIsBlockStartPlusElapsedTimeCappedAtTheBlockEnd) {
    auto pcm = pcmOf(std::vector<std::int16_t>(1500, 8192), 1, 48000);
    Voice voice(*pcm);
    Mixer mixer(44100);
    ASSERT_TRUE(mixer.attach(voice));
    EXPECT_EQ(mixer.audibleFrame(voice, 0), 0);
    start(voice);
    std::vector<float> out(2 * 1024);
    mixer.render(out.data(), 441, 100 * kMs);  // 441 device frames = 480 source frames
    EXPECT_EQ(mixer.audibleFrame(voice, 100 * kMs), 0);
    EXPECT_EQ(mixer.audibleFrame(voice, 105 * kMs), 240);
    EXPECT_EQ(mixer.audibleFrame(voice, 90 * kMs), 0) << "a query older than the callback";
    EXPECT_EQ(mixer.audibleFrame(voice, 900 * kMs), 480) << "never ahead of what was delivered";
    mixer.render(out.data(), 1024, 110 * kMs);
    EXPECT_EQ(mixer.audibleFrame(voice, 112 * kMs), 480 + 96);
    EXPECT_EQ(mixer.audibleFrame(voice, 200 * kMs), 1500) << "stops at the end";
    EXPECT_EQ(out[0], 0.25f);
    EXPECT_EQ(out[2 * 1023], 0.0f) << "past the end";

    start(voice);  // again from the beginning
    EXPECT_EQ(mixer.audibleFrame(voice, 300 * kMs), 0) << "until the callback picks the restart up";
    mixer.render(out.data(), 441, 300 * kMs);
    EXPECT_EQ(mixer.audibleFrame(voice, 305 * kMs), 240);
}

TEST(BassMixerTest, SlotsRunOutAndDetachFreesOne) {
    auto pcm = pcmOf({0}, 1, 44100);
    std::vector<std::unique_ptr<Voice>> voices;
    Mixer mixer(44100);
    for (int i = 0; i <= Mixer::kMaxVoices; ++i) {
        voices.push_back(std::make_unique<Voice>(*pcm));
        EXPECT_EQ(mixer.attach(*voices.back()), i < Mixer::kMaxVoices) << i;
    }
    mixer.detach(*voices.front());
    EXPECT_TRUE(mixer.attach(*voices.back()));
}

}  // namespace
