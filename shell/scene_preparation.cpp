#include "model/model.h"
#include "platform/random.h"
#include "scenes/scenes.h"
#include "shell/shell.h"

#include <GL/gl.h>
#include <cstring>

// A driver makes the code for a combination of GL state the first time it
// draws with it: llvmpipe compiles for 165 ms at the first frame of Scene3's
// fog, lighting and textured model together (42 ms when its shader cache has
// the code), ten frames lost where the scene begins, and for 40 ms at Scene2
// and Scene4. Drawn once each here, every scene's state is ready before the
// first frame, and the show's frames make the same calls as ever.
void prepareScenes() {
    // What the scenes change besides GL, kept to be put back.
    const float time = sceneTime;
    const int32_t waveFrames = waveFrameCount;
    const unsigned int randState = demoRandState();
    static Vec3 grid[45][45];
    std::memcpy(grid, gridPoints, sizeof grid);

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    GLint matrixMode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    for (GLenum mode : {GL_TEXTURE, GL_MODELVIEW, GL_PROJECTION}) {
        glMatrixMode(mode);
        glPushMatrix();
    }
    // The projection the frames will have; reshape sets it in earnest.
    setProjection();
    for (SceneEntry scene : {Scene1, Scene2, Scene3, Scene4, Scene5, Scene6}) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        scene(0, 0, phaseThousandths);
        // The driver makes its code as it draws: here, not in the show.
        glFinish();
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (GLenum mode : {GL_PROJECTION, GL_MODELVIEW, GL_TEXTURE}) {
        glMatrixMode(mode);
        glPopMatrix();
    }
    glMatrixMode(GLenum(matrixMode));
    glPopAttrib();

    sceneTime = time;
    waveFrameCount = waveFrames;
    demoSrand(randState);
    std::memcpy(gridPoints, grid, sizeof grid);
}
