#include "platform/offscreen_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <cstdio>

static const int maxPixelBuffers = 3;

static struct {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;
    int width = 0, height = 0;
    PixelLayout layout = PixelLayout::rgba8;
    // Buffer objects are past GL 1.1, so the headers' prototypes may not be
    // in the library: the entry points come from EGL.
    PFNGLGENBUFFERSPROC genBuffers = nullptr;
    PFNGLDELETEBUFFERSPROC deleteBuffers = nullptr;
    PFNGLBINDBUFFERPROC bindBuffer = nullptr;
    PFNGLBUFFERDATAPROC bufferData = nullptr;
    PFNGLMAPBUFFERPROC mapBuffer = nullptr;
    PFNGLUNMAPBUFFERPROC unmapBuffer = nullptr;
    int pixelBuffers = 0;
    GLuint names[maxPixelBuffers] = {};
    const uint8_t* mapped[maxPixelBuffers] = {};
} offscreen;

static bool fail(std::string* reason, const char* what) {
    char text[160];
    std::snprintf(text, sizeof text, "%s (EGL error 0x%04x)", what, eglGetError());
    *reason = text;
    closeOffscreenGl();
    return false;
}

// The first configuration EGL gives, with the deepest colour, has no alpha,
// so reading it as bytes converts every pixel. The same colour depth with a
// little alpha is read as held: 8-bit colour as RGBA bytes, 10-bit colour
// (Mesa's deepest) as packed BGRA. Without one, `config` as it is.
// With `eightBits`, 8-bit colour whatever the deepest is, held as BGRA
// bytes.
static EGLConfig configWithAlpha(EGLConfig config, bool eightBits) {
    EGLint red = 0, green = 0, blue = 0, depth = 0;
    eglGetConfigAttrib(offscreen.display, config, EGL_RED_SIZE, &red);
    eglGetConfigAttrib(offscreen.display, config, EGL_GREEN_SIZE, &green);
    eglGetConfigAttrib(offscreen.display, config, EGL_BLUE_SIZE, &blue);
    eglGetConfigAttrib(offscreen.display, config, EGL_DEPTH_SIZE, &depth);
    if (eightBits)
        red = green = blue = 8;
    if (red != green || red != blue || (red != 8 && red != 10))
        return config;
    const EGLint attributes[] = {EGL_SURFACE_TYPE,
                                 EGL_PBUFFER_BIT,
                                 EGL_RENDERABLE_TYPE,
                                 EGL_OPENGL_BIT,
                                 EGL_RED_SIZE,
                                 red,
                                 EGL_GREEN_SIZE,
                                 red,
                                 EGL_BLUE_SIZE,
                                 red,
                                 EGL_ALPHA_SIZE,
                                 red == 10 ? 2 : 8,
                                 EGL_DEPTH_SIZE,
                                 depth,
                                 EGL_NONE};
    EGLConfig found[16];
    EGLint count = 0;
    if (!eglChooseConfig(offscreen.display, attributes, found, 16, &count))
        return config;
    // eglChooseConfig gives "at least" these sizes: the exact ones only.
    for (int i = 0; i < count; i++) {
        EGLint sizes[3] = {};
        eglGetConfigAttrib(offscreen.display, found[i], EGL_RED_SIZE, &sizes[0]);
        eglGetConfigAttrib(offscreen.display, found[i], EGL_BLUE_SIZE, &sizes[1]);
        eglGetConfigAttrib(offscreen.display, found[i], EGL_DEPTH_SIZE, &sizes[2]);
        if (sizes[0] == red && sizes[1] == red && sizes[2] == depth) {
            offscreen.layout = red == 10   ? PixelLayout::bgr10a2
                               : eightBits ? PixelLayout::bgra8
                                           : PixelLayout::rgba8;
            return found[i];
        }
    }
    return config;
}

bool openOffscreenGl(int width, int height, OffscreenReadBack readBack, std::string* reason) {
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
    if (readBack != OffscreenReadBack::converted)
        config = configWithAlpha(config, readBack == OffscreenReadBack::eightBitsAsHeld);

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
    offscreen.width = width;
    offscreen.height = height;
    return true;
}

