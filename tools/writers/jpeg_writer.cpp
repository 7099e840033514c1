#include "tools/writers/jpeg_writer.h"

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

static std::vector<uint8_t> compress(int width, int height, int components, J_COLOR_SPACE space,
                                     const uint8_t* pixels, int quality, bool progressive) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    if (space == JCS_CMYK)
        jpeg_set_colorspace(&info, JCS_CMYK); // also writes the Adobe marker
    jpeg_set_quality(&info, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    const size_t rowSize = size_t(width) * components;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels + info.next_scanline * rowSize);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    free(buffer);
    return out;
}

std::vector<uint8_t> encodeJpeg(int width, int height, int components, const uint8_t* pixels,
                                int quality, bool progressive) {
    return compress(width, height, components, components == 1 ? JCS_GRAYSCALE : JCS_RGB, pixels,
                    quality, progressive);
}

std::vector<uint8_t> encodeJpegCmyk(int width, int height, const uint8_t* cmyk, int quality) {
    return compress(width, height, 4, JCS_CMYK, cmyk, quality, false);
}
