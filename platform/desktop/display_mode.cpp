#include "platform/display_mode.h"

#include "platform/glut/window_close.h"

#include <GL/glut.h>
#include <GL/glx.h>
#include <GL/glxext.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

// Whether the swap interval of 1 asked for at start-up is in force; written
// once by requestVerticalSync.
static bool verticalSync = false;

static bool hasExtension(const char* list, const char* name) {
    size_t length = std::strlen(name);
    for (const char* at = list; (at = std::strstr(at, name)) != nullptr; at += length) {
        bool starts = at == list || at[-1] == ' ';
        bool ends = at[length] == ' ' || at[length] == '\0';
        if (starts && ends)
            return true;
    }
    return false;
}

static void* glxFunction(const char* name) {
    return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

// True when the driver confirms the interval (SGI's form cannot be asked).
static bool requestVerticalSync() {
    Display* display = glXGetCurrentDisplay();
    GLXDrawable drawable = glXGetCurrentDrawable();
    if (!display || !drawable)
        return false;
    const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    if (!extensions)
        return false;
    if (hasExtension(extensions, "GLX_EXT_swap_control")) {
        using Swap = void (*)(Display*, GLXDrawable, int);
        if (auto swap = reinterpret_cast<Swap>(glxFunction("glXSwapIntervalEXT"))) {
            swap(display, drawable, 1);
            unsigned interval = 0;
            glXQueryDrawable(display, drawable, GLX_SWAP_INTERVAL_EXT, &interval);
            return interval == 1;
        }
    }
    using SwapInterval = int (*)(int);
    if (hasExtension(extensions, "GLX_MESA_swap_control")) {
        auto swap = reinterpret_cast<SwapInterval>(glxFunction("glXSwapIntervalMESA"));
        auto get = reinterpret_cast<int (*)()>(glxFunction("glXGetSwapIntervalMESA"));
        if (swap && get) {
            swap(1);
            return get() == 1;
        }
    }
    if (hasExtension(extensions, "GLX_SGI_swap_control")) {
        if (auto swap = reinterpret_cast<SwapInterval>(glxFunction("glXSwapIntervalSGI")))
            return swap(1) == 0;
    }
    return false;
}

// The refresh rate of the mode in force, in Hz; 0 when it cannot be told.
static int refreshRate() {
    if (glutGameModeGet(GLUT_GAME_MODE_ACTIVE)) {
        const int rate = glutGameModeGet(GLUT_GAME_MODE_REFRESH_RATE);
        if (rate > 0)
            return rate;
    }
    Display* display = glXGetCurrentDisplay();
    int event, error;
    if (!display || !XRRQueryExtension(display, &event, &error))
        return 0;
    XRRScreenConfiguration* config = XRRGetScreenInfo(display, DefaultRootWindow(display));
    if (!config)
        return 0;
    const int rate = XRRConfigCurrentRate(config);
    XRRFreeScreenConfigInfo(config);
    return rate;
}

bool verticalSyncAt60Hz() {
    const int rate = refreshRate();
    return verticalSync && rate >= 59 && rate <= 61;
}

// Whether the game-mode window really shows at the size of the mode asked
// for: freeglut changes modes through XF86VidMode alone, which reports success
// on servers that only emulate it (Xorg's dummy driver among them) and leaves
// the window in a corner of a larger screen.
static bool gameModeFillsAScreen() {
    Display* display = glXGetCurrentDisplay();
    const Window window = glXGetCurrentDrawable();
    if (!display || !window)
        return false;
    XSync(display, False);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes))
        return false;
    const Window root = attributes.root;
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child);
    XWindowAttributes screen;
    if (XGetWindowAttributes(display, root, &screen) && x == 0 && y == 0 &&
        attributes.width == screen.width && attributes.height == screen.height)
        return true;
    int event, error;
    if (!XRRQueryExtension(display, &event, &error))
        return false;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (!resources)
        return false;
    bool fills = false;
    for (int i = 0; i < resources->ncrtc && !fills; i++) {
        XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
        if (!crtc)
            continue;
        fills = crtc->mode != None && crtc->x == x && crtc->y == y &&
                int(crtc->width) == attributes.width && int(crtc->height) == attributes.height;
        XRRFreeCrtcInfo(crtc);
    }
    XRRFreeScreenResources(resources);
    return fills;
}

