// inspect image FILE OUT.ppm: decodes a TGA, BMP or JPEG file with the
// demo's own readers and writes the picture upright as a binary PPM.
#include "image/image.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <vector>

namespace {

enum class Kind { unknown, tga, bmp, jpeg };

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb; // top row first
};

bool endsWith(const char* name, const char* ending) {
    const size_t length = strlen(name), endingLength = strlen(ending);
    return length >= endingLength && strcasecmp(name + length - endingLength, ending) == 0;
}

// By content where the format has a signature, else by the name's ending.
Kind kindOf(const char* fileName) {
    unsigned char head[4] = {0, 0, 0, 0};
    if (FILE* file = fopen(fileName, "rb")) {
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

enum class Layout { gray, rgb, rgba, invertedCmyk };

int componentsOf(Layout layout) {
    return layout == Layout::gray ? 1 : layout == Layout::rgb ? 3 : 4;
}

// Rows are copied in reverse when the reader delivers the bottom row first.
void fill(Picture& picture, const unsigned char* pixels, int width, int height, Layout layout,
          bool bottomFirst) {
    const int components = componentsOf(layout);
    picture.width = width;
    picture.height = height;
    picture.rgb.resize(size_t(width) * height * 3);
    for (int y = 0; y < height; y++) {
        const unsigned char* in =
            pixels + size_t(bottomFirst ? height - 1 - y : y) * width * components;
        unsigned char* out = &picture.rgb[size_t(y) * width * 3];
        for (int x = 0; x < width; x++, in += components, out += 3) {
            if (layout == Layout::gray) {
                out[0] = out[1] = out[2] = in[0];
            } else if (layout == Layout::invertedCmyk) { // 255 = no ink
                for (int c = 0; c < 3; c++)
                    out[c] = (unsigned char)((in[c] * in[3] + 127) / 255);
            } else {
                memcpy(out, in, 3); // the alpha of RGBA is dropped
            }
        }
    }
}

bool readTga(const char* fileName, Picture& picture) {
    ImageRGBA* image = loadTga(fileName);
    if (!image)
        return false;
    // The reader keeps the file's row order; the descriptor's bit 5 says
    // whether that starts at the top.
    bool topFirst = false;
    if (FILE* file = fopen(fileName, "rb")) {
        topFirst = fseek(file, 17, SEEK_SET) == 0 && (fgetc(file) & 0x20) != 0;
        fclose(file);
    }
    fill(picture, image->pixels, image->width, image->height, Layout::rgba, !topFirst);
    free(image->pixels);
    delete image;
    return true;
}

bool readBmp(const char* fileName, Picture& picture) {
    ImageRGB* image = loadBmp(fileName);
    if (!image)
        return false;
    fill(picture, image->pixels, image->width, image->height, Layout::rgb, true);
    delete[] image->pixels;
    delete image;
    return true;
}

bool readJpeg(const char* fileName, Picture& picture) {
    ImageRGB* image = loadJpeg(fileName);
    if (!image)
        return false;
    const int components = image->width > 0 ? image->rowSize / image->width : 3;
    if (components != 1 && components != 3 && components != 4) {
        fprintf(stderr, "inspect: %d components per pixel\n", components);
        delete[] image->pixels;
        delete image;
        return false;
    }
    // JPEG rows come top first; a 4-component JPEG is CMYK, never RGBA.
    const Layout layout = components == 1   ? Layout::gray
                          : components == 3 ? Layout::rgb
                                            : Layout::invertedCmyk;
    fill(picture, image->pixels, image->width, image->height, layout, false);
    delete[] image->pixels;
    delete image;
    return true;
}

bool writePpm(const char* path, const Picture& picture) {
    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    fprintf(file, "P6\n%d %d\n255\n", picture.width, picture.height);
    const size_t written = fwrite(picture.rgb.data(), 1, picture.rgb.size(), file);
    return fclose(file) == 0 && written == picture.rgb.size();
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
