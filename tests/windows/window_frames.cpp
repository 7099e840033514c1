// The Windows program's frames for the comparison with the desktop's: as
// reference_frames draws them offscreen, but in GLUT's game mode window on a
// screen of the size asked for, on the platform the program runs on.
//   window_frames WIDTHxHEIGHT FROM_ORDER OUT FRAME...
// Lies, as the demo does, in the folder holding the demo's files; status 1
// after a message.
#include "platform/startup.h"
#include "tests/stepped_frames.h"

#include <GL/glut.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    startPlatform();
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
    // Borderless at the screen's corner from the start: a window with a title
    // bar has part of it off the screen, where nothing is drawn, and one made
    // full screen later may keep its first size a while.
    glutGameModeString(argv[1]);
    glutEnterGameMode();
    if (!glutGameModeGet(GLUT_GAME_MODE_ACTIVE)) {
        std::fprintf(stderr, "window_frames: no %s game mode\n", argv[1]);
        return 1;
    }
    // Drawn into the back buffer and read from there, never shown.
    return writeSteppedFrames(width, height, from, argv[3], frames) ? 0 : 1;
}
