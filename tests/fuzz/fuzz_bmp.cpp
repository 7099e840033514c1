// readDibFile on arbitrary bytes written to a file. Failures only write
// their message box line to standard error here.
#include "image/image.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

static uint32_t read16(const uint8_t* at) {
    return at[0] | uint32_t(at[1]) << 8;
}
static uint32_t read32(const uint8_t* at) {
    return read16(at) | read16(at + 2) << 16;
}

// Run-length files may announce any size in a few bytes and still be read
// as a black picture of that size; such pictures only cost time here.
static bool announcesHugePicture(const uint8_t* data, size_t size) {
    size_t header = size >= 2 && data[0] == 'B' && data[1] == 'M' ? 14 : 0;
    if (size < header + 12)
        return false;
    int64_t width, height;
    if (read32(data + header) == 12) {
        width = read16(data + header + 4);
        height = read16(data + header + 6);
    } else {
        width = int32_t(read32(data + header + 4));
        height = int32_t(read32(data + header + 8));
    }
    return std::llabs(width) * std::llabs(height) > 4096 * 4096;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (announcesHugePicture(data, size))
        return -1;
    static const std::string path = "/tmp/fuzz_bmp_" + std::to_string(getpid()) + ".bmp";
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    fwrite(data, 1, size, file);
    fclose(file);
    DibImage* image = readDibFile(path.c_str());
    if (image) {
        // Touch every delivered byte so that a short buffer shows.
        unsigned sum = 0;
        for (size_t i = 0; i < size_t(image->width) * image->height * 3; i++)
            sum += image->pixels[i];
        if (sum == 1u << 31)
            fputc(0, stderr);
        delete[] image->pixels;
        delete image;
    }
    return 0;
}
