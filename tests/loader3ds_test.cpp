// The 3DS reader on files written the way modelling tools write them, and on
// crafted chunk trees for the cases those never contain.
#include "model_files.h"

#include <cstdio>
#include <cstring>

TEST(Loader3ds, MissingFileIsReportedAndLeavesTheModelEmpty) {
    Model model;
    Loader3ds loader;
    std::string path = tempPath("-absent.3ds");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(loader.importModel(model, path.c_str()));
    std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_EQ(messages, "Error: Unable to find the file: " + path + "!\n");
    EXPECT_EQ(model.objectCount, 0);
    EXPECT_EQ(model.materialCount, 0);
    EXPECT_TRUE(model.objects.empty());
}

TEST(Loader3ds, FileWithoutPrimaryChunkIsRefused) {
    ChunkWriter w;
    w.begin(0x3D3D); // an editor chunk where the primary chunk belongs
    w.begin(0x4000);
    w.text("box");
    w.end();
    w.end();
    Imported in(w.out);
    EXPECT_FALSE(in.ok);
    EXPECT_EQ(in.messages, "Error: Unable to load PRIMARY chuck from file: " + in.path + "!\n");
    EXPECT_EQ(in.model.objectCount, 0);
    EXPECT_TRUE(in.model.objects.empty());
}

TEST(Loader3ds, VersionOverThreeWarnsAndStillLoadsEverything) {
    Scene3ds scene;
    scene.materials.push_back({"red", 255, 0, 0, ""});
    scene.meshes.push_back(triangleMesh("tri", "red"));

    scene.version = 3;
    Imported three(encode3ds(scene));
    EXPECT_TRUE(three.ok);
    EXPECT_EQ(three.messages, "");

    scene.version = 4;
    Imported four(encode3ds(scene));
    EXPECT_TRUE(four.ok);
    EXPECT_EQ(four.messages,
              "Warning: This 3DS file is over version 3 so it may load incorrectly\n");
    ASSERT_EQ(four.model.objectCount, 1);
    ASSERT_EQ(four.model.materialCount, 1);
    EXPECT_EQ(four.object(0).vertexCount, 3);
    EXPECT_EQ(four.object(0).faceCount, 1);
    EXPECT_EQ(four.object(0).materialId, 0);
    EXPECT_STREQ(four.material(0).name, "red");
}

// Every level gets an unknown chunk before each chunk the reader wants.
TEST(Loader3ds, UnknownChunksAtEveryLevelAreSteppedOver) {
    ChunkWriter w;
    w.begin(0x4D4D);
    unknownChunk(w, 0xB000, 40); // a keyframer before the editor
    w.begin(0x3D3D);
    unknownChunk(w, 0x3D3E, 4);  // the mesh version, read unseen
    unknownChunk(w, 0x0100, 4);  // master scale
    unknownChunk(w, 0x1200, 12); // background colour
    w.begin(0xAFFF);
    unknownChunk(w, 0xA010, 15); // ambient colour
    textChunk(w, 0xA000, "skin");
    unknownChunk(w, 0xA040, 8); // shininess
    colourChunk(w, 10, 20, 30);
    w.begin(0xA200);
    unknownChunk(w, 0xA351, 2); // mapping parameters
    textChunk(w, 0xA300, "skin.bmp");
    unknownChunk(w, 0xA354, 4);
    w.end();
    w.end();
    unknownChunk(w, 0x2100, 12); // ambient light
    w.begin(0x4000);
    w.text("body");
    unknownChunk(w, 0x4600, 20); // a light inside the object
    w.begin(0x4100);
    unknownChunk(w, 0x4160, 48); // local axes
    vertexList(w, {0, 0, 0, 1, 0, 0, 0, 1, 0});
    unknownChunk(w, 0x4165, 1);
    beginFaceList(w, {0, 1, 2});
    unknownChunk(w, 0x4150, 4); // smoothing groups, met as a sibling
    faceMaterial(w, "skin");
    w.end();
    w.begin(0x4140);
    w.u16(3);
    for (float f : {0.f, 0.f, 1.f, 0.f, 0.f, 1.f})
        w.f32(f);
    w.end();
    w.end();
    w.end();
    unknownChunk(w, 0x7001, 8);
    w.end();
    unknownChunk(w, 0xB000, 30);
    w.end();

    Imported in(w.out);
    EXPECT_TRUE(in.ok);
    EXPECT_EQ(in.messages, "");
    ASSERT_EQ(in.model.materialCount, 1);
    EXPECT_STREQ(in.material(0).name, "skin");
    EXPECT_STREQ(in.material(0).fileName, "skin.bmp");
    EXPECT_EQ(in.material(0).color[2], 30);
    ASSERT_EQ(in.model.objectCount, 1);
    const MeshObject& body = in.object(0);
    EXPECT_STREQ(body.name, "body");
    EXPECT_EQ(body.vertexCount, 3);
    EXPECT_EQ(body.faceCount, 1);
    EXPECT_EQ(body.texVertexCount, 3);
    EXPECT_EQ(body.materialId, 0);
    EXPECT_TRUE(body.hasTexture);
    EXPECT_EQ(body.texVertices[1].u, 1.0f);
}

