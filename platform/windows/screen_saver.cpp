#include "platform/screen_saver.h"

#include <windows.h>

#include <cstdlib>

// Thread-wide on Windows: the hold is taken and let go on the main thread.
static struct {
    bool held = false;
    bool releasedAtExit = false;
} hold;

void holdScreenSaver() {
    if (hold.held)
        return;
    // Neither the screen saver nor display sleep while the show plays, as
    // video players do; the machine stays awake too.
    hold.held =
        SetThreadExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED | ES_SYSTEM_REQUIRED) != 0;
    if (!hold.releasedAtExit)
        std::atexit(releaseScreenSaver);
    hold.releasedAtExit = true;
}

void releaseScreenSaver() {
    if (!hold.held)
        return;
    SetThreadExecutionState(ES_CONTINUOUS);
    hold.held = false;
}
