#include "platform/offscreen_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <cstdio>

static struct {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;
} offscreen;

static bool fail(std::string* reason, const char* what) {
    char text[160];
    std::snprintf(text, sizeof text, "%s (EGL error 0x%04x)", what, eglGetError());
    *reason = text;
    closeOffscreenGl();
    return false;
}

bool openOffscreenGl(int width, int height, std::string* reason) {
    // Surfaceless needs no X server, Wayland compositor or render node, so
    // llvmpipe serves on a machine without any of them.
    offscreen.display =
        eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (offscreen.display == EGL_NO_DISPLAY)
        return fail(reason, "no EGL display on Mesa's surfaceless platform");
    if (!eglInitialize(offscreen.display, nullptr, nullptr))
        return fail(reason, "EGL cannot be initialised");
    if (!eglBindAPI(EGL_OPENGL_API))
        return fail(reason, "EGL offers no desktop OpenGL");

    const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                       EGL_PBUFFER_BIT,
                                       EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT,
                                       EGL_RED_SIZE,
                                       8,
                                       EGL_GREEN_SIZE,
                                       8,
                                       EGL_BLUE_SIZE,
                                       8,
                                       EGL_DEPTH_SIZE,
                                       24,
                                       EGL_NONE};
    EGLConfig config;
    EGLint configs = 0;
    if (!eglChooseConfig(offscreen.display, configAttributes, &config, 1, &configs) || configs < 1)
        return fail(reason, "no EGL configuration with 8-bit colour and a depth buffer");

    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    offscreen.context =
        eglCreateContext(offscreen.display, config, EGL_NO_CONTEXT, contextAttributes);
    if (offscreen.context == EGL_NO_CONTEXT)
        return fail(reason, "no OpenGL compatibility context");

    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    offscreen.surface = eglCreatePbufferSurface(offscreen.display, config, surfaceAttributes);
    if (offscreen.surface == EGL_NO_SURFACE)
        return fail(reason, "no offscreen surface of that size");
    if (!eglMakeCurrent(offscreen.display, offscreen.surface, offscreen.surface, offscreen.context))
        return fail(reason, "the OpenGL context cannot be made current");
    return true;
}

void closeOffscreenGl() {
    if (offscreen.display == EGL_NO_DISPLAY)
        return;
    eglMakeCurrent(offscreen.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (offscreen.surface != EGL_NO_SURFACE)
        eglDestroySurface(offscreen.display, offscreen.surface);
    if (offscreen.context != EGL_NO_CONTEXT)
        eglDestroyContext(offscreen.display, offscreen.context);
    eglTerminate(offscreen.display);
    offscreen = {};
}
