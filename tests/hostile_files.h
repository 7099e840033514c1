// Small files whose headers lie about their size, made with our own writers:
// the reader tests check what each reader makes of them, and the hostile
// files bench measures inspect and the demo on all of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct HostileFile {
    std::string name; // its extension picks the reader
    std::vector<uint8_t> bytes;
    bool refused; // false: the reader makes a bounded picture or model of it
};

// A colour JPEG of the given size as the frame header announces it; the
// data is that of a 16 x 16 picture.
std::vector<uint8_t> jpegAnnouncing(int width, int height, int components = 3,
                                    bool progressive = false);

std::vector<HostileFile> hostileTgaFiles();
std::vector<HostileFile> hostileBmpFiles();
std::vector<HostileFile> hostileJpegFiles();
std::vector<HostileFile> hostile3dsFiles();
