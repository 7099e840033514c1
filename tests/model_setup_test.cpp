#include "model/model.h"
#include "shell/shell.h"
#include "tests/gl_window.h"
#include "tools/writers/bmp_writer.h"
#include "tools/writers/chunk_writer.h"
#include "tools/writers/jpeg_writer.h"

#include <GL/glu.h>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void writeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(name.c_str(), "wb");
    ASSERT_NE(f, nullptr) << name;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::vector<uint8_t> solidBmp(uint8_t r, uint8_t g, uint8_t b) {
    BmpLayout layout;
    layout.width = 8;
    layout.height = 8;
    for (int i = 0; i < 64; i++)
        layout.pixels.insert(layout.pixels.end(), {r, g, b});
    return encodeBmp(layout);
}

std::vector<uint8_t> solidJpeg(uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 64; i++)
        pixels.insert(pixels.end(), {r, g, b});
    return encodeJpeg(8, 8, 3, pixels.data());
}

Material3ds material(const std::string& name, const std::string& file = "", uint8_t r = 200,
                     uint8_t g = 200, uint8_t b = 200) {
    Material3ds m;
    m.name = name;
    m.textureFile = file;
    m.r = r;
    m.g = g;
    m.b = b;
    return m;
}

// A square of side 2 centred at (cx, 0) in the demo's x-y plane at depth 0:
// the file holds (x, y, z) as the demo's (x, -z, y).
Mesh3ds square(const std::string& name, float cx, const std::string& materialName) {
    Mesh3ds mesh;
    mesh.name = name;
    mesh.xyz = {cx - 1, 0, -1, cx + 1, 0, -1, cx + 1, 0, 1, cx - 1, 0, 1};
    mesh.uv = {0, 0, 1, 0, 1, 1, 0, 1};
    mesh.faces = {0, 1, 2, 0, 2, 3};
    mesh.faceMaterials = {materialName, materialName};
    return mesh;
}

// A scratch working directory for the life of the scope; the old one comes back.
class ScratchDir {
  public:
    ScratchDir() {
        char cwd[4096];
        old = getcwd(cwd, sizeof cwd) ? cwd : ".";
        char pattern[] = "/tmp/model_setup_XXXXXX";
        path = mkdtemp(pattern) ? pattern : "";
        if (!path.empty() && chdir(path.c_str()) != 0)
            path.clear();
    }
    ~ScratchDir() {
        if (chdir(old.c_str()) == 0 && !path.empty())
            std::system(("rm -rf '" + path + "'").c_str());
    }
    std::string path;

  private:
    std::string old;
};

bool allZero(const uint32_t* slots) {
    for (int i = 0; i < modelTextureSlots; i++)
        if (slots[i] != 0)
            return false;
    return true;
}

} // namespace

