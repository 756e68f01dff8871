// Where started voices go and what tells their audible position: the SDL2 device (through the
// Mixer), a silent steady clock, or the manual clock of offline rendering. All calls come from
// the main thread. Does not decode, and does not decide activity (Bass.cpp does, from positions).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Voice.h"

namespace audio {

class Output {
public:
    virtual ~Output() = default;
    // Makes the voice known to the output; false when it cannot take more voices.
    virtual bool attach(Voice& voice) = 0;
    // Returns once the output no longer uses the voice.
    virtual void detach(Voice& voice) = 0;
    // Plays the voice from its beginning.
    virtual void start(Voice& voice) = 0;
    // Audible source frame of a started voice. The manual clock may answer below 0 or past the
    // end; the others stay within [0, length] and never go backwards.
    virtual std::int64_t audibleFrame(Voice& voice) = 0;
    virtual const char* name() const = 0;
};

// Null with `error` set when SDL has no audio driver or no device opens.
std::unique_ptr<Output> openDeviceOutput(int rate, std::string& error);
std::unique_ptr<Output> makeSilentOutput();
std::unique_ptr<Output> makeManualOutput();

// The time set by setManualPosition (Bass.h), read by the manual clock.
double manualPositionSeconds();

// Steady-clock time in nanoseconds, the time base of every position.
std::int64_t steadyNowNs();

}  // namespace audio
