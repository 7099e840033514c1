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

int main(int argc, char** argv) {
    startPlatform();
    SteppedFramesRequest request;
    if (!readSteppedFramesRequest(argc, argv, &request))
        return 2;
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
    return writeSteppedFrames(request.width, request.height, request.fromOrder, request.out,
                              request.frames)
               ? 0
               : 1;
}
