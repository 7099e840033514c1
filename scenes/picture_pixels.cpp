#include "scenes/scenes.h"

#include <cmath>

// Written by setPictureHeight only; 768 until the shell says otherwise.
static int pictureLines = madeForLines;

void setPictureHeight(int lines) {
    pictureLines = lines;
}

float picturePixels(float pixels) {
    if (pictureLines == madeForLines)
        return pixels;
    // Whole pixels, as GL draws lines and points without smoothing: 5 at
    // 768 lines is 7.03 and so 7 at 1080, 14.06 and so 14 at 2160.
    const double scaled = std::floor(double(pixels) * pictureLines / madeForLines + 0.5);
    return float(scaled < 1 ? 1 : scaled);
}
