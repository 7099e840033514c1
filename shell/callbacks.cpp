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

// Ended from outside: the desktop gets its display mode and screen saver
// back, the sound device its stream, before the signal ends the process.
[[noreturn]] static void endOnQuitSignal(int signal) {
    leaveFullScreen();
    releaseScreenSaver();
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
        exit(0);
    if (key == 'v')
        modelPrimitive = modelPrimitive == GL_TRIANGLES ? GL_LINE_STRIP : GL_TRIANGLES;
    std::cout << "Keypress Occured: " << key << std::endl;
}

void shutdownDemo() {
    FMUSIC_StopSong(song);
    FMUSIC_FreeSong(song);
    FSOUND_Close();
    exit(0);
}
