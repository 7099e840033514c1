// The native program's frames for the page's comparison test: the demo's
// start-up on an offscreen surface, then frame after frame with the song
// stepped by one frame's sound, as the capture draws them. Frame n (from 1)
// is written to OUT-n.rgba as it is read back: RGBA, bottom row first.
//   reference_frames WIDTHxHEIGHT FROM_ORDER OUT FRAME...
// Runs in the folder holding the demo's files; status 1 after a message.
#include "platform/offscreen_gl.h"
#include "tests/stepped_frames.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    int width = 0, height = 0, from = 0;
    if (argc < 5 || std::sscanf(argv[1], "%dx%d", &width, &height) != 2 ||
        std::sscanf(argv[2], "%d", &from) != 1) {
        std::fprintf(stderr, "usage: %s WIDTHxHEIGHT FROM_ORDER OUT FRAME...\n", argv[0]);
        return 2;
    }
    std::vector<int> frames;
    for (int i = 4; i < argc; i++)
        frames.push_back(std::atoi(argv[i]));
    std::string reason;
    if (!openOffscreenGl(width, height, OffscreenReadBack::converted, &reason)) {
        std::fprintf(stderr, "reference_frames: no OpenGL (%s)\n", reason.c_str());
        return 1;
    }
    const bool written = writeSteppedFrames(width, height, from, argv[3], frames);
    closeOffscreenGl();
    return written ? 0 : 1;
}
