// Damaged and oversized 3DS files: the reader keeps to its buffers, never
// walks forever and keeps whatever it read before the damage.
#include "model_files.h"
#include "tests/hostile_files.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// A primary chunk holding one object "box" with eight vertices (0..7, 0, 0)
// and the given pieces placed inside its mesh.
template <typename Inside> static std::vector<uint8_t> boxFile(Inside inside) {
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0x3D3D);
    unknownChunk(w, 0x3D3E, 4);
    w.begin(0x4000);
    w.text("box");
    w.begin(0x4100);
    inside(w);
    w.end();
    w.end();
    w.end();
    w.end();
    return w.out;
}

static std::vector<float> lineOfVertices(int n) {
    std::vector<float> xyz;
    for (int i = 0; i < n; i++)
        xyz.insert(xyz.end(), {float(i), 0, 0});
    return xyz;
}

TEST(Loader3dsFaults, ListBodiesLongerThanTheirCountAreCutAndSkipped) {
    auto bytes = boxFile([](ChunkWriter& w) {
        w.begin(0x4110);
        w.u16(2); // two vertices, then 100 stray floats
        for (int i = 0; i < 106; i++)
            w.f32(float(i + 1));
        w.end();
        w.begin(0x4140);
        w.u16(1); // one coordinate, then 50 stray floats
        for (int i = 0; i < 52; i++)
            w.f32(0.5f);
        w.end();
        beginFaceList(w, {0, 1, 1});
        w.end();
    });
    Imported in(bytes);
    ASSERT_TRUE(in.ok);
    const MeshObject& o = in.object(0);
    ASSERT_EQ(o.vertexCount, 2);
    EXPECT_EQ(o.vertices[1].x, 4.0f);
    EXPECT_EQ(o.vertices[1].y, 6.0f);
    EXPECT_EQ(o.texVertexCount, 1);
    ASSERT_EQ(o.faceCount, 1); // the chunk after the stray data is still found
    EXPECT_EQ(o.faces[0].vertIndex[1], 1);
}

TEST(Loader3dsFaults, TextBodiesLongerThanTheirFieldsAreCutAndTerminated) {
    std::string longName(400, 'n'); // no terminator within 255 bytes
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0x0002);
    w.u32(3);
    w.u32(0xFFFFFFFF); // a version body of 8 bytes: only the first 4 count
    w.end();
    w.begin(0x3D3D);
    w.begin(0x3D3E); // the mesh version, 12 bytes instead of 4
    w.u32(3);
    w.u32(7);
    w.u32(7);
    w.end();
    w.begin(0xAFFF);
    w.begin(0xA000);
    w.bytes(longName.data(), longName.size()); // unterminated to the chunk end
    w.end();
    w.begin(0xA020);
    w.begin(0x0011); // a colour body of 9 bytes
    for (uint8_t b : {11, 22, 33, 44, 55, 66, 77, 88, 99})
        w.u8(b);
    w.end();
    w.end();
    w.begin(0xA200);
    textChunk(w, 0xA300, std::string(300, 'f') + ".bmp");
    w.end();
    w.end();
    w.begin(0xAFFF);
    textChunk(w, 0xA000, "after");
    w.end();
    w.end();
    w.end();
    Imported in(w.out);
    ASSERT_TRUE(in.ok);
    EXPECT_EQ(in.messages, ""); // the version read is 3
    ASSERT_EQ(in.model.materialCount, 2);
    const Material& m = in.material(0);
    EXPECT_EQ(std::string(m.name), std::string(254, 'n'));
    EXPECT_EQ(m.color[0], 11);
    EXPECT_EQ(m.color[2], 33);
    EXPECT_EQ(std::string(m.fileName), std::string(254, 'f'));
    EXPECT_STREQ(in.material(1).name, "after");
}

