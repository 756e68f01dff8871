// The output chosen for the next BASS_Init and the manual clock's time. Until a mode is chosen
// explicitly, DEMO_AUDIO=null in the environment means Silent (CI sets it), anything else Device.
// Main thread only, like every call into the audio library.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "Bass.h"
#include "Output.h"

namespace audio {

namespace {
std::optional<OutputMode> chosenMode;
double manualSeconds = 0.0;
}  // namespace

void setOutputMode(OutputMode mode) { chosenMode = mode; }

OutputMode outputMode() {
    if (chosenMode) return *chosenMode;
    const char* value = std::getenv("DEMO_AUDIO");
    return value && std::strcmp(value, "null") == 0 ? OutputMode::Silent : OutputMode::Device;
}

void setManualPosition(double seconds) { manualSeconds = std::isfinite(seconds) ? seconds : 0.0; }

double manualPositionSeconds() { return manualSeconds; }

}  // namespace audio
