// The uf picture as a still backdrop straight in front of the camera.
// Nothing moves; sceneTime still advances by 0.1 per frame.
//
// Expects: depth test on (GL_LEQUAL); anything else as the previous scene
// left it. Leaves: GL_LIGHT0, lighting, colour material and fog off;
// texturing on with texUf bound; fill mode; blending off; colour white;
// texture coordinate (0, 1); the modelview matrix holding the camera.
#include "image/image.h"
#include "scenes/backdrop.h"
#include "scenes/scenes.h"

#include <GL/gl.h>

void Scene6(int32_t, int32_t, int32_t) {
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_FOG);
    Scene6Backdrop();
}

// An 18 x 18 square 21 units in front of the eye, where the view is 16.8
// wide: it covers the whole view and shows the middle 16.8 units of the picture.
void Scene6Backdrop() {
    advanceStillClock();
    drawBackdrop(texUf, -11);
}
