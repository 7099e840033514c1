// Screenshots of the test display and processes run on it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Screenshot {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb; // top row first
    const uint8_t* at(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
};

// The whole root window of $DISPLAY, through xwd. False when it fails.
bool captureScreen(Screenshot& shot);
bool savePpm(const Screenshot& shot, const std::string& path);

struct ProcessResult {
    int exitCode = -1; // -1: killed or still running at the deadline
    std::string out, err;
};

// Runs a shell command line with its standard output and error captured;
// kills it after timeoutSeconds.
ProcessResult runCommand(const std::string& command, double timeoutSeconds);
