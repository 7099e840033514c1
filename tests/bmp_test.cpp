#include "image/image.h"
#include "tests/hostile_files.h"
#include "tests/test_bitmaps.h"
#include "tools/writers/bmp_writer.h"
#include "tools/writers/tga_writer.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string tempPath(const std::string& name) {
    return testing::TempDir() + "bmp_test_" + std::to_string(getpid()) + "_" + name;
}

std::string writeTemp(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = tempPath(name);
    EXPECT_TRUE(writeFile(path, bytes));
    return path;
}

struct Read {
    std::vector<uint8_t> pixels;
    int width = 0;
    int height = 0;
    bool ok = false;
    std::string messages; // what the message boxes wrote to standard error
};

Read readBmp(const std::string& path) {
    testing::internal::CaptureStderr();
    DibImage* image = readDibFile(path.c_str());
    Read result;
    result.messages = testing::internal::GetCapturedStderr();
    if (image) {
        result.ok = true;
        result.width = image->width;
        result.height = image->height;
        result.pixels.assign(image->pixels,
                             image->pixels + size_t(image->width) * image->height * 3);
        delete[] image->pixels;
        delete image;
    }
    return result;
}

uint8_t widen5(uint8_t value) {
    uint8_t five = value >> 3;
    return uint8_t(five << 3 | five >> 2);
}

// What the reader must deliver for the file a BmpLayout writes: packed RGB,
// bottom row first.
std::vector<uint8_t> expectedPixels(const BmpLayout& layout) {
    std::vector<uint8_t> out;
    const size_t count = size_t(layout.width) * std::abs(layout.height);
    const size_t entries = layout.colorsUsed ? layout.colorsUsed : layout.palette.size() / 3;
    for (size_t i = 0; i < count; i++) {
        if (layout.bitsPerPixel <= 8) {
            size_t index = layout.pixels[i];
            for (int c = 0; c < 3; c++)
                out.push_back(index < entries ? layout.palette[index * 3 + c] : 0);
        } else {
            for (int c = 0; c < 3; c++) {
                uint8_t value = layout.pixels[i * 3 + c];
                out.push_back(layout.bitsPerPixel == 16 ? widen5(value) : value);
            }
        }
    }
    return out;
}

void expectReadsAsWritten(const BmpLayout& layout, const std::string& label) {
    SCOPED_TRACE(label);
    Read read = readBmp(writeTemp(label + ".bmp", encodeBmp(layout)));
    ASSERT_TRUE(read.ok) << read.messages;
    EXPECT_EQ(read.messages, "");
    EXPECT_EQ(read.width, layout.width);
    EXPECT_EQ(read.height, std::abs(layout.height));
    EXPECT_EQ(read.pixels, expectedPixels(layout));
}

} // namespace

TEST(BmpReader, BottomRowComesFirstRedFirst) {
    // 2 x 2, 24 bits, made byte by byte: the file's first row is the bottom one.
    std::vector<uint8_t> file = {'B', 'M'};
    auto put = [&](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; i++)
            file.push_back(uint8_t(value >> (8 * i)));
    };
    put(70, 4), put(0, 4), put(54, 4);                // file size, reserved, bits offset
    put(40, 4), put(2, 4), put(2, 4), put(1, 2);      // size, width, height, planes
    put(24, 2), put(0, 4), put(16, 4), put(0, 4 * 4); // depth, BI_RGB, image size, rest
    ASSERT_EQ(file.size(), 54u);
    const uint8_t bits[] = {0,   0, 255, 0,   255, 0,   0, 0,  // bottom: red, green, pad
                            255, 0, 0,   255, 255, 255, 0, 0}; // top: blue, white, pad
    file.insert(file.end(), bits, bits + sizeof bits);
    Read read = readBmp(writeTemp("handmade.bmp", file));
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.pixels, (std::vector<uint8_t>{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));
}

