// What the rooms that show the demo in a GLUT window (desktop, windows)
// share about that window's end.
#pragma once

// For the window just made: closed by the window manager, Alt+F4 or the
// window's button, it ends the show as Esc does, while GLUT still holds the
// window and its display, so that the mode and the screen saver are given
// back first. Left to GLUT, the process would end after GLUT has let go of
// its display. GLUT initialised first.
void endShowWhenClosed();
// Leaves GLUT's game mode, if in force and GLUT still runs. That destroys
// the window, which is no close by the user: the process may be ending
// already, with a status of its own.
void leaveGameMode();
