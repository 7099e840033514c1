// The asset generator: every file the demo reads, made from code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The names the pictures and the song carry. Invented for this demo.
constexpr const char* groupName = "SALPIXEL";
constexpr const char* demoTitle = "MAREA DE NEON";

// Each writes its files into `dir` and reports on the standard error stream
// what it could not write.
bool writeSong(const std::string& dir);
bool writePictures(const std::string& dir);
bool writeModels(const std::string& dir);

// Writes bytes to dir/name; false, with a message, on failure.
bool writeAsset(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes);
