// The tia picture as backdrop, with a wire cube and a textured cube tumbling
// about the same centre, right of the view centre, by sceneTime degrees.
//
// Expects: depth test on (GL_LEQUAL); anything else as the previous scene
// left it. Leaves: GL_LIGHT0, lighting, colour material and fog off;
// texturing on with texTia bound; fill mode; blending off; line width 5 (at
// 768 lines); colour white; texture coordinate (0, 1); the modelview matrix
// holding the inner cube's transform. sceneTime grows by 0.2 per frame.
#include "image/image.h"
#include "scenes/backdrop.h"
#include "scenes/scenes.h"

#include <GL/gl.h>

void Scene4(int32_t, int32_t, int32_t) {
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_FOG);
    Scene4Backdrop();
    Scene4Cubes();
}

// An 18 x 18 square 20 units in front of the eye, where the view is only 16
// wide: it covers the whole view.
void Scene4Backdrop() {
    sceneTime += 0.1f;
    drawBackdrop(texTia, -10);
}

// No camera: both cubes sit at (2, 0, -6) in eye coordinates. The wire cube
// has no texture coordinates of its own, so its lines carry the tia colour at
// (0, 1), the last coordinate the backdrop sent.
void Scene4Cubes() {
    const float t = sceneTime;
    const float s = 0.6f;
    const float a = 3 * s / 4;

    glLoadIdentity();
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glDisable(GL_BLEND);
    glTranslatef(2, 0, -6);
    glRotatef(t, 4, 0, 0);
    glRotatef(t, 0, 1, 0);
    glRotatef(t, 0, 0, 2);
    glLineWidth(picturePixels(5));

    // Four side faces without top or bottom: their outlines still give all
    // twelve edges.
    glBegin(GL_QUADS);
    glVertex3f(-s, -s, s);
    glVertex3f(-s, s, s);
    glVertex3f(s, s, s);
    glVertex3f(s, -s, s);

    glVertex3f(s, s, s);
    glVertex3f(s, s, -s);
    glVertex3f(s, -s, -s);
    glVertex3f(s, -s, s);

    glVertex3f(s, s, -s);
    glVertex3f(s, -s, -s);
    glVertex3f(-s, -s, -s);
    glVertex3f(-s, s, -s);

    glVertex3f(-s, -s, -s);
    glVertex3f(-s, -s, s);
    glVertex3f(-s, s, s);
    glVertex3f(-s, s, -s);
    glEnd();

    glLoadIdentity();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glTranslatef(2, 0, -6);
    glRotatef(t, 0, 1, 0);
    glRotatef(t, 0, 0, 2);
    glRotatef(t, 4, 1, 2);
    glBindTexture(GL_TEXTURE_2D, texTia);

    // The inner cube's corners reach farther than the wire cube's faces, so
    // they pass through the frame as the two turn differently.
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(-a, -a, a);
    glTexCoord2f(1, 0);
    glVertex3f(-a, a, a);
    glTexCoord2f(1, 1);
    glVertex3f(a, a, a);
    glTexCoord2f(0, 1);
    glVertex3f(a, -a, a);

    glTexCoord2f(0, 0);
    glVertex3f(a, a, a);
    glTexCoord2f(1, 0);
    glVertex3f(a, a, -a);
    glTexCoord2f(1, 1);
    glVertex3f(a, -a, -a);
    glTexCoord2f(0, 1);
    glVertex3f(a, -a, a);

    glTexCoord2f(0, 0);
    glVertex3f(a, a, -a);
    glTexCoord2f(1, 0);
    glVertex3f(a, -a, -a);
    glTexCoord2f(1, 1);
    glVertex3f(-a, -a, -a);
    glTexCoord2f(0, 1);
    glVertex3f(-a, a, -a);

    glTexCoord2f(0, 0);
    glVertex3f(-a, -a, -a);
    glTexCoord2f(1, 0);
    glVertex3f(-a, -a, a);
    glTexCoord2f(1, 1);
    glVertex3f(-a, a, a);
    glTexCoord2f(0, 1);
    glVertex3f(-a, a, -a);

    glTexCoord2f(0, 0);
    glVertex3f(-a, a, a);
    glTexCoord2f(1, 0);
    glVertex3f(a, a, a);
    glTexCoord2f(1, 1);
    glVertex3f(a, a, -a);
    glTexCoord2f(0, 1);
    glVertex3f(-a, a, -a);

    glTexCoord2f(0, 0);
    glVertex3f(-a, -a, a);
    glTexCoord2f(1, 0);
    glVertex3f(a, -a, a);
    glTexCoord2f(1, 1);
    glVertex3f(a, -a, -a);
    glTexCoord2f(0, 1);
    glVertex3f(-a, -a, -a);
    glEnd();

    sceneTime += 0.1f;
}
