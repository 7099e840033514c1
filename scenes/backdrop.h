// The picture backdrop shared by Scenes 4 to 6 (scenes/ only).
#pragma once

#include <cstdint>

// Clears the frame, sets the camera at (0, 0, 10) looking at the origin and
// draws an 18 x 18 square at depth z carrying the whole of `texture`, upright.
// Leaves fill mode, blending off, texturing on with `texture` bound, colour
// white and texture coordinate (0, 1).
void drawBackdrop(uint32_t texture, float z);