// A name over 254 characters is cut; the rest is consumed up to its
// terminator, so what follows the name is read in step.
TEST(Loader3dsFaults, LongNamesAreCutAndTheRestConsumed) {
    std::string name(300, 'x');
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0xAFFF);
    w.begin(0xA000);
    w.bytes(name.data(), 254); // the cut name, so the face material can match it
    w.u8(0);
    w.end();
    w.begin(0xA200);
    textChunk(w, 0xA300, "long.bmp");
    w.end();
    w.end();
    w.begin(0x4000);
    w.text(name);
    w.begin(0x4100);
    vertexList(w, lineOfVertices(3));
    beginFaceList(w, {0, 1, 2});
    faceMaterial(w, name);
    w.end();
    w.end();
    w.end();
    w.begin(0x4000); // a name running to the end of its chunk, unterminated
    w.bytes(name.data(), 100);
    w.end();
    w.begin(0x4000);
    w.text("last");
    w.end();
    w.end();
    Imported in(w.out);
    ASSERT_TRUE(in.ok);
    ASSERT_EQ(in.model.objectCount, 3);
    const MeshObject& o = in.object(0);
    EXPECT_EQ(std::string(o.name), name.substr(0, 254));
    EXPECT_EQ(o.vertexCount, 3);
    EXPECT_EQ(o.faceCount, 1);
    EXPECT_EQ(o.materialId, 0);
    EXPECT_TRUE(o.hasTexture);
    EXPECT_EQ(std::string(in.object(1).name), name.substr(0, 100));
    EXPECT_STREQ(in.object(2).name, "last");
}

TEST(Loader3dsFaults, HugeSkippedBodiesAreSteppedOver) {
    auto bytes = boxFile([](ChunkWriter& w) {
        unknownChunk(w, 0x4160, 300000);
        vertexList(w, lineOfVertices(3));
        unknownChunk(w, 0x4170, 1000000);
        beginFaceList(w, {0, 1, 2});
        w.end();
    });
    Imported in(bytes);
    ASSERT_TRUE(in.ok);
    EXPECT_EQ(in.object(0).vertexCount, 3);
    EXPECT_EQ(in.object(0).faceCount, 1);
    EXPECT_EQ(in.messages, "");
}