TEST(Loader3ds, VerticesTurnIntoDemoAxesAndFacesKeepFileOrder) {
    Scene3ds scene;
    Mesh3ds mesh;
    mesh.name = "axes";
    mesh.xyz = {1, 2, 3};
    for (int i = 1; i < 8; i++)
        mesh.xyz.insert(mesh.xyz.end(), {float(i), 0, float(i * i)});
    mesh.faces = {5, 6, 7, 0, 1, 2};
    mesh.uv = std::vector<float>(16, 0.0f);
    mesh.uv[2] = 0.25f;
    mesh.uv[3] = -1.5f; // kept as stored, not flipped
    scene.meshes.push_back(mesh);
    Imported in(encode3ds(scene));
    ASSERT_TRUE(in.ok);
    const MeshObject& o = in.object(0);
    ASSERT_EQ(o.vertexCount, 8);
    EXPECT_EQ(o.vertices[0].x, 1.0f);
    EXPECT_EQ(o.vertices[0].y, 3.0f);
    EXPECT_EQ(o.vertices[0].z, -2.0f);
    EXPECT_EQ(o.vertices[7].y, 49.0f);
    ASSERT_EQ(o.faceCount, 2);
    EXPECT_EQ(o.faces[0].vertIndex[0], 5);
    EXPECT_EQ(o.faces[0].vertIndex[1], 6);
    EXPECT_EQ(o.faces[0].vertIndex[2], 7);
    for (int j = 0; j < 2; j++)
        for (int k = 0; k < 3; k++)
            EXPECT_EQ(o.faces[j].coordIndex[k], 0);
    EXPECT_EQ(o.texVertexCount, 8);
    EXPECT_EQ(o.texVertices[1].u, 0.25f);
    EXPECT_EQ(o.texVertices[1].v, -1.5f);
    EXPECT_EQ(o.materialId, 0); // no face-material chunk
    EXPECT_FALSE(o.hasTexture);
}

TEST(Loader3ds, FaceFlagsAreReadAndDropped) {
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0x4000);
    w.text("flags");
    w.begin(0x4100);
    vertexList(w, std::vector<float>(8 * 3, 1.0f));
    beginFaceList(w, {5, 6, 7, 1, 2, 3}, 0xFFFF);
    w.end();
    w.end();
    w.end();
    w.end();
    Imported in(w.out);
    const MeshObject& o = in.object(0);
    ASSERT_EQ(o.faceCount, 2);
    EXPECT_EQ(o.faces[1].vertIndex[0], 1);
    EXPECT_EQ(o.faces[1].vertIndex[2], 3);
}

TEST(Loader3ds, FaceMaterialNamesLinkObjectsToEarlierMaterials) {
    Scene3ds scene;
    scene.materials.push_back({"plain", 1, 2, 3, ""});
    scene.materials.push_back({"wood", 4, 5, 6, "wood.jpg"});
    scene.materials.push_back({"plain", 7, 8, 9, "late.bmp"}); // same name: the first wins
    scene.meshes.push_back(triangleMesh("a", "wood"));
    scene.meshes.push_back(triangleMesh("b", "wood"));
    scene.meshes.push_back(triangleMesh("c", "plain"));
    scene.meshes.push_back(triangleMesh("d", "Wood")); // case matters
    Mesh3ds two = triangleMesh("e");
    two.xyz.insert(two.xyz.end(), {0, 0, 1, 1, 0, 1, 0, 1, 1});
    two.faces.insert(two.faces.end(), {3, 4, 5});
    two.faceMaterials = {"wood", "missing"}; // the later group decides the id
    scene.meshes.push_back(two);
    Imported in(encode3ds(scene));
    ASSERT_EQ(in.model.objectCount, 5);
    EXPECT_EQ(in.object(0).materialId, 1);
    EXPECT_TRUE(in.object(0).hasTexture);
    EXPECT_EQ(in.object(1).materialId, 1);
    EXPECT_TRUE(in.object(1).hasTexture);
    EXPECT_EQ(in.object(2).materialId, 0);
    EXPECT_FALSE(in.object(2).hasTexture);
    EXPECT_EQ(in.object(3).materialId, -1);
    EXPECT_FALSE(in.object(3).hasTexture);
    EXPECT_EQ(in.object(4).materialId, -1);
    EXPECT_TRUE(in.object(4).hasTexture); // once set, kept
}