TEST(BmpReader, EveryDepthWithBothHeadersAndWithoutFileHeader) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        for (bool os2 : {false, true}) {
            if (os2 && (bits == 16 || bits == 32))
                continue; // the core header knows no such depths
            for (bool fileHeader : {true, false}) {
                // Width 5 pads every depth's rows in the file.
                BmpLayout layout = patternedBmp(bits, 5, 3);
                layout.os2Header = os2;
                layout.fileHeader = fileHeader;
                expectReadsAsWritten(layout, std::to_string(bits) + (os2 ? "_os2" : "_win") +
                                                 (fileHeader ? "" : "_packed"));
            }
        }
    }
    // Wider rows, for the bit packing of the small depths.
    for (int bits : {1, 4, 8})
        expectReadsAsWritten(patternedBmp(bits, 37, 4), "wide_" + std::to_string(bits));
}

TEST(BmpReader, Width5GivesPacked15ByteRows) {
    Read read = readBmp(writeTemp("w5.bmp", encodeBmp(patternedBmp(24, 5, 2))));
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.pixels.size(), 30u);
    // Row 1 starts at byte 15 with the pixel x 0, y 1.
    EXPECT_EQ(read.pixels[15], 0 * 40 + 1);
    EXPECT_EQ(read.pixels[16], 1 * 60 + 3);
}

TEST(BmpReader, ColorsUsedLimitsTheTableAndIndicesPastItAreBlack) {
    for (bool fileHeader : {true, false}) {
        BmpLayout layout;
        layout.width = 6;
        layout.height = 2;
        layout.bitsPerPixel = 8;
        layout.colorsUsed = 3;
        layout.fileHeader = fileHeader; // without it the bits start right after 3 entries
        layout.palette = {10, 20, 30, 40, 50, 60, 70, 80, 90};
        layout.pixels = {0, 1, 2, 2, 1, 0, 1, 1, 200, 3, 0, 2};
        expectReadsAsWritten(layout, fileHeader ? "used3" : "used3_packed");
    }
}

TEST(BmpReader, TopDownFilesComeOutBottomRowFirst) {
    for (int bits : {8, 24}) {
        BmpLayout layout = patternedBmp(bits, 7, -5);
        expectReadsAsWritten(layout, "topdown" + std::to_string(bits));
    }
}

TEST(BmpReader, RunLengthEncodedFilesDecodeToTheirPixels) {
    for (int bits : {4, 8}) {
        BmpLayout layout = patternedBmp(bits, 37, 9);
        // Long runs, short runs and absolute stretches on every row.
        for (int y = 0; y < 9; y++)
            for (int x = 10; x < 30; x++)
                layout.pixels[y * 37 + x] = uint8_t(y + (x > 20));
        layout.compression = bits == 8 ? BmpCompression::rle8 : BmpCompression::rle4;
        expectReadsAsWritten(layout, "rle" + std::to_string(bits));
    }
    // A run longer than 255 pixels and an all-different row longer than 255.
    BmpLayout wide = patternedBmp(8, 600, 2);
    for (int x = 0; x < 600; x++) {
        wide.pixels[x] = 9;
        wide.pixels[600 + x] = uint8_t(x);
    }
    wide.compression = BmpCompression::rle8;
    expectReadsAsWritten(wide, "rle8_wide");
}

