// Screenshots of the test display and processes run on it.
#pragma once

#include "tests/child_process.h"

#include <cstdint>
#include <string>
#include <vector>

struct Screenshot {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb; // top row first
    const uint8_t* at(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
};

// The whole root window of `display` ($DISPLAY when empty), through xwd.
// False when it fails.
bool captureScreen(Screenshot& shot, const std::string& display = "");
bool savePpm(const Screenshot& shot, const std::string& path);

// The rectangle of a screenshot, scaled by nearest pixel to 1024x768, as the
// scene classifier expects.
Screenshot scaledTo1024(const Screenshot& shot, int x0, int y0, int width, int height);
// Columns x0 to x1 - 1 in which every pixel is black.
int blackColumns(const Screenshot& shot, int x0, int x1);
// Rows y0 to y1 - 1 black from column x0 to x1 - 1.
int blackRows(const Screenshot& shot, int x0, int x1, int y0, int y1);
