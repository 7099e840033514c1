#include "image/image.h"

#include <cstdio>
#include <iostream>
#include <jpeglib.h>
#include <new>

// Decodes straight into one buffer, top row first, in the colour space the
// library picks for the file (3 bytes per pixel for colour, 1 for grayscale,
// 4 for CMYK). False, with the decompressor still to be destroyed, when
// memory is short.
static bool decodeJpeg(jpeg_decompress_struct* info, ImageRGB* image) {
    jpeg_read_header(info, TRUE);
    jpeg_start_decompress(info);
    image->rowSize = int32_t(info->image_width) * info->num_components;
    image->width = int32_t(info->image_width);
    image->height = int32_t(info->image_height);

    image->pixels = new (std::nothrow) unsigned char[size_t(image->rowSize) * image->height];
    if (!image->pixels)
        return false;
    JSAMPROW* rows = new (std::nothrow) JSAMPROW[image->height > 0 ? image->height : 1];
    if (!rows) {
        delete[] image->pixels;
        image->pixels = nullptr;
        return false;
    }
    for (int32_t i = 0; i < image->height; i++)
        rows[i] = image->pixels + size_t(i) * image->rowSize;

    JDIMENSION rowsRead = 0;
    while (info->output_scanline < info->output_height)
        rowsRead += jpeg_read_scanlines(info, rows + rowsRead, info->output_height - rowsRead);
    delete[] rows;
    jpeg_finish_decompress(info);
    return true;
}

ImageRGB* loadJpeg(const char* fileName) {
    FILE* file = fopen(fileName, "rb");
    if (!file) {
        std::cout << "Unable to load JPG file" << std::endl;
        return nullptr;
    }
    // The standard manager: a fatal error prints the library's message and
    // ends the process with status 1.
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);

    ImageRGB* image = new (std::nothrow) ImageRGB{0, 0, 0, nullptr};
    if (image && !decodeJpeg(&info, image)) {
        delete image;
        image = nullptr;
    }
    jpeg_destroy_decompress(&info);
    fclose(file);
    return image;
}
