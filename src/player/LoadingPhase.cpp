// runLoadingPhase: registration, project, music fallback, playback.
#include "player/LoadingPhase.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "audio/Bass.h"
#include "audio/MusicPlayer.h"
#include "base/Platform.h"
#include "core/EffectManager.h"
#include "core/ProjectGlobals.h"
#include "core/ProjectLoader.h"
#include "effects/RegisterEffects.h"

namespace {
bool musicPlayable() {
    MusicPlayer* player = getMusicPlayer();
    return player && player->channel != 0;
}
}  // namespace

std::string findMusicInFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::is_directory(folder, error)) return "";
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        entries.push_back(it->path());
    }
    // Directory order differs between file systems; name order makes the choice repeatable.
    std::sort(entries.begin(), entries.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
    for (const fs::path& entry : entries) {
        const fs::path extension = entry.extension();
        if (extension == ".wav" || extension == ".mp3") return entry.string();
    }
    return "";
}

void startMusicPlayback() {
    MusicPlayer* player = getMusicPlayer();
    if (!player || player->channel == 0) return;
    BASS_ChannelSetAttribute(player->channel, BASS_ATTRIB_VOL, player->muted ? 0.0f : player->volume);
    BASS_ChannelPlay(player->channel, 0);
}

bool runLoadingPhase() {
    registerAllEffects();

    EffectList effects;
    std::vector<bool> collapsed;  // the authoring tool's folding state; unused here
    if (!loadProject(kProjectFile, effects, collapsed)) {
        showMessageBox("Failed to load Data/demo.json", "Error", MessageIcon::Error);
        return false;
    }
    EffectManager::instance().replaceList(std::move(effects));

    if (!musicPlayable()) {
        std::string candidate = musicPath;
        if (candidate.empty()) candidate = findMusicInFolder(kMusicFolder);
        if (candidate.empty()) {
            showMessageBox("Fant ingen musikkfil i Data/Music/! Starter demo uten lyd.", "Advarsel",
                           MessageIcon::Warning);
        } else if (!loadMusic(candidate)) {
            showMessageBox("Failed to load music.\nPath tried: '" + candidate + "'", "Error", MessageIcon::Error);
            return false;
        }
    }
    startMusicPlayback();
    return true;
}
