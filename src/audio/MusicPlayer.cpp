// MusicPlayer: loads the demo's music through the BASS_ calls (a ".wav" by its lower-cased
// extension as a sample, anything else as a pre-scanned stream) and owns the process-wide
// current player. Logs and shows a message box when the output cannot start; it does not retry,
// and a failed load leaves the output initialised (so the next player meets BASS_Init failing).
#include "MusicPlayer.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <memory>

#include "base/Logger.h"
#include "base/Platform.h"

namespace {

std::unique_ptr<MusicPlayer> current;

// The text after the last '.', or the whole path when it has none, lower-cased.
std::string lowerExtension(const std::string& path) {
    const auto dot = path.rfind('.');
    std::string extension = dot == std::string::npos ? path : path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

}  // namespace

MusicPlayer::MusicPlayer(const std::string& path) : filePath(path) {
    logLine("Initializing MusicPlayer with file: ", path);
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
        logLine("ERROR: BASS_Init failed.");
        showMessageBox("BASS_Init failed", "Music Error", MessageIcon::Error);
        return;
    }
    if (lowerExtension(path) == "wav") {
        sample = BASS_SampleLoad(0, path.c_str(), 0, 0, 1, 0);
        if (sample) channel = BASS_SampleGetChannel(sample, 0);
    } else {
        stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_STREAM_PRESCAN);
        channel = stream;
    }
    if (!channel) logLine("ERROR: Failed to load audio: ", path);
}

MusicPlayer::~MusicPlayer() {
    if (sample) BASS_SampleFree(sample);
    if (stream) BASS_StreamFree(stream);
    if (sample || stream) BASS_Free();
}

MusicPlayer* getMusicPlayer() { return current.get(); }

bool loadMusic(const std::string& path) {
    current.reset();
    try {
        current = std::make_unique<MusicPlayer>(path);
    } catch (const std::exception& e) {
        logLine("ERROR: Failed to load audio: ", path, " (", e.what(), ")");
        return false;
    }
    return current->channel != 0;
}

void releaseMusic() { current.reset(); }
