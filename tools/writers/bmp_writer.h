// BMP files of every depth the demo's reader accepts, and some it refuses.
#pragma once

#include <cstdint>
#include <vector>

enum class BmpCompression { rgb = 0, rle8 = 1, rle4 = 2 };

struct BmpLayout {
    int width = 0;
    int height = 0;        // rows as given; negative writes a top-down file
    int bitsPerPixel = 24; // 1, 4, 8, 16 (5-5-5), 24, 32
    BmpCompression compression = BmpCompression::rgb;
    bool os2Header = false;       // 12-byte core header with 3-byte palette entries
    bool fileHeader = true;       // false: a packed DIB without "BM"
    uint32_t headerSize = 0;      // 0: 40 or 12; anything else is written as given
    uint32_t colorsUsed = 0;      // written into the 40-byte header
    std::vector<uint8_t> palette; // R, G, B per entry
    // For 1-, 4- and 8-bit: one palette index per pixel. For 16, 24 and 32:
    // R, G, B per pixel. Bottom row first, whatever the sign of height.
    std::vector<uint8_t> pixels;
    // RLE4/RLE8 only: when not empty, written as the pixel bits instead of
    // encoding `pixels`, so that escapes (delta, early end of line or of
    // bitmap) can be crafted by hand.
    std::vector<uint8_t> rleData;
};

// The palette is written with as many entries as the header announces
// (colorsUsed, or 2^bitsPerPixel up to 8 bits), padded with black or cut.
// RLE data is a real encoder: repeated pixels as runs, the rest in absolute
// mode, an end of line after each row and an end of bitmap after the last.
std::vector<uint8_t> encodeBmp(const BmpLayout& layout);
