// The opening scene: a cyan tile plane glowing around two wandering focus
// points, then the presents and logo models, lit.
//
// Expects: the frame cleared, the modelview matrix current and set to identity.
// Texturing, the current normal and texture coordinate are whatever start-up or
// the previous frame's model drawing left; the tiles take them as they are.
// Leaves: GL_LIGHT0, GL_LIGHTING and GL_COLOR_MATERIAL on; the camera in the
// modelview matrix; texturing, colour, normal and texture coordinate as the
// logo's last mesh object left them.
#include "model/model.h"
#include "scenes/scenes.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cmath>

void Scene1(int32_t, int32_t, int32_t) {
    // The light and the colour tracking keep GL's default parameters.
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    Scene1Tiles();
    // Both models stand under the camera the last tile left.
    drawPresentsModel();
    drawLogoModel();
}

void Scene1Tiles() {
    sceneTime += 0.1f;
    const float t = sceneTime;

    const float f1x = float(std::sin(double((t * 4.0f + 25.0f) / 30.0f)) * 20.0);
    const float f1y = float(std::sin(double((t + 60.0f) / 30.0f)) * 20.0);
    const float f2x = float(std::cos(double((t / 2.0f + 11.3f) / 30.0f)) * 20.0);
    const float f2y = float(std::sin(double(t * 10.0f / 30.0f)) * 20.0);

    for (int i = 0; i < 20; i++) {
        for (int j = 0; j < 20; j++) {
            // Distances in grid-index units, not in world units.
            const float d1 =
                float(std::sqrt(double((f1x - i) * (f1x - i) + (f1y - j) * (f1y - j))));
            const float d2 =
                float(std::sqrt(double((f2x - i) * (f2x - i) + (f2y - j) * (f2y - j))));
            const float x = i - 10.5f;
            const float y = j - 10.5f;

            glLoadIdentity();
            gluLookAt(0, 0, 10, 0, 0, 0, 0, 1, 0);
            glPushMatrix();
            // At least 1 everywhere on the grid; lighting and the final clamp
            // decide the shade that shows.
            const float g = 100.0f / (d1 + d2) + 0.1f;
            glColor3f(0, g, g);
            glTranslatef(x, y, -12);
            glBegin(GL_QUADS);
            glVertex3f(0, 0, 0);
            glVertex3f(1, 0, 0);
            glVertex3f(1, 1, 0);
            glVertex3f(0, 1, 0);
            glEnd();
            glPopMatrix();
        }
    }
}
