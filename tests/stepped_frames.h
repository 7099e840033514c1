// The demo's frames one by one with the song stepped by one frame's sound
// (735 frames at 44100 Hz, 60 a second), as the capture draws them: the
// same frame numbers give the same pictures wherever they are drawn.
#pragma once

#include <string>
#include <vector>

// On the current GL context of `width` x `height`, in the folder holding the
// demo's files: the demo's start-up, then frames 1 to the largest of
// `frames`; each of those is written to OUT-n.rgba as it is read back: RGBA,
// bottom row first. False after a line on standard error.
bool writeSteppedFrames(int width, int height, int fromOrder, const std::string& out,
                        const std::vector<int>& frames);

// The command line of the programs that write them:
//   PROGRAM WIDTHxHEIGHT FROM_ORDER OUT FRAME...
struct SteppedFramesRequest {
    int width = 0, height = 0, fromOrder = 0;
    std::string out;
    std::vector<int> frames;
};
// False after the usage on standard error.
bool readSteppedFramesRequest(int argc, char** argv, SteppedFramesRequest* request);
