#include "platform/display_mode.h"

#include "platform/glut/window_close.h"

#include <GL/glut.h>

#include <cstdlib>

static const char* const demoName = "Marea de Neon";

// Whether the swap interval of 1 asked for at start-up is in force; written
// once by requestVerticalSync.
static bool verticalSync = false;

template <typename Function> static Function wglFunction(const char* name) {
    // Through the one function type GCC lets any other be cast to.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(wglGetProcAddress(name)));
}

// True when the driver confirms the interval.
static bool requestVerticalSync() {
    auto set = wglFunction<BOOL(WINAPI*)(int)>("wglSwapIntervalEXT");
    auto get = wglFunction<int(WINAPI*)()>("wglGetSwapIntervalEXT");
    return set && get && set(1) && get() == 1;
}

// The refresh rate of the monitor showing the window, in Hz; 0 when it
// cannot be told (Windows gives 0 or 1 for the hardware's default).
static int refreshRate() {
    if (glutGameModeGet(GLUT_GAME_MODE_ACTIVE)) {
        const int rate = glutGameModeGet(GLUT_GAME_MODE_REFRESH_RATE);
        if (rate > 1)
            return rate;
    }
    HWND window = WindowFromDC(wglGetCurrentDC());
    MONITORINFOEXA monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!window || !GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        return 0;
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(monitor.szDevice, ENUM_CURRENT_SETTINGS, &mode))
        return 0;
    return mode.dmDisplayFrequency > 1 ? int(mode.dmDisplayFrequency) : 0;
}

bool verticalSyncAt60Hz() {
    const int rate = refreshRate();
    return verticalSync && rate >= 59 && rate <= 61;
}

void openWindow() {
    glutInitWindowSize(1024, 768);
    glutCreateWindow(demoName);
    endShowWhenClosed();
    nameWindow();
    verticalSync = requestVerticalSync();
}

void enterFullScreen() {
    // However the process ends by exit(), the user's mode comes back first
    // (and Windows gives it back by itself if the process dies).
    std::atexit(leaveFullScreen);
    glutEnterGameMode();
    if (!glutGameModeGet(GLUT_GAME_MODE_ACTIVE)) {
        // No such mode: a borderless window as large as the monitor it
        // opens on, where the picture keeps its shape in the middle.
        glutInitWindowSize(1024, 768);
        glutCreateWindow(demoName);
        glutFullScreen();
    }
    endShowWhenClosed();
    // Nothing but the show on the screen, and in every screenshot of it.
    glutSetCursor(GLUT_CURSOR_NONE);
    nameWindow();
    verticalSync = requestVerticalSync();
}

void leaveFullScreen() {
    leaveGameMode();
}

void nameWindow() {
    glutSetWindowTitle(demoName);
    glutSetIconTitle(demoName);
}

// The window's icon is the program's own: GLUT gives its windows the icon
// named GLUT_ICON in the program's resources, the title picture.
void setWindowIcon(int, int, const unsigned char*) {}
