// JPEG files through libjpeg's compressor.
#pragma once

#include <cstdint>
#include <vector>

// components: 1 (grayscale) or 3 (R, G, B). Rows top first.
std::vector<uint8_t> encodeJpeg(int width, int height, int components, const uint8_t* pixels,
                                int quality = 90, bool progressive = false);

// Four-component CMYK with an Adobe marker, as print software writes it:
// the bytes are stored as given, in Adobe's inverted form (255 = no ink).
std::vector<uint8_t> encodeJpegCmyk(int width, int height, const uint8_t* cmyk, int quality = 90);
