#include "tools/writers/bmp_writer.h"

#include <cstdlib>

static void put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

static void put32(std::vector<uint8_t>& out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

static uint32_t paletteEntries(const BmpLayout& layout) {
    if (!layout.os2Header && layout.colorsUsed != 0)
        return layout.colorsUsed;
    if (layout.bitsPerPixel >= 1 && layout.bitsPerPixel <= 8)
        return 1u << layout.bitsPerPixel;
    return 0;
}

// One source row (bottom row first numbering) as the uncompressed file stores it.
static void appendRow(std::vector<uint8_t>& out, const BmpLayout& layout, int row) {
    const int width = layout.width;
    const int bits = layout.bitsPerPixel;
    const size_t start = out.size();
    auto index = [&](int x) -> uint8_t {
        size_t at = size_t(row) * width + x;
        return at < layout.pixels.size() ? layout.pixels[at] : 0;
    };
    auto rgb = [&](int x, int channel) -> uint8_t {
        size_t at = (size_t(row) * width + x) * 3 + channel;
        return at < layout.pixels.size() ? layout.pixels[at] : 0;
    };
    if (bits <= 8) {
        uint32_t acc = 0;
        int filled = 0;
        for (int x = 0; x < width; x++) {
            acc = (acc << bits) | (index(x) & ((1u << bits) - 1));
            filled += bits;
            if (filled == 8) {
                out.push_back(uint8_t(acc));
                acc = 0;
                filled = 0;
            }
        }
        if (filled > 0)
            out.push_back(uint8_t(acc << (8 - filled)));
    } else {
        for (int x = 0; x < width; x++) {
            uint8_t r = rgb(x, 0), g = rgb(x, 1), b = rgb(x, 2);
            if (bits == 16) {
                put16(out, uint32_t(r >> 3) << 10 | uint32_t(g >> 3) << 5 | uint32_t(b >> 3));
            } else {
                out.push_back(b);
                out.push_back(g);
                out.push_back(r);
                if (bits == 32)
                    out.push_back(0);
            }
        }
    }
    while ((out.size() - start) % 4 != 0)
        out.push_back(0);
}

// Length of the run of equal indices starting at x, at most 255.
static int runLength(const uint8_t* row, int width, int x) {
    int n = 1;
    while (x + n < width && n < 255 && row[x + n] == row[x])
        n++;
    return n;
}

static void encodeRleRow(std::vector<uint8_t>& out, const uint8_t* row, int width, bool four) {
    int x = 0;
    while (x < width) {
        int run = runLength(row, width, x);
        if (run >= 2) {
            out.push_back(uint8_t(run));
            out.push_back(four ? uint8_t((row[x] & 15) << 4 | (row[x] & 15)) : row[x]);
            x += run;
            continue;
        }
        // Gather pixels that do not start a run into one absolute block.
        int literal = 1;
        while (x + literal < width && literal < 255 && runLength(row, width, x + literal) < 2)
            literal++;
        if (literal < 3) {
            // Absolute mode needs at least 3 pixels; single runs instead.
            for (int i = 0; i < literal; i++) {
                out.push_back(1);
                out.push_back(four ? uint8_t((row[x + i] & 15) << 4) : row[x + i]);
            }
        } else {
            out.push_back(0);
            out.push_back(uint8_t(literal));
            size_t start = out.size();
            if (four) {
                for (int i = 0; i < literal; i += 2) {
                    uint8_t high = row[x + i] & 15;
                    uint8_t low = i + 1 < literal ? row[x + i + 1] & 15 : 0;
                    out.push_back(uint8_t(high << 4 | low));
                }
            } else {
                out.insert(out.end(), row + x, row + x + literal);
            }
            if ((out.size() - start) % 2 != 0)
                out.push_back(0);
        }
        x += literal;
    }
}

static std::vector<uint8_t> encodeRle(const BmpLayout& layout) {
    std::vector<uint8_t> out;
    const int rows = std::abs(layout.height);
    std::vector<uint8_t> row(size_t(layout.width), 0);
    for (int y = 0; y < rows; y++) {
        for (int x = 0; x < layout.width; x++) {
            size_t at = size_t(y) * layout.width + x;
            row[x] = at < layout.pixels.size() ? layout.pixels[at] : 0;
        }
        encodeRleRow(out, row.data(), layout.width, layout.compression == BmpCompression::rle4);
        if (y + 1 < rows) {
            out.push_back(0);
            out.push_back(0);
        }
    }
    out.push_back(0);
    out.push_back(1);
    return out;
}

std::vector<uint8_t> encodeBmp(const BmpLayout& layout) {
    const uint32_t headerSize = layout.headerSize ? layout.headerSize : layout.os2Header ? 12 : 40;
    const bool core = headerSize == 12;
    const uint32_t entries = paletteEntries(layout);
    const uint32_t entrySize = core ? 3 : 4;
    const bool rle = !core && layout.compression != BmpCompression::rgb;

    std::vector<uint8_t> bits;
    if (rle) {
        bits = layout.rleData.empty() ? encodeRle(layout) : layout.rleData;
    } else {
        const int rows = std::abs(layout.height);
        for (int i = 0; i < rows; i++) {
            // A top-down file stores the top row first.
            appendRow(bits, layout, layout.height < 0 ? rows - 1 - i : i);
        }
    }

    std::vector<uint8_t> header;
    if (core) {
        put32(header, 12);
        put16(header, uint32_t(layout.width));
        put16(header, uint32_t(layout.height));
        put16(header, 1);
        put16(header, uint32_t(layout.bitsPerPixel));
    } else {
        put32(header, headerSize);
        put32(header, uint32_t(layout.width));
        put32(header, uint32_t(layout.height));
        put16(header, 1);
        put16(header, uint32_t(layout.bitsPerPixel));
        put32(header, rle ? uint32_t(layout.compression) : 0);
        put32(header, uint32_t(bits.size()));
        put32(header, 2835);
        put32(header, 2835);
        put32(header, layout.colorsUsed);
        put32(header, 0);
        header.resize(headerSize, 0);
    }
    for (uint32_t i = 0; i < entries; i++) {
        size_t at = size_t(i) * 3;
        bool known = at + 2 < layout.palette.size();
        header.push_back(known ? layout.palette[at + 2] : 0);
        header.push_back(known ? layout.palette[at + 1] : 0);
        header.push_back(known ? layout.palette[at] : 0);
        if (entrySize == 4)
            header.push_back(0);
    }

    std::vector<uint8_t> file;
    if (layout.fileHeader) {
        const uint32_t offset = 14 + uint32_t(header.size());
        file.push_back('B');
        file.push_back('M');
        put32(file, offset + uint32_t(bits.size()));
        put32(file, 0);
        put32(file, offset);
    }
    file.insert(file.end(), header.begin(), header.end());
    file.insert(file.end(), bits.begin(), bits.end());
    return file;
}
