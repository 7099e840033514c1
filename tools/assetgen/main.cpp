// assetgen OUTDIR: writes the song, the pictures, the models and their
// textures into OUTDIR, byte for byte the same on every run.
#include <cstdio>

#include "tools/assetgen/assetgen.h"
#include "tools/writers/tga_writer.h"

bool writeAsset(const std::string& dir, const std::string& name,
                const std::vector<uint8_t>& bytes) {
    std::string path = dir + "/" + name;
    if (bytes.empty() || !writeFile(path, bytes)) {
        std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: assetgen OUTDIR\n");
        return 2;
    }
    std::string dir = argv[1];
    bool ok = writePictures(dir);
    ok = writeSong(dir) && ok;
    ok = writeModels(dir) && ok;
    return ok ? 0 : 1;
}
