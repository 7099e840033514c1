#include "model/model.h"
#include "platform/random.h"
#include "shell/shell.h"
#include "tests/gl_window.h"
#include "tests/model_fixture.h"

#include <GL/glu.h>
#include <cmath>
#include <gtest/gtest.h>
#include <set>

namespace {

// Unlit, untextured, black background, camera at (0, 0, 10): colours on
// screen are exactly the colours sent.
class ModelDraw : public ::testing::Test {
  protected:
    void SetUp() override {
        ensureGlWindow();
        glDisable(GL_LIGHTING);
        glDisable(GL_FOG);
        glDisable(GL_TEXTURE_2D);
        glClearColor(0, 0, 0, 1);
        modelPrimitive = GL_TRIANGLES;
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(0, 0, 10, 0, 0, 0, 0, 1, 0);
    }
    void TearDown() override {
        glClearColor(1, 1, 1, 0.5);
        modelPrimitive = GL_TRIANGLES;
    }
    static const uint8_t* pixel(const std::vector<uint8_t>& image, int x, int y) {
        return &image[(size_t(y) * 1024 + x) * 3];
    }
    static int litPixels(const std::vector<uint8_t>& image) {
        int count = 0;
        for (size_t p = 0; p < image.size(); p += 3)
            count += image[p] | image[p + 1] | image[p + 2] ? 1 : 0;
        return count;
    }
};

// Where the presents model's origin lands, in world units, under an
// orthographic view of [-10, 10] on both axes.
Vec3 presentsOriginOnce() {
    std::vector<FeedbackPrimitive> drawn = captureFeedback(drawPresentsModel);
    EXPECT_EQ(drawn.size(), 1u);
    if (drawn.empty())
        return {NAN, NAN, NAN};
    const FeedbackVertex& v = drawn[0].vertices[0];
    return {(v.x / 512 - 1) * 10, (v.y / 384 - 1) * 10, 0};
}

} // namespace

TEST_F(ModelDraw, PresentsJitterTakesTwoDrawsPerCallAndStaysInRange) {
    ModelBuilder builder;
    builder.addObject({{0, 0, 0}, {0, 0.01f, 0}, {0, 0, 0.01f}}, {ModelBuilder::face(0, 1, 2)},
                      {1, 0, 0});
    LentModel lent(presentsModel, presentsTextures, builder.model);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-10, 10, -10, 10, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    // The sequence 41, 18467, 6334, ...: y from 41 % 10, z from 18467 % 10,
    // and the next draw belongs to whoever comes after.
    demoSrand(1);
    Vec3 first = presentsOriginOnce();
    EXPECT_NEAR(first.x, -(3.2f + 1 / 30.0f), 1e-4);
    EXPECT_NEAR(first.y, -2.7f + 7 / 30.0f, 1e-4);
    EXPECT_EQ(demoRand(), 6334);

    const int calls = 500;
    demoSrand(1);
    std::vector<int> draws;
    for (int i = 0; i < 2 * calls; i++)
        draws.push_back(demoRand());
    demoSrand(1);
    std::set<std::pair<int, int>> seen;
    for (int i = 0; i < calls; i++) {
        Vec3 origin = presentsOriginOnce();
        const float y = -origin.x, z = origin.y;
        ASSERT_GE(y, 3.2f - 1e-4f);
        ASSERT_LE(y, 3.5f + 1e-4f);
        ASSERT_GE(z, -2.7f - 1e-4f);
        ASSERT_LE(z, -2.4f + 1e-4f);
        const int ySteps = int(std::lround((y - 3.2f) * 30));
        const int zSteps = int(std::lround((z + 2.7f) * 30));
        ASSERT_EQ(ySteps, draws[2 * i] % 10) << "call " << i;
        ASSERT_EQ(zSteps, draws[2 * i + 1] % 10) << "call " << i;
        seen.insert({ySteps, zSteps});
    }
    EXPECT_GT(seen.size(), 50u); // it trembles over the whole range

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

TEST_F(ModelDraw, EmptyModelsSendNothingAndRestoreTheMatrix) {
    Model empty;
    LentModel presents(presentsModel, presentsTextures, empty);
    LentModel logo(logoModel, logoTextures, empty);
    LentModel txiringo(txiringoModel, txiringoTextures, empty);
    glTranslatef(0.25f, -1, 3);
    glRotatef(30, 1, 1, 0);
    GLfloat before[16], after[16];
    GLint depthBefore = 0, depthAfter = 0;
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    std::vector<FeedbackPrimitive> drawn = captureFeedback([] {
        drawPresentsModel();
        drawLogoModel();
        drawTxiringoModel();
    });
    EXPECT_TRUE(drawn.empty());
    drawPresentsModel();
    drawLogoModel();
    drawTxiringoModel();
    EXPECT_EQ(litPixels(readBackBuffer()), 0);

    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(depthAfter, depthBefore);
    for (int k = 0; k < 16; k++)
        EXPECT_EQ(after[k], before[k]) << "element " << k;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(ModelDraw, TexturedObjectShowsItsTextureAndPlainObjectItsMaterialColour) {
    const GLuint red = solidTexture(210, 40, 30);
    ModelBuilder builder;
    builder.addMaterial(1, 2, 3, "red.bmp");
    const int green = builder.addMaterial(30, 160, 90);
    // Left: textured square; right: plain square in the material's colour.
    MeshObject& left = builder.addObject({{-3, -1, 0}, {-1, -1, 0}, {-1, 1, 0}, {-3, 1, 0}},
                                         {ModelBuilder::face(0, 1, 2), ModelBuilder::face(0, 2, 3)},
                                         {0, 0, 1}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}});
    left.hasTexture = true;
    left.materialId = 0;
    MeshObject& right =
        builder.addObject({{1, -1, 0}, {3, -1, 0}, {3, 1, 0}, {1, 1, 0}},
                          {ModelBuilder::face(0, 1, 2), ModelBuilder::face(0, 2, 3)}, {0, 0, 1});
    right.materialId = green;
    LentModel lent(txiringoModel, txiringoTextures, builder.model, {red});

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawTxiringoModel();
    std::vector<uint8_t> image = readBackBuffer();
    // x = -2 and 2 at distance 10 fall halfway between the centre and the edges.
    const uint8_t* textured = pixel(image, 512 - 256, 384);
    const uint8_t* plain = pixel(image, 512 + 256, 384);
    EXPECT_NEAR(textured[0], 210, 2);
    EXPECT_NEAR(textured[1], 40, 2);
    EXPECT_NEAR(textured[2], 30, 2);
    EXPECT_NEAR(plain[0], 30, 2);
    EXPECT_NEAR(plain[1], 160, 2);
    EXPECT_NEAR(plain[2], 90, 2);
    // The state the next drawing finds: the last object's.
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(GLuint(bound), red);
    glDeleteTextures(1, &red);
}

