#include "platform/glut/window_close.h"

#include <GL/freeglut.h>
#include <cstdlib>

// GLUT destroys its windows as the process ends: those are no closes.
static bool ending = false;

static void endOnClose() {
    if (!ending)
        std::exit(0);
}

static void noteEnding() {
    ending = true;
}

void endShowWhenClosed() {
    // Registered after GLUT's own handler, so run before it at the end.
    static bool noted = false;
    if (!noted)
        std::atexit(noteEnding);
    noted = true;
    glutCloseFunc(endOnClose);
}

void leaveGameMode() {
    if (glutGet(GLUT_INIT_STATE) && glutGameModeGet(GLUT_GAME_MODE_ACTIVE)) {
        glutCloseFunc(nullptr);
        glutLeaveGameMode();
    }
}
