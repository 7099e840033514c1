// The Windows program's frames for the comparison with the desktop's: as
// reference_frames draws them offscreen, but in a GLUT window of the size
// asked for, on the platform the program runs on.
//   window_frames WIDTHxHEIGHT FROM_ORDER OUT FRAME...
// Runs in the folder holding the demo's files; status 1 after a message.
#include "tests/stepped_frames.h"

#include <GL/glut.h>
#include <cstdio>
#include <cstdlib>
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
    int glutArgc = 1;
    glutInit(&glutArgc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(width, height);
    glutCreateWindow("window_frames");
    // Drawn into the back buffer and read from there, never shown.
    return writeSteppedFrames(width, height, from, argv[3], frames) ? 0 : 1;
}
