#include "platform/web/gl/frame_fence.h"

#include "platform/web/gl/gl_layer.h"

#include <cstdint>

extern "C" {
void* emscripten_glFenceSync(GLenum condition, GLbitfield flags);
GLenum emscripten_glClientWaitSync(void* sync, GLbitfield flags, uint64_t timeout);
void emscripten_glDeleteSync(void* sync);
}

static const GLenum syncGpuCommandsComplete = 0x9117;
static const GLenum timeoutExpired = 0x911B;

// Written by the functions below only.
static void* lastFrame = nullptr;

bool lastFrameDrawn() {
    if (!lastFrame)
        return true;
    if (emscripten_glClientWaitSync(lastFrame, 0, 0) == timeoutExpired)
        return false;
    emscripten_glDeleteSync(lastFrame);
    lastFrame = nullptr;
    return true;
}

void frameHandedOver() {
    flushBatch();
    if (lastFrame)
        emscripten_glDeleteSync(lastFrame);
    lastFrame = emscripten_glFenceSync(syncGpuCommandsComplete, 0);
}
