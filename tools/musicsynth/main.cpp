// musicsynth: writes the bundled demo's soundtrack as a 44.1 kHz stereo 16-bit WAV file.
//   musicsynth OUT.wav [--seconds S]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Synth.h"

int main(int argc, char** argv) {
    std::string out;
    double seconds = musicsynth::kDefaultSeconds;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            char* end = nullptr;
            seconds = std::strtod(argv[++i], &end);
            if (*end != '\0' || !(seconds > 0.0) || seconds > 3600.0) {
                std::fprintf(stderr, "musicsynth: --seconds wants a length between 0 and 3600, got '%s'\n", argv[i]);
                return 2;
            }
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("usage: musicsynth OUT.wav [--seconds S]   (default %.0f s, 44.1 kHz stereo 16-bit)\n",
                        musicsynth::kDefaultSeconds);
            return 0;
        } else if (out.empty() && argv[i][0] != '-') {
            out = argv[i];
        } else {
            std::fprintf(stderr, "musicsynth: unexpected argument '%s' (see --help)\n", argv[i]);
            return 2;
        }
    }
    if (out.empty()) {
        std::fprintf(stderr, "usage: musicsynth OUT.wav [--seconds S]\n");
        return 2;
    }
    if (!musicsynth::writeWav(out, musicsynth::renderSoundtrack(seconds), 2, musicsynth::kSampleRate)) {
        std::fprintf(stderr, "musicsynth: cannot write '%s'\n", out.c_str());
        return 1;
    }
    return 0;
}