TEST_F(ModelDraw, LineStripSendsOnePolylinePerObject) {
    ModelBuilder builder;
    builder.addMaterial(255, 255, 255);
    builder.addGrid(6, 2, 0, 1, {0, 0, 1});
    builder.addGrid(3, 1, 0, 1, {0, 0, 1});
    LentModel lent(txiringoModel, txiringoTextures, builder.model);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawTxiringoModel();
    const int filled = litPixels(readBackBuffer());
    std::vector<FeedbackPrimitive> triangles = captureFeedback(drawTxiringoModel);
    EXPECT_EQ(triangles.size(), size_t(72 + 18));
    for (const FeedbackPrimitive& p : triangles)
        EXPECT_EQ(p.token, GLenum(GL_POLYGON_TOKEN));

    modelPrimitive = GL_LINE_STRIP;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawTxiringoModel();
    const int outlined = litPixels(readBackBuffer());
    std::vector<FeedbackPrimitive> lines = captureFeedback(drawTxiringoModel);
    // Three corners per face, one unbroken strip per object: 3 * faces - 1
    // segments, each starting where the one before ended, but for the jump
    // from the first object to the second.
    ASSERT_EQ(lines.size(), size_t(3 * 72 - 1 + 3 * 18 - 1));
    int breaks = 0;
    for (size_t k = 0; k < lines.size(); k++) {
        EXPECT_TRUE(lines[k].token == GL_LINE_TOKEN || lines[k].token == GL_LINE_RESET_TOKEN);
        if (k > 0 && (lines[k].vertices[0].x != lines[k - 1].vertices[1].x ||
                      lines[k].vertices[0].y != lines[k - 1].vertices[1].y))
            breaks++;
    }
    EXPECT_EQ(breaks, 1);

    // A 4 x 4 square at distance 10 covers 512 x 384 pixels; its outline far less.
    EXPECT_NEAR(filled, 512 * 384, 512 * 384 / 50);
    EXPECT_GT(outlined, 2000);
    EXPECT_LT(outlined, filled / 4);
}

