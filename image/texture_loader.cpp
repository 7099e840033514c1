#include "image/image.h"
#include "platform/file_mapping.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>

TextureLoader textureLoader;

bool TextureLoader::fileExists(const char* fileName) {
    if (!fileName)
        return false;
    FILE* file = openRegularFile(fileName);
    if (!file)
        return false;
    fclose(file);
    return true;
}

bool convertToRgb(ImageRGB* image) {
    const int64_t width = image->width;
    if (width <= 0 || image->height <= 0 || image->rowSize == width * 3)
        return width >= 0 && image->height >= 0;
    if (image->rowSize != width && image->rowSize != width * 4)
        return false;
    const size_t pixelCount = size_t(width) * size_t(image->height);
    unsigned char* rgb = new (std::nothrow) unsigned char[pixelCount * 3];
    if (!rgb)
        return false;
    const unsigned char* in = image->pixels;
    unsigned char* out = rgb;
    if (image->rowSize == width) {
        for (size_t i = 0; i < pixelCount; i++, in++, out += 3)
            out[0] = out[1] = out[2] = in[0];
    } else {
        for (size_t i = 0; i < pixelCount; i++, in += 4, out += 3) {
            const unsigned key = in[3];
            out[0] = uint8_t((in[0] * key + 127) / 255);
            out[1] = uint8_t((in[1] * key + 127) / 255);
            out[2] = uint8_t((in[2] * key + 127) / 255);
        }
    }
    delete[] image->pixels;
    image->pixels = rgb;
    image->rowSize = int32_t(width * 3);
    return true;
}

static void releaseImage(ImageRGB* image) {
    delete[] image->pixels;
    delete image;
}

bool TextureLoader::createTexture(const char* fileName, uint32_t* slot) {
    std::cout << "Loading Texture: " << fileName << "...";
    if (!fileExists(fileName)) {
        std::cout << "Failed!!! - File does not exist" << std::endl;
        return false;
    }
    const size_t length = strlen(fileName);
    const char* extension = length >= 4 ? fileName + length - 4 : "";
    ImageRGB* image;
    if (strcmp(extension, ".jpg") == 0 || strcmp(extension, ".JPG") == 0)
        image = loadJpeg(fileName);
    else if (strcmp(extension, ".bmp") == 0 || strcmp(extension, ".BMP") == 0)
        image = loadBmp(fileName);
    else
        return false; // the line stays open: the next output continues it
    if (image && !convertToRgb(image)) {
        releaseImage(image);
        image = nullptr;
    }
    if (!image) {
        std::cout << "Failed!!!" << std::endl;
        return false;
    }

    glGenTextures(1, slot);
    glBindTexture(GL_TEXTURE_2D, *slot);
    // Rows are packed, 3 bytes per pixel: without this, widths that are not
    // a multiple of 4 would be read past the end of the buffer.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image->width, image->height, GL_RGB, GL_UNSIGNED_BYTE,
                      image->pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);

    releaseImage(image);
    std::cout << "Done." << std::endl;
    return true;
}
