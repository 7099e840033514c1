#include "platform/display_mode.h"

#include <GL/glut.h>
#include <GL/glx.h>
#include <cstring>

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

static void requestVerticalSync() {
    Display* display = glXGetCurrentDisplay();
    GLXDrawable drawable = glXGetCurrentDrawable();
    if (!display || !drawable)
        return;
    const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    if (!extensions)
        return;
    if (hasExtension(extensions, "GLX_EXT_swap_control")) {
        using Swap = void (*)(Display*, GLXDrawable, int);
        if (auto swap = reinterpret_cast<Swap>(glxFunction("glXSwapIntervalEXT"))) {
            swap(display, drawable, 1);
            return;
        }
    }
    using SwapInterval = int (*)(int);
    if (hasExtension(extensions, "GLX_MESA_swap_control")) {
        if (auto swap = reinterpret_cast<SwapInterval>(glxFunction("glXSwapIntervalMESA"))) {
            swap(1);
            return;
        }
    }
    if (hasExtension(extensions, "GLX_SGI_swap_control")) {
        if (auto swap = reinterpret_cast<SwapInterval>(glxFunction("glXSwapIntervalSGI")))
            swap(1);
    }
}

void enterFullScreen() {
    glutEnterGameMode();
    if (glutGetWindow() == 0) {
        glutInitWindowSize(1024, 768);
        glutCreateWindow("demo");
        glutFullScreen();
    }
    requestVerticalSync();
}
