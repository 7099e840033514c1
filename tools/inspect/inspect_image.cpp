// inspect image FILE OUT.ppm: decodes a TGA, BMP or JPEG file with the
// demo's own readers and writes the picture upright as a binary PPM.
#include "image/image.h"
#include "platform/file_mapping.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <vector>

namespace {

enum class Kind { unknown, tga, bmp, jpeg };

enum class Layout { gray, rgb, rgba, invertedCmyk };

// A decoded picture as the reader left it; rows are converted one at a time
// as they are written, so nothing beyond the reader's own buffer is touched.
struct Picture {
    int width = 0;
    int height = 0;
    unsigned char* pixels = nullptr;
    void (*release)(unsigned char*) = nullptr; // how the reader's buffer is freed
    Layout layout = Layout::rgb;
    bool bottomFirst = false;

    Picture() = default;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    ~Picture() {
        if (release)
            release(pixels);
    }
};

void freeBuffer(unsigned char* pixels) {
    free(pixels);
}
void deleteBuffer(unsigned char* pixels) {
    delete[] pixels;
}

bool endsWith(const char* name, const char* ending) {
    const size_t length = strlen(name), endingLength = strlen(ending);
    return length >= endingLength && strcasecmp(name + length - endingLength, ending) == 0;
}

// By content where the format has a signature, else by the name's ending.
Kind kindOf(const char* fileName) {
    unsigned char head[4] = {0, 0, 0, 0};
    if (FILE* file = openRegularFile(fileName)) {
        size_t got = fread(head, 1, sizeof head, file);
        fclose(file);
        if (got >= 2 && head[0] == 0xFF && head[1] == 0xD8)
            return Kind::jpeg;
        if (got >= 2 && head[0] == 'B' && head[1] == 'M')
            return Kind::bmp;
    }
    if (endsWith(fileName, ".tga"))
        return Kind::tga;
    if (endsWith(fileName, ".bmp") || endsWith(fileName, ".dib"))
        return Kind::bmp;
    if (endsWith(fileName, ".jpg") || endsWith(fileName, ".jpeg"))
        return Kind::jpeg;
    return Kind::unknown;
}

int componentsOf(Layout layout) {
    return layout == Layout::gray ? 1 : layout == Layout::rgb ? 3 : 4;
}

// Top row first.
void convertRow(const Picture& picture, int y, unsigned char* out) {
    const int components = componentsOf(picture.layout);
    const unsigned char* in =
        picture.pixels + size_t(picture.bottomFirst ? picture.height - 1 - y : y) *
                             size_t(picture.width) * components;
    for (int x = 0; x < picture.width; x++, in += components, out += 3) {
        if (picture.layout == Layout::gray) {
            out[0] = out[1] = out[2] = in[0];
        } else if (picture.layout == Layout::invertedCmyk) { // 255 = no ink
            for (int c = 0; c < 3; c++)
                out[c] = (unsigned char)((in[c] * in[3] + 127) / 255);
        } else {
            memcpy(out, in, 3); // the alpha of RGBA is dropped
        }
    }
}

bool writePpm(const char* path, const Picture& picture) {
    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    fprintf(file, "P6\n%d %d\n255\n", picture.width, picture.height);
    std::vector<unsigned char> row(size_t(picture.width) * 3);
    bool written = true;
    for (int y = 0; y < picture.height && written; y++) {
        convertRow(picture, y, row.data());
        written = fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    return fclose(file) == 0 && written;
}

bool readTga(const char* fileName, Picture& picture) {
    ImageRGBA* image = loadTga(fileName);
    if (!image)
        return false;
    // The reader keeps the file's row order; the descriptor's bit 5 says
    // whether that starts at the top.
    bool topFirst = false;
    if (FILE* file = openRegularFile(fileName)) {
        topFirst = fseek(file, 17, SEEK_SET) == 0 && (fgetc(file) & 0x20) != 0;
        fclose(file);
    }
    picture.width = image->width;
    picture.height = image->height;
    picture.pixels = image->pixels;
    picture.release = freeBuffer;
    picture.layout = Layout::rgba;
    picture.bottomFirst = !topFirst;
    delete image;
    return true;
}

bool readBmp(const char* fileName, Picture& picture) {
    ImageRGB* image = loadBmp(fileName);
    if (!image)
        return false;
    picture.width = image->width;
    picture.height = image->height;
    picture.pixels = image->pixels;
    picture.release = deleteBuffer;
    picture.layout = Layout::rgb;
    picture.bottomFirst = true;
    delete image;
    return true;
}

bool readJpeg(const char* fileName, Picture& picture) {
    ImageRGB* image = loadJpeg(fileName);
    if (!image)
        return false;
    picture.width = image->width;
    picture.height = image->height;
    picture.pixels = image->pixels;
    picture.release = deleteBuffer;
    const int components = picture.width > 0 ? image->rowSize / picture.width : 3;
    delete image;
    if (components != 1 && components != 3 && components != 4) {
        fprintf(stderr, "inspect: %d components per pixel\n", components);
        return false;
    }
    // JPEG rows come top first; a 4-component JPEG is CMYK, never RGBA.
    picture.layout = components == 1   ? Layout::gray
                     : components == 3 ? Layout::rgb
                                       : Layout::invertedCmyk;
    return true;
}

} // namespace

// argv[0] is the image file, argv[1] the PPM to write.
int inspectImage(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: inspect image FILE OUT.ppm\n");
        return 2;
    }
    const char* fileName = argv[0];
    const Kind kind = kindOf(fileName);
    Picture picture;
    bool read = false;
    const char* reader = "";
    switch (kind) {
    case Kind::tga:
        reader = "TGA";
        read = readTga(fileName, picture);
        break;
    case Kind::bmp:
        reader = "BMP";
        read = readBmp(fileName, picture);
        break;
    case Kind::jpeg:
        reader = "JPEG";
        read = readJpeg(fileName, picture);
        break;
    case Kind::unknown:
        fprintf(stderr, "inspect: %s is not a TGA, BMP or JPEG file\n", fileName);
        return 1;
    }
    if (!read) {
        fprintf(stderr, "inspect: the %s reader gave no image for %s\n", reader, fileName);
        return 1;
    }
    if (!writePpm(argv[1], picture)) {
        fprintf(stderr, "inspect: cannot write %s\n", argv[1]);
        return 1;
    }
    printf("%s %s: %d x %d\n", reader, fileName, picture.width, picture.height);
    return 0;
}
