// fuzz_audio: an 81-byte WAV whose LIST chunk claims more bytes than the file holds kept libsndfile
// in sf_open for minutes. It is refused at once; a chunk running past the end after the audio data
// (which libsndfile reads fine) does not stop a file from loading.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>

#include "audio/Bass.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"

namespace {

TEST(AudioFaults, AWavChunkRunningPastTheEndBeforeTheDataIsRefusedAtOnce) {
    TempDir dir;
    audio::setOutputMode(audio::OutputMode::Manual);
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    const std::string found(
        "RIFF\x86\x06\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x80\x3e\x00\x00\x2c\x00\x10\x00"
        "LIST\x40\x00\x00\x00INFOISFT\x0e\x00\x00\x00Lavf59.27.100\x00"
        "datA\xf8\xff\xff\xff\x05\x59\x06",
        81);
    const std::string path = dir.write("found.wav", found);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(BASS_SampleLoad(0, path.c_str(), 0, 0, 1, 0), 0u);
    EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_PRESCAN), 0u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    ASSERT_TRUE(writeTestWav(dir.file("tail.wav"), 0.5));
    std::ofstream(dir.file("tail.wav"), std::ios::app | std::ios::binary) << std::string("LIST\xe8\x03\x00\x00INFO", 12);
    const HSAMPLE sample = BASS_SampleLoad(0, dir.file("tail.wav").c_str(), 0, 0, 1, 0);
    EXPECT_NE(sample, 0u);
    BASS_SampleFree(sample);
    BASS_Free();
}

}  // namespace
