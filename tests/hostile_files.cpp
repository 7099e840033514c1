#include "tests/hostile_files.h"

#include "tools/writers/bmp_writer.h"
#include "tools/writers/chunk_writer.h"
#include "tools/writers/jpeg_writer.h"
#include "tools/writers/tga_writer.h"

#include <algorithm>

std::vector<HostileFile> hostileTgaFiles() {
    std::vector<uint8_t> header = encodeTga(0, 0, nullptr);
    header[12] = header[13] = header[14] = header[15] = 0xFF;
    // 8192 x 8192 announced, a megabyte of pixels held.
    std::vector<uint8_t> partly(1 << 20, 0x80);
    std::copy(header.begin(), header.begin() + 18, partly.begin());
    partly[12] = partly[14] = 0;
    partly[13] = partly[15] = 0x20;
    return {{"tga_65535x65535_header_only.tga", header, true},
            {"tga_8192x8192_one_megabyte.tga", partly, true}};
}

static std::vector<uint8_t> rleBmp(int width, int height, bool four) {
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bitsPerPixel = four ? 4 : 8;
    layout.compression = four ? BmpCompression::rle4 : BmpCompression::rle8;
    layout.palette = {255, 0, 0, 0, 255, 0};
    layout.colorsUsed = 2;
    layout.rleData = {4, 1, 0, 1}; // four pixels of colour 1, then the end of the bitmap
    return encodeBmp(layout);
}

std::vector<HostileFile> hostileBmpFiles() {
    BmpLayout lying;
    lying.width = 2;
    lying.height = 1;
    lying.pixels.assign(size_t(2) * 3, 7);
    std::vector<uint8_t> uncompressed = encodeBmp(lying);
    // 30000 x 30000 at 24 bits in the info header, six bytes of pixels.
    for (int at : {18, 22}) {
        uncompressed[at] = 30000 & 0xFF;
        uncompressed[at + 1] = 30000 >> 8;
    }
    return {{"bmp_rle8_46340x15400.bmp", rleBmp(46340, 15400, false), true},
            {"bmp_rle4_8193x8192.bmp", rleBmp(8193, 8192, true), true},
            {"bmp_rle8_8192x8192.bmp", rleBmp(8192, 8192, false), false},
            {"bmp_24bit_30000x30000.bmp", uncompressed, true}};
}

std::vector<uint8_t> jpegAnnouncing(int width, int height, int components, bool progressive) {
    std::vector<uint8_t> pixels(16 * 16 * size_t(components));
    for (size_t i = 0; i < pixels.size(); i++)
        pixels[i] = uint8_t(i * 37);
    std::vector<uint8_t> bytes =
        components == 4 ? encodeJpegCmyk(16, 16, pixels.data())
                        : encodeJpeg(16, 16, components, pixels.data(), 90, progressive);
    // The frame header: FF C0 (baseline) or FF C2 (progressive), length,
    // precision, then height and width.
    for (size_t i = 2; i + 9 < bytes.size(); i++) {
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
            bytes[i + 5] = uint8_t(height >> 8);
            bytes[i + 6] = uint8_t(height);
            bytes[i + 7] = uint8_t(width >> 8);
            bytes[i + 8] = uint8_t(width);
            break;
        }
    }
    return bytes;
}

// A progressive file whose last scan is repeated: libjpeg only warns about
// such a progression and walks its coefficients once per copy.
static std::vector<uint8_t> repeatedLastScan(int width, int height, int copies) {
    std::vector<uint8_t> bytes = jpegAnnouncing(width, height, 3, true);
    size_t last = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i++)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA)
            last = i;
    const std::vector<uint8_t> scan(bytes.begin() + long(last), bytes.end() - 2);
    bytes.resize(bytes.size() - 2); // the end marker goes back after the copies
    for (int i = 0; i < copies; i++)
        bytes.insert(bytes.end(), scan.begin(), scan.end());
    bytes.insert(bytes.end(), {0xFF, 0xD9});
    return bytes;
}

std::vector<HostileFile> hostileJpegFiles() {
    return {{"jpeg_65500x65500.jpg", jpegAnnouncing(65500, 65500), true},
            {"jpeg_8192x8192.jpg", jpegAnnouncing(8192, 8192), false},
            {"jpeg_gray_8192x8192.jpg", jpegAnnouncing(8192, 8192, 1), false},
            {"jpeg_cmyk_8192x8192.jpg", jpegAnnouncing(8192, 8192, 4), true},
            {"jpeg_cmyk_7094x7094.jpg", jpegAnnouncing(7094, 7094, 4), false},
            {"jpeg_progressive_8192x8192.jpg", jpegAnnouncing(8192, 8192, 3, true), true},
            {"jpeg_progressive_5792x5792.jpg", jpegAnnouncing(5792, 5792, 3, true), false},
            {"jpeg_progressive_5792x5792_500_scans.jpg", repeatedLastScan(5792, 5792, 500), true}};
}

// Objects whose vertex and coordinate lists each announce 65535 entries and
// hold none.
static std::vector<uint8_t> emptyLists(int objects) {
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0x3D3D);
    for (int i = 0; i < objects; i++) {
        w.begin(0x4000);
        w.text("o");
        w.begin(0x4100);
        for (uint16_t id : {0x4110, 0x4140}) {
            w.begin(id);
            w.u16(65535);
            w.end();
        }
        w.end();
        w.end();
    }
    w.end();
    w.end();
    return w.out;
}

// Many nameless materials, then one object with as many face-material groups
// naming none of them: every group is looked up against every material.
static std::vector<uint8_t> materialsTimesGroups(int count) {
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0x3D3D);
    for (int i = 0; i < count; i++) {
        w.begin(0xAFFF);
        w.end();
    }
    w.begin(0x4000);
    w.text("o");
    w.begin(0x4100);
    for (int i = 0; i < count; i++) {
        w.begin(0x4130);
        w.text("x");
        w.end();
    }
    w.end();
    w.end();
    w.end();
    w.end();
    return w.out;
}

// As many objects, or materials, as a megabyte of chunk headers holds.
static std::vector<uint8_t> manyRecords(uint16_t id) {
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0x3D3D);
    while (w.size() < (1 << 20) - 8) {
        w.begin(id);
        if (id == 0x4000)
            w.text("");
        w.end();
    }
    w.end();
    w.end();
    return w.out;
}

std::vector<HostileFile> hostile3dsFiles() {
    return {{"3ds_4000_objects_announcing_65535.3ds", emptyLists(4000), false},
            {"3ds_70000_materials_times_groups.3ds", materialsTimesGroups(70000), false},
            {"3ds_megabyte_of_objects.3ds", manyRecords(0x4000), false},
            {"3ds_megabyte_of_materials.3ds", manyRecords(0xAFFF), false}};
}
