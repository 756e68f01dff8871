// runPlayer: the player's start-up, message loop and shutdown, in the player's fixed order.
#include "player/Player.h"

#include <GL/gl.h>

#include "audio/Bass.h"
#include "audio/MusicPlayer.h"
#include "base/CrashTrace.h"
#include "base/Logger.h"
#include "base/Platform.h"
#include "core/EffectManager.h"
#include "platform/SdlWindow.h"
#include "player/FrameClock.h"
#include "player/FrameLoop.h"
#include "player/FramePacer.h"
#include "player/LoadingPhase.h"

void setRunGlState() {
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
}

void shutdownPlayer() {
    releaseMusic();
    Logger::instance().close();
    // The effects would otherwise be deleted at process exit, after the context is gone; their
    // destructors free GL objects, so they go while it is still current.
    EffectManager::instance().replaceList({});
}

bool reportChangedMusic() {
    MusicPlayer* music = getMusicPlayer();
    if (!music || music->channel == 0 || !audio::sourceChanged(music->channel)) return true;
    showMessageBox("The music file changed while playing.\nFile: '" + music->filePath + "'", "Error",
                   MessageIcon::Error);
    return false;
}

int runPlayer() {
    SystemPacingClock steadyClock;
    FramePacer pacer(steadyClock);  // the first slot starts with the program

    Logger::instance().open("log_player.txt", false);

    SdlWindow window;
    if (!window.create()) {
        showMessageBox("Cannot open the demo window: " + window.error(), "Error", MessageIcon::Error);
        return -1;
    }
    window.installMessageBoxes();
    CrashTrace::setKeySource([&window] { return window.takeTraceKeyPress(); });

    setRunGlState();
    showBlackFrame(window);

    int exitCode = 0;
    if (runLoadingPhase()) {
        CurrentMusicChannel channel;
        MusicClock clock(channel);
        runMessageLoop(window, pacer, clock);
        if (!reportChangedMusic()) exitCode = -1;
    } else {
        exitCode = -1;
    }

    shutdownPlayer();
    CrashTrace::setKeySource(nullptr);
    return exitCode;
}
