// Decode time per megapixel of the BMP and JPEG readers, and the time of the
// whole model-texture step over the generated texture files.
//
//   decode_images [DATA_DIR]
//
// DATA_DIR (default build/data) is searched for .bmp and .jpg files; when
// there are some and a display is available, each is made into a texture
// exactly as model set-up does, and the total is reported.
#include "image/image.h"
#include "tools/writers/bmp_writer.h"
#include "tools/writers/jpeg_writer.h"
#include "tools/writers/tga_writer.h"

#include <GL/glut.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <unistd.h>
#include <vector>

static double seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A picture with gradients, edges and some grain, so that JPEG data is
// neither trivial nor pure noise.
static uint8_t sample(int x, int y, int channel) {
    const int block = ((x / 16) + (y / 16)) % 7;
    const uint32_t hash = (uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u) * 2654435761u;
    return uint8_t((x * (channel + 1) + y * (3 - channel)) / 8 + block * 20 + (hash >> 28));
}

template <typename Decode>
static void measure(const char* label, int width, int height, Decode decode) {
    const double megapixels = double(width) * height / 1e6;
    std::vector<double> times;
    for (int run = 0; run < 7; run++) {
        const double start = seconds();
        if (!decode()) {
            printf("%-24s decode failed\n", label);
            return;
        }
        times.push_back(seconds() - start);
    }
    std::sort(times.begin(), times.end());
    printf("%-24s %dx%d  median %7.2f ms/MP  best %7.2f ms/MP\n", label, width, height,
           times[times.size() / 2] * 1000 / megapixels, times[0] * 1000 / megapixels);
}

static bool decodeBmp(const std::string& path) {
    ImageRGB* image = loadBmp(path.c_str());
    if (!image)
        return false;
    delete[] image->pixels;
    delete image;
    return true;
}

static bool decodeJpeg(const std::string& path) {
    ImageRGB* image = loadJpeg(path.c_str());
    if (!image)
        return false;
    delete[] image->pixels;
    delete image;
    return true;
}

static void measureReaders() {
    const int width = 2048, height = 2048;
    const std::string base = "/tmp/decode_images_" + std::to_string(getpid());

    BmpLayout rgb;
    rgb.width = width;
    rgb.height = height;
    rgb.bitsPerPixel = 24;
    rgb.pixels.resize(size_t(width) * height * 3);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            for (int c = 0; c < 3; c++)
                rgb.pixels[(size_t(y) * width + x) * 3 + c] = sample(x, y, c);

    BmpLayout rle;
    rle.width = width;
    rle.height = height;
    rle.bitsPerPixel = 8;
    rle.compression = BmpCompression::rle8;
    for (int i = 0; i < 256; i++)
        rle.palette.insert(rle.palette.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)});
    rle.pixels.resize(size_t(width) * height);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            rle.pixels[size_t(y) * width + x] =
                uint8_t(((x / 16) + (y / 16)) % 7 * 30 + (x % 13 == 0));

    const std::string bmpPath = base + "_24.bmp", rlePath = base + "_rle8.bmp",
                      jpegPath = base + ".jpg";
    const std::vector<uint8_t> rleFile = encodeBmp(rle);
    writeFile(bmpPath, encodeBmp(rgb));
    writeFile(rlePath, rleFile);
    writeFile(jpegPath, encodeJpeg(width, height, 3, rgb.pixels.data(), 90));
    printf("RLE8 file: %zu bytes for %d pixels\n", rleFile.size(), width * height);

    measure("BMP 24-bit", width, height, [&] { return decodeBmp(bmpPath); });
    measure("BMP 8-bit RLE", width, height, [&] { return decodeBmp(rlePath); });
    measure("JPEG baseline q90", width, height, [&] { return decodeJpeg(jpegPath); });
    unlink(bmpPath.c_str());
    unlink(rlePath.c_str());
    unlink(jpegPath.c_str());
}

static bool isTextureName(const std::string& name) {
    if (name.size() < 4)
        return false;
    const std::string ending = name.substr(name.size() - 4);
    return ending == ".bmp" || ending == ".BMP" || ending == ".jpg" || ending == ".JPG";
}

static void measureTextureStep(const std::string& dataDir, int argc, char** argv) {
    std::vector<std::string> files;
    if (DIR* dir = opendir(dataDir.c_str())) {
        while (dirent* entry = readdir(dir))
            if (isTextureName(entry->d_name))
                files.push_back(dataDir + "/" + entry->d_name);
        closedir(dir);
    }
    if (files.empty()) {
        printf("texture step: no .bmp or .jpg files in %s, skipped\n", dataDir.c_str());
        return;
    }
    if (!getenv("DISPLAY")) {
        printf("texture step: no DISPLAY, skipped\n");
        return;
    }
    std::sort(files.begin(), files.end());
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(64, 64);
    glutCreateWindow("decode_images");
    glEnable(GL_TEXTURE_2D);

    double total = 0, pixels = 0;
    for (const std::string& file : files) {
        uint32_t slot = 0;
        const double start = seconds();
        textureLoader.createTexture(file.c_str(), &slot);
        glFinish();
        const double spent = seconds() - start;
        total += spent;
        GLint width = 0, height = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        pixels += double(width) * height;
        printf("  %7.2f ms  %s (texture %dx%d)\n", spent * 1000, file.c_str(), width, height);
    }
    printf("texture step: %zu files, %.2f ms in all (%.2f MP of level-0 texels)\n", files.size(),
           total * 1000, pixels / 1e6);
}

int main(int argc, char** argv) {
    const std::string dataDir = argc > 1 ? argv[1] : "build/data";
    measureReaders();
    measureTextureStep(dataDir, argc, argv);
    return 0;
}
