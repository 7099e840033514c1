// Uncompressed 32-bit TGA files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// rgba holds width x height pixels of R, G, B, A, bottom row first unless
// topLeftOrigin, in which case the first row is the top one (and the header
// says so). The file stores B, G, R, A.
std::vector<uint8_t> encodeTga(int width, int height, const uint8_t* rgba,
                               bool topLeftOrigin = false);
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
