// The four pictures the scenes show. Each is drawn in 640 x 480 design units
// and stored squeezed into a 512 x 512 texture: every scene stretches its
// picture back to 4:3 on the screen.
#pragma once

#include "tools/assetgen/canvas.h"

constexpr float pictureWidth = 640;
constexpr float pictureHeight = 480;

Canvas makePictureCanvas(Rgba background);

Canvas drawTitlePicture();
Canvas drawPortraitPicture();
Canvas drawBeachPicture();
Canvas drawCreditsPicture();

// Scattered stars over the box: small soft dots of varied brightness.
void paintStars(Canvas& canvas, Box area, int count, uint32_t seed, Rgba color);
