// Readers of the chunk bodies the 3DS walkers recognise. Each reads within
// its chunk only and counts what it consumes into the chunk.
#include "model/model.h"

#include <algorithm>
#include <memory>
#include <new>

// Vertex and coordinate bodies are copied straight into the float arrays.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "3DS floats are little-endian");

static constexpr int nameSize = 255;

int Loader3ds::readName(char* text, const Chunk* chunk) {
    uint32_t left = chunk->length - chunk->bytesRead;
    uint32_t consumed = 0;
    int stored = 0;
    // A name too long for its field is cut; the rest of it, up to its
    // terminator, is still consumed so the chunk's data after it lines up.
    while (consumed < left) {
        int byte = fgetc(file);
        if (byte == EOF) {
            stopWalk("the file ends inside a name");
            break;
        }
        consumed++;
        if (stored < nameSize - 1)
            text[stored++] = char(byte);
        if (byte == 0)
            break;
    }
    text[stored] = 0;
    return int(consumed);
}

void Loader3ds::readColor(Material& material, Chunk* chunk) {
    // Only the first colour sub-chunk is read; any further ones are met by
    // the material walker as siblings and skipped.
    readFirstSubChunk(chunk, material.color, sizeof material.color);
}

static int readCount(uint32_t got, const uint8_t* bytes) {
    return got == 2 ? bytes[0] | bytes[1] << 8 : 0;
}

void Loader3ds::readVertexList(MeshObject& object, Chunk* chunk) {
    uint8_t count[2];
    uint32_t n = uint32_t(readCount(readBody(chunk, count, 2), count));
    n = std::min(n, bytesHeld(chunk) / uint32_t(sizeof(Vec3)));
    delete[] object.vertices; // a second list replaces the first
    object.vertices = new (std::nothrow) Vec3[n]();
    object.vertexCount = object.vertices ? int(n) : 0;
    readBody(chunk, object.vertices, uint32_t(object.vertexCount) * sizeof(Vec3));
    skipRest(chunk);
    for (int i = 0; i < object.vertexCount; i++) {
        Vec3 v = object.vertices[i];
        object.vertices[i] = {v.x, v.z, -v.y};
    }
}

void Loader3ds::readFaceList(MeshObject& object, Chunk* chunk) {
    uint8_t count[2];
    uint32_t n = uint32_t(readCount(readBody(chunk, count, 2), count));
    // Only faces that lie within the chunk are read.
    n = std::min(n, bytesHeld(chunk) / 8);
    std::unique_ptr<uint8_t[]> raw(new (std::nothrow) uint8_t[n * 8]);
    uint32_t got = raw ? readBody(chunk, raw.get(), n * 8) / 8 : 0;
    delete[] object.faces;
    object.faces = new (std::nothrow) Face[got]();
    object.faceCount = object.faces ? int(got) : 0;
    for (int j = 0; j < object.faceCount; j++) {
        const uint8_t* p = raw.get() + j * 8;
        for (int k = 0; k < 3; k++)
            object.faces[j].vertIndex[k] = p[2 * k] | p[2 * k + 1] << 8;
        // p[6], p[7]: the edge flags, not needed
    }
    // The rest of the chunk, its sub-chunks, is left for the object walker.
}

void Loader3ds::readTexCoordList(MeshObject& object, Chunk* chunk) {
    uint8_t count[2];
    uint32_t n = uint32_t(readCount(readBody(chunk, count, 2), count));
    n = std::min(n, bytesHeld(chunk) / uint32_t(sizeof(Vec2)));
    delete[] object.texVertices;
    object.texVertices = new (std::nothrow) Vec2[n]();
    object.texVertexCount = object.texVertices ? int(n) : 0;
    readBody(chunk, object.texVertices, uint32_t(object.texVertexCount) * sizeof(Vec2));
    skipRest(chunk);
}

// Names are looked up in an index of the materials read so far, the first of
// a name winning, so that many groups against many materials stay linear.
// Materials are complete by the time an object is read: they are never
// nested in one.
void Loader3ds::readFaceMaterial(Model& model, MeshObject& object, Chunk* chunk) {
    char buffer[nameSize] = {};
    chunk->bytesRead += uint32_t(readName(buffer, chunk));
    for (; materialsIndexed < model.materialCount; materialsIndexed++)
        materialIndex.emplace(model.materials[materialsIndexed].name, materialsIndexed);
    if (model.materialCount > 0) {
        const auto found = materialIndex.find(buffer);
        object.materialId = found == materialIndex.end() ? -1 : found->second;
        if (object.materialId >= 0 && model.materials[object.materialId].fileName[0] != 0)
            object.hasTexture = true;
    }
    skipRest(chunk); // the group's face numbers
}
