// Conversion of device-independent bitmap bits of any supported depth into
// a 24-bit section: GDI's on Windows (platform/windows), elsewhere a
// converter of our own that stands in for it (dib_convert.cpp). The checks
// on sizes (dib_layout.cpp) are the same for both.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_RLE8 = 1;
constexpr uint32_t BI_RLE4 = 2;
constexpr uint32_t BI_BITFIELDS = 3;

// The 40-byte info header as files store it.
struct DibHeader {
    uint32_t size;
    int32_t width;
    int32_t height; // negative for top-down bits
    uint16_t planes;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t imageSize;
    int32_t xPelsPerMeter;
    int32_t yPelsPerMeter;
    uint32_t colorsUsed;
    uint32_t colorsImportant;
};
static_assert(sizeof(DibHeader) == 40, "the info header is 40 bytes");

struct DibColor {
    uint8_t blue;
    uint8_t green;
    uint8_t red;
    uint8_t reserved;
};

// A 24-bit target: blue-green-red pixels, rows padded to 4 bytes, bottom row
// first whatever the order of the source.
struct DibSection {
    int32_t width = 0;
    int32_t height = 0;
    size_t rowStride = 0;
    unsigned char* bits = nullptr; // zero-filled
    void* platform = nullptr;      // what holds the bits, where the platform keeps them
};

// The number of rows of a bitmap of this height, whichever way its rows run.
uint64_t dibRowCount(int32_t height);
// False for dimensions no bitmap can have (not positive, or a section too
// large to address). Sets the section's width, height and stride.
bool dibSectionLayout(int32_t width, int32_t height, DibSection* section);
// Makes the zero-filled bits of a laid-out section; false when memory or the
// platform's resources are short.
bool createDibSection(DibSection* section);
// The bits as a buffer of the caller's (delete[]), the section left without
// them; null when memory is short. Where the platform holds the bits, they
// are copied out.
unsigned char* takeDibSectionBits(DibSection* section);
// Safe on a section without bits.
void deleteDibSection(DibSection* section);

// True when this converter handles the source's depth and compression and,
// for uncompressed bits, `bitsSize` bytes hold every row the header announces.
bool dibSourceUsable(const DibHeader& source, size_t bitsSize);

// Converts `bits` (the `bitsSize` bytes from the source's first pixel byte to
// the end of the file) as `source` and its `colorCount` colours describe them
// into the section, which must have the source's width and |height|.
// Returns the number of rows converted; 0 when the description is not one
// this converter handles or the bits would be read past `bitsSize`.
// Palette indices past the colour table give black; RLE pixels that fall
// outside the picture are dropped, and pixels the RLE data skips stay black.
int setDibBits(DibSection* section, const DibHeader& source, const DibColor* colors,
               uint32_t colorCount, const unsigned char* bits, size_t bitsSize);