TEST(Loader3ds, OnlyMaterialsBeforeTheObjectCanMatch) {
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0x3D3D);
    unknownChunk(w, 0x3D3E, 4);
    w.begin(0x4000); // before any material: the id stays 0
    w.text("early");
    w.begin(0x4100);
    beginFaceList(w, {});
    faceMaterial(w, "late");
    w.end();
    w.end();
    w.end();
    w.begin(0xAFFF);
    textChunk(w, 0xA000, "other");
    w.end();
    w.begin(0x4000); // one material, not this one: -1
    w.text("middle");
    w.begin(0x4100);
    beginFaceList(w, {});
    faceMaterial(w, "late");
    w.end();
    w.end();
    w.end();
    w.begin(0xAFFF);
    textChunk(w, 0xA000, "late");
    w.end();
    w.end();
    w.end();
    Imported in(w.out);
    ASSERT_EQ(in.model.objectCount, 2);
    EXPECT_EQ(in.object(0).materialId, 0);
    EXPECT_EQ(in.object(1).materialId, -1);
}

TEST(Loader3ds, DiffuseColourComesFromTheFirstSubChunk) {
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0xAFFF);
    textChunk(w, 0xA000, "gamma");
    w.begin(0xA020);
    w.begin(0x0011);
    w.u8(10);
    w.u8(20);
    w.u8(30);
    w.end();
    w.begin(0x0012); // the gamma-corrected copy
    w.u8(99);
    w.u8(98);
    w.u8(97);
    w.end();
    w.end();
    w.begin(0xA200);
    textChunk(w, 0xA300, "after.bmp");
    w.end();
    w.end();
    w.begin(0xAFFF);
    textChunk(w, 0xA000, "next");
    colourChunk(w, 1, 2, 3);
    w.end();
    w.end();
    Imported in(w.out);
    ASSERT_EQ(in.model.materialCount, 2);
    EXPECT_EQ(in.material(0).color[0], 10);
    EXPECT_EQ(in.material(0).color[1], 20);
    EXPECT_EQ(in.material(0).color[2], 30);
    EXPECT_STREQ(in.material(0).fileName, "after.bmp");
    EXPECT_STREQ(in.material(1).name, "next");
    EXPECT_EQ(in.material(1).color[2], 3);
}

TEST(Loader3ds, OnlyTheTextureMapGivesAFileName) {
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0xAFFF);
    textChunk(w, 0xA000, "bumpy");
    w.begin(0xA33A); // another map: its file name is never reached
    textChunk(w, 0xA300, "bump.bmp");
    w.end();
    w.end();
    w.begin(0xAFFF);
    textChunk(w, 0xA000, "both");
    w.begin(0xA230);
    textChunk(w, 0xA300, "wrong.bmp");
    w.end();
    w.begin(0xA200);
    textChunk(w, 0xA300, "right.jpg");
    w.end();
    w.end();
    w.end();
    Imported in(w.out);
    ASSERT_EQ(in.model.materialCount, 2);
    EXPECT_STREQ(in.material(0).fileName, "");
    EXPECT_STREQ(in.material(1).fileName, "right.jpg");
}

TEST(Loader3ds, ObjectWithoutMeshCountsAndHasEmptyArrays) {
    ChunkWriter w;
    w.begin(0x4D4D);
    w.begin(0x3D3D);
    unknownChunk(w, 0x3D3E, 4);
    w.begin(0x4000);
    w.text("camera");
    unknownChunk(w, 0x4700, 32);
    w.end();
    w.end();
    w.end();
    Imported in(w.out);
    ASSERT_TRUE(in.ok);
    ASSERT_EQ(in.model.objectCount, 1);
    const MeshObject& o = in.object(0);
    EXPECT_STREQ(o.name, "camera");
    EXPECT_EQ(o.vertexCount, 0);
    EXPECT_EQ(o.faceCount, 0);
    EXPECT_EQ(o.texVertexCount, 0);
    EXPECT_EQ(o.vertices, nullptr);
    EXPECT_EQ(o.faces, nullptr);
    EXPECT_EQ(o.texVertices, nullptr);
    EXPECT_NE(o.normals, nullptr); // with zero entries
    EXPECT_EQ(o.materialId, 0);
    EXPECT_FALSE(o.hasTexture);
}