TEST(BmpReader, RunLengthEscapesLeaveSkippedPixelsBlack) {
    BmpLayout layout = rleEscapesBmp(false);
    Read read = readBmp(writeTemp("rle8_escapes.bmp", encodeBmp(layout)));
    ASSERT_TRUE(read.ok) << read.messages;
    auto at = [&](int x, int y) {
        const uint8_t* p = &read.pixels[(y * 6 + x) * 3];
        return std::vector<uint8_t>{p[0], p[1], p[2]};
    };
    auto color = [](int i) { return std::vector<uint8_t>{uint8_t(100 + i), uint8_t(i), 50}; };
    const std::vector<uint8_t> black = {0, 0, 0};
    EXPECT_EQ(at(0, 0), color(1));
    EXPECT_EQ(at(1, 0), color(1));
    EXPECT_EQ(at(2, 0), black); // after the end of line
    EXPECT_EQ(at(0, 1), color(4));
    EXPECT_EQ(at(2, 1), color(6));
    EXPECT_EQ(at(3, 1), black); // the delta skipped it
    EXPECT_EQ(at(4, 2), black);
    EXPECT_EQ(at(5, 2), color(7));
    EXPECT_EQ(at(0, 2), black);

    // The same for 4 bits: runs alternate the two nibbles; absolute runs pack them.
    BmpLayout four = rleEscapesBmp(true);
    read = readBmp(writeTemp("rle4_escapes.bmp", encodeBmp(four)));
    ASSERT_TRUE(read.ok) << read.messages;
    EXPECT_EQ(at(0, 0), color(1));
    EXPECT_EQ(at(1, 0), color(2));
    EXPECT_EQ(at(4, 0), color(1));
    EXPECT_EQ(at(5, 0), black);
    EXPECT_EQ(at(0, 1), color(4));
    EXPECT_EQ(at(1, 1), color(5));
    EXPECT_EQ(at(2, 1), color(6));
    EXPECT_EQ(at(3, 1), black);
    EXPECT_EQ(at(3, 2), black);
    EXPECT_EQ(at(4, 2), color(7));
    EXPECT_EQ(at(5, 2), color(3));
}

TEST(BmpReader, OtherInfoHeaderSizesAreRefused) {
    for (uint32_t size : {64u, 108u, 124u, 16u}) {
        BmpLayout layout = patternedBmp(24, 4, 4);
        layout.headerSize = size;
        Read read = readBmp(writeTemp("hdr" + std::to_string(size) + ".bmp", encodeBmp(layout)));
        EXPECT_FALSE(read.ok);
        EXPECT_EQ(read.messages, "Error: Unknown DIB file format.\n") << size;
    }
}

TEST(BmpReader, MissingAndEmptyFilesCannotBeOpened) {
    for (bool exists : {false, true}) {
        std::string path = tempPath(exists ? "empty.bmp" : "missing.bmp");
        unlink(path.c_str());
        if (exists)
            writeFile(path, {});
        Read read = readBmp(path);
        EXPECT_FALSE(read.ok);
        EXPECT_EQ(read.messages, "Error: Failed to open DIB file " + path + ".\n");
    }
}

