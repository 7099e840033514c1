#include "image/image.h"
#include "tests/gl_window.h"
#include "tests/hostile_files.h"
#include "tests/screen_capture.h"
#include "tools/writers/bmp_writer.h"
#include "tools/writers/jpeg_writer.h"
#include "tools/writers/tga_writer.h"

#include <GL/gl.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::string tempPath(const std::string& name) {
    return testing::TempDir() + "texture_test_" + std::to_string(getpid()) + "_" + name;
}

std::string writeTemp(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = tempPath(name);
    EXPECT_TRUE(writeFile(path, bytes));
    return path;
}

// Presses Return on the test display until stopped, so that the message box
// a failing BMP read shows in the window is dismissed whenever it comes up.
struct BoxDismisser {
    std::atomic<bool> done{false};
    std::thread presser{[this] {
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            if (!done)
                runCommand("xdotool mousemove 512 384 key Return", 10);
        }
    }};
    ~BoxDismisser() {
        done = true;
        presser.join();
    }
};

struct Result {
    bool made = false;
    std::string console;
};

Result create(const std::string& path, uint32_t* slot) {
    testing::internal::CaptureStdout();
    bool made = textureLoader.createTexture(path.c_str(), slot);
    return {made, testing::internal::GetCapturedStdout()};
}

// Level 0 of the bound texture, RGB, first row first.
std::vector<uint8_t> boundTexture(int* width, int* height) {
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, height);
    std::vector<uint8_t> texels(size_t(*width) * *height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

// Rows of one colour each, bottom row first.
const uint8_t rowColors[4][3] = {{250, 10, 10}, {10, 250, 10}, {10, 10, 250}, {250, 250, 10}};

BmpLayout stripedBmp(int width) {
    BmpLayout layout;
    layout.width = width;
    layout.height = 4;
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < width; x++)
            layout.pixels.insert(layout.pixels.end(), rowColors[y], rowColors[y] + 3);
    return layout;
}

std::vector<uint8_t> uniformJpeg(int components, const std::vector<uint8_t>& pixel) {
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 16 * 16; i++)
        pixels.insert(pixels.end(), pixel.begin(), pixel.end());
    if (components == 4)
        return encodeJpegCmyk(16, 16, pixels.data(), 100);
    return encodeJpeg(16, 16, components, pixels.data(), 100);
}

void expectUniformTexture(const std::vector<int>& rgb) {
    int width = 0, height = 0;
    std::vector<uint8_t> texels = boundTexture(&width, &height);
    ASSERT_EQ(width, 16);
    ASSERT_EQ(height, 16);
    for (size_t i = 0; i < texels.size(); i++)
        ASSERT_NEAR(texels[i], rgb[i % 3], 3) << i;
}

} // namespace

TEST(TextureLoader, ExtensionDecidesTheReaderAndTheConsoleLine) {
    ensureGlWindow();
    const std::vector<uint8_t> bmp = encodeBmp(stripedBmp(8));
    const std::vector<uint8_t> jpeg = uniformJpeg(3, {200, 100, 50});
    const std::vector<uint8_t> hugeJpeg = jpegAnnouncing(65500, 65500);
    struct Case {
        std::string name;
        const std::vector<uint8_t>* bytes; // null: no file
        bool made;
        std::string status; // after "Loading Texture: NAME..."
        bool fifo = false;  // a FIFO of that name, which nothing writes to
    };
    const std::vector<Case> cases = {
        {"a.jpg", &jpeg, true, "Done.\n"},
        {"b.JPG", &jpeg, true, "Done.\n"},
        {"c.bmp", &bmp, true, "Done.\n"},
        {"d.BMP", &bmp, true, "Done.\n"},
        {"several.dots.jpg.bmp", &bmp, true, "Done.\n"},
        {"e.Jpg", &jpeg, false, ""},
        {"f.jpeg", &jpeg, false, ""},
        {"g.tga", &bmp, false, ""},
        {"h.Bmp", &bmp, false, ""},
        {"missing.bmp", nullptr, false, "Failed!!! - File does not exist\n"},
        {"huge.jpg", &hugeJpeg, false, "Failed!!!\n"},
        {"fifo.jpg", nullptr, false, "Failed!!! - File does not exist\n", true},
    };
    for (const Case& c : cases) {
        std::string path = tempPath(c.name);
        unlink(path.c_str());
        if (c.bytes)
            writeTemp(c.name, *c.bytes);
        if (c.fifo) {
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
        }
        uint32_t slot = 12345;
        Result result = create(path, &slot);
        EXPECT_EQ(result.made, c.made) << c.name;
        EXPECT_EQ(result.console, "Loading Texture: " + path + "..." + c.status) << c.name;
        if (c.made) {
            EXPECT_NE(slot, 12345u) << c.name;
            EXPECT_TRUE(glIsTexture(slot)) << c.name;
            GLint bound = 0, minFilter = 0, magFilter = 0;
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
            glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
            EXPECT_EQ(GLuint(bound), slot);
            EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_NEAREST);
            EXPECT_EQ(magFilter, GL_LINEAR);
        } else {
            EXPECT_EQ(slot, 12345u) << c.name;
        }
    }
}

