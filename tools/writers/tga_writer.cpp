#include "tools/writers/tga_writer.h"

#include <fstream>

std::vector<uint8_t> encodeTga(int width, int height, const uint8_t* rgba, bool topLeftOrigin) {
    std::vector<uint8_t> out(18, 0);
    out[2] = 2; // uncompressed true-colour
    out[12] = width & 0xFF;
    out[13] = (width >> 8) & 0xFF;
    out[14] = height & 0xFF;
    out[15] = (height >> 8) & 0xFF;
    out[16] = 32;
    out[17] = 8 | (topLeftOrigin ? 0x20 : 0); // 8 alpha bits, origin
    size_t count = size_t(width) * size_t(height);
    out.reserve(18 + count * 4);
    for (size_t i = 0; i < count; i++) {
        const uint8_t* p = rgba + i * 4;
        out.insert(out.end(), {p[2], p[1], p[0], p[3]});
    }
    return out;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(file);
}
