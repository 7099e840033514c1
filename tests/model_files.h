// Shared by the 3DS reader and normals tests: files written to a temporary
// directory, imported by a fresh loader, with the messages caught.
#pragma once

#include "model/model.h"
#include "tests/model_arrays.h"
#include "tools/writers/chunk_writer.h"
#include "tools/writers/tga_writer.h"

#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

// Unique per test and process: ctest runs tests side by side.
inline std::string tempPath(const std::string& suffix) {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    return testing::TempDir() + info->test_suite_name() + "." + info->name() + "." +
           std::to_string(getpid()) + suffix;
}

// One import of bytes written to a file, with what the reader wrote to
// standard error (message boxes and diagnostics).
struct Imported {
    Model model;
    bool ok = false;
    std::string messages;
    std::string path;

    explicit Imported(const std::vector<uint8_t>& bytes, const std::string& suffix = ".3ds") {
        path = tempPath(suffix);
        writeFile(path, bytes);
        Loader3ds loader;
        testing::internal::CaptureStderr();
        ok = loader.importModel(model, path.c_str());
        messages = testing::internal::GetCapturedStderr();
        unlink(path.c_str());
    }
    ~Imported() { freeModelArrays(model); }
    Imported(const Imported&) = delete;
    Imported& operator=(const Imported&) = delete;

    const MeshObject& object(int i) const { return model.objects.at(i); }
    const Material& material(int i) const { return model.materials.at(i); }
};

// Chunk-level pieces for crafted files.
inline void vertexList(ChunkWriter& w, const std::vector<float>& xyz) {
    w.begin(0x4110);
    w.u16(uint16_t(xyz.size() / 3));
    for (float f : xyz)
        w.f32(f);
    w.end();
}

// The face list stays open so sub-chunks can be put inside it; close with end().
inline void beginFaceList(ChunkWriter& w, const std::vector<uint16_t>& abc, uint16_t flags = 7) {
    w.begin(0x4120);
    w.u16(uint16_t(abc.size() / 3));
    for (size_t i = 0; i + 2 < abc.size(); i += 3) {
        w.u16(abc[i]);
        w.u16(abc[i + 1]);
        w.u16(abc[i + 2]);
        w.u16(flags);
    }
}

inline void faceMaterial(ChunkWriter& w, const std::string& name, uint16_t face = 0) {
    w.begin(0x4130);
    w.text(name);
    w.u16(1);
    w.u16(face);
    w.end();
}

inline void textChunk(ChunkWriter& w, uint16_t id, const std::string& text) {
    w.begin(id);
    w.text(text);
    w.end();
}

inline void colourChunk(ChunkWriter& w, uint8_t r, uint8_t g, uint8_t b) {
    w.begin(0xA020);
    w.begin(0x0011);
    w.u8(r);
    w.u8(g);
    w.u8(b);
    w.end();
    w.end();
}

inline void unknownChunk(ChunkWriter& w, uint16_t id, size_t bodySize) {
    w.begin(id);
    for (size_t i = 0; i < bodySize; i++)
        w.u8(uint8_t(0xA0 + i));
    w.end();
}

// A triangle object in file axes, with an optional face-material group.
inline Mesh3ds triangleMesh(const std::string& name, const std::string& material = "") {
    Mesh3ds mesh;
    mesh.name = name;
    mesh.xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    mesh.faces = {0, 1, 2};
    mesh.faceMaterials = {material};
    return mesh;
}
