// The page's canvas is the demo's window. The browser paces frames with
// requestAnimationFrame at whatever the display refreshes, so vertical sync
// never paces them at 60 Hz by itself: the shell's schedule does. Full
// screen is the page's own, through the Fullscreen API.
#include "platform/display_mode.h"

#include <cstdio>
#include <emscripten/html5.h>

// WebGL 2 without alpha (the clear colour's 0.5 would let the page show
// through), with a depth buffer and no multisampling, as the desktop's.
void openWindow() {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.antialias = EM_FALSE;
    attributes.premultipliedAlpha = EM_FALSE;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context("#canvas", &attributes);
    if (context <= 0 || emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS)
        std::fprintf(stderr, "demo: this browser offers no WebGL 2\n");
}

bool verticalSyncAt60Hz() {
    return false;
}
