#include "image/image.h"

#include <GL/gl.h>
#include <cstdio>
#include <cstdlib>
#include <new>

uint32_t texTitulo3 = 0;
uint32_t texTia = 0;
uint32_t texPalmera = 0;
uint32_t texUf = 0;

static bool readU16(FILE* file, long offset, int32_t* value) {
    unsigned char bytes[2];
    if (fseek(file, offset, SEEK_SET) != 0 || fread(bytes, 1, 2, file) != 2)
        return false;
    *value = bytes[0] | (bytes[1] << 8);
    return true;
}

// Only the size fields are read: the pixels are taken as 32-bit BGRA from
// offset 18 whatever the rest of the header says.
ImageRGBA* loadTga(const char* fileName) {
    FILE* file = fopen(fileName, "rb");
    if (!file)
        return nullptr;
    int32_t width, height;
    if (!readU16(file, 12, &width) || !readU16(file, 14, &height) ||
        fseek(file, 18, SEEK_SET) != 0) {
        fclose(file);
        return nullptr;
    }
    // Up to 65535 x 65535 x 4 bytes, which needs more than 32 bits.
    uint64_t size = uint64_t(width) * uint64_t(height) * 4;
    ImageRGBA* image = new (std::nothrow) ImageRGBA{width, height, nullptr};
    // calloc: what a short file does not fill stays zero, and the pages of a
    // huge announced size that the file never fills are never touched.
    if (image)
        image->pixels = static_cast<unsigned char*>(calloc(size ? size : 1, 1));
    if (!image || !image->pixels) {
        delete image;
        fclose(file);
        return nullptr;
    }
    size_t got = fread(image->pixels, 1, size, file);
    // Only what was read needs swapping: the zero-filled rest reads the same
    // either way.
    unsigned char* p = image->pixels;
    for (size_t i = 0; i < (got + 3) / 4; i++, p += 4) {
        unsigned char blue = p[0];
        p[0] = p[2];
        p[2] = blue;
    }
    fclose(file);
    return image;
}

bool loadTgaTextures() {
    struct Entry {
        const char* fileName;
        uint32_t* texture;
    };
    const Entry entries[] = {{"titulo3.tga", &texTitulo3},
                             {"tia.tga", &texTia},
                             {"palmera.tga", &texPalmera},
                             {"uf.tga", &texUf}};
    bool loaded = false;
    for (const Entry& entry : entries) {
        ImageRGBA* image = loadTga(entry.fileName);
        if (!image)
            continue;
        loaded = true;
        glGenTextures(1, entry.texture);
        glBindTexture(GL_TEXTURE_2D, *entry.texture);
        glTexImage2D(GL_TEXTURE_2D, 0, 4, image->width, image->height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     image->pixels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        free(image->pixels);
        delete image;
    }
    return loaded;
}
