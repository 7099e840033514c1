// Vertex normals: the defined per-vertex scan kept here as the reference,
// compared bit for bit with the reader's one pass.
#include "model_files.h"

#include <cmath>
#include <cstring>
#include <random>

static MeshObject makeObject(const std::vector<Vec3>& vertices, const std::vector<int>& abc) {
    MeshObject o{};
    o.vertexCount = int(vertices.size());
    o.vertices = new Vec3[vertices.size()];
    std::copy(vertices.begin(), vertices.end(), o.vertices);
    o.faceCount = int(abc.size() / 3);
    o.faces = new Face[abc.size() / 3]();
    for (size_t i = 0; i < abc.size(); i++)
        o.faces[i / 3].vertIndex[i % 3] = abc[i];
    return o;
}

struct NormalsModel {
    Model model;
    explicit NormalsModel(std::vector<MeshObject> objects) {
        model.objects = std::move(objects);
        model.objectCount = int(model.objects.size());
        Loader3ds loader;
        loader.computeVertexNormals(model);
    }
    ~NormalsModel() { freeModelArrays(model); }
    const Vec3* normals(int i) const { return model.objects.at(i).normals; }
};

static void expectVec(Vec3 v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

TEST(VertexNormals, SingleTriangleFacesTheSideItWindsCounterClockwiseFrom) {
    std::vector<Vec3> corners = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    NormalsModel m({makeObject(corners, {0, 1, 2}), makeObject(corners, {0, 2, 1})});
    for (int k = 0; k < 3; k++) {
        expectVec(m.normals(0)[k], 0, 0, 1);
        expectVec(m.normals(1)[k], 0, 0, -1);
    }
}

// Two triangles on the edge (0,0,0)-(1,0,0): a small one in the z = 0 plane
// facing +z, one twice its area in the y = 0 plane facing +y.
TEST(VertexNormals, LargerFacesWeighMore) {
    NormalsModel m({makeObject({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 2}}, {0, 1, 2, 0, 3, 1})});
    const Vec3* n = m.normals(0);
    float s = float(1.0 / std::sqrt(5.0)); // along (0, 2, 1)
    expectVec(n[0], 0, 2 * s, s);
    expectVec(n[1], 0, 2 * s, s);
    // Not the plain average of the unit normals, which is along (0, 1, 1).
    EXPECT_GT(std::fabs(n[0].y), std::fabs(n[0].z) * 1.5f);
    expectVec(n[2], 0, 0, 1);
    expectVec(n[3], 0, 1, 0);
}

TEST(VertexNormals, EmptyObjectsAndUnusedOrFlatVerticesGetZeroNotNaN) {
    std::vector<MeshObject> objects;
    objects.push_back(MeshObject{});                                             // nothing at all
    objects.push_back(makeObject({{1, 2, 3}, {4, 5, 6}}, {}));                   // no faces
    objects.push_back(makeObject({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}, {0, 1, 2})); // flat
    objects.push_back(makeObject({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}}, {0, 1, 1}));
    NormalsModel m(std::move(objects));
    EXPECT_NE(m.normals(0), nullptr);
    for (int i = 1; i < 4; i++) {
        const MeshObject& o = m.model.objects[i];
        for (int k = 0; k < o.vertexCount; k++) {
            EXPECT_EQ(o.normals[k].x, 0.0f) << i << " " << k;
            EXPECT_EQ(o.normals[k].y, 0.0f) << i << " " << k;
            EXPECT_EQ(o.normals[k].z, 0.0f) << i << " " << k;
        }
    }
}

TEST(VertexNormals, FacesOutsideTheVerticesOfAHandBuiltModelAreIgnored) {
    MeshObject o = makeObject({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0, 1, 2, 0, 1, 3, -1, 0, 1});
    NormalsModel m({o});
    expectVec(m.normals(0)[0], 0, 0, 1);
}

// Random meshes with repeated corners, unused vertices and shared vertices.
TEST(VertexNormals, OnePassEqualsTheDirectScanBitForBit) {
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> coordinate(-10.0f, 10.0f);
    for (int round = 0; round < 30; round++) {
        int vertexCount = 1 + int(random() % 200);
        int faceCount = int(random() % 400);
        std::vector<Vec3> vertices;
        for (int k = 0; k < vertexCount; k++)
            vertices.push_back({coordinate(random), coordinate(random), coordinate(random)});
        // Indices crowded into part of the range so vertices share many faces.
        int used = 1 + vertexCount / 2;
        std::vector<int> abc;
        for (int i = 0; i < faceCount * 3; i++)
            abc.push_back(int(random() % used));
        MeshObject reference = makeObject(vertices, abc);
        directNormals(reference);
        NormalsModel m({makeObject(vertices, abc)});
        SCOPED_TRACE(round);
        EXPECT_EQ(memcmp(reference.normals, m.normals(0), sizeof(Vec3) * vertexCount), 0);
        delete[] reference.vertices;
        delete[] reference.faces;
        delete[] reference.normals;
    }
}

TEST(VertexNormals, ImportGivesEveryObjectNormalsInDemoAxes) {
    Scene3ds scene;
    scene.meshes.push_back(triangleMesh("up")); // the file's z = 0 plane, facing file +z
    Mesh3ds none;
    none.name = "points";
    none.xyz = {1, 1, 1};
    scene.meshes.push_back(none);
    Imported in(encode3ds(scene));
    ASSERT_EQ(in.model.objectCount, 2);
    for (int k = 0; k < 3; k++)
        expectVec(in.object(0).normals[k], 0, 1, 0); // file +z is demo +y
    expectVec(in.object(1).normals[0], 0, 0, 0);
}