TEST_F(ModelDraw, OutOfRangeIndicesReadNothingPastTheirArrays) {
    const GLuint blue = solidTexture(0, 0, 255);
    const GLuint other = solidTexture(0, 255, 0);
    ModelBuilder builder;
    builder.addMaterial(10, 20, 30, "only.bmp");
    // Materials 1 and 2 exist in storage but not in materialCount: never read.
    builder.model.materials.push_back(builder.model.materials[0]);
    builder.model.materials.push_back(builder.model.materials[0]);
    builder.model.materials[2].color[0] = 99;
    // In the model's y-z plane, which the presents placement turns to face the camera.
    const std::vector<Vec3> square = {{0, -1, -1}, {0, 1, -1}, {0, 1, 1}};
    const std::vector<Face> one = {ModelBuilder::face(0, 1, 2)};

    auto drawOnly = [&](const MeshObject& object, const std::vector<uint32_t>& names) {
        Model model = builder.model;
        model.objects = {object};
        model.objectCount = 1;
        LentModel lent(presentsModel, presentsTextures, model, names);
        // Something else in the neighbour array, in case a read strays there.
        LentModel neighbour(logoModel, logoTextures, Model{}, {other});
        glBindTexture(GL_TEXTURE_2D, other);
        glTexCoord4f(0.125f, 0.625f, 0, 1);
        std::vector<FeedbackPrimitive> drawn = captureFeedback(drawPresentsModel);
        GLint bound = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        return std::make_pair(drawn, GLuint(bound));
    };

    // Textured objects whose materialId names no slot bind name 0.
    for (int id : {-1, modelTextureSlots, 1000}) {
        MeshObject object = builder.addObject(square, one, {0, 0, 1}, {{0, 0}, {1, 0}, {1, 1}});
        object.hasTexture = true;
        object.materialId = id;
        auto [drawn, bound] = drawOnly(object, std::vector<uint32_t>(modelTextureSlots, blue));
        EXPECT_EQ(drawn.size(), 1u) << "materialId " << id;
        EXPECT_EQ(bound, 0u) << "materialId " << id;
    }
    {
        MeshObject object = builder.addObject(square, one, {0, 0, 1}, {{0, 0}, {1, 0}, {1, 1}});
        object.hasTexture = true;
        object.materialId = modelTextureSlots - 1;
        std::vector<uint32_t> names(modelTextureSlots, 0);
        names.back() = blue;
        EXPECT_EQ(drawOnly(object, names).second, blue);
    }

    // One coordinate for three vertices: the planted values behind it are
    // never sent; the later corners keep the coordinate of the first.
    {
        MeshObject object =
            builder.addObject(square, one, {0, 0, 1}, {{0.25f, 0.75f}, {9, 9}, {9, 9}});
        object.hasTexture = true;
        object.texVertexCount = 1;
        auto [drawn, bound] = drawOnly(object, {blue});
        ASSERT_EQ(drawn.size(), 1u);
        ASSERT_EQ(drawn[0].vertices.size(), 3u);
        for (const FeedbackVertex& v : drawn[0].vertices) {
            EXPECT_FLOAT_EQ(v.stq[0], 0.25f);
            EXPECT_FLOAT_EQ(v.stq[1], 0.75f);
        }
        EXPECT_EQ(bound, blue);
    }
    // No coordinate list at all: the coordinate current before the draw stays.
    {
        MeshObject object = builder.addObject(square, one, {0, 0, 1});
        object.hasTexture = true;
        auto [drawn, bound] = drawOnly(object, {blue});
        ASSERT_EQ(drawn.size(), 1u);
        for (const FeedbackVertex& v : drawn[0].vertices) {
            EXPECT_FLOAT_EQ(v.stq[0], 0.125f);
            EXPECT_FLOAT_EQ(v.stq[1], 0.625f);
        }
    }
    // Untextured objects whose material does not exist stay white.
    for (int id : {-1, 1, 2, 1000}) {
        MeshObject object = builder.addObject(square, one, {0, 0, 1});
        object.materialId = id;
        auto [drawn, bound] = drawOnly(object, {});
        ASSERT_EQ(drawn.size(), 1u);
        for (const FeedbackVertex& v : drawn[0].vertices)
            for (int c = 0; c < 3; c++)
                EXPECT_FLOAT_EQ(v.rgba[c], 1.0f) << "materialId " << id;
    }
    {
        MeshObject object = builder.addObject(square, one, {0, 0, 1});
        object.materialId = 0;
        auto [drawn, bound] = drawOnly(object, {});
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_NEAR(drawn[0].vertices[2].rgba[0], 10 / 255.0f, 1e-6);
        EXPECT_NEAR(drawn[0].vertices[2].rgba[2], 30 / 255.0f, 1e-6);
    }
    // A face naming a vertex the object lacks is left out; the rest still show.
    {
        MeshObject object =
            builder.addObject(square,
                              {ModelBuilder::face(0, 1, 2), ModelBuilder::face(0, 3, 2),
                               ModelBuilder::face(2, 1, 0), ModelBuilder::face(-1, 0, 1)},
                              {0, 0, 1});
        EXPECT_EQ(drawOnly(object, {}).first.size(), 2u);
    }
    glDeleteTextures(1, &blue);
    glDeleteTextures(1, &other);
}
