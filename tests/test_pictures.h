// The four TGA pictures the scene tests show, and pixel checks on read-back
// frames. Every picture has a band of its own colour around a border of
// pictureBand pixels and a different colour in each quadrant, none of them
// white, so the clear colour, a flip and a wrong texture all show.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    uint8_t r, g, b;
};

struct PicturePalette {
    Rgb band, bottomLeft, bottomRight, topLeft, topRight;
};

extern const PicturePalette titulo3Palette, tiaPalette, palmeraPalette, ufPalette;

constexpr int pictureSize = 256;
constexpr int pictureBand = 12;

// RGBA rows, bottom row first.
std::vector<uint8_t> makePicture(const PicturePalette& palette, int size = pictureSize);
// Writes titulo3.tga, tia.tga, palmera.tga and uf.tga into dir.
bool writePictures(const std::string& dir);
// Writes presents.3ds, logo.3ds and txiringo.3DS into dir, each one small
// untextured triangle, so start-up meets no message box.
bool writePlainModels(const std::string& dir);
// A fresh directory under the system's temporary directory.
std::string makeTempDir(const char* prefix);

// frame: RGB, bottom row first, width pixels per row.
Rgb pixelAt(const std::vector<uint8_t>& frame, int width, int x, int y);
bool near(Rgb a, Rgb b, int tolerance = 24);
// Pixels whose three channels all exceed 240: the white clear colour.
int countWhite(const std::vector<uint8_t>& frame);
