// The travelling wave: the titulo3 picture laid on a 44 x 44 quad mesh over
// gridPoints, whose heights roll one row every second frame.
//
// Expects: depth test on (GL_LEQUAL), smooth shading, the modelview matrix
// current. Leaves: lighting, GL_LIGHT0 and colour material off; texturing on
// with texTitulo3 bound; fill mode; blending off; colour white; texture
// coordinate (1, 43/44); the modelview matrix holding the camera.
// sceneTime leaves every frame as phaseThousandths * 0.001 + 0.1.
#include "image/image.h"
#include "scenes/backdrop.h"
#include "scenes/scenes.h"
#include "shell/shell.h"

#include <GL/gl.h>

int32_t waveFrameCount = 0;

void Scene2(int32_t, int32_t, int32_t phaseThousandths) {
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    // Reseeded every frame: whatever Scene1 advanced it to is discarded.
    sceneTime = static_cast<float>(phaseThousandths) * 0.001f;
    Scene2Wave();
}

// Every vertex is lifted by 11; with the -10 translation the mesh lies
// between world z 0 and 2, close enough to fill the view.
static void waveVertex(int i, int j) {
    glTexCoord2f(i / 44.0f, j / 44.0f);
    const Vec3& p = gridPoints[i][j];
    glVertex3f(p.x, p.y, p.z + 11.0f);
}

// A cyclic shift of every column's heights by one row towards smaller i. The
// stored floats only move, so 45 rolls give back the start-up heights exactly.
static void rollHeights() {
    for (int j = 0; j < 45; j++) {
        float h = gridPoints[0][j].z;
        for (int i = 0; i < 44; i++)
            gridPoints[i][j].z = gridPoints[i + 1][j].z;
        gridPoints[44][j].z = h;
    }
}

void Scene2Wave() {
    beginPictureFrame();

    glPushMatrix();
    glTranslatef(0, 0, -10);
    glBindTexture(GL_TEXTURE_2D, texTitulo3);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    for (int i = 0; i < 44; i++) {
        for (int j = 0; j < 44; j++) {
            waveVertex(i, j);
            waveVertex(i, j + 1);
            waveVertex(i + 1, j + 1);
            waveVertex(i + 1, j);
        }
    }
    glEnd();
    glPopMatrix();

    // The frame just drawn showed the heights as they were when it began; the
    // counter runs 0, 1, 2 -> roll -> 0, then 1 below: the third call rolls,
    // then every second one.
    if (waveFrameCount == 2) {
        rollHeights();
        waveFrameCount = 0;
    }
    waveFrameCount += 1;
    sceneTime += 0.1f;
}
