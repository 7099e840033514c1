#include "scenes/backdrop.h"

#include <GL/gl.h>
#include <GL/glu.h>

void beginPictureFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    gluLookAt(0, 0, 10, 0, 0, 0, 0, 1, 0);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
}

void drawBackdrop(uint32_t texture, float z) {
    beginPictureFrame();

    glPushMatrix();
    glBindTexture(GL_TEXTURE_2D, texture);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(-9, -9, z);
    glTexCoord2f(1, 0);
    glVertex3f(9, -9, z);
    glTexCoord2f(1, 1);
    glVertex3f(9, 9, z);
    glTexCoord2f(0, 1);
    glVertex3f(-9, 9, z);
    glEnd();
    glPopMatrix();
}
