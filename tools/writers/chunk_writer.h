// 3DS chunk files: a builder for any chunk tree, well-formed or not, and a
// writer of whole models laid out the way modelling tools write them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Appends little-endian values; begin/end nest chunks and end() patches the
// length of the chunk it closes. putLength can overwrite a length afterwards
// to craft lying files.
class ChunkWriter {
  public:
    void begin(uint16_t id);
    void end();
    void u8(uint8_t v);
    void u16(uint16_t v);
    void u32(uint32_t v);
    void f32(float v);
    void text(const std::string& s); // with its terminator
    void bytes(const void* data, size_t size);
    size_t size() const { return out.size(); }
    // Overwrites the 4-byte length field of the chunk whose header starts at offset.
    void putLength(size_t chunkOffset, uint32_t length);
    std::vector<uint8_t> out;

  private:
    std::vector<size_t> open;
};

// File-axis data: positions are as stored in the file (the reader converts).
// The file's counts are 16-bit: entries past the 65535th vertex, coordinate
// or face are not written, so a larger model needs several meshes.
struct Mesh3ds {
    std::string name;
    std::vector<float> xyz;                 // 3 per vertex
    std::vector<float> uv;                  // 2 per vertex, or empty
    std::vector<uint16_t> faces;            // 3 per face
    std::vector<std::string> faceMaterials; // one per face, "" for none
};

struct Material3ds {
    std::string name;
    uint8_t r = 200, g = 200, b = 200;
    std::string textureFile; // empty: colour only
};

struct Scene3ds {
    uint32_t version = 3;
    std::vector<Material3ds> materials;
    std::vector<Mesh3ds> meshes;
};

std::vector<uint8_t> encode3ds(const Scene3ds& scene);
