#include "image/image.h"
#include "tests/hostile_files.h"
#include "tools/writers/bmp_writer.h"
#include "tools/writers/jpeg_writer.h"
#include "tools/writers/tga_writer.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string tempPath(const std::string& name) {
    return testing::TempDir() + "jpeg_test_" + std::to_string(getpid()) + "_" + name;
}

std::string writeTemp(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = tempPath(name);
    EXPECT_TRUE(writeFile(path, bytes));
    return path;
}

// Smooth enough for JPEG to keep every value close: the top half reddish,
// the bottom half bluish, so the row order shows.
std::vector<uint8_t> picture(int width, int height, int components) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            const bool top = y < height / 2;
            const uint8_t level = uint8_t(x * 100 / width + 40);
            if (components == 1) {
                pixels.push_back(top ? 220 : level);
            } else {
                pixels.push_back(top ? 230 : 20);
                pixels.push_back(level);
                pixels.push_back(top ? 20 : 230);
            }
        }
    return pixels;
}

double meanDifference(const uint8_t* a, const std::vector<uint8_t>& b) {
    double sum = 0;
    for (size_t i = 0; i < b.size(); i++)
        sum += std::abs(int(a[i]) - int(b[i]));
    return sum / double(b.size());
}

struct Freed {
    ImageRGB* image;
    ~Freed() {
        if (image) {
            delete[] image->pixels;
            delete image;
        }
    }
};

} // namespace

TEST(JpegReader, ColourFileGivesRgbRowsTopFirst) {
    for (bool progressive : {false, true}) {
        const std::vector<uint8_t> source = picture(300, 200, 3);
        std::string path = writeTemp(progressive ? "progressive.jpg" : "baseline.jpg",
                                     encodeJpeg(300, 200, 3, source.data(), 95, progressive));
        Freed read{loadJpeg(path.c_str())};
        ASSERT_NE(read.image, nullptr);
        EXPECT_EQ(read.image->rowSize, 900);
        EXPECT_EQ(read.image->width, 300);
        EXPECT_EQ(read.image->height, 200);
        EXPECT_LT(meanDifference(read.image->pixels, source), 2.0);
        // Top row first: the first pixel is the reddish one.
        EXPECT_GT(read.image->pixels[0], 200);
        EXPECT_LT(read.image->pixels[2], 50);
    }
}

TEST(JpegReader, GrayscaleAndCmykKeepTheirComponentCounts) {
    const std::vector<uint8_t> gray = picture(64, 40, 1);
    std::string path = writeTemp("gray.jpg", encodeJpeg(64, 40, 1, gray.data(), 95));
    Freed grayRead{loadJpeg(path.c_str())};
    ASSERT_NE(grayRead.image, nullptr);
    EXPECT_EQ(grayRead.image->rowSize, 64);
    EXPECT_LT(meanDifference(grayRead.image->pixels, gray), 2.0);

    std::vector<uint8_t> cmyk(16 * 8 * 4);
    for (size_t i = 0; i < cmyk.size(); i++)
        cmyk[i] = uint8_t(i % 4 == 3 ? 200 : 60 * (i % 4));
    path = writeTemp("cmyk.jpg", encodeJpegCmyk(16, 8, cmyk.data(), 95));
    Freed cmykRead{loadJpeg(path.c_str())};
    ASSERT_NE(cmykRead.image, nullptr);
    EXPECT_EQ(cmykRead.image->rowSize, 64);
    EXPECT_LT(meanDifference(cmykRead.image->pixels, cmyk), 2.0);
}

TEST(JpegReader, TruncatedFileGivesAFullImageAndOneWarning) {
    const std::vector<uint8_t> source = picture(300, 200, 3);
    std::vector<uint8_t> file = encodeJpeg(300, 200, 3, source.data(), 95);
    file.resize(file.size() / 2);
    std::string path = writeTemp("truncated.jpg", file);
    testing::internal::CaptureStderr();
    Freed read{loadJpeg(path.c_str())};
    std::string warnings = testing::internal::GetCapturedStderr();
    ASSERT_NE(read.image, nullptr);
    EXPECT_EQ(read.image->width, 300);
    EXPECT_EQ(read.image->height, 200);
    // The decoder meets the end more than once; only the first warning is written.
    EXPECT_EQ(warnings, "Premature end of JPEG file\n");
    // The half that was in the file decoded.
    EXPECT_GT(read.image->pixels[0], 200);
}

// A few bytes can announce 65500 x 65500, and libjpeg fills what the file
// does not hold: decoding may cost an 8192 x 8192 colour picture, or more
// only when the file is at least 1/128 of the cost. Too many scans are
// refused too. A refusal writes nothing.
TEST(JpegReader, PicturesBeyondTheCapAndEndlessScansAreRefusedSilently) {
    for (const HostileFile& file : hostileJpegFiles()) {
        std::string path = writeTemp(file.name, file.bytes);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        Freed read{loadJpeg(path.c_str())};
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << file.name;
        testing::internal::GetCapturedStderr(); // libjpeg's warning about the missing data
        EXPECT_EQ(read.image == nullptr, file.refused) << file.name;
        if (read.image) {
            EXPECT_GE(read.image->width, 5792) << file.name;
        }
    }
    // 256 MiB of CMYK from a file of 2 MiB and more is a picture that large.
    std::vector<uint8_t> bytes = jpegAnnouncing(8192, 8192, 4);
    bytes.resize(2 << 20);
    testing::internal::CaptureStderr();
    Freed read{loadJpeg(writeTemp("cmyk_8192x8192_2mb.jpg", bytes).c_str())};
    testing::internal::GetCapturedStderr();
    ASSERT_NE(read.image, nullptr);
    EXPECT_EQ(read.image->rowSize, 8192 * 4);
    EXPECT_EQ(read.image->height, 8192);
}

TEST(JpegReader, MissingFileIsReportedOnStandardOutput) {
    testing::internal::CaptureStdout();
    ImageRGB* image = loadJpeg(tempPath("absent.jpg").c_str());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unable to load JPG file\n");
    EXPECT_EQ(image, nullptr);
}

TEST(JpegReaderDeathTest, FatalErrorsEndTheProcessWithStatus1) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    BmpLayout layout;
    layout.width = 2;
    layout.height = 2;
    layout.pixels.assign(12, 7);
    std::string notJpeg = writeTemp("bitmap.jpg", encodeBmp(layout));
    EXPECT_EXIT(loadJpeg(notJpeg.c_str()), testing::ExitedWithCode(1),
                "Not a JPEG file: starts with 0x42 0x4d");
    std::string empty = writeTemp("empty.jpg", {});
    EXPECT_EXIT(loadJpeg(empty.c_str()), testing::ExitedWithCode(1), "Empty input file");
}
