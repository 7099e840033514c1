#include "model/model.h"
#include "platform/random.h"

#include <cmath>
#include <gtest/gtest.h>

static void expectVec(Vec3 v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

TEST(VectorMath, OperationsKeepOperandOrderAndSign) {
    expectVec(cross({1, 0, 0}, {0, 1, 0}), 0, 0, 1);
    expectVec(cross({0, 1, 0}, {1, 0, 0}), 0, 0, -1);
    expectVec(subtract({1, 2, 3}, {1, 1, 1}), 0, 1, 2);
    expectVec(add({1, 2, 3}, {-1, 0.5f, 2}), 0, 2.5f, 5);
    expectVec(divide({2, 4, 6}, -2), -1, -2, -3);
    expectVec(normalize({3, 0, 4}), 0.6f, 0, 0.8f);
}

TEST(VectorMath, ZeroVectorNormalisesToZeroNotNaN) {
    Vec3 n = normalize({0, 0, 0});
    EXPECT_EQ(n.x, 0.0f);
    EXPECT_EQ(n.y, 0.0f);
    EXPECT_EQ(n.z, 0.0f);
    Vec3 tiny = normalize({1e-30f, 0, 0});
    EXPECT_FALSE(std::isnan(tiny.x));
}

TEST(Records, FieldWidthsAndTextSizesAreFixed) {
    EXPECT_EQ(sizeof(Vec3), 12u);
    EXPECT_EQ(sizeof(Vec2), 8u);
    EXPECT_EQ(sizeof(Face), 24u);
    EXPECT_EQ(sizeof(Material::name), 255u);
    EXPECT_EQ(sizeof(Material::fileName), 255u);
    EXPECT_EQ(sizeof(MeshObject::name), 255u);
    EXPECT_EQ(sizeof(Material::color), 3u);
    Model model;
    EXPECT_EQ(model.objectCount, 0);
    EXPECT_EQ(model.materialCount, 0);
    MeshObject object{};
    EXPECT_EQ(object.vertices, nullptr);
    EXPECT_EQ(object.materialId, 0);
    EXPECT_FALSE(object.hasTexture);
}

TEST(DemoRand, FollowsTheDefinedGeneratorFromStateOne) {
    demoSrand(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169};
    for (int value : expected)
        EXPECT_EQ(demoRand(), value);
    demoSrand(1);
    EXPECT_EQ(demoRand(), 41);
    for (int i = 0; i < 10000; i++) {
        int v = demoRand();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
}
