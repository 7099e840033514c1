#include "tools/writers/chunk_writer.h"

#include <cstring>

void ChunkWriter::begin(uint16_t id) {
    open.push_back(out.size());
    u16(id);
    u32(0); // patched by end()
}

void ChunkWriter::end() {
    if (open.empty())
        return;
    size_t start = open.back();
    open.pop_back();
    putLength(start, uint32_t(out.size() - start));
}

void ChunkWriter::u8(uint8_t v) {
    out.push_back(v);
}

void ChunkWriter::u16(uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void ChunkWriter::u32(uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(uint8_t(v >> shift));
}

void ChunkWriter::f32(float v) {
    uint32_t bits;
    memcpy(&bits, &v, sizeof bits);
    u32(bits);
}

void ChunkWriter::text(const std::string& s) {
    bytes(s.data(), s.size());
    u8(0);
}

void ChunkWriter::bytes(const void* data, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    out.insert(out.end(), p, p + size);
}

void ChunkWriter::putLength(size_t chunkOffset, uint32_t length) {
    if (chunkOffset + 6 > out.size())
        return;
    for (int i = 0; i < 4; i++)
        out[chunkOffset + 2 + i] = uint8_t(length >> (8 * i));
}

// ---------------------------------------------------------------- whole files

static void writeMaterial(ChunkWriter& w, const Material3ds& m) {
    w.begin(0xAFFF);
    w.begin(0xA000);
    w.text(m.name);
    w.end();
    w.begin(0xA020); // diffuse
    w.begin(0x0011); // 24-bit colour
    w.u8(m.r);
    w.u8(m.g);
    w.u8(m.b);
    w.end();
    w.end();
    if (!m.textureFile.empty()) {
        w.begin(0xA200); // texture map
        w.begin(0x0030); // percentage, as tools write it first
        w.u16(100);
        w.end();
        w.begin(0xA300);
        w.text(m.textureFile);
        w.end();
        w.end();
    }
    w.end();
}

// Counts are 16-bit in the file: a list holds at most 65535 entries.
static size_t countOf(size_t n) {
    return n < 65535 ? n : 65535;
}

// Face-material groups in the order in which each name first appears.
static void writeFaceMaterials(ChunkWriter& w, const Mesh3ds& mesh, size_t faceCount) {
    size_t named = mesh.faceMaterials.size() < faceCount ? mesh.faceMaterials.size() : faceCount;
    std::vector<std::string> names;
    for (size_t f = 0; f < named; f++) {
        const std::string& name = mesh.faceMaterials[f];
        if (name.empty())
            continue;
        bool seen = false;
        for (const std::string& known : names)
            seen = seen || known == name;
        if (!seen)
            names.push_back(name);
    }
    for (const std::string& name : names) {
        std::vector<uint16_t> group;
        for (size_t f = 0; f < named; f++)
            if (mesh.faceMaterials[f] == name)
                group.push_back(uint16_t(f));
        w.begin(0x4130);
        w.text(name);
        w.u16(uint16_t(group.size()));
        for (uint16_t f : group)
            w.u16(f);
        w.end();
    }
}

static void writeMesh(ChunkWriter& w, const Mesh3ds& mesh) {
    w.begin(0x4000);
    w.text(mesh.name);
    w.begin(0x4100);

    size_t vertexCount = countOf(mesh.xyz.size() / 3);
    w.begin(0x4110);
    w.u16(uint16_t(vertexCount));
    for (size_t i = 0; i < vertexCount * 3; i++)
        w.f32(mesh.xyz[i]);
    w.end();

    if (!mesh.uv.empty()) {
        size_t uvCount = countOf(mesh.uv.size() / 2);
        w.begin(0x4140);
        w.u16(uint16_t(uvCount));
        for (size_t i = 0; i < uvCount * 2; i++)
            w.f32(mesh.uv[i]);
        w.end();
    }

    w.begin(0x4160); // local axes: identity rotation, origin
    for (int row = 0; row < 4; row++)
        for (int col = 0; col < 3; col++)
            w.f32(row == col ? 1.0f : 0.0f);
    w.end();

    size_t faceCount = countOf(mesh.faces.size() / 3);
    w.begin(0x4120);
    w.u16(uint16_t(faceCount));
    for (size_t f = 0; f < faceCount; f++) {
        w.u16(mesh.faces[f * 3]);
        w.u16(mesh.faces[f * 3 + 1]);
        w.u16(mesh.faces[f * 3 + 2]);
        w.u16(0x0007); // all three edges visible
    }
    writeFaceMaterials(w, mesh, faceCount);
    w.begin(0x4150); // smoothing groups: all faces in group 1
    for (size_t f = 0; f < faceCount; f++)
        w.u32(1);
    w.end();
    w.end();

    w.end(); // 0x4100
    w.end(); // 0x4000
}

std::vector<uint8_t> encode3ds(const Scene3ds& scene) {
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0x0002);
    w.u32(scene.version);
    w.end();

    w.begin(0x3D3D);
    w.begin(0x3D3E); // mesh version
    w.u32(3);
    w.end();
    for (const Material3ds& m : scene.materials)
        writeMaterial(w, m);
    w.begin(0x0100); // master scale
    w.f32(1.0f);
    w.end();
    for (const Mesh3ds& mesh : scene.meshes)
        writeMesh(w, mesh);
    w.end();

    w.begin(0xB000); // keyframer
    w.begin(0xB00A); // its header: revision, scene name, animation length
    w.u16(5);
    w.text("scene");
    w.u32(100);
    w.end();
    w.end();

    w.end();
    return w.out;
}
