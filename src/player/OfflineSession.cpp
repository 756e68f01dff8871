// OfflineSession: headless start-up, manual audio clock, one runFrame per requested time.
#include "player/OfflineSession.h"

#include <filesystem>
#include <system_error>

#include "audio/Bass.h"
#include "audio/MusicPlayer.h"
#include "base/Logger.h"
#include "base/Platform.h"
#include "core/ProjectGlobals.h"
#include "core/TextureManager.h"
#include "player/FrameLoop.h"
#include "player/LoadingPhase.h"
#include "player/Player.h"

OfflineSession::OfflineSession() : window_(gl_) {}

OfflineSession::~OfflineSession() { close(); }

bool OfflineSession::open(const std::string& root, int width, int height) {
    namespace fs = std::filesystem;
    close();
    std::error_code fsError;
    const fs::path folder = fs::absolute(root, fsError);
    if (fsError || !fs::is_directory(folder, fsError)) {
        error_ = "demo folder '" + root + "' does not exist";
        return false;
    }
    previousDirectory_ = fs::current_path(fsError).string();
    fs::current_path(folder, fsError);
    if (fsError) {
        error_ = "cannot enter the demo folder '" + root + "': " + fsError.message();
        return false;
    }
    setProgramDirectoryOverride(folder.lexically_normal().string());
    open_ = true;

    Logger::instance().open("log_player.txt", false);
    if (!gl_.create(width, height)) {
        error_ = "cannot create a headless OpenGL context: " + gl_.error();
        close();
        return false;
    }
    audio::setOutputMode(audio::OutputMode::Manual);
    audio::setManualPosition(0.0);
    resetProjectGlobals();
    setRunGlState();
    showBlackFrame(window_);
    if (!runLoadingPhase()) {
        error_ = "the demo could not be loaded";
        close();
        return false;
    }
    music_ = hasMusic() ? fileIdentity(musicFile()) : FileIdentity{};
    return true;
}

void OfflineSession::close() {
    if (!open_) return;
    shutdownPlayer();
    TextureManager::instance().clear();  // a later session has a new context without these names
    BASS_Free();  // a failed music load leaves the output initialised; the next session starts clean
    gl_.destroy();
    std::error_code fsError;
    if (!previousDirectory_.empty()) std::filesystem::current_path(previousDirectory_, fsError);
    setProgramDirectoryOverride("");
    open_ = false;
}

bool OfflineSession::hasMusic() const {
    MusicPlayer* player = getMusicPlayer();
    return player && player->channel != 0;
}

double OfflineSession::musicLengthSeconds() const {
    if (!hasMusic()) return 0.0;
    const HCHANNEL channel = getMusicPlayer()->channel;
    const QWORD bytes = BASS_ChannelGetLength(channel, BASS_POS_BYTE);
    if (bytes == BASS_POSITION_FAILED) return 0.0;
    return BASS_ChannelBytes2Seconds(channel, bytes);
}

std::string OfflineSession::musicFile() const { return hasMusic() ? getMusicPlayer()->filePath : ""; }

bool OfflineSession::musicUnchanged(std::string& error) const {
    if (!hasMusic()) return true;
    const FileIdentity now = fileIdentity(musicFile());
    if (now == music_ && !audio::sourceChanged(getMusicPlayer()->channel)) return true;
    error = "the music file '" + musicFile() + "' changed while rendering (" + describeChange(music_, now) +
            "); the frames no longer match it";
    return false;
}

const std::vector<std::uint8_t>& OfflineSession::renderFrame(float t) {
    audio::setManualPosition(t);
    clock_.time = t;
    runFrame(window_, nullptr, clock_);
    gl_.readPixelsRgbTopDown(frame_, readBack_);
    return frame_;
}