void closeOffscreenGl() {
    if (offscreen.display == EGL_NO_DISPLAY)
        return;
    for (int i = 0; i < offscreen.pixelBuffers; i++)
        unmapPixelBuffer(i);
    if (offscreen.pixelBuffers > 0)
        offscreen.deleteBuffers(offscreen.pixelBuffers, offscreen.names);
    eglMakeCurrent(offscreen.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (offscreen.surface != EGL_NO_SURFACE)
        eglDestroySurface(offscreen.display, offscreen.surface);
    if (offscreen.context != EGL_NO_CONTEXT)
        eglDestroyContext(offscreen.display, offscreen.context);
    eglTerminate(offscreen.display);
    offscreen = {};
}

template <typename Function> static bool entryPoint(const char* name, Function* function) {
    *function = reinterpret_cast<Function>(eglGetProcAddress(name));
    return *function != nullptr;
}

bool makePixelBuffers(int count, std::string* reason) {
    if (count < 1 || count > maxPixelBuffers || offscreen.pixelBuffers > 0) {
        *reason = "from 1 to " + std::to_string(maxPixelBuffers) + " pixel buffers, made once";
        return false;
    }
    if (!entryPoint("glGenBuffers", &offscreen.genBuffers) ||
        !entryPoint("glDeleteBuffers", &offscreen.deleteBuffers) ||
        !entryPoint("glBindBuffer", &offscreen.bindBuffer) ||
        !entryPoint("glBufferData", &offscreen.bufferData) ||
        !entryPoint("glMapBuffer", &offscreen.mapBuffer) ||
        !entryPoint("glUnmapBuffer", &offscreen.unmapBuffer)) {
        *reason = "the OpenGL context has no buffer objects";
        return false;
    }
    const GLsizeiptr bytes = GLsizeiptr(offscreen.width) * offscreen.height * 4;
    offscreen.genBuffers(count, offscreen.names);
    offscreen.pixelBuffers = count;
    for (int i = 0; i < count; i++) {
        offscreen.bindBuffer(GL_PIXEL_PACK_BUFFER, offscreen.names[i]);
        offscreen.bufferData(GL_PIXEL_PACK_BUFFER, bytes, nullptr, GL_STREAM_READ);
    }
    offscreen.bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    if (glGetError() != GL_NO_ERROR) {
        *reason = "no room for the pixel buffers";
        return false;
    }
    return true;
}

PixelLayout pixelBufferLayout() {
    return offscreen.layout;
}

void readIntoPixelBuffer(int index) {
    offscreen.bindBuffer(GL_PIXEL_PACK_BUFFER, offscreen.names[index]);
    if (offscreen.layout == PixelLayout::bgr10a2)
        glReadPixels(0, 0, offscreen.width, offscreen.height, GL_BGRA,
                     GL_UNSIGNED_INT_2_10_10_10_REV, nullptr);
    else if (offscreen.layout == PixelLayout::bgra8)
        glReadPixels(0, 0, offscreen.width, offscreen.height, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    else
        glReadPixels(0, 0, offscreen.width, offscreen.height, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    offscreen.bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
}

const uint8_t* mapPixelBuffer(int index) {
    if (!offscreen.mapped[index]) {
        offscreen.bindBuffer(GL_PIXEL_PACK_BUFFER, offscreen.names[index]);
        offscreen.mapped[index] =
            static_cast<const uint8_t*>(offscreen.mapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY));
        offscreen.bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    }
    return offscreen.mapped[index];
}

void unmapPixelBuffer(int index) {
    if (!offscreen.mapped[index])
        return;
    offscreen.bindBuffer(GL_PIXEL_PACK_BUFFER, offscreen.names[index]);
    offscreen.unmapBuffer(GL_PIXEL_PACK_BUFFER);
    offscreen.bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    offscreen.mapped[index] = nullptr;
}