// Chunk lengths that cannot be true end the walk; what came before stays and
// the import still succeeds.
TEST(Loader3dsFaults, ImpossibleLengthsStopTheWalkKeepingWhatWasRead) {
    for (uint32_t badLength : {0u, 2u, 5u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        SCOPED_TRACE(badLength);
        size_t badChunk = 0;
        ChunkWriter w;
        w.begin(0x4D4D);
        w.begin(0x3D3D);
        unknownChunk(w, 0x3D3E, 4);
        w.begin(0xAFFF);
        textChunk(w, 0xA000, "kept");
        w.end();
        w.begin(0x4000);
        w.text("kept");
        w.begin(0x4100);
        vertexList(w, lineOfVertices(3));
        badChunk = w.size();
        unknownChunk(w, 0x4160, 12);
        beginFaceList(w, {0, 1, 2}); // after the damage: never read
        w.end();
        w.end();
        w.end();
        w.begin(0x4000);
        w.text("lost");
        w.end();
        w.end();
        w.end();
        w.putLength(badChunk, badLength);
        Imported in(w.out);
        EXPECT_TRUE(in.ok);
        ASSERT_EQ(in.model.objectCount, 1);
        EXPECT_EQ(in.object(0).vertexCount, 3);
        EXPECT_EQ(in.object(0).faceCount, 0);
        EXPECT_NE(in.object(0).normals, nullptr);
        EXPECT_STREQ(in.material(0).name, "kept");
        EXPECT_NE(in.messages.find("the rest is not read"), std::string::npos) << in.messages;
    }
}

// Every prefix of a well-formed file: the walk ends where the data does.
TEST(Loader3dsFaults, TruncatedFilesLoadWhatTheyHold) {
    Scene3ds scene;
    scene.version = 3;
    scene.materials.push_back({"mat", 9, 9, 9, "tex.bmp"});
    Mesh3ds mesh = triangleMesh("tri", "mat");
    mesh.uv = {0, 0, 1, 0, 0, 1};
    scene.meshes.push_back(mesh);
    scene.meshes.push_back(triangleMesh("tri2", "mat"));
    std::vector<uint8_t> whole = encode3ds(scene);
    int objectsSeen = 0;
    for (size_t size = 0; size < whole.size(); size++) {
        SCOPED_TRACE(size);
        Imported in(std::vector<uint8_t>(whole.begin(), whole.begin() + size));
        EXPECT_EQ(in.ok, size >= 2); // only the primary id decides
        EXPECT_LE(in.model.objectCount, 2);
        for (const MeshObject& o : in.model.objects) {
            EXPECT_LE(o.vertexCount, 3);
            EXPECT_LE(o.faceCount, 1);
            EXPECT_NE(o.normals, nullptr);
        }
        objectsSeen = std::max(objectsSeen, in.model.objectCount);
    }
    EXPECT_EQ(objectsSeen, 2);
}

static void objectWithFaces(ChunkWriter& w, const char* name, const std::vector<uint16_t>& abc,
                            int vertexCount) {
    w.begin(0x4000);
    w.text(name);
    w.begin(0x4100);
    beginFaceList(w, abc);
    w.end();
    if (vertexCount > 0) // after the faces, as a file may have it
        vertexList(w, lineOfVertices(vertexCount));
    w.end();
    w.end();
}

TEST(Loader3dsFaults, FacesNamingMissingVerticesAreDroppedOncePerObject) {
    ChunkWriter w;
    w.begin(0x4D4D);
    objectWithFaces(w, "holey", {0, 1, 2, 0, 3, 1, 2, 65535, 0, 1, 2, 3}, 3);
    objectWithFaces(w, "fine", {0, 1, 2, 1, 2, 3}, 4);
    objectWithFaces(w, "faces only", {0, 1, 2}, 0);
    w.end();
    Imported in(w.out);
    ASSERT_TRUE(in.ok);
    ASSERT_EQ(in.model.objectCount, 3);
    const MeshObject& holey = in.object(0);
    ASSERT_EQ(holey.faceCount, 1);
    EXPECT_EQ(holey.faces[0].vertIndex[2], 2);
    EXPECT_EQ(in.object(1).faceCount, 2);
    EXPECT_EQ(in.object(2).faceCount, 0);
    EXPECT_NE(in.messages.find("\"holey\": 3 of 4 faces"), std::string::npos) << in.messages;
    EXPECT_NE(in.messages.find("\"faces only\": 1 of 1 faces"), std::string::npos) << in.messages;
    EXPECT_EQ(std::count(in.messages.begin(), in.messages.end(), '\n'), 2) << in.messages;
    for (int k = 0; k < 3; k++)
        EXPECT_FALSE(std::isnan(holey.normals[k].x));
}

TEST(Loader3dsFaults, FaceCountBeyondTheChunkReadsOnlyTheFacesItHolds) {
    auto bytes = boxFile([](ChunkWriter& w) {
        vertexList(w, lineOfVertices(3));
        w.begin(0x4120);
        w.u16(5000); // two faces follow
        for (uint16_t v : {0, 1, 2, 7, 2, 1, 0, 7})
            w.u16(v);
        w.end();
        w.begin(0x4140);
        w.u16(3);
        for (int i = 0; i < 6; i++)
            w.f32(0.5f);
        w.end();
    });
    Imported in(bytes);
    ASSERT_TRUE(in.ok);
    EXPECT_EQ(in.object(0).faceCount, 2);
    EXPECT_EQ(in.object(0).texVertexCount, 3);
}

TEST(Loader3dsFaults, EmptyListsGiveUsableEmptyArrays) {
    auto bytes = boxFile([](ChunkWriter& w) {
        vertexList(w, {});
        w.begin(0x4140);
        w.u16(0);
        w.end();
        beginFaceList(w, {});
        w.end();
    });
    Imported in(bytes);
    ASSERT_TRUE(in.ok);
    const MeshObject& o = in.object(0);
    EXPECT_EQ(o.vertexCount, 0);
    EXPECT_EQ(o.faceCount, 0);
    EXPECT_EQ(o.texVertexCount, 0);
    EXPECT_NE(o.vertices, nullptr);
    EXPECT_NE(o.faces, nullptr);
    EXPECT_NE(o.texVertices, nullptr);
    EXPECT_NE(o.normals, nullptr);
}

TEST(Loader3dsFaults, LongFileNamesAreCutInTheMessage) {
    std::string path =
        testing::TempDir() + "/" + std::string(200, 'd') + "/" + std::string(200, 'e') + ".3ds";
    Model model;
    Loader3ds loader;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loader.importModel(model, path.c_str()));
    std::string messages = testing::internal::GetCapturedStderr();
    std::string expected = ("Unable to find the file: " + path + "!").substr(0, 254);
    EXPECT_EQ(messages, "Error: " + expected + "\n");
}

