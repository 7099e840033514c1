#include "platform/dib_convert.h"

#include <cstring>
#include <new>

bool createDibSection(DibSection* section) {
    section->bits = new (std::nothrow) unsigned char[section->rowStride * section->height]();
    return section->bits != nullptr;
}

unsigned char* takeDibSectionBits(DibSection* section) {
    unsigned char* bits = section->bits;
    section->bits = nullptr;
    return bits;
}

void deleteDibSection(DibSection* section) {
    delete[] section->bits;
    section->bits = nullptr;
}

namespace {
struct Target {
    DibSection* section;
    const DibColor* colors;
    uint32_t colorCount;

    unsigned char* row(uint64_t y) const { return section->bits + section->rowStride * y; }
    static void put(unsigned char* at, uint8_t blue, uint8_t green, uint8_t red) {
        at[0] = blue;
        at[1] = green;
        at[2] = red;
    }
    void putIndex(unsigned char* at, uint32_t index) const {
        if (index < colorCount)
            put(at, colors[index].blue, colors[index].green, colors[index].red);
        else
            put(at, 0, 0, 0);
    }
};
} // namespace

// Widens a 5-bit channel so that full intensity stays full.
static uint8_t widen5(uint32_t value) {
    return uint8_t(value << 3 | value >> 2);
}

static void convertRow(const Target& target, const unsigned char* source, uint16_t bitCount,
                       unsigned char* out) {
    const int32_t width = target.section->width;
    switch (bitCount) {
    case 1:
    case 4:
    case 8: {
        const uint32_t mask = (1u << bitCount) - 1;
        const int perByte = 8 / bitCount;
        for (int32_t x = 0; x < width; x++, out += 3) {
            const int shift = 8 - bitCount * (x % perByte + 1);
            target.putIndex(out, (source[x / perByte] >> shift) & mask);
        }
        break;
    }
    case 16:
        for (int32_t x = 0; x < width; x++, out += 3, source += 2) {
            const uint32_t value = source[0] | uint32_t(source[1]) << 8;
            Target::put(out, widen5(value & 31), widen5(value >> 5 & 31), widen5(value >> 10 & 31));
        }
        break;
    case 24:
        for (int32_t x = 0; x < width; x++, out += 3, source += 3)
            Target::put(out, source[0], source[1], source[2]);
        break;
    case 32:
        for (int32_t x = 0; x < width; x++, out += 3, source += 4)
            Target::put(out, source[0], source[1], source[2]);
        break;
    }
}

static int convertUncompressed(const Target& target, const DibHeader& source,
                               const unsigned char* bits) {
    const uint64_t rows = uint64_t(target.section->height);
    const size_t stride = size_t((uint64_t(source.width) * source.bitCount + 31) / 32 * 4);
    for (uint64_t i = 0; i < rows; i++) {
        // A top-down file holds the top row first; the section wants the bottom one first.
        const uint64_t y = source.height < 0 ? rows - 1 - i : i;
        convertRow(target, bits + stride * i, source.bitCount, target.row(y));
    }
    return int(rows);
}

static int convertRle(const Target& target, bool four, const unsigned char* bits, size_t bitsSize) {
    const int64_t width = target.section->width;
    const int64_t rows = target.section->height;
    size_t pos = 0;
    int64_t x = 0, y = 0;
    auto plot = [&](uint32_t index) {
        if (x < width && y < rows)
            target.putIndex(target.row(uint64_t(y)) + 3 * x, index);
        x++;
    };
    while (y < rows) {
        if (bitsSize - pos < 2)
            return 0;
        const uint8_t count = bits[pos];
        const uint8_t value = bits[pos + 1];
        pos += 2;
        if (count > 0) {
            for (int i = 0; i < count; i++)
                plot(four ? (i % 2 ? value & 15 : value >> 4) : value);
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            y++;
            break;
        case 1: // end of bitmap
            return int(rows);
        case 2: // delta: move right and up
            if (bitsSize - pos < 2)
                return 0;
            x += bits[pos];
            y += bits[pos + 1];
            pos += 2;
            break;
        default: { // absolute run, padded to a 16-bit boundary
            const size_t bytes = four ? (value + 1u) / 2 : value;
            const size_t padded = (bytes + 1) & ~size_t(1);
            if (bitsSize - pos < padded)
                return 0;
            for (int i = 0; i < value; i++) {
                const uint8_t byte = bits[pos + (four ? i / 2 : i)];
                plot(four ? (i % 2 ? byte & 15 : byte >> 4) : byte);
            }
            pos += padded;
        }
        }
    }
    return int(rows);
}

int setDibBits(DibSection* section, const DibHeader& source, const DibColor* colors,
               uint32_t colorCount, const unsigned char* bits, size_t bitsSize) {
    if (!section->bits || !dibSourceUsable(source, bitsSize) || section->width != source.width ||
        uint64_t(section->height) != dibRowCount(source.height))
        return 0;
    const Target target{section, colors, colors ? colorCount : 0};
    if (source.compression == BI_RGB)
        return convertUncompressed(target, source, bits);
    return convertRle(target, source.compression == BI_RLE4, bits, bitsSize);
}
