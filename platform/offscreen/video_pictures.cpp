#include "platform/offscreen/video_pictures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

bool picturesAsDrawn(PixelLayout layout, int factor) {
    return layout == PixelLayout::rgba8 && factor == 1;
}

// Each 10-bit colour rounded to the nearest 8-bit one, as Mesa reads a
// 10-bit surface as bytes.
static void unpackPicture(const uint8_t* packed, size_t bytes, uint8_t* rgba) {
    static const std::array<uint8_t, 1024> eightBits = [] {
        std::array<uint8_t, 1024> table{};
        for (unsigned x = 0; x < 1024; x++)
            table[x] = uint8_t((x * 255 + 511) / 1023);
        return table;
    }();
    for (size_t i = 0; i < bytes; i += 4) {
        uint32_t word;
        std::memcpy(&word, packed + i, 4);
        rgba[i] = eightBits[(word >> 20) & 1023];
        rgba[i + 1] = eightBits[(word >> 10) & 1023];
        rgba[i + 2] = eightBits[word & 1023];
        rgba[i + 3] = 255;
    }
}

// Light in 16 bits: 0 is black, 65535 full white.
struct LinearLight {
    uint16_t from8[256];
    uint16_t from10[1024];
    uint8_t to8[65536]; // the nearest 8-bit code of each light value
};

static const LinearLight& linearLight() {
    static const LinearLight* const tables = [] {
        static LinearLight made;
        const auto decode = [](double code) {
            return code <= 0.04045 ? code / 12.92 : std::pow((code + 0.055) / 1.055, 2.4);
        };
        for (int c = 0; c < 256; c++)
            made.from8[c] = uint16_t(std::lround(decode(c / 255.0) * 65535));
        for (int c = 0; c < 1024; c++)
            made.from10[c] = uint16_t(std::lround(decode(c / 1023.0) * 65535));
        for (int light = 0; light < 65536; light++) {
            const double l = light / 65535.0;
            const double code = l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
            made.to8[light] = uint8_t(std::lround(std::min(1.0, std::max(0.0, code)) * 255));
        }
        return &made;
    }();
    return *tables;
}

// Adds a drawn pixel's red, green and blue light to `sum`.
template <PixelLayout layout>
static inline void addLight(const uint8_t* pixel, const LinearLight& light, uint32_t* sum) {
    if (layout == PixelLayout::bgr10a2) {
        uint32_t word;
        std::memcpy(&word, pixel, 4);
        sum[0] += light.from10[(word >> 20) & 1023];
        sum[1] += light.from10[(word >> 10) & 1023];
        sum[2] += light.from10[word & 1023];
    } else {
        const int red = layout == PixelLayout::bgra8 ? 2 : 0;
        sum[0] += light.from8[pixel[red]];
        sum[1] += light.from8[pixel[1]];
        sum[2] += light.from8[pixel[2 - red]];
    }
}

// Each picture pixel from the factor x factor block under it, row by row.
template <PixelLayout layout, int factor>
static void boxFilter(const uint8_t* drawn, int width, int height, uint8_t* rgba) {
    const LinearLight& light = linearLight();
    const size_t drawnRow = size_t(width) * factor * 4;
    // The mean as a product, rounded: samples * reciprocal is 2^32 within
    // rounding, and never above it, so the mean stays within the table.
    constexpr uint64_t samples = factor * factor;
    constexpr uint64_t reciprocal = (uint64_t(1) << 32) / samples;
    const auto mean = [](uint32_t sum) -> uint32_t {
        return uint32_t((sum * reciprocal + (uint64_t(1) << 31)) >> 32);
    };
    for (int y = 0; y < height; y++) {
        const uint8_t* block = drawn + size_t(y) * factor * drawnRow;
        uint8_t* out = rgba + size_t(y) * size_t(width) * 4;
        for (int x = 0; x < width; x++, block += factor * 4, out += 4) {
            uint32_t sum[3] = {0, 0, 0};
            for (int dy = 0; dy < factor; dy++)
                for (int dx = 0; dx < factor; dx++)
                    addLight<layout>(block + dy * drawnRow + dx * 4, light, sum);
            out[0] = light.to8[mean(sum[0])];
            out[1] = light.to8[mean(sum[1])];
            out[2] = light.to8[mean(sum[2])];
            out[3] = 255;
        }
    }
}

template <PixelLayout layout>
static void boxFilter(const uint8_t* drawn, int factor, int width, int height, uint8_t* rgba) {
    if (factor == 2)
        boxFilter<layout, 2>(drawn, width, height, rgba);
    else if (factor == 3)
        boxFilter<layout, 3>(drawn, width, height, rgba);
    else
        boxFilter<layout, 4>(drawn, width, height, rgba);
}

void convertPicture(const uint8_t* drawn, PixelLayout layout, int factor, int width, int height,
                    uint8_t* rgba) {
    const size_t bytes = size_t(width) * size_t(height) * 4;
    if (factor == 1 && layout == PixelLayout::bgr10a2) {
        unpackPicture(drawn, bytes, rgba);
    } else if (factor == 1) {
        const int red = layout == PixelLayout::bgra8 ? 2 : 0;
        for (size_t i = 0; i < bytes; i += 4) {
            rgba[i] = drawn[i + size_t(red)];
            rgba[i + 1] = drawn[i + 1];
            rgba[i + 2] = drawn[i + 2 - size_t(red)];
            rgba[i + 3] = 255;
        }
    } else if (layout == PixelLayout::bgr10a2) {
        boxFilter<PixelLayout::bgr10a2>(drawn, factor, width, height, rgba);
    } else if (layout == PixelLayout::bgra8) {
        boxFilter<PixelLayout::bgra8>(drawn, factor, width, height, rgba);
    } else {
        boxFilter<PixelLayout::rgba8>(drawn, factor, width, height, rgba);
    }
}
