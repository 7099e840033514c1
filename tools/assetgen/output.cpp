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