TEST(BmpReader, TruncatedAndLyingFilesAreRefusedWithoutReadingPastTheEnd) {
    auto put32 = [](std::vector<uint8_t>& file, size_t at, uint32_t value) {
        for (int i = 0; i < 4; i++)
            file[at + i] = uint8_t(value >> (8 * i));
    };
    const std::vector<uint8_t> rgb24 = encodeBmp(patternedBmp(24, 5, 4));
    const std::vector<uint8_t> pal8 = encodeBmp(patternedBmp(8, 5, 4));
    BmpLayout rleLayout = patternedBmp(8, 5, 4);
    rleLayout.compression = BmpCompression::rle8;
    const std::vector<uint8_t> rle8 = encodeBmp(rleLayout);

    struct Case {
        const char* name;
        std::vector<uint8_t> file;
    };
    std::vector<Case> cases;
    auto add = [&](const char* name, std::vector<uint8_t> file, auto change) {
        change(file);
        cases.push_back({name, file});
    };
    add("last_byte_missing", rgb24, [](std::vector<uint8_t>& f) { f.pop_back(); });
    add("header_cut", rgb24, [](std::vector<uint8_t>& f) { f.resize(30); });
    add("file_header_only", rgb24, [](std::vector<uint8_t>& f) { f.resize(12); });
    add("huge_offset", rgb24, [&](std::vector<uint8_t>& f) { put32(f, 10, 0xFFFFFFF0u); });
    add("offset_at_end", rgb24, [&](std::vector<uint8_t>& f) { put32(f, 10, uint32_t(f.size())); });
    add("huge_width", rgb24, [&](std::vector<uint8_t>& f) { put32(f, 18, 0x7FFFFFFFu); });
    add("huge_both", rgb24, [&](std::vector<uint8_t>& f) {
        put32(f, 18, 0x40000000u);
        put32(f, 22, 0x40000000u);
    });
    add("most_negative_height", rgb24, [&](std::vector<uint8_t>& f) { put32(f, 22, 0x80000000u); });
    add("zero_width", rgb24, [&](std::vector<uint8_t>& f) { put32(f, 18, 0); });
    add("zero_height", rgb24, [&](std::vector<uint8_t>& f) { put32(f, 22, 0); });
    add("negative_width", rgb24, [&](std::vector<uint8_t>& f) { put32(f, 18, uint32_t(-5)); });
    add("colors_past_end", pal8, [&](std::vector<uint8_t>& f) { put32(f, 46, 60000); });
    add("table_cut", pal8, [](std::vector<uint8_t>& f) { f.resize(14 + 40 + 100); });
    add("depth_7", rgb24, [](std::vector<uint8_t>& f) { f[28] = 7; });
    add("bitfields", rgb24, [&](std::vector<uint8_t>& f) { put32(f, 30, 3); });
    add("compression_9", rgb24, [&](std::vector<uint8_t>& f) { put32(f, 30, 9); });
    add("rle8_on_24_bits", rgb24, [&](std::vector<uint8_t>& f) { put32(f, 30, 1); });
    add("rle_without_end", rle8, [](std::vector<uint8_t>& f) { f.resize(f.size() - 6); });
    add("rle_huge", rle8, [&](std::vector<uint8_t>& f) {
        put32(f, 18, 60000);
        put32(f, 22, 60000);
    });
    add("rle_top_down", rle8, [&](std::vector<uint8_t>& f) { put32(f, 22, uint32_t(-4)); });

    for (const Case& c : cases) {
        Read read = readBmp(writeTemp(c.name, c.file));
        EXPECT_FALSE(read.ok) << c.name;
        EXPECT_EQ(read.messages, "Error: Image file conversion error.\n") << c.name;
    }
}

// Run-length data can announce any size in a few bytes: past 8192 x 8192
// pixels it is refused, up to it the picture costs its size once.
TEST(BmpReader, RunLengthPicturesBeyondTheCapAndLyingHeadersAreRefused) {
    for (const HostileFile& file : hostileBmpFiles()) {
        Read read = readBmp(writeTemp(file.name, file.bytes));
        EXPECT_EQ(read.ok, !file.refused) << file.name;
        if (file.refused) {
            EXPECT_EQ(read.messages, "Error: Image file conversion error.\n") << file.name;
            continue;
        }
        ASSERT_EQ(read.width, 8192) << file.name;
        ASSERT_EQ(read.height, 8192) << file.name;
        // Four green pixels, then the end of the bitmap: the rest stays black.
        const std::vector<uint8_t> start(read.pixels.begin(), read.pixels.begin() + 15);
        EXPECT_EQ(start,
                  std::vector<uint8_t>({0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0}));
        EXPECT_EQ(read.pixels.back(), 0);
    }
    const std::string fifo = tempPath("fifo.bmp");
    unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_NE(readBmp(fifo).messages.find("Failed to open DIB file"), std::string::npos);
    unlink(fifo.c_str());
}

TEST(BmpReader, LoadBmpHandsThePixelsOver) {
    BmpLayout layout = patternedBmp(4, 9, 3);
    std::string path = writeTemp("load.bmp", encodeBmp(layout));
    ImageRGB* image = loadBmp(path.c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 9);
    EXPECT_EQ(image->height, 3);
    EXPECT_EQ(image->rowSize, 27);
    EXPECT_EQ(std::vector<uint8_t>(image->pixels, image->pixels + 81), expectedPixels(layout));
    delete[] image->pixels;
    delete image;

    testing::internal::CaptureStderr();
    EXPECT_EQ(loadBmp(tempPath("absent.bmp").c_str()), nullptr);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Failed to open DIB file"),
              std::string::npos);
}
