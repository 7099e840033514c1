// The models' texture images. Each is drawn on a canvas one design unit per
// pixel; palette files are reduced to their palette before writing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TextureImage {
    std::string file; // the name the material gives
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;   // as stored: palette colours already applied; bottom row first
    std::vector<uint8_t> bytes; // the whole file
};

// Every texture file the models name.
std::vector<TextureImage> buildTextures();
