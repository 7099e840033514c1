#include "platform/display_mode.h"

#include <GL/glut.h>
#include <GL/glx.h>
#include <GL/glxext.h>
#include <X11/extensions/Xrandr.h>
#include <cstring>

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

void openWindow() {
    glutInitWindowSize(1024, 768);
    glutCreateWindow("Marea de Neon");
    nameWindow();
    verticalSync = requestVerticalSync();
}

void enterFullScreen() {
    glutEnterGameMode();
    if (glutGameModeGet(GLUT_GAME_MODE_ACTIVE) && !gameModeFillsAScreen())
        glutLeaveGameMode();
    if (!glutGameModeGet(GLUT_GAME_MODE_ACTIVE)) {
        glutInitWindowSize(1024, 768);
        glutCreateWindow("Marea de Neon");
        glutFullScreen();
    }
    // Nothing but the show on the screen, and in every screenshot of it.
    glutSetCursor(GLUT_CURSOR_NONE);
    nameWindow();
    verticalSync = requestVerticalSync();
}

void leaveFullScreen() {
    if (glutGameModeGet(GLUT_GAME_MODE_ACTIVE))
        glutLeaveGameMode();
}