// Types into the shared display, so it runs alone (tests/CMakeLists.txt).
TEST(TextureLoader, FailingReaderShowsItsBoxThenFailed) {
    ensureGlWindow();
    BmpLayout refused = stripedBmp(8);
    refused.headerSize = 108;
    std::string path = writeTemp("refused.bmp", encodeBmp(refused));
    uint32_t slot = 12345;
    testing::internal::CaptureStderr();
    Result result;
    {
        BoxDismisser dismisser;
        result = create(path, &slot);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: Unknown DIB file format.\n");
    EXPECT_FALSE(result.made);
    EXPECT_EQ(result.console, "Loading Texture: " + path + "...Failed!!!\n");
    EXPECT_EQ(slot, 12345u);
}

TEST(TextureLoader, BmpRowsOfWidth5UploadWithoutShearAndWithMipmaps) {
    ensureGlWindow();
    std::string path = writeTemp("width5.bmp", encodeBmp(stripedBmp(5)));
    uint32_t slot = 0;
    ASSERT_TRUE(create(path, &slot).made);
    int width = 0, height = 0;
    std::vector<uint8_t> texels = boundTexture(&width, &height);
    // GLU scales 5 columns to a power of two; each row keeps its one colour,
    // bottom row (the BMP's first) as texture row 0. Rows read with the
    // wrong alignment would start a byte late and swap the channels. (Mesa's
    // GLU loses the last row when it scales the width alone, so that one is
    // left out.)
    ASSERT_EQ(height, 4);
    ASSERT_GT(width, 0);
    for (int y = 0; y < height - 1; y++)
        for (int x = 0; x < width; x++)
            for (int c = 0; c < 3; c++)
                ASSERT_NEAR(texels[(y * width + x) * 3 + c], rowColors[y][c], 1)
                    << "x " << x << " y " << y;
    // The whole chain exists down to 1 x 1.
    GLint smallest = 0;
    int level = 0;
    for (int size = width > height ? width : height; size > 1; size /= 2)
        level++;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &smallest);
    EXPECT_EQ(smallest, 1);
}

TEST(TextureLoader, GrayscaleAndCmykJpegsBecomeRgb) {
    ensureGlWindow();
    uint32_t slot = 0;
    std::string gray = writeTemp("gray.jpg", uniformJpeg(1, {120}));
    ASSERT_TRUE(create(gray, &slot).made);
    expectUniformTexture({120, 120, 120});

    // Adobe's inverted CMYK: 255 means no ink, so (255, 0, 255, 200) is a
    // full magenta under 22 % black.
    std::string cmyk = writeTemp("cmyk.jpg", uniformJpeg(4, {255, 0, 255, 200}));
    ASSERT_TRUE(create(cmyk, &slot).made);
    expectUniformTexture({200, 0, 200});

    std::string colour = writeTemp("colour.jpg", uniformJpeg(3, {30, 160, 220}));
    ASSERT_TRUE(create(colour, &slot).made);
    expectUniformTexture({30, 160, 220});
}
