#include "image/image.h"
#include "platform/dib_convert.h"
#include "platform/file_mapping.h"
#include "platform/message_box.h"

#include <cstdio>
#include <new>

static uint32_t read16(const unsigned char* at) {
    return at[0] | uint32_t(at[1]) << 8;
}
static uint32_t read32(const unsigned char* at) {
    return read16(at) | read16(at + 2) << 16;
}

// Colour-table length of the info header at `header`, whose whole header
// (12 or 40 bytes) lies inside the file.
static uint16_t dibColorCount(const unsigned char* header) {
    uint32_t bitCount;
    if (read32(header) == 12) {
        bitCount = read16(header + 10);
    } else {
        const uint32_t colorsUsed = read32(header + 32);
        if (colorsUsed != 0)
            return uint16_t(colorsUsed);
        bitCount = read16(header + 14);
    }
    switch (bitCount) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

namespace {
enum class Failure { none, open, format, memory, conversion };

// What readDibFile obtains, released in reverse order whatever happens.
struct Work {
    FileMapping file;
    DibColor* colors = nullptr;
    DibSection section;
    unsigned char* output = nullptr;
    DibImage* image = nullptr;
};
} // namespace

// Reads the mapped file into work.image. Every header field, count and offset
// is checked against the mapped size before it is used.
static Failure convertMapped(Work& work) {
    const unsigned char* data = work.file.data;
    const size_t size = work.file.size;

    size_t headerAt = 0;
    uint64_t bitsAt = 0;
    bool bitsAtKnown = false;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        if (size < 14)
            return Failure::conversion;
        bitsAt = read32(data + 10);
        bitsAtKnown = true;
        headerAt = 14;
    }
    if (size - headerAt < 4)
        return Failure::conversion;
    const unsigned char* header = data + headerAt;
    const uint32_t headerSize = read32(header);
    if (headerSize != 12 && headerSize != 40)
        return Failure::format;
    if (size - headerAt < headerSize)
        return Failure::conversion;

    const uint32_t colorCount = dibColorCount(header);
    work.colors = new (std::nothrow) DibColor[colorCount + 1]();
    if (!work.colors)
        return Failure::memory;
    const size_t entrySize = headerSize == 12 ? 3 : 4;
    const size_t tableAt = headerAt + headerSize;
    if ((size - tableAt) / entrySize < colorCount)
        return Failure::conversion;

    DibHeader source{};
    const unsigned char* table = data + tableAt;
    if (headerSize == 12) {
        source.size = 40;
        source.width = int32_t(read16(header + 4));
        source.height = int32_t(read16(header + 6));
        source.planes = uint16_t(read16(header + 8));
        source.bitCount = uint16_t(read16(header + 10));
        source.colorsUsed = colorCount;
        source.colorsImportant = colorCount;
    } else {
        source.size = read32(header);
        source.width = int32_t(read32(header + 4));
        source.height = int32_t(read32(header + 8));
        source.planes = uint16_t(read16(header + 12));
        source.bitCount = uint16_t(read16(header + 14));
        source.compression = read32(header + 16);
        source.imageSize = read32(header + 20);
        source.xPelsPerMeter = int32_t(read32(header + 24));
        source.yPelsPerMeter = int32_t(read32(header + 28));
        source.colorsUsed = read32(header + 32);
        source.colorsImportant = read32(header + 36);
    }
    for (uint32_t i = 0; i < colorCount; i++) {
        const unsigned char* entry = table + i * entrySize;
        work.colors[i] = DibColor{entry[0], entry[1], entry[2], 0};
    }
    if (!bitsAtKnown)
        bitsAt = tableAt + entrySize * colorCount;
    if (source.imageSize == 0)
        source.imageSize =
            (uint32_t(source.width) * source.bitCount + 7) / 8 * uint32_t(source.height);
    if (source.colorsUsed == 0)
        source.colorsUsed = colorCount;

    const unsigned char* bits = bitsAt < size ? data + bitsAt : nullptr;
    const size_t bitsSize = bitsAt < size ? size_t(size - bitsAt) : 0;
    // Refused before the section is made: a lying header must not cost memory.
    // Uncompressed rows must all be in the file; run-length data can describe
    // any size in a few bytes, so it gets the fixed cap.
    if (!dibSectionLayout(source.width, source.height, &work.section) ||
        !dibSourceUsable(source, bitsSize) ||
        (source.compression != BI_RGB &&
         uint64_t(work.section.width) * uint64_t(work.section.height) > maxPicturePixels))
        return Failure::conversion;
    if (!createDibSection(&work.section))
        return Failure::memory;
    if (setDibBits(&work.section, source, work.colors, colorCount, bits, bitsSize) == 0)
        return Failure::conversion;

    // The section becomes the output: its rows are packed and turned to RGB
    // in place, front to back, so the picture is held only once.
    const int32_t width = work.section.width;
    const int32_t rows = work.section.height;
    work.output = takeDibSectionBits(&work.section);
    if (!work.output)
        return Failure::memory;
    unsigned char* out = work.output;
    for (int32_t y = 0; y < rows; y++) {
        const unsigned char* in = work.output + work.section.rowStride * y;
        for (int32_t x = 0; x < width; x++, in += 3, out += 3) {
            const unsigned char blue = in[0], green = in[1], red = in[2];
            out[0] = red;
            out[1] = green;
            out[2] = blue;
        }
    }
    // Top-down files come out bottom row first like the others, so the
    // height is always the positive row count.
    work.image = new (std::nothrow) DibImage{width, rows, work.output};
    if (!work.image)
        return Failure::memory;
    return Failure::none;
}

DibImage* readDibFile(const char* fileName) {
    Work work;
    Failure failure = Failure::open;
    if (mapFile(fileName, &work.file))
        failure = convertMapped(work);

    deleteDibSection(&work.section);
    delete[] work.colors;
    unmapFile(&work.file);
    if (work.image)
        return work.image;
    delete[] work.output;

    char text[256];
    switch (failure) {
    case Failure::open:
        snprintf(text, sizeof text, "Failed to open DIB file %s.\n", fileName);
        break;
    case Failure::format:
        snprintf(text, sizeof text, "Unknown DIB file format.");
        break;
    case Failure::memory:
        snprintf(text, sizeof text, "Out of memory.");
        break;
    case Failure::conversion:
    case Failure::none:
        snprintf(text, sizeof text, "Image file conversion error.");
        break;
    }
    MessageBoxA(GetFocus(), text, "Error", MB_OK);
    return nullptr;
}

ImageRGB* loadBmp(const char* fileName) {
    DibImage* dib = readDibFile(fileName);
    if (!dib)
        return nullptr;
    // rowSize is given too, so that every ImageRGB says how its rows are laid out.
    ImageRGB* image =
        new (std::nothrow) ImageRGB{dib->width * 3, dib->width, dib->height, dib->pixels};
    if (!image)
        delete[] dib->pixels;
    delete dib;
    return image;
}
