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
