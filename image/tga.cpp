#include "image/image.h"
#include "platform/file_mapping.h"

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
// offset 18 whatever the rest of the header says. A file must hold every
// pixel it announces, so a picture never costs more memory than its file.
ImageRGBA* loadTga(const char* fileName) {
    size_t fileSize = 0;
    FILE* file = openRegularFile(fileName, &fileSize);
    if (!file)
        return nullptr;
    int32_t width, height;
    if (!readU16(file, 12, &width) || !readU16(file, 14, &height) ||
        fseek(file, 18, SEEK_SET) != 0) {
        fclose(file);
        return nullptr;
    }
    // Up to 65535 x 65535 x 4 bytes, which needs more than 32 bits.
    const uint64_t size = uint64_t(width) * uint64_t(height) * 4;
    const uint64_t held = fileSize > 18 ? fileSize - 18 : 0;
    ImageRGBA* image =
        size <= held ? new (std::nothrow) ImageRGBA{width, height, nullptr} : nullptr;
    if (image)
        image->pixels = static_cast<unsigned char*>(malloc(size ? size : 1));
    if (!image || !image->pixels || fread(image->pixels, 1, size, file) != size) {
        if (image)
            free(image->pixels);
        delete image;
        fclose(file);
        return nullptr;
    }
    unsigned char* p = image->pixels;
    for (uint64_t i = 0; i < size / 4; i++, p += 4) {
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
