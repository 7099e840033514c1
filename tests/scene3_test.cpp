#include "model/model.h"
#include "scenes/scenes.h"
#include "shell/shell.h"
#include "tests/gl_window.h"
#include "tests/model_fixture.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

const uint8_t* pixel(const std::vector<uint8_t>& image, int x, int y) {
    return &image[(size_t(y) * 1024 + x) * 3];
}

// One Scene3 frame as display draws it, from a clock value at which the camera
// stands about 12 units from the axis and 10 above the field, looking down at
// 40 degrees: the bottom of the screen shows dots 12 units away, the top dots
// beyond 30.
std::vector<uint8_t> drawScene3() {
    ensureGlWindow();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_FOG);
    glNormal3f(0, 0, 1);
    modelPrimitive = GL_TRIANGLES;
    sceneTime = 63.2f;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    Scene3(0, 0, 0);
    return readBackBuffer();
}

// The least red of the dot pixels in a band of rows. Dots are sent with no
// red, so their red is the share of white fog in them.
int leastRed(const std::vector<uint8_t>& image, int fromRow, int toRow) {
    int least = 255;
    for (int y = fromRow; y < toRow; y++)
        for (int x = 0; x < 1024; x++)
            least = std::min<int>(least, pixel(image, x, y)[0]);
    return least;
}

} // namespace

TEST(Scene3, FogFadesDistantDotsToWhite) {
    LentModel none(txiringoModel, txiringoTextures, Model{});
    std::vector<uint8_t> image = drawScene3();

    // exp(-(0.06 d)^2): about 0.57 of the dot colour at 12.5 units, nothing at 35.
    const int nearRed = leastRed(image, 0, 40);
    const int farRed = leastRed(image, 728, 768);
    EXPECT_LT(nearRed, 140);
    EXPECT_GT(farRed, 235);
    const int middleRed = leastRed(image, 364, 404);
    EXPECT_LT(nearRed, middleRed);
    EXPECT_LT(middleRed, farRed);

    // The fog and the rest of the state the scene leaves for the next frame.
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    GLint mode = 0;
    glGetIntegerv(GL_FOG_MODE, &mode);
    EXPECT_EQ(mode, GL_EXP2);
    GLfloat value = 0, colour[4] = {};
    glGetFloatv(GL_FOG_DENSITY, &value);
    EXPECT_FLOAT_EQ(value, 0.06f);
    glGetFloatv(GL_FOG_START, &value);
    EXPECT_EQ(value, 0);
    glGetFloatv(GL_FOG_END, &value);
    EXPECT_EQ(value, 50);
    glGetFloatv(GL_FOG_COLOR, colour);
    for (float c : colour)
        EXPECT_EQ(c, 1);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    glGetFloatv(GL_LINE_WIDTH, &value);
    EXPECT_EQ(value, 2);
    glGetFloatv(GL_POINT_SIZE, &value);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(sceneTime, 63.2f + 0.1f);
    glDisable(GL_FOG);
}

TEST(Scene3, ModelSitsAtTheCentreOfTheRings) {
    ModelBuilder builder;
    builder.addMaterial(255, 0, 0);
    builder.addGrid(4, 1, 0, 1, {0, 0, 1}); // 2 x 2, flat on the field's plane
    std::vector<uint8_t> without;
    {
        LentModel none(txiringoModel, txiringoTextures, Model{});
        without = drawScene3();
    }
    LentModel lent(txiringoModel, txiringoTextures, builder.model);
    std::vector<uint8_t> with = drawScene3();

    // The camera looks at the origin: the model fills the middle of the
    // screen, red through the fog, where the field alone shows no red.
    const uint8_t* centre = pixel(with, 512, 384);
    EXPECT_GT(centre[0], centre[1] + 40);
    EXPECT_GT(centre[0], centre[2] + 40);
    const uint8_t* bare = pixel(without, 512, 384);
    EXPECT_LE(bare[0], bare[1]);
    // Only the middle changes.
    EXPECT_EQ(std::vector<uint8_t>(pixel(with, 0, 0), pixel(with, 0, 60)),
              std::vector<uint8_t>(pixel(without, 0, 0), pixel(without, 0, 60)));
    glDisable(GL_FOG);
}

TEST(Scene3, RingsCentreBetweenTheFourMiddleDots) {
    LentModel none(txiringoModel, txiringoTextures, Model{});
    drawScene3();
    const float t = sceneTime;
    EXPECT_EQ(rippleDots[25][25].x, -0.5f);
    EXPECT_EQ(rippleDots[25][25].y, -0.5f);
    EXPECT_EQ(rippleDots[26][26].x, 0.5f);
    EXPECT_EQ(rippleDots[26][26].y, 0.5f);
    EXPECT_EQ(rippleDots[0][0].x, -25.5f);
    EXPECT_EQ(rippleDots[49][49].y, 23.5f);
    // Same distance from the centre, same height.
    EXPECT_EQ(rippleDots[25][26].z, rippleDots[25][25].z);
    EXPECT_EQ(rippleDots[26][25].z, rippleDots[25][25].z);
    EXPECT_EQ(rippleDots[26][26].z, rippleDots[25][25].z);
    EXPECT_NEAR(rippleDots[25][25].z, std::sin(std::sqrt(0.5) - t / 5.0) * 0.8 - 1, 1e-5);
    EXPECT_NEAR(rippleDots[0][10].z, std::sin(std::hypot(25.5, 15.5) - t / 5.0) * 0.8 - 1, 1e-5);
    for (auto& row : rippleDots)
        for (const RippleDot& dot : row) {
            EXPECT_GE(dot.z, -1.8f - 1e-6f);
            EXPECT_LE(dot.z, -0.2f + 1e-6f);
            EXPECT_FLOAT_EQ(dot.green, 1 - dot.blue);
            EXPECT_GT(dot.blue, 0.1f);
        }
    glDisable(GL_FOG);
}
