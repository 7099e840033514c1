// What the picture scenes share (scenes/ only).
#pragma once

#include <cstdint>

// Clears the frame and sets the camera at (0, 0, 10) looking at the origin,
// with fill mode, blending off and texturing on: how Scenes 2, 4, 5 and 6
// begin drawing their pictures.
void beginPictureFrame();

// beginPictureFrame, then an 18 x 18 square at depth z carrying the whole of
// `texture`, upright. Leaves fill mode, blending off, texturing on with `texture` bound, colour
// white and texture coordinate (0, 1).
void drawBackdrop(uint32_t texture, float z);
