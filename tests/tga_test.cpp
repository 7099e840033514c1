#include "image/image.h"
#include "tests/gl_window.h"
#include "tools/writers/tga_writer.h"

#include <GL/gl.h>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Each test works in a fresh directory, as the demo reads pictures by name.
class TgaTest : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/tga_test_XXXXXX";
        dir = mkdtemp(pattern);
        previous = fs::current_path();
        fs::current_path(dir);
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(dir);
    }
    fs::path dir, previous;
};

std::vector<uint8_t> gradient(int width, int height) {
    std::vector<uint8_t> rgba;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            rgba.insert(rgba.end(),
                        {uint8_t(x * 40), uint8_t(y * 50), uint8_t(x + y), uint8_t(200 - x - y)});
    return rgba;
}

void freeImage(ImageRGBA* image) {
    free(image->pixels);
    delete image;
}

} // namespace

TEST_F(TgaTest, PixelsComeBackAsRgbaInFileRowOrderWithAlphaUntouched) {
    auto rgba = gradient(5, 3);
    ASSERT_TRUE(writeFile("a.tga", encodeTga(5, 3, rgba.data())));
    ImageRGBA* image = loadTga("a.tga");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 5);
    EXPECT_EQ(image->height, 3);
    EXPECT_EQ(std::vector<uint8_t>(image->pixels, image->pixels + 60), rgba);
    freeImage(image);

    // A top-left origin is not honoured: rows stay in file order.
    ASSERT_TRUE(writeFile("b.tga", encodeTga(5, 3, rgba.data(), true)));
    image = loadTga("b.tga");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(image->pixels, image->pixels + 60), rgba);
    freeImage(image);
}

TEST_F(TgaTest, OnlyTheSizeFieldsOfTheHeaderAreRead) {
    auto rgba = gradient(2, 2);
    auto bytes = encodeTga(2, 2, rgba.data());
    bytes[0] = 7;  // an image ID that is not skipped
    bytes[1] = 1;  // colour map
    bytes[2] = 10; // run-length encoded
    bytes[16] = 24;
    ASSERT_TRUE(writeFile("odd.tga", bytes));
    ImageRGBA* image = loadTga("odd.tga");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(image->pixels, image->pixels + 16), rgba);
    freeImage(image);
}

// A picture costs no more than its file holds: a file that announces more
// pixels than it carries is refused, however little is missing.
TEST_F(TgaTest, FilesThatDoNotHoldEveryAnnouncedPixelAreRefused) {
    auto rgba = gradient(4, 4);
    auto bytes = encodeTga(4, 4, rgba.data());
    bytes.resize(bytes.size() - 1);
    ASSERT_TRUE(writeFile("short.tga", bytes));
    EXPECT_EQ(loadTga("short.tga"), nullptr);

    std::vector<uint8_t> header(18, 0);
    header[12] = header[13] = header[14] = header[15] = 0xFF; // 65535 x 65535
    ASSERT_TRUE(writeFile("huge.tga", header));
    EXPECT_EQ(loadTga("huge.tga"), nullptr);

    ASSERT_TRUE(writeFile("empty.tga", encodeTga(0, 7, nullptr)));
    ImageRGBA* image = loadTga("empty.tga");
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 0);
    EXPECT_EQ(image->height, 7);
    freeImage(image);

    ASSERT_TRUE(writeFile("header.tga", std::vector<uint8_t>(15, 0)));
    EXPECT_EQ(loadTga("header.tga"), nullptr);
    EXPECT_EQ(loadTga("missing.tga"), nullptr);
    ASSERT_EQ(mkfifo("fifo.tga", 0600), 0);
    EXPECT_EQ(loadTga("fifo.tga"), nullptr); // returns at once: no writer is waited for
}

TEST_F(TgaTest, StartUpUploadsWhateverLoadsAndFailsOnlyWhenNothingDoes) {
    ensureGlWindow();
    texTitulo3 = texTia = texPalmera = texUf = 0;
    EXPECT_FALSE(loadTgaTextures());
    EXPECT_EQ(texTitulo3 | texTia | texPalmera | texUf, 0u);

    auto rgba = gradient(4, 2);
    ASSERT_TRUE(writeFile("tia.tga", encodeTga(4, 2, rgba.data())));
    EXPECT_TRUE(loadTgaTextures());
    EXPECT_EQ(texTitulo3, 0u);
    EXPECT_NE(texTia, 0u);
    EXPECT_EQ(texPalmera, 0u);
    EXPECT_EQ(texUf, 0u);
    GLint bound;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), texTia);
    std::vector<uint8_t> back(4 * 2 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, back.data());
    EXPECT_EQ(back, rgba);
    GLint minFilter, magFilter;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    EXPECT_EQ(minFilter, GL_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);

    for (const char* name : {"titulo3.tga", "palmera.tga", "uf.tga"})
        ASSERT_TRUE(writeFile(name, encodeTga(4, 2, rgba.data())));
    EXPECT_TRUE(loadTgaTextures());
    EXPECT_NE(texTitulo3, 0u);
    EXPECT_NE(texPalmera, 0u);
    EXPECT_NE(texUf, 0u);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), texUf); // the last one made stays bound
}