// Whether a window manager runs: it takes the root window's substructure
// redirection, to place every window itself.
static bool windowManagerRuns(Display* display, Window root) {
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, root, &attributes) &&
           (attributes.all_event_masks & SubstructureRedirectMask);
}

struct ScreenArea {
    int x, y, width, height;
};

// The monitors of the X screen: RandR's (1.5), else Xinerama's screens.
static std::vector<ScreenArea> monitors(Display* display, Window root) {
    std::vector<ScreenArea> found;
    int event, error, major = 0, minor = 0;
    if (XRRQueryExtension(display, &event, &error) && XRRQueryVersion(display, &major, &minor) &&
        (major > 1 || minor >= 5)) {
        int count = 0;
        if (XRRMonitorInfo* list = XRRGetMonitors(display, root, True, &count)) {
            for (int i = 0; i < count; i++)
                found.push_back({list[i].x, list[i].y, list[i].width, list[i].height});
            XRRFreeMonitors(list);
        }
    }
    if (found.empty() && XineramaQueryExtension(display, &event, &error) &&
        XineramaIsActive(display)) {
        int count = 0;
        if (XineramaScreenInfo* list = XineramaQueryScreens(display, &count)) {
            for (int i = 0; i < count; i++)
                found.push_back({list[i].x_org, list[i].y_org, list[i].width, list[i].height});
            XFree(list);
        }
    }
    return found;
}

// The monitor under the pointer; the whole screen where none is known.
static ScreenArea monitorUnderPointer(Display* display, Window root) {
    Window rootAgain, child;
    int x = 0, y = 0, inWindowX, inWindowY;
    unsigned buttons;
    XQueryPointer(display, root, &rootAgain, &child, &x, &y, &inWindowX, &inWindowY, &buttons);
    const std::vector<ScreenArea> all = monitors(display, root);
    for (const ScreenArea& monitor : all)
        if (x >= monitor.x && x < monitor.x + monitor.width && y >= monitor.y &&
            y < monitor.y + monitor.height)
            return monitor;
    if (!all.empty())
        return all.front();
    XWindowAttributes screen;
    XGetWindowAttributes(display, root, &screen);
    return {0, 0, screen.width, screen.height};
}

static int ignoreError(Display*, XErrorEvent*) {
    return 0;
}

// The keyboard's focus to a window, once the server shows it (the focus
// cannot go to a window that is not viewable yet).
static void takeFocus(Display* display, Window window) {
    for (int i = 0; i < 100; i++) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, window, &attributes) &&
            attributes.map_state == IsViewable) {
            XErrorHandler previous = XSetErrorHandler(ignoreError);
            XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
            XSync(display, False);
            XSetErrorHandler(previous);
            return;
        }
        usleep(5000);
    }
}

// Without a window manager nobody makes a window full screen or gives it the
// keyboard (a kiosk, a bare X session): the window covers the monitor under
// the pointer by itself, at its corner, where GLUT's full screen would cover
// every monitor of the X screen, and takes the focus, so the keys reach it.
// False under a window manager, which does both.
static bool coverMonitorAlone() {
    Display* display = glXGetCurrentDisplay();
    const Window window = glXGetCurrentDrawable();
    if (!display || !window)
        return false;
    const Window root = DefaultRootWindow(display);
    if (windowManagerRuns(display, root))
        return false;
    const ScreenArea monitor = monitorUnderPointer(display, root);
    glutPositionWindow(monitor.x, monitor.y);
    glutReshapeWindow(monitor.width, monitor.height);
    takeFocus(display, window);
    return true;
}

void openWindow() {
    glutInitWindowSize(1024, 768);
    glutCreateWindow("Marea de Neon");
    endShowWhenClosed();
    nameWindow();
    verticalSync = requestVerticalSync();
}

void enterFullScreen() {
    // However the process ends by exit(), the user's mode comes back first.
    std::atexit(leaveFullScreen);
    glutEnterGameMode();
    if (glutGameModeGet(GLUT_GAME_MODE_ACTIVE) && !gameModeFillsAScreen())
        glutLeaveGameMode();
    if (!glutGameModeGet(GLUT_GAME_MODE_ACTIVE)) {
        glutInitWindowSize(1024, 768);
        glutCreateWindow("Marea de Neon");
        if (!coverMonitorAlone())
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
