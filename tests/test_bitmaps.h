// The BMP files the reader tests read, written with the BMP writer: every
// depth with both headers and without a file header, rows that need padding,
// a short colour table, top-down rows, run-length data with every escape.
#pragma once

#include "tools/writers/bmp_writer.h"

#include <string>
#include <vector>

// A picture of `width` x `height` (negative: top-down) whose pixels differ
// from their neighbours; a full palette for the small depths.
BmpLayout patternedBmp(int bits, int width, int height);
// Run-length data written by hand with an end of line, an absolute run, a
// delta, a run past the right edge and an early end of bitmap; 4 or 8 bits.
BmpLayout rleEscapesBmp(bool fourBits);

struct NamedBitmap {
    std::string name;
    std::vector<uint8_t> file;
};
// Every file the reader reads in its tests, each under a name of its own.
std::vector<NamedBitmap> readableTestBitmaps();
