// The pictures the video encoder hands ffmpeg, made from the frames as they
// were read back: RGBA bytes, the bottom row first, at the video's size.
//
// A supersampled frame is drawn `factor` times as wide and as high as the
// video, and each picture pixel is the mean of the factor x factor drawn
// pixels it covers: a box filter, which weighs each drawn pixel by the
// share of the picture pixel it stands for, as a camera's sensor would. The
// mean is taken in linear light (the sRGB curve undone, then applied again
// to the mean), since that is how light from the parts of a pixel adds up:
// a pixel that a bright line half covers shows half the line's light. A
// mean of the coded values would darken bright lines on a dark ground and
// thin them (and thicken dark ones), so the lines would no longer look as
// wide as at 768 lines.
#pragma once

#include "platform/video_encoder.h"

#include <cstddef>
#include <cstdint>

// Whether frames in this layout at this factor are already the pictures
// ffmpeg gets, so no conversion is needed.
bool picturesAsDrawn(PixelLayout layout, int factor);

// `drawn`: (width * factor) x (height * factor) pixels in `layout`, the
// bottom row first. `rgba`: width x height pixels. At factor 1 each colour
// is only brought to 8 bits (10-bit colour rounded to the nearest value, as
// OpenGL reads such a surface as bytes).
void convertPicture(const uint8_t* drawn, PixelLayout layout, int factor, int width, int height,
                    uint8_t* rgba);
