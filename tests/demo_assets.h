// The asset generator's output for tests and benchmarks that run the demo on
// its real files: made once per build of the generator, then copied into a
// folder of each run's own.
#pragma once

#include <string>

// Runs `assetgen` into `cacheDir` unless it already holds the output of this
// very build of it; processes started side by side wait for each other.
// The folder, or empty when the generator failed.
std::string generatedAssets(const std::string& assetgen, const std::string& cacheDir);

// Copies the regular files of `from` into the existing folder `to`.
bool copyFiles(const std::string& from, const std::string& to);