TEST(Loader3dsFaults, DeepNestingNeitherOverflowsTheStackNorLosesTheOuterData) {
    const int depth = 200000; // far beyond what any stack holds in frames
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0x4000);
    w.text("deep");
    w.begin(0x4100);
    vertexList(w, lineOfVertices(3));
    for (int i = 0; i < depth; i++)
        w.begin(0x4100);
    vertexList(w, lineOfVertices(5)); // too deep to be reached
    for (int i = 0; i < depth; i++)
        w.end();
    beginFaceList(w, {0, 1, 2});
    w.end();
    w.end();
    w.end();
    w.begin(0x4000);
    w.text("after");
    w.end();
    w.end();
    Imported in(w.out);
    ASSERT_TRUE(in.ok);
    ASSERT_EQ(in.model.objectCount, 2);
    EXPECT_EQ(in.object(0).vertexCount, 3);
    EXPECT_EQ(in.object(0).faceCount, 1);
    EXPECT_STREQ(in.object(1).name, "after");
}

TEST(Loader3dsFaults, ASecondListReplacesTheFirst) {
    auto bytes = boxFile([](ChunkWriter& w) {
        vertexList(w, lineOfVertices(3));
        vertexList(w, lineOfVertices(4));
        beginFaceList(w, {0, 1, 2});
        w.end();
        beginFaceList(w, {1, 2, 3, 3, 2, 1});
        w.end();
    });
    Imported in(bytes);
    EXPECT_EQ(in.object(0).vertexCount, 4);
    EXPECT_EQ(in.object(0).faceCount, 2);
    EXPECT_EQ(in.object(0).vertices[3].x, 3.0f);
}

// What a list announces but neither its chunk nor the file holds is not
// allocated: a few bytes must not cost megabytes.
TEST(Loader3dsFaults, ListsGetNoMoreEntriesThanTheirBytesHold) {
    auto bytes = boxFile([](ChunkWriter& w) {
        w.begin(0x4110);
        w.u16(65535); // two vertices held
        for (float f : {1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f})
            w.f32(f);
        w.end();
        w.begin(0x4140);
        w.u16(65535); // none held
        w.end();
    });
    Imported inChunk(bytes);
    ASSERT_TRUE(inChunk.ok);
    EXPECT_EQ(inChunk.object(0).vertexCount, 2);
    EXPECT_EQ(inChunk.object(0).vertices[1].x, 4.0f);
    EXPECT_EQ(inChunk.object(0).texVertexCount, 0);

    // Every length lies: the lists end where the file does.
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0x4000);
    w.text("cut");
    w.begin(0x4100);
    const size_t listAt = w.size();
    vertexList(w, lineOfVertices(3));
    w.out[listAt + 6] = w.out[listAt + 7] = 0xFF; // 65535 announced
    w.end();
    w.end();
    w.end();
    w.putLength(0, 0x7FFFFFFF);
    w.putLength(6, 0x7FFFFF00);
    w.putLength(listAt - 6, 0x7FFFF000);
    w.putLength(listAt, 0x7FFF0000);
    Imported inFile(w.out);
    ASSERT_TRUE(inFile.ok);
    EXPECT_EQ(inFile.object(0).vertexCount, 3);
    EXPECT_EQ(inFile.object(0).vertices[2].x, 2.0f);

    for (const HostileFile& file : hostile3dsFiles()) {
        Imported in(file.bytes);
        ASSERT_TRUE(in.ok) << file.name;
        for (const MeshObject& o : in.model.objects) {
            ASSERT_EQ(o.vertexCount + o.texVertexCount + o.faceCount, 0) << file.name;
            ASSERT_EQ(o.materialId, in.model.materialCount > 0 ? -1 : 0) << file.name;
        }
    }
}