// The three load routines each run once per process, as in the demo, so one
// test takes them in start-up order.
TEST(ModelSetup, TexturesGoToSlotsByMaterialInModelOrder) {
    ensureGlWindow();
    ScratchDir dir;
    ASSERT_FALSE(dir.path.empty());

    Scene3ds presents;
    presents.materials = {material("red", "a.bmp"), material("plain"), material("green", "b.jpg")};
    presents.meshes = {square("one", 0, "red"), square("two", 3, "green")};
    writeFile("presents.3ds", encode3ds(presents));
    // Twelve materials: slots for the first ten, a standard error line for the
    // two beyond that name a file.
    Scene3ds logo;
    logo.materials = {material("gone", "missing.jpg"), material("upper", "c.BMP")};
    for (int i = 2; i < 12; i++)
        logo.materials.push_back(
            material("extra" + std::to_string(i), "e" + std::to_string(i) + ".bmp"));
    logo.materials.push_back(material("last plain"));
    logo.meshes = {square("logo", 0, "upper")};
    writeFile("logo.3ds", encode3ds(logo));
    Scene3ds txiringo;
    txiringo.materials = {material("blue", "", 20, 40, 220), material("yellow", "d.bmp")};
    txiringo.meshes = {square("left", -2, "yellow"), square("right", 2, "blue")};
    writeFile("txiringo.3DS", encode3ds(txiringo));

    writeFile("a.bmp", solidBmp(220, 30, 30));
    writeFile("b.jpg", solidJpeg(30, 200, 60));
    writeFile("c.BMP", solidBmp(10, 10, 10));
    for (int i = 2; i < 12; i++)
        writeFile("e" + std::to_string(i) + ".bmp", solidBmp(uint8_t(i * 20), 0, 0));
    writeFile("d.bmp", solidBmp(230, 220, 40));

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    loadPresentsModel();
    std::string out = testing::internal::GetCapturedStdout();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "Loading Texture: a.bmp...Done.\n"
                   "Loading Texture: b.jpg...Done.\n");
    EXPECT_EQ(err, "");
    ASSERT_EQ(presentsModel.materialCount, 3);
    EXPECT_NE(presentsTextures[0], 0u);
    EXPECT_EQ(presentsTextures[1], 0u);
    EXPECT_NE(presentsTextures[2], 0u);
    EXPECT_NE(presentsTextures[0], presentsTextures[2]);
    for (int i = 3; i < modelTextureSlots; i++)
        EXPECT_EQ(presentsTextures[i], 0u);
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(presentsModel.materials[i].textureId, i);
    EXPECT_TRUE(glIsTexture(presentsTextures[0]));
    EXPECT_TRUE(allZero(logoTextures));
    EXPECT_TRUE(allZero(txiringoTextures));

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    loadLogoModel();
    out = testing::internal::GetCapturedStdout();
    err = testing::internal::GetCapturedStderr();
    std::string expected = "Loading Texture: missing.jpg...Failed!!! - File does not exist\n"
                           "Loading Texture: c.BMP...Done.\n";
    for (int i = 2; i < 10; i++)
        expected += "Loading Texture: e" + std::to_string(i) + ".bmp...Done.\n";
    EXPECT_EQ(out, expected);
    EXPECT_EQ(err, "No texture slot for material 10, not loaded: e10.bmp\n"
                   "No texture slot for material 11, not loaded: e11.bmp\n");
    ASSERT_EQ(logoModel.materialCount, 13);
    EXPECT_EQ(logoTextures[0], 0u);
    for (int i = 1; i < modelTextureSlots; i++)
        EXPECT_TRUE(glIsTexture(logoTextures[i])) << "slot " << i;
    for (int i = 0; i < 13; i++)
        EXPECT_EQ(logoModel.materials[i].textureId, i);
    EXPECT_TRUE(allZero(txiringoTextures));

    testing::internal::CaptureStdout();
    loadTxiringoModel();
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Loading Texture: d.bmp...Done.\n");
    EXPECT_EQ(txiringoTextures[0], 0u);
    EXPECT_NE(txiringoTextures[1], 0u);
    EXPECT_EQ(txiringoModel.materials[0].textureId, 0);
    EXPECT_EQ(txiringoModel.materials[1].textureId, 1);

    // Read, textured and drawn: the left square shows d.bmp, the right one its
    // material's colour (unlit here, so exactly the colours sent).
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    modelPrimitive = GL_TRIANGLES;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, 10, 0, 0, 0, 0, 1, 0);
    drawTxiringoModel();
    std::vector<uint8_t> image = readBackBuffer();
    const uint8_t* left = &image[(384 * 1024 + 512 - 256) * 3];
    const uint8_t* right = &image[(384 * 1024 + 512 + 256) * 3];
    EXPECT_NEAR(left[0], 230, 2);
    EXPECT_NEAR(left[1], 220, 2);
    EXPECT_NEAR(left[2], 40, 2);
    EXPECT_EQ(right[0], 20);
    EXPECT_EQ(right[1], 40);
    EXPECT_EQ(right[2], 220);
}
