#include "platform/display_mode.h"
#include "platform/music.h"
#include "platform/quit_signals.h"
#include "platform/screen_saver.h"
#include "shell/shell.h"

#include <GL/glut.h>
#include <cstdlib>
#include <iostream>

FMUSIC_MODULE* song = nullptr;
int32_t modelPrimitive = GL_TRIANGLES;

// Whatever ends the show, the desktop gets its display mode and screen saver
// back first.
static void giveDesktopBack() {
    leaveFullScreen();
    releaseScreenSaver();
}

// Ended from outside: the sound device gets its stream back too, before the
// signal ends the process.
[[noreturn]] static void endOnQuitSignal(int signal) {
    giveDesktopBack();
    FMUSIC_StopSong(song);
    FMUSIC_FreeSong(song);
    FSOUND_Close();
    endBySignal(signal);
}

void idle() {
    if (const int signal = quitSignal())
        endOnQuitSignal(signal);
    waitForNextFrame();
    glutPostRedisplay();
}

void reshape(int width, int height) {
    setSurface(width, height);
    std::cout << "Window Changed to (x,y): " << width << ", " << height << std::endl;
    glutPostRedisplay();
}

void keyboard(unsigned char key, int, int) {
    if (key == 27 || key == 'q')
        exit(0); // the display mode and the screen saver are given back at exit
    if (key == 'v')
        modelPrimitive = modelPrimitive == GL_TRIANGLES ? GL_LINE_STRIP : GL_TRIANGLES;
    std::cout << "Keypress Occured: " << key << std::endl;
}

void shutdownDemo() {
    giveDesktopBack();
    FMUSIC_StopSong(song);
    FMUSIC_FreeSong(song);
    FSOUND_Close();
    exit(0);
}
