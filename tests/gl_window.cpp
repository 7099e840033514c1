#include "tests/gl_window.h"

#include "shell/shell.h"

#include <GL/glut.h>
#include <cstdio>

void ensureGlWindow() {
    static bool open = false;
    if (open)
        return;
    open = true;
    int argc = 1;
    char name[] = "unit_tests";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(1024, 768);
    glutCreateWindow("unit_tests");
    glClearColor(1, 1, 1, 0.5);
    setGlobalGlState();
    glViewport(0, 0, 1024, 768);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-2, 2, -2, 2, 5, 100);
    glMatrixMode(GL_MODELVIEW);
}

std::vector<uint8_t> readBackBuffer(int width, int height) {
    std::vector<uint8_t> pixels(size_t(width) * height * 3);
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}
