// Frames per second of each of the six scenes at 1024x768, on the platform
// it is built for: the desktop's, and Windows's (build-windows/bench, run
// under Wine by bench/windows-beside-native). The demo's start-up in its
// full screen, then from the first order of each scene, frames drawn and
// swapped back to back with the song stepped by one frame's sound each, as
// the capture draws them; the first frames of a scene are left out of its
// rate, which they would make depend on what the driver prepares first.
//
// scene_rates [FRAMES]  in the folder of the demo's files (on Windows, the
// program beside them); FRAMES per scene, 300 by default.
#include "image/image.h"
#include "model/model.h"
#include "platform/display_mode.h"
#include "platform/music.h"
#include "platform/startup.h"
#include "shell/shell.h"

#include <GL/glut.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

static const int warmUpFrames = 30;

int main(int argc, char** argv) {
    startPlatform();
    const int frames = argc > 1 ? std::atoi(argv[1]) : 300;
    FSOUND_SetOutput(FSOUND_OUTPUT_STEPPED);
    FSOUND_Init(44100, 32, 0);
    song = FMUSIC_LoadSong("Prueba.IT");
    int glutArgc = 1;
    glutInit(&glutArgc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutGameModeString("1024x768:32@60");
    enterFullScreen();
    glClearColor(1, 1, 1, 0.5);
    if (!song || frames < 1 || !loadTgaTextures()) {
        std::fprintf(stderr, "scene_rates: no song, no pictures or no frames to draw\n");
        return 1;
    }
    fillGridPoints();
    setGlobalGlState();
    loadPresentsModel();
    loadLogoModel();
    loadTxiringoModel();
    setSurface(glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
    std::printf("%s, %dx%d\n", glGetString(GL_RENDERER), glutGet(GLUT_WINDOW_WIDTH),
                glutGet(GLUT_WINDOW_HEIGHT));

    std::vector<int16_t> sound(2 * 735);
    const int firstOrders[] = {0, 3, 7, 11, 15, 17};
    for (int scene = 0; scene < 6; scene++) {
        FMUSIC_StopSong(song);
        FMUSIC_SetOrder(song, firstOrders[scene]);
        FMUSIC_PlaySong(song);
        std::chrono::steady_clock::time_point start;
        for (int n = 0; n < warmUpFrames + frames; n++) {
            if (n == warmUpFrames) {
                glFinish();
                start = std::chrono::steady_clock::now();
            }
            FSOUND_Step(735, sound.data());
            drawFrame(float(FMUSIC_GetRow(song)), float(FMUSIC_GetOrder(song)));
            glutSwapBuffers();
        }
        glFinish();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("Scene%d %.1f fps\n", scene + 1, frames / seconds);
        std::fflush(stdout);
    }
    FMUSIC_FreeSong(song);
    FSOUND_Close();
    leaveFullScreen();
    return 0;
}
