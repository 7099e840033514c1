#include "tools/writers/bmp_writer.h"
#include "tools/writers/jpeg_writer.h"
#include "tools/writers/tga_writer.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::string tempPath(const std::string& name) {
    return testing::TempDir() + "inspect_image_" + std::to_string(getpid()) + "_" + name;
}

struct InspectRun {
    int status = -1;
    std::string out;
};

InspectRun inspect(const std::string& arguments) {
    std::string command = std::string(DEMO_BUILD_DIR) + "/inspect image " + arguments + " 2>&1";
    InspectRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe))
        run.out.append(buffer, n);
    run.status = WEXITSTATUS(pclose(pipe));
    return run;
}

// The pixels of a P6 file with the given header, or nothing.
std::vector<uint8_t> ppmPixels(const std::string& path, const std::string& header) {
    std::ifstream file(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.compare(0, header.size(), header) != 0)
        return {};
    return std::vector<uint8_t>(bytes.begin() + header.size(), bytes.end());
}

} // namespace

TEST(InspectImage, EveryReaderGivesAnUprightPpm) {
    const std::string ppm = tempPath("out.ppm");

    // BMP: stored bottom row first, so the PPM starts with the file's last row.
    BmpLayout bmp;
    bmp.width = 2;
    bmp.height = 2;
    bmp.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const std::string bmpPath = tempPath("in.bmp");
    ASSERT_TRUE(writeFile(bmpPath, encodeBmp(bmp)));
    InspectRun run = inspect(bmpPath + " " + ppm);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, "BMP " + bmpPath + ": 2 x 2\n");
    EXPECT_EQ(ppmPixels(ppm, "P6\n2 2\n255\n"),
              (std::vector<uint8_t>{7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}));

    // TGA: flipped for the usual bottom-left origin, kept for a top-left one.
    const uint8_t rgba[] = {1, 2, 3, 255, 4, 5, 6, 255};
    for (bool topLeft : {false, true}) {
        const std::string tgaPath = tempPath("in.tga");
        ASSERT_TRUE(writeFile(tgaPath, encodeTga(1, 2, rgba, topLeft)));
        run = inspect(tgaPath + " " + ppm);
        EXPECT_EQ(run.status, 0) << run.out;
        const std::vector<uint8_t> upright = topLeft ? std::vector<uint8_t>{1, 2, 3, 4, 5, 6}
                                                     : std::vector<uint8_t>{4, 5, 6, 1, 2, 3};
        EXPECT_EQ(ppmPixels(ppm, "P6\n1 2\n255\n"), upright);
    }

    // JPEG: top row first already; grayscale spreads over the channels.
    std::vector<uint8_t> gray(16 * 16, 90);
    for (int i = 0; i < 16 * 8; i++)
        gray[i] = 200;
    const std::string jpegPath = tempPath("in.jpg");
    ASSERT_TRUE(writeFile(jpegPath, encodeJpeg(16, 16, 1, gray.data(), 100)));
    run = inspect(jpegPath + " " + ppm);
    EXPECT_EQ(run.status, 0) << run.out;
    std::vector<uint8_t> pixels = ppmPixels(ppm, "P6\n16 16\n255\n");
    ASSERT_EQ(pixels.size(), 16u * 16 * 3);
    EXPECT_NEAR(pixels[0], 200, 3);
    EXPECT_EQ(pixels[0], pixels[2]);
    EXPECT_NEAR(pixels.back(), 90, 3);

    unlink(bmpPath.c_str());
    unlink(jpegPath.c_str());
    unlink(ppm.c_str());
}

TEST(InspectImage, UnreadableFilesFailWithAMessage) {
    const std::string ppm = tempPath("none.ppm");
    InspectRun run = inspect(tempPath("absent.bmp") + " " + ppm);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("Failed to open DIB file"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("the BMP reader gave no image"), std::string::npos) << run.out;

    run = inspect(tempPath("notes.txt") + " " + ppm);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("is not a TGA, BMP or JPEG file"), std::string::npos) << run.out;

    run = inspect("only-one-argument");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("inspect image FILE OUT.ppm"), std::string::npos) << run.out;
}
