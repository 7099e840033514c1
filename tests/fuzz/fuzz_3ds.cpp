// The 3DS reader on arbitrary bytes. The reader opens files by name, so each
// input is written to a temporary file first.
#include "model/model.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

static std::string path;

static void removeInput() {
    unlink(path.c_str());
}

static void makeInputFile() {
    const char* dir = getenv("TMPDIR");
    path = std::string(dir && *dir ? dir : "/tmp") + "/fuzz_3ds.XXXXXX";
    int fd = mkstemp(&path[0]);
    if (fd >= 0)
        close(fd);
    atexit(removeInput);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (path.empty())
        makeInputFile();
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    fwrite(data, 1, size, f);
    fclose(f);

    Loader3ds loader;
    Model model;
    loader.importModel(model, path.c_str());
    // The demo keeps these arrays until it exits; here each input frees its own.
    for (MeshObject& o : model.objects) {
        delete[] o.vertices;
        delete[] o.normals;
        delete[] o.texVertices;
        delete[] o.faces;
    }
    return 0;
}
