// Model records, vector maths, the 3DS reader and the three demo models.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

// ---------------------------------------------------------------- records

struct Vec3 {
    float x, y, z;
};

struct Vec2 {
    float u, v;
};

struct Face {
    int32_t vertIndex[3];  // into vertices, normals and texVertices alike
    int32_t coordIndex[3]; // zero, unused
};

struct Material {
    char name[255];
    char fileName[255];                     // texture image, empty when the material has none
    uint8_t color[3];                       // diffuse R, G, B
    int32_t textureId;                      // set-up stores the material's own index here
    int32_t uTile, vTile, uOffset, vOffset; // zero, unused
};

struct MeshObject {
    int32_t vertexCount;
    int32_t faceCount;
    int32_t texVertexCount;
    int32_t materialId; // index into the model's materials, -1 when unmatched
    bool hasTexture;
    char name[255];
    Vec3* vertices;    // demo axes: the file's (x, y, z) as (x, z, -y)
    Vec3* normals;     // one unit normal per vertex
    Vec2* texVertices; // null when the file has no coordinate list
    Face* faces;
};

struct Model {
    int32_t objectCount = 0;
    int32_t materialCount = 0;
    std::vector<Material> materials;
    std::vector<MeshObject> objects;
};

struct Chunk {
    uint16_t id;
    uint32_t length;    // whole chunk, 6-byte header included
    uint32_t bytesRead; // consumed so far, header included
};

Vec3 subtract(Vec3 a, Vec3 b);
Vec3 add(Vec3 a, Vec3 b);
Vec3 divide(Vec3 v, float s);
Vec3 cross(Vec3 a, Vec3 b);
// The zero vector normalises to itself.
Vec3 normalize(Vec3 v);

// ---------------------------------------------------------------- 3DS reader

// Reads one 3DS file into a Model. Each loader performs exactly one import.
class Loader3ds {
  public:
    Loader3ds();

    // False, after an "Error" message box, when the file cannot be opened or
    // does not start with a primary chunk; true otherwise.
    bool importModel(Model& model, const char* fileName);

    // Gives every vertex of every object a unit normal; uses no loader state.
    void computeVertexNormals(Model& model);

  private:
    void readChunkHeader(Chunk* chunk);
    void walkMainChunks(Model& model, Chunk* parent);
    void walkObjectChunks(Model& model, MeshObject& object, Chunk* parent);
    void walkMaterialChunks(Model& model, Chunk* parent);
    // Reads a zero-terminated name within what is left of chunk; returns the
    // bytes consumed, which the caller adds to the chunk's count.
    int readName(char* text, const Chunk* chunk);
    void readColor(Material& material, Chunk* chunk);
    void readVertexList(MeshObject& object, Chunk* chunk);
    void readFaceList(MeshObject& object, Chunk* chunk);
    void readTexCoordList(MeshObject& object, Chunk* chunk);
    void readFaceMaterial(Model& model, MeshObject& object, Chunk* chunk);
    void release();

    // Bounds every read by the chunk being read, so a damaged file can end a
    // walk early but never make it read or write out of place.
    bool readChildHeader(const Chunk* parent, Chunk* child);
    uint32_t readBody(Chunk* chunk, void* dest, uint32_t size);
    // What is left of chunk that the file still holds: lists are never
    // allocated beyond it, whatever count they announce.
    uint32_t bytesHeld(const Chunk* chunk);
    void skipRest(Chunk* chunk);
    void readFirstSubChunk(Chunk* chunk, void* dest, uint32_t size);
    void stopWalk(const char* why);

    FILE* file = nullptr;
    Chunk* levelChunk;
    Chunk* scratchChunk;
    const char* fileName = nullptr; // during an import, for diagnostics
    bool walkStopped = false;
    int nesting = 0; // walk levels entered, bounded to keep the stack small
    uint64_t fileSize = 0;
    // First index of each material name, for the materials read so far.
    std::unordered_map<std::string, int> materialIndex;
    int materialsIndexed = 0;
};

// ---------------------------------------------------------------- demo models

// Constructed before main in this order; filled once at start-up.
extern Loader3ds presentsLoader;
extern Model presentsModel;
extern Loader3ds logoLoader;
extern Model logoModel;
extern Loader3ds txiringoLoader;
extern Model txiringoModel;

// GL texture names by material index, written by the load routines only.
constexpr int modelTextureSlots = 10;
extern uint32_t presentsTextures[modelTextureSlots];
extern uint32_t logoTextures[modelTextureSlots];
extern uint32_t txiringoTextures[modelTextureSlots];

void loadPresentsModel();
void loadLogoModel();
void loadTxiringoModel();

// Each leaves the modelview matrix as it found it.
void drawPresentsModel();
void drawLogoModel();
void drawTxiringoModel();
