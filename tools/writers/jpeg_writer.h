// JPEG files through libjpeg's compressor.
#pragma once

#include <cstdint>
#include <vector>

// components: 1 (grayscale) or 3 (R, G, B). Rows top first.
std::vector<uint8_t> encodeJpeg(int width, int height, int components, const uint8_t* pixels,
                                int quality = 90, bool progressive = false);
