// 3DS import: opening, chunk headers and the bounded body reads that every
// walker and chunk reader goes through.
#include "model/model.h"
#include "platform/file_mapping.h"
#include "platform/message_box.h"

#include <new>

Loader3ds::Loader3ds()
    : levelChunk(new (std::nothrow) Chunk{}), scratchChunk(new (std::nothrow) Chunk{}) {}

bool Loader3ds::importModel(Model& model, const char* name) {
    char message[255];
    if (!name)
        name = "";
    // A loader whose records are gone (spent, or never allocated) gets fresh ones
    // rather than writing through null.
    if (!levelChunk)
        levelChunk = new (std::nothrow) Chunk{};
    if (!scratchChunk)
        scratchChunk = new (std::nothrow) Chunk{};

    size_t size = 0;
    file = openRegularFile(name, &size);
    if (!file || !levelChunk || !scratchChunk) {
        snprintf(message, sizeof message, "Unable to find the file: %s!", name);
        MessageBoxA(nullptr, message, "Error", MB_OK);
        release();
        return false;
    }
    fileName = name;
    walkStopped = false;
    nesting = 0;
    fileSize = size;
    materialIndex.clear();
    materialsIndexed = 0;

    readChunkHeader(levelChunk);
    if (levelChunk->id != 0x4D4D) {
        snprintf(message, sizeof message, "Unable to load PRIMARY chuck from file: %s!", name);
        MessageBoxA(nullptr, message, "Error", MB_OK);
        // The open file would otherwise stay open for the rest of the run.
        release();
        return false;
    }
    walkMainChunks(model, levelChunk);
    computeVertexNormals(model);
    release();
    return true;
}

void Loader3ds::readChunkHeader(Chunk* chunk) {
    uint8_t id[2] = {0, 0};
    uint8_t length[4] = {0, 0, 0, 0};
    size_t got = fread(id, 1, 2, file);
    got += fread(length, 1, 4, file);
    chunk->id = uint16_t(id[0] | id[1] << 8);
    chunk->length = uint32_t(length[0]) | uint32_t(length[1]) << 8 | uint32_t(length[2]) << 16 |
                    uint32_t(length[3]) << 24;
    chunk->bytesRead = uint32_t(got);
}

void Loader3ds::release() {
    if (file)
        fclose(file);
    file = nullptr;
    delete levelChunk;
    delete scratchChunk;
    levelChunk = nullptr;
    scratchChunk = nullptr;
    fileName = nullptr;
}

// Reports once why the rest of the file is not read; what was read stays.
void Loader3ds::stopWalk(const char* why) {
    if (walkStopped)
        return;
    walkStopped = true;
    long at = file ? ftell(file) : -1;
    fprintf(stderr, "3DS reader: %s: %s near byte %ld; the rest is not read\n", fileName, why, at);
}

// A child must hold at least its own header and must end within its parent,
// otherwise the counts that keep the walk in step can no longer be trusted.
bool Loader3ds::readChildHeader(const Chunk* parent, Chunk* child) {
    readChunkHeader(child);
    if (child->bytesRead < 6)
        stopWalk("the file ends inside a chunk header");
    else if (child->length < child->bytesRead)
        stopWalk("a chunk is shorter than its header");
    else if (child->length > parent->length - parent->bytesRead)
        stopWalk("a chunk runs past the chunk that holds it");
    return !walkStopped;
}

// Reads at most size bytes, and never past the end of chunk; the count read
// is added to the chunk. A short read means the file ended early. Once the
// walk has stopped nothing more is read.
uint32_t Loader3ds::readBody(Chunk* chunk, void* dest, uint32_t size) {
    uint32_t left = chunk->length - chunk->bytesRead;
    uint32_t want = left < size ? left : size;
    if (want == 0 || walkStopped)
        return 0;
    uint32_t got = uint32_t(fread(dest, 1, want, file));
    chunk->bytesRead += got;
    if (got < want)
        stopWalk("the file ends inside a chunk");
    return got;
}

uint32_t Loader3ds::bytesHeld(const Chunk* chunk) {
    const uint32_t left = chunk->length - chunk->bytesRead;
    const long at = ftell(file);
    if (walkStopped || at < 0 || uint64_t(at) >= fileSize)
        return 0;
    return fileSize - uint64_t(at) < left ? uint32_t(fileSize - uint64_t(at)) : left;
}

// Skipped bodies are stepped over, whatever their size.
void Loader3ds::skipRest(Chunk* chunk) {
    uint32_t left = chunk->length - chunk->bytesRead;
    if (left == 0 || walkStopped)
        return;
    if (fseek(file, long(left), SEEK_CUR) != 0) {
        stopWalk("a chunk cannot be skipped");
        return;
    }
    chunk->bytesRead += left;
}

// The editor's mesh version and a diffuse colour's colour are sub-chunks read
// inline: up to size bytes of the body into dest, the rest skipped.
void Loader3ds::readFirstSubChunk(Chunk* chunk, void* dest, uint32_t size) {
    if (chunk->length - chunk->bytesRead < 6)
        return; // no room for a sub-chunk: nothing to read
    if (readChildHeader(chunk, scratchChunk)) {
        readBody(scratchChunk, dest, size);
        skipRest(scratchChunk);
    }
    chunk->bytesRead += scratchChunk->bytesRead;
}
