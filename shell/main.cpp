#include "image/image.h"
#include "model/model.h"
#include "platform/display_mode.h"
#include "platform/music.h"
#include "shell/shell.h"

#include <GL/glut.h>
#include <cstdio>

int main(int argc, char** argv) {
    DemoOptions options;
    const int status = parseOptions(&argc, argv, &options);
    if (status >= 0)
        return status;

    if (options.mute)
        FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND);
    FSOUND_Init(44100, 32, 0);
    song = FMUSIC_LoadSong("Prueba.IT");
    if (options.fromOrder != 0 && song && !FMUSIC_SetOrder(song, options.fromOrder))
        std::fprintf(stderr, "music: the song has no order %d; it plays from its start\n",
                     options.fromOrder);

    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    if (options.window) {
        openWindow();
    } else {
        glutGameModeString("1024x768:32@60");
        enterFullScreen();
    }
    glClearColor(1, 1, 1, 0.5);

    if (!loadTgaTextures())
        return 0;

    fillGridPoints();
    setGlobalGlState();

    loadPresentsModel();
    loadLogoModel();
    loadTxiringoModel();

    setFramePacing(options.uncapped ? FramePacing::Uncapped : FramePacing::Steady);
    FMUSIC_PlaySong(song);
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutIdleFunc(idle);
    glutKeyboardFunc(keyboard);
    glutMainLoop();
    return 0;
}
