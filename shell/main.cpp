#include "image/image.h"
#include "model/model.h"
#include "platform/display_mode.h"
#include "platform/music.h"
#include "platform/quit_signals.h"
#include "platform/screen_saver.h"
#include "platform/startup.h"
#include "shell/shell.h"

#include <GL/glut.h>
#include <cstdio>
#include <cstdlib>

// The title picture as the window's icon, as it is the menu entry's.
static void showIcon() {
    if (ImageRGBA* title = loadTga("titulo3.tga")) {
        setWindowIcon(title->width, title->height, title->pixels);
        free(title->pixels);
        delete title;
    }
}

int main(int argc, char** argv) {
    startPlatform();
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
    catchQuitSignals();
    showIcon();
    glClearColor(1, 1, 1, 0.5);

    if (!loadTgaTextures())
        return 0;

    fillGridPoints();
    setGlobalGlState();

    loadPresentsModel();
    loadLogoModel();
    loadTxiringoModel();
    prepareScenes();

    setFramePacing(options.uncapped ? FramePacing::Uncapped : FramePacing::Steady);
    holdScreenSaver();
    FMUSIC_PlaySong(song);
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutIdleFunc(idle);
    glutKeyboardFunc(keyboard);
    glutMainLoop();
    return 0;
}
