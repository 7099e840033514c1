#include "tests/test_bitmaps.h"

#include <cstdlib>

BmpLayout patternedBmp(int bits, int width, int height) {
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bitsPerPixel = bits;
    const int rows = std::abs(height);
    if (bits <= 8) {
        const int colors = 1 << bits;
        for (int i = 0; i < colors; i++) {
            layout.palette.push_back(uint8_t(i * 37 + 11));
            layout.palette.push_back(uint8_t(255 - i * 53));
            layout.palette.push_back(uint8_t(i * 91 + 7));
        }
        for (int y = 0; y < rows; y++)
            for (int x = 0; x < width; x++)
                layout.pixels.push_back(uint8_t((x * 7 + y * 3 + (x / 4) * y) % colors));
    } else {
        for (int y = 0; y < rows; y++)
            for (int x = 0; x < width; x++) {
                layout.pixels.push_back(uint8_t(x * 40 + y));
                layout.pixels.push_back(uint8_t(y * 60 + 3));
                layout.pixels.push_back(uint8_t(255 - x * y * 9));
            }
    }
    return layout;
}

BmpLayout rleEscapesBmp(bool fourBits) {
    BmpLayout layout;
    layout.width = 6;
    layout.height = 3;
    layout.bitsPerPixel = fourBits ? 4 : 8;
    layout.compression = fourBits ? BmpCompression::rle4 : BmpCompression::rle8;
    layout.colorsUsed = 8;
    for (int i = 0; i < 8; i++)
        layout.palette.insert(layout.palette.end(), {uint8_t(100 + i), uint8_t(i), 50});
    if (fourBits)
        layout.rleData = {5, 0x12,             // row 0: 1 2 1 2 1
                          0, 0,                // end of line
                          0, 3,    0x45, 0x60, // row 1: absolute 4 5 6
                          0, 2,    1,    1,    // delta to x 4 of row 2
                          2, 0x73,             // 7 3
                          0, 1};
    else
        layout.rleData = {2, 1,             // row 0: two of colour 1
                          0, 0,             // end of line
                          0, 3, 4, 5, 6, 0, // row 1: absolute 4 5 6, padded
                          0, 2, 2, 1,       // delta: 2 right, 1 up
                          1, 7,             // row 2, x 5: colour 7
                          9, 3,             // runs past the right edge are dropped
                          0, 1,             // end of bitmap
                          1, 2};            // never read
    return layout;
}

std::vector<NamedBitmap> readableTestBitmaps() {
    std::vector<NamedBitmap> files;
    const auto add = [&](const std::string& name, const BmpLayout& layout) {
        files.push_back({name + ".bmp", encodeBmp(layout)});
    };
    for (int bits : {1, 4, 8, 16, 24, 32})
        for (bool os2 : {false, true})
            for (bool fileHeader : {true, false}) {
                if (os2 && (bits == 16 || bits == 32))
                    continue; // the core header knows no such depths
                BmpLayout layout = patternedBmp(bits, 5, 3);
                layout.os2Header = os2;
                layout.fileHeader = fileHeader;
                add(std::to_string(bits) + (os2 ? "_os2" : "_win") + (fileHeader ? "" : "_packed"),
                    layout);
            }
    for (int bits : {1, 4, 8})
        add("wide_" + std::to_string(bits), patternedBmp(bits, 37, 4));
    BmpLayout used3;
    used3.width = 6;
    used3.height = 2;
    used3.bitsPerPixel = 8;
    used3.colorsUsed = 3;
    used3.palette = {10, 20, 30, 40, 50, 60, 70, 80, 90};
    used3.pixels = {0, 1, 2, 2, 1, 0, 1, 1, 200, 3, 0, 2};
    add("used3", used3);
    for (int bits : {8, 24})
        add("topdown" + std::to_string(bits), patternedBmp(bits, 7, -5));
    for (int bits : {4, 8}) {
        BmpLayout layout = patternedBmp(bits, 37, 9);
        for (int y = 0; y < 9; y++)
            for (int x = 10; x < 30; x++)
                layout.pixels[size_t(y * 37 + x)] = uint8_t(y + (x > 20));
        layout.compression = bits == 8 ? BmpCompression::rle8 : BmpCompression::rle4;
        add("rle" + std::to_string(bits), layout);
    }
    BmpLayout wide = patternedBmp(8, 600, 2);
    for (int x = 0; x < 600; x++) {
        wide.pixels[size_t(x)] = 9;
        wide.pixels[size_t(600 + x)] = uint8_t(x);
    }
    wide.compression = BmpCompression::rle8;
    add("rle8_wide", wide);
    add("rle8_escapes", rleEscapesBmp(false));
    add("rle4_escapes", rleEscapesBmp(true));
    return files;
}
