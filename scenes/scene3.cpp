// A rippling dot field in white fog under a circling camera, with the txiringo
// model at the centre of the rings.
//
// Expects: the modelview matrix current; polygon mode fill (Scene2 leaves it).
// Texturing, the current normal and texture coordinate are whatever Scene2 or
// the previous frame's model drawing left; the dots take them as they are.
// Leaves: exponential-squared white fog on; GL_LIGHT0, GL_LIGHTING and
// GL_COLOR_MATERIAL on; blending off; line width and point size 2 (at 768
// lines); the camera in the modelview matrix; texturing, colour, normal and
// texture coordinate as the model's last mesh object left them.
#include "model/model.h"
#include "scenes/scenes.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cmath>

RippleDot rippleDots[50][50];

void Scene3(int32_t, int32_t, int32_t) {
    // The light and the colour tracking keep GL's default parameters.
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glLoadIdentity();
    Scene3Ripple();
    // Untransformed: the model sits at the world origin, the centre of the rings.
    drawTxiringoModel();
}

void Scene3Ripple() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // The fog colour is the clear colour, so far dots dissolve into the
    // background. Start and end mean nothing to GL_EXP2 but are set all the same.
    const GLfloat fogColour[4] = {1, 1, 1, 1};
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_EXP2);
    glFogfv(GL_FOG_COLOR, fogColour);
    glFogf(GL_FOG_DENSITY, 0.06f);
    glHint(GL_FOG_HINT, GL_DONT_CARE);
    glFogf(GL_FOG_START, 0);
    glFogf(GL_FOG_END, 50);

    sceneTime += 0.1f;
    const float t = sceneTime;

    // The focus points and the camera depend on t alone, so every dot of the
    // frame sees the same values; they are worked out once.
    const float f1x = float(std::sin(double((t * 4.0f + 25.0f) / 5.0f)) * 50.0);
    const float f1y = float(std::sin(double((t + 60.0f) / 5.0f)) * 50.0);
    const float f2x = float(std::cos(double(t / 5.0f)) * 50.0);
    const float f2y = float(std::sin(double(t / 5.0f)) * 50.0);
    // Swells from 0 to 40 and back; never exactly 0 for a float t.
    const double radius = std::fabs(std::cos(double(t / 50.0f)) * 40.0);
    const double eyeX = std::sin(double(t / 5.0f)) * radius;
    const double eyeY = -std::cos(double(t / 5.0f)) * radius;

    for (int i = 0; i < 50; i++) {
        for (int j = 0; j < 50; j++) {
            RippleDot& dot = rippleDots[i][j];
            const float d1 =
                float(std::sqrt(double((f1x - i) * (f1x - i) + (f1y - j) * (f1y - j))));
            const float d2 =
                float(std::sqrt(double((f2x - i) * (f2x - i) + (f2y - j) * (f2y - j))));
            // Unclamped: near both points blue passes 1 and green goes negative.
            const float glow = 40.0f / (d1 + d2) + 0.1f;
            dot.blue = glow;
            dot.green = 1 - glow;
            const float r =
                float(std::sqrt(double((25.5f - i) * (25.5f - i) + (25.5f - j) * (25.5f - j))));
            const float h = float(std::sin(double(r - t / 5.0f)) * 0.8f);
            dot.x = i - 25.5f;
            dot.y = j - 25.5f;
            dot.z = h - 1;

            glLoadIdentity();
            gluLookAt(eyeX, eyeY, 10, 0, 0, 0, 0, 0, 1);
            glDisable(GL_BLEND);
            glLineWidth(picturePixels(2));
            glPointSize(picturePixels(2));
            glColor3f(0, dot.green, dot.blue);
            glPushMatrix();
            glTranslatef(dot.x, dot.y, dot.z);
            glBegin(GL_QUADS);
            glVertex3f(0, 0, 0);
            glVertex3f(0.2f, 0, 0);
            glVertex3f(0.2f, 0.2f, 0);
            glVertex3f(0, 0.2f, 0);
            glEnd();
            glPopMatrix();
        }
    }
}
