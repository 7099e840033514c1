#include "platform/music.h"
#include "shell/shell.h"

#include <GL/glut.h>
#include <cstdlib>
#include <iostream>

FMUSIC_MODULE* song = nullptr;
int32_t modelPrimitive = GL_TRIANGLES;

void idle() {
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
