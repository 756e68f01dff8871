// MusicClock and the audio-library view of the current music channel.
#include "player/FrameClock.h"

#include "audio/Bass.h"
#include "audio/MusicPlayer.h"

namespace {
HCHANNEL currentChannel() {
    MusicPlayer* player = getMusicPlayer();
    return player ? player->channel : 0;
}
}  // namespace

bool CurrentMusicChannel::playable() const { return currentChannel() != 0; }

std::optional<double> CurrentMusicChannel::positionSeconds() {
    const HCHANNEL channel = currentChannel();
    const QWORD bytes = BASS_ChannelGetPosition(channel, BASS_POS_BYTE);
    if (bytes == BASS_POSITION_FAILED) return std::nullopt;
    const double seconds = BASS_ChannelBytes2Seconds(channel, bytes);
    if (seconds < 0.0) return std::nullopt;
    return seconds;
}

bool CurrentMusicChannel::isPlaying() { return BASS_ChannelIsActive(currentChannel()) == BASS_ACTIVE_PLAYING; }

FrameTime MusicClock::frameTime() {
    if (!channel_.playable()) return {0.0f, true};
    // A failed query leaves the time where it was rather than jumping to a bogus position.
    if (std::optional<double> position = channel_.positionSeconds()) {
        const float p = static_cast<float>(*position);
        if (p > maxMusicTime_) maxMusicTime_ = p;
    }
    const float t = maxMusicTime_;
    if (t > kEndRuleStart && !channel_.isPlaying()) return {t, false};
    return {t, true};
}
