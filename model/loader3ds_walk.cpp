// The three walkers of the 3DS chunk tree. Every level counts what it
// consumes into its parent, so each container ends exactly where its length
// says and unknown chunks are stepped over by their length.
#include "model/model.h"
#include "platform/message_box.h"

#include <cstring>

// Real files nest a handful of levels; a bound keeps a file of nested
// containers from exhausting the stack. Deeper containers are skipped whole.
static constexpr int maxNesting = 32;

static uint32_t littleEndian32(const uint8_t* b) {
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

// Faces that name a vertex the object does not have would make the normals
// and the drawing read past the object's arrays. Checked once the object is
// complete, since its vertex list may follow its face list.
static void dropFacesOutsideVertices(MeshObject& object, const char* fileName) {
    int kept = 0;
    for (int j = 0; j < object.faceCount; j++) {
        const Face& face = object.faces[j];
        bool inside = true;
        for (int k = 0; k < 3; k++)
            inside = inside && face.vertIndex[k] >= 0 && face.vertIndex[k] < object.vertexCount;
        if (inside)
            object.faces[kept++] = face;
    }
    if (kept == object.faceCount)
        return;
    fprintf(stderr,
            "3DS reader: %s: object \"%s\": %d of %d faces name vertices beyond its %d; "
            "they are dropped\n",
            fileName, object.name, object.faceCount - kept, object.faceCount, object.vertexCount);
    object.faceCount = kept;
}

void Loader3ds::walkMainChunks(Model& model, Chunk* parent) {
    Chunk c{};
    levelChunk = &c;
    nesting++;
    uint8_t versionWord[4] = {0, 0, 0, 0};
    while (!walkStopped && parent->bytesRead < parent->length) {
        if (!readChildHeader(parent, &c))
            break;
        switch (c.id) {
        case 0x0002:
            readBody(&c, versionWord, sizeof versionWord);
            skipRest(&c);
            if (littleEndian32(versionWord) > 3)
                MessageBoxA(nullptr, "This 3DS file is over version 3 so it may load incorrectly",
                            "Warning", MB_OK);
            break;
        case 0x3D3D:
            if (nesting >= maxNesting) {
                skipRest(&c);
                break;
            }
            // The mesh version comes first; its value is not needed.
            readFirstSubChunk(&c, versionWord, sizeof versionWord);
            walkMainChunks(model, &c);
            break;
        case 0x4000: {
            if (nesting >= maxNesting) {
                skipRest(&c);
                break;
            }
            model.objectCount++;
            model.objects.push_back(MeshObject{});
            MeshObject& object = model.objects[model.objectCount - 1];
            c.bytesRead += readName(object.name, &c);
            walkObjectChunks(model, object, &c);
            dropFacesOutsideVertices(object, fileName);
            break;
        }
        case 0xAFFF:
            if (nesting >= maxNesting) {
                skipRest(&c);
                break;
            }
            model.materialCount++;
            model.materials.push_back(Material{});
            walkMaterialChunks(model, &c);
            break;
        default:
            skipRest(&c);
            break;
        }
        parent->bytesRead += c.bytesRead;
    }
    nesting--;
    levelChunk = parent;
}

void Loader3ds::walkObjectChunks(Model& model, MeshObject& object, Chunk* parent) {
    Chunk c{};
    levelChunk = &c;
    nesting++;
    while (!walkStopped && parent->bytesRead < parent->length) {
        if (!readChildHeader(parent, &c))
            break;
        switch (c.id) {
        case 0x4100:
            if (nesting >= maxNesting)
                skipRest(&c);
            else
                walkObjectChunks(model, object, &c);
            break;
        case 0x4110:
            readVertexList(object, &c);
            break;
        case 0x4120:
            // Leaves its sub-chunks unread: they come up next as siblings,
            // which is how the face-material chunks inside it are reached.
            readFaceList(object, &c);
            break;
        case 0x4130:
            readFaceMaterial(model, object, &c);
            break;
        case 0x4140:
            readTexCoordList(object, &c);
            break;
        default:
            skipRest(&c);
            break;
        }
        parent->bytesRead += c.bytesRead;
    }
    nesting--;
    levelChunk = parent;
}

void Loader3ds::walkMaterialChunks(Model& model, Chunk* parent) {
    Chunk c{};
    levelChunk = &c;
    nesting++;
    // A text body longer than its field is cut and always terminated.
    auto readText = [&](char* text, uint32_t size) {
        memset(text, 0, size);
        readBody(&c, text, size);
        text[size - 1] = 0;
        skipRest(&c);
    };
    while (!walkStopped && parent->bytesRead < parent->length) {
        if (!readChildHeader(parent, &c))
            break;
        Material& material = model.materials[model.materialCount - 1];
        switch (c.id) {
        case 0xA000:
            readText(material.name, sizeof material.name);
            break;
        case 0xA020:
            readColor(material, &c);
            break;
        case 0xA200:
            // Only the texture map is entered; other maps keep their file names.
            if (nesting >= maxNesting)
                skipRest(&c);
            else
                walkMaterialChunks(model, &c);
            break;
        case 0xA300:
            readText(material.fileName, sizeof material.fileName);
            break;
        default:
            skipRest(&c);
            break;
        }
        parent->bytesRead += c.bytesRead;
    }
    nesting--;
    levelChunk = parent;
}
