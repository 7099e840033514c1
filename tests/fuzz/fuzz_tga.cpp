// loadTga on arbitrary bytes written to a file.
#include "image/image.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

// One file per process, removed when the run ends; libFuzzer's fork mode
// starts many processes.
static std::string inputPath() {
    static const std::string path = "/tmp/fuzz_tga_" + std::to_string(getpid()) + ".tga";
    atexit([] { unlink(path.c_str()); });
    return path;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = inputPath();
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
