// assetgen OUTDIR: writes the song, the pictures, the models and their
// textures into OUTDIR, byte for byte the same on every run.
#include <cstdio>
#include <filesystem>

#include "tools/assetgen/assetgen.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: assetgen OUTDIR\n");
        return 2;
    }
    std::string dir = argv[1];
    std::error_code error;
    if (!std::filesystem::is_directory(dir, error)) {
        std::fprintf(stderr, "assetgen: %s is not a directory\n", dir.c_str());
        return 1;
    }
    bool ok = writePictures(dir);
    ok = writeSong(dir) && ok;
    ok = writeModels(dir) && ok;
    return ok ? 0 : 1;
}
