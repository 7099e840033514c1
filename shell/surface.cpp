#include "scenes/scenes.h"
#include "shell/shell.h"

#include <GL/gl.h>
#include <cstdint>

// The surface the frames are drawn on; written by setSurface only.
static struct {
    PictureArea area = {0, 0, 0, 0};
    bool banded = false;      // not 4:3: clip to the area, black bands around it
    int lines = madeForLines; // the height the scenes' pixel sizes are scaled to
} surface;

PictureArea pictureArea(int width, int height) {
    if (int64_t(width) * 3 > int64_t(height) * 4) {
        const int areaWidth = int(int64_t(height) * 4 / 3);
        return {(width - areaWidth) / 2, 0, areaWidth, height};
    }
    const int areaHeight = int(int64_t(width) * 3 / 4);
    return {0, (height - areaHeight) / 2, width, areaHeight};
}

void setSurface(int width, int height) {
    const PictureArea area = pictureArea(width, height);
    const bool banded = area.width != width || area.height != height;
    glViewport(area.x, area.y, area.width, area.height);
    // Every clear of the frame, the scenes' own included, stays inside the
    // picture; a 4:3 surface keeps exactly the calls it always had.
    if (banded) {
        glScissor(area.x, area.y, area.width, area.height);
        glEnable(GL_SCISSOR_TEST);
    } else if (surface.banded) {
        glDisable(GL_SCISSOR_TEST);
    }
    surface.area = area;
    surface.banded = banded;
    // The scenes scale their line widths and point sizes to the picture's
    // height; the lines of Scenes 1 and 2 in line mode take GL's default
    // width, which scales the same way. At 768 lines nothing changes.
    if (area.height != surface.lines) {
        setPictureHeight(area.height);
        glLineWidth(picturePixels(1));
        glPointSize(picturePixels(1));
        surface.lines = area.height;
    }
    setProjection();
}

void setProjection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // Square and fixed: on the 4:3 area the picture is stretched as made.
    glFrustum(-2, 2, -2, 2, 5, 100);
}

// The back buffer's bands hold whatever an earlier frame or the window
// system left there, so they are cleared on every frame.
void clearOutsidePicture() {
    if (!surface.banded)
        return;
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_SCISSOR_BIT);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glPopAttrib();
}
