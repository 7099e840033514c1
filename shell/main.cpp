#include "image/image.h"
#include "model/model.h"
#include "platform/display_mode.h"
#include "platform/music.h"
#include "shell/shell.h"

#include <GL/glut.h>

int main(int argc, char** argv) {
    FSOUND_Init(44100, 32, 0);
    song = FMUSIC_LoadSong("Prueba.IT");

    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutGameModeString("1024x768:32@60");
    enterFullScreen();
    glClearColor(1, 1, 1, 0.5);

    if (!loadTgaTextures())
        return 0;

    fillGridPoints();
    setGlobalGlState();

    loadPresentsModel();
    loadLogoModel();
    loadTxiringoModel();

    FMUSIC_PlaySong(song);
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutIdleFunc(idle);
    glutKeyboardFunc(keyboard);
    glutMainLoop();
    return 0;
}
