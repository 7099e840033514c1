// The native program's frames for the page's comparison test: the demo's
// start-up on an offscreen surface, then frame after frame with the song
// stepped by one frame's sound, as the capture draws them. Frame n (from 1)
// is written to OUT-n.rgba as it is read back: RGBA, bottom row first.
//   reference_frames WIDTHxHEIGHT FROM_ORDER OUT FRAME...
// Runs in the folder holding the demo's files; status 1 after a message.
#include "platform/offscreen_gl.h"
#include "tests/stepped_frames.h"

#include <cstdio>

int main(int argc, char** argv) {
    SteppedFramesRequest request;
    if (!readSteppedFramesRequest(argc, argv, &request))
        return 2;
    std::string reason;
    if (!openOffscreenGl(request.width, request.height, OffscreenReadBack::converted, &reason)) {
        std::fprintf(stderr, "reference_frames: no OpenGL (%s)\n", reason.c_str());
        return 1;
    }
    const bool written = writeSteppedFrames(request.width, request.height, request.fromOrder,
                                            request.out, request.frames);
    closeOffscreenGl();
    return written ? 0 : 1;
}
