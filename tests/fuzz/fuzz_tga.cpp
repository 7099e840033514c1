// loadTga on arbitrary bytes written to a file.
#include "image/image.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A short file legitimately gives a full-size, zero-filled picture, so
    // pictures beyond 4096 x 4096 only cost memory here.
    if (size >= 16) {
        const uint32_t width = data[12] | uint32_t(data[13]) << 8;
        const uint32_t height = data[14] | uint32_t(data[15]) << 8;
        if (uint64_t(width) * height > 4096 * 4096)
            return -1;
    }
    static const std::string path = "/tmp/fuzz_tga_" + std::to_string(getpid()) + ".tga";
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    fwrite(data, 1, size, file);
    fclose(file);
    ImageRGBA* image = loadTga(path.c_str());
    if (image) {
        unsigned sum = 0;
        for (size_t i = 0; i < size_t(image->width) * image->height * 4; i++)
            sum += image->pixels[i];
        if (sum == 1u << 31)
            fputc(0, stderr);
        free(image->pixels);
        delete image;
    }
    return 0;
}
