// Import time of 3DS models: a large generated model (65535 vertices, 100000
// faces) and the fullest single object, with the one-pass normals the reader
// uses and with the direct per-vertex scan of all faces, and every .3ds file
// in the data directory.
//
//   import_3ds [DATA_DIR]     (default build/data; skipped when absent)
#include "model/model.h"
#include "tests/model_arrays.h"
#include "tools/writers/chunk_writer.h"
#include "tools/writers/tga_writer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <string>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;

static double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A wavy grid of columns x rows vertices and its first maxFaces triangles.
static Mesh3ds gridMesh(const char* name, int columns, int rows, size_t maxFaces, float y0) {
    Mesh3ds mesh;
    mesh.name = name;
    for (int r = 0; r < rows; r++)
        for (int c = 0; c < columns; c++) {
            mesh.xyz.insert(mesh.xyz.end(), {float(c), y0 + float(r),
                                             float(std::sin(c * 0.1) * std::cos(r * 0.1))});
            mesh.uv.insert(mesh.uv.end(), {c / float(columns), r / float(rows)});
        }
    size_t limit = maxFaces * 3;
    for (int r = 0; r + 1 < rows && mesh.faces.size() < limit; r++)
        for (int c = 0; c + 1 < columns && mesh.faces.size() < limit; c++) {
            uint16_t a = uint16_t(r * columns + c), b = uint16_t(a + 1);
            uint16_t d = uint16_t(a + columns), e = uint16_t(d + 1);
            mesh.faces.insert(mesh.faces.end(), {a, b, e});
            if (mesh.faces.size() < limit)
                mesh.faces.insert(mesh.faces.end(), {a, e, d});
        }
    mesh.faceMaterials.assign(mesh.faces.size() / 3, "ground");
    return mesh;
}

// A file's lists have 16-bit counts, so 100000 faces need two objects:
// 32895 + 32640 = 65535 vertices, 50000 + 50000 faces.
static Scene3ds largeScene() {
    Scene3ds scene;
    scene.materials.push_back({"ground", 90, 140, 60, "ground.bmp"});
    scene.meshes.push_back(gridMesh("north", 255, 129, 50000, 0));
    scene.meshes.push_back(gridMesh("south", 255, 128, 50000, 129));
    return scene;
}

// The most one object can hold: 65535 vertices (255 x 257) and 65535 faces.
static Scene3ds fullObjectScene() {
    Scene3ds scene;
    scene.materials.push_back({"ground", 90, 140, 60, ""});
    scene.meshes.push_back(gridMesh("full", 255, 257, 65535, 0));
    return scene;
}

struct Timing {
    double best = 1e30, total = 0;
    int runs = 0;
    void add(double ms) {
        best = std::min(best, ms);
        total += ms;
        runs++;
    }
};

static Timing timeImports(const char* path, int runs, int* faces = nullptr,
                          int* vertices = nullptr) {
    Timing t;
    for (int i = 0; i < runs; i++) {
        Loader3ds loader;
        Model model;
        Clock::time_point start = Clock::now();
        loader.importModel(model, path);
        t.add(millisecondsSince(start));
        if (faces && vertices) {
            *faces = *vertices = 0;
            for (const MeshObject& o : model.objects) {
                *faces += o.faceCount;
                *vertices += o.vertexCount;
            }
        }
        freeModelArrays(model);
    }
    return t;
}

static void benchScene(const char* title, const Scene3ds& scene) {
    char path[] = "/tmp/import_3ds_large.XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0)
        return;
    close(fd);
    writeFile(path, encode3ds(scene));

    int faces = 0, vertices = 0;
    Timing import = timeImports(path, 10, &faces, &vertices);
    printf("%s: %d vertices, %d faces in %zu objects\n", title, vertices, faces,
           scene.meshes.size());
    printf("  import with one-pass normals: best %.2f ms, mean %.2f ms over %d runs\n", import.best,
           import.total / import.runs, import.runs);

    Loader3ds loader;
    Model model;
    loader.importModel(model, path);
    Timing onePass;
    for (int i = 0; i < 10; i++) {
        Clock::time_point start = Clock::now();
        loader.computeVertexNormals(model);
        onePass.add(millisecondsSince(start));
    }
    bool same = true;
    std::vector<std::vector<Vec3>> fast;
    for (MeshObject& o : model.objects)
        fast.emplace_back(o.normals, o.normals + o.vertexCount);
    Clock::time_point start = Clock::now();
    for (MeshObject& o : model.objects)
        directNormals(o);
    double direct = millisecondsSince(start);
    for (size_t i = 0; i < fast.size(); i++)
        same = same &&
               memcmp(fast[i].data(), model.objects[i].normals, fast[i].size() * sizeof(Vec3)) == 0;
    printf("  normals alone: one pass best %.2f ms; direct scan %.0f ms (one run); %s\n",
           onePass.best, direct, same ? "bit-identical" : "DIFFERENT");
    printf("  import with direct normals: about %.0f ms (import - one pass + direct)\n",
           import.best - onePass.best + direct);
    freeModelArrays(model);
    unlink(path);
}

static void benchDataFiles(const std::string& dir) {
    DIR* d = opendir(dir.c_str());
    if (!d) {
        printf("no %s: generated models skipped\n", dir.c_str());
        return;
    }
    std::vector<std::string> names;
    while (dirent* entry = readdir(d)) {
        std::string name = entry->d_name;
        std::string lower = name;
        for (char& ch : lower)
            ch = char(tolower(ch));
        if (lower.size() > 4 && lower.compare(lower.size() - 4, 4, ".3ds") == 0)
            names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    if (names.empty())
        printf("no .3ds files in %s: generated models skipped\n", dir.c_str());
    for (const std::string& name : names) {
        std::string path = dir + "/" + name;
        int faces = 0, vertices = 0;
        Timing t = timeImports(path.c_str(), 10, &faces, &vertices);
        printf("%s: %d vertices, %d faces: best %.2f ms, mean %.2f ms\n", name.c_str(), vertices,
               faces, t.best, t.total / t.runs);
    }
}

int main(int argc, char** argv) {
    benchScene("large model", largeScene());
    benchScene("fullest single object", fullObjectScene());
    benchDataFiles(argc > 1 ? argv[1] : "build/data");
    return 0;
}