TEST(Loader3ds, TwoLoadersFillTwoIndependentModels) {
    Scene3ds first, second;
    first.meshes.push_back(triangleMesh("one"));
    second.materials.push_back({"m", 1, 1, 1, "t.bmp"});
    second.meshes.push_back(triangleMesh("two", "m"));
    second.meshes.push_back(triangleMesh("three", "m"));
    Imported a(encode3ds(first));
    Imported b(encode3ds(second));
    ASSERT_EQ(a.model.objectCount, 1);
    EXPECT_EQ(a.model.materialCount, 0);
    EXPECT_STREQ(a.object(0).name, "one");
    ASSERT_EQ(b.model.objectCount, 2);
    EXPECT_EQ(b.model.materialCount, 1);
    EXPECT_STREQ(b.object(1).name, "three");
    EXPECT_NE(a.object(0).vertices, b.object(0).vertices);
}

TEST(Loader3ds, DemoGlobalsAreEmptyModelsWithZeroTextureSlots) {
    for (Model* m : {&presentsModel, &logoModel, &txiringoModel}) {
        EXPECT_EQ(m->objectCount, 0);
        EXPECT_EQ(m->materialCount, 0);
    }
    for (int i = 0; i < modelTextureSlots; i++)
        EXPECT_EQ(presentsTextures[i] | logoTextures[i] | txiringoTextures[i], 0u);
}

TEST(InspectModel, DescribesObjectsMaterialsAndLinks) {
    Scene3ds scene;
    scene.materials.push_back({"paint", 12, 34, 56, ""});
    scene.materials.push_back({"photo", 0, 0, 0, "photo.jpg"});
    Mesh3ds textured = triangleMesh("sign", "photo");
    textured.uv = {0, 0, 1, 0, 0, 1};
    scene.meshes.push_back(textured);
    scene.meshes.push_back(triangleMesh("post", "paint"));
    scene.meshes.push_back(triangleMesh("bare"));
    std::string path = tempPath(".3ds");
    ASSERT_TRUE(writeFile(path, encode3ds(scene)));

    std::string command = std::string(DEMO_BUILD_DIR) + "/inspect model " + path + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[512];
    while (size_t n = fread(buffer, 1, sizeof buffer, pipe))
        out.append(buffer, n);
    int status = pclose(pipe);
    unlink(path.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(out.find("import: true"), std::string::npos) << out;
    EXPECT_NE(out.find("object 0 \"sign\": vertices 3, faces 1, texcoords 3, materialId 1, "
                       "hasTexture yes"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("object 2 \"bare\": vertices 3, faces 1, texcoords 0, materialId 0, "
                       "hasTexture no"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("material 0 \"paint\": colour (12,34,56), texture \"\""), std::string::npos)
        << out;
    EXPECT_NE(out.find("\"sign\" -> texture slot 1, \"photo.jpg\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"post\" -> colour of material 0 \"paint\""), std::string::npos) << out;
    // The file's y up turns into the demo's -z.
    EXPECT_NE(out.find("bounds (0,0,-1) to (1,0,"), std::string::npos) << out;

    FILE* usage = popen((std::string(DEMO_BUILD_DIR) + "/inspect frobnicate 2>&1").c_str(), "r");
    ASSERT_NE(usage, nullptr);
    out.clear();
    while (size_t n = fread(buffer, 1, sizeof buffer, usage))
        out.append(buffer, n);
    EXPECT_EQ(WEXITSTATUS(pclose(usage)), 2);
    EXPECT_NE(out.find("inspect model FILE"), std::string::npos) << out;
}

// The file's counts are 16-bit; the writer keeps its files well-formed.
TEST(ChunkWriter, ListsBeyondSixteenBitCountsAreCutToAWellFormedFile) {
    Scene3ds scene;
    Mesh3ds mesh;
    mesh.name = "big";
    mesh.xyz.assign(70000 * 3, 1.0f);
    mesh.uv.assign(70000 * 2, 0.5f);
    for (int f = 0; f < 70000; f++)
        mesh.faces.insert(mesh.faces.end(), {0, 1, uint16_t(f % 65535)});
    mesh.faceMaterials.assign(70000, "m");
    scene.materials.push_back({"m", 1, 2, 3, ""});
    scene.meshes.push_back(mesh);
    scene.meshes.push_back(triangleMesh("after"));
    Imported in(encode3ds(scene));
    EXPECT_EQ(in.messages, "");
    ASSERT_EQ(in.model.objectCount, 2);
    EXPECT_EQ(in.object(0).vertexCount, 65535);
    EXPECT_EQ(in.object(0).texVertexCount, 65535);
    EXPECT_EQ(in.object(0).faceCount, 65535);
    EXPECT_EQ(in.object(0).materialId, 0);
    EXPECT_STREQ(in.object(1).name, "after");
}
