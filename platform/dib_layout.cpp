#include "platform/dib_convert.h"

#include <climits>

uint64_t dibRowCount(int32_t height) {
    return height < 0 ? uint64_t(-int64_t(height)) : uint64_t(height);
}

bool dibSectionLayout(int32_t width, int32_t height, DibSection* section) {
    if (width <= 0 || height == 0)
        return false;
    const uint64_t rows = dibRowCount(height);
    const uint64_t stride = (uint64_t(width) * 3 + 3) & ~uint64_t(3);
    // Sizes are kept within what a signed 32-bit image size can describe.
    if (rows > INT32_MAX || stride * rows > uint64_t(INT32_MAX))
        return false;
    section->width = width;
    section->height = int32_t(rows);
    section->rowStride = size_t(stride);
    section->bits = nullptr;
    return true;
}

static bool uncompressedDepth(uint16_t bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
           bitCount == 32;
}

bool dibSourceUsable(const DibHeader& source, size_t bitsSize) {
    if (source.width <= 0 || source.height == 0)
        return false;
    const uint64_t rows = dibRowCount(source.height);
    switch (source.compression) {
    case BI_RGB: {
        if (!uncompressedDepth(source.bitCount))
            return false;
        const uint64_t stride = (uint64_t(source.width) * source.bitCount + 31) / 32 * 4;
        return stride <= bitsSize && rows <= bitsSize / stride;
    }
    // Run-length data is always stored bottom-up; its length is checked as it is decoded.
    case BI_RLE8:
        return source.bitCount == 8 && source.height > 0;
    case BI_RLE4:
        return source.bitCount == 4 && source.height > 0;
    default:
        return false;
    }
}
