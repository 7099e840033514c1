#include "tests/test_pictures.h"

#include "tools/writers/chunk_writer.h"
#include "tools/writers/tga_writer.h"

#include <cstdlib>
#include <filesystem>

const PicturePalette titulo3Palette = {
    {255, 128, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
const PicturePalette tiaPalette = {
    {0, 255, 255}, {128, 0, 0}, {0, 128, 0}, {0, 0, 128}, {128, 128, 0}};
const PicturePalette palmeraPalette = {
    {255, 0, 255}, {255, 0, 128}, {128, 255, 0}, {0, 128, 255}, {64, 64, 64}};
const PicturePalette ufPalette = {
    {0, 0, 0}, {192, 64, 0}, {0, 192, 64}, {64, 0, 192}, {128, 0, 255}};

std::vector<uint8_t> makePicture(const PicturePalette& palette, int size) {
    std::vector<uint8_t> rgba(size_t(size) * size * 4);
    const int band = pictureBand * size / pictureSize;
    for (int y = 0; y < size; y++) {
        for (int x = 0; x < size; x++) {
            bool inBand = x < band || y < band || x >= size - band || y >= size - band;
            bool right = x >= size / 2, top = y >= size / 2;
            Rgb c = inBand  ? palette.band
                    : top   ? (right ? palette.topRight : palette.topLeft)
                    : right ? palette.bottomRight
                            : palette.bottomLeft;
            uint8_t* p = &rgba[(size_t(y) * size + x) * 4];
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
            p[3] = 255;
        }
    }
    return rgba;
}

bool writePictures(const std::string& dir) {
    struct Entry {
        const char* name;
        const PicturePalette* palette;
    };
    const Entry entries[] = {{"titulo3.tga", &titulo3Palette},
                             {"tia.tga", &tiaPalette},
                             {"palmera.tga", &palmeraPalette},
                             {"uf.tga", &ufPalette}};
    for (const Entry& entry : entries) {
        std::vector<uint8_t> rgba = makePicture(*entry.palette);
        if (!writeFile(dir + "/" + entry.name, encodeTga(pictureSize, pictureSize, rgba.data())))
            return false;
    }
    return true;
}

bool writePlainModels(const std::string& dir) {
    Scene3ds scene;
    scene.materials.push_back({"grey", 180, 180, 180, ""});
    Mesh3ds mesh;
    mesh.name = "tri";
    mesh.xyz = {-1, 0, 0, 1, 0, 0, 0, 0, 1};
    mesh.faces = {0, 1, 2};
    mesh.faceMaterials = {"grey"};
    scene.meshes.push_back(mesh);
    for (const char* model : {"presents.3ds", "logo.3ds", "txiringo.3DS"})
        if (!writeFile(dir + "/" + model, encode3ds(scene)))
            return false;
    return true;
}

std::string makeTempDir(const char* prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / prefix).string() + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    return mkdtemp(name.data()) ? std::string(name.data()) : std::string();
}

Rgb pixelAt(const std::vector<uint8_t>& frame, int width, int x, int y) {
    const uint8_t* p = &frame[(size_t(y) * width + x) * 3];
    return {p[0], p[1], p[2]};
}

bool near(Rgb a, Rgb b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

int countWhite(const std::vector<uint8_t>& frame) {
    int count = 0;
    for (size_t i = 0; i + 2 < frame.size(); i += 3)
        count += frame[i] > 240 && frame[i + 1] > 240 && frame[i + 2] > 240;
    return count;
}
