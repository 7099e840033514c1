#include "tests/screen_capture.h"

#include <cstdio>

static uint32_t bigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

bool captureScreen(Screenshot& shot, const std::string& display) {
    std::string command = "xwd -root -silent";
    if (!display.empty())
        command += " -display '" + display + "'";
    // A window that comes or goes during the capture makes xwd fail noisily;
    // the caller sees the failure and tries again.
    command += " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return false;
    std::vector<uint8_t> data;
    uint8_t buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        data.insert(data.end(), buffer, buffer + got);
    if (pclose(pipe) != 0 || data.size() < 100)
        return false;
    // XWD: a big-endian header, a colour map, then the pixels.
    uint32_t headerSize = bigEndian32(&data[0]);
    uint32_t width = bigEndian32(&data[16]), height = bigEndian32(&data[20]);
    uint32_t byteOrder = bigEndian32(&data[28]);
    uint32_t bitsPerPixel = bigEndian32(&data[44]);
    uint32_t bytesPerLine = bigEndian32(&data[48]);
    uint32_t colorCount = bigEndian32(&data[76]);
    size_t offset = size_t(headerSize) + size_t(colorCount) * 12;
    uint32_t step = bitsPerPixel / 8;
    if ((step != 3 && step != 4) || bytesPerLine < width * step ||
        offset + size_t(bytesPerLine) * height > data.size())
        return false;
    shot.width = int(width);
    shot.height = int(height);
    shot.rgb.resize(size_t(width) * height * 3);
    for (uint32_t y = 0; y < height; y++) {
        for (uint32_t x = 0; x < width; x++) {
            const uint8_t* p = &data[offset + size_t(y) * bytesPerLine + x * step];
            uint32_t v = !byteOrder  ? uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]
                         : step == 4 ? bigEndian32(p)
                                     : uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
            uint8_t* q = &shot.rgb[(size_t(y) * width + x) * 3];
            q[0] = (v >> 16) & 0xFF;
            q[1] = (v >> 8) & 0xFF;
            q[2] = v & 0xFF;
        }
    }
    return true;
}

bool savePpm(const Screenshot& shot, const std::string& path) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    fprintf(file, "P6\n%d %d\n255\n", shot.width, shot.height);
    bool ok = fwrite(shot.rgb.data(), 1, shot.rgb.size(), file) == shot.rgb.size();
    return fclose(file) == 0 && ok;
}

static bool black(const uint8_t* p) {
    return p[0] == 0 && p[1] == 0 && p[2] == 0;
}

// The rectangle of a screenshot, scaled by nearest pixel to 1024x768, as the
// scene classifier expects.
Screenshot scaledTo1024(const Screenshot& shot, int x0, int y0, int width, int height) {
    Screenshot scaled;
    scaled.width = 1024;
    scaled.height = 768;
    for (int y = 0; y < 768; y++)
        for (int x = 0; x < 1024; x++) {
            const uint8_t* p = shot.at(x0 + x * width / 1024, y0 + y * height / 768);
            scaled.rgb.insert(scaled.rgb.end(), p, p + 3);
        }
    return scaled;
}

// Columns x0 to x1 - 1 in which every pixel is black.
int blackColumns(const Screenshot& shot, int x0, int x1) {
    int columns = 0;
    for (int x = x0; x < x1; x++) {
        bool all = true;
        for (int y = 0; y < shot.height && all; y++)
            all = black(shot.at(x, y));
        columns += all;
    }
    return columns;
}

// Rows y0 to y1 - 1 black from column x0 to x1 - 1.
int blackRows(const Screenshot& shot, int x0, int x1, int y0, int y1) {
    int rows = 0;
    for (int y = y0; y < y1; y++) {
        bool all = true;
        for (int x = x0; x < x1 && all; x++)
            all = black(shot.at(x, y));
        rows += all;
    }
    return rows;
}
