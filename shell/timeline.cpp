#include "platform/music.h"
#include "scenes/scenes.h"
#include "shell/shell.h"

#include <GL/glut.h>

const int32_t phaseThousandths = 0;

SceneEntry sceneForOrder(float order) {
    if (order < 3)
        return Scene1;
    if (order < 7)
        return Scene2;
    if (order < 11)
        return Scene3;
    if (order < 15)
        return Scene4;
    if (order < 17)
        return Scene5;
    if (order < 23)
        return Scene6;
    return nullptr;
}

bool drawFrame(float row, float order) {
    clearOutsidePicture();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SceneEntry scene = sceneForOrder(order);
    if (!scene)
        return false;
    scene(static_cast<int32_t>(row), static_cast<int32_t>(order), phaseThousandths);
    return true;
}

void display() {
    // Row first, then order: two separate questions to the music library.
    float row = static_cast<float>(FMUSIC_GetRow(song));
    float order = static_cast<float>(FMUSIC_GetOrder(song));
    if (!drawFrame(row, order))
        shutdownDemo(); // the last frame is cleared but never swapped
    glutSwapBuffers();
}
