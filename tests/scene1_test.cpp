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

// What display does around a scene.
void frame(void (*scene)(int32_t, int32_t, int32_t)) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    scene(0, 0, 0);
}

// Window pixel of a world point seen from (0, 0, 10) through the demo's frustum.
int windowX(double x, double z) {
    return int((5 * x / (10 - z) / 2 + 1) * 512);
}
int windowY(double y, double z) {
    return int((5 * y / (10 - z) / 2 + 1) * 384);
}

// A flat square of the given colour facing the camera once placed by the
// presents and logo routines (their placement turns the model's y-z plane to
// the screen and its -x axis towards the viewer).
ModelBuilder facingSquare(float half, uint8_t r, uint8_t g, uint8_t b) {
    ModelBuilder builder;
    builder.addMaterial(r, g, b);
    builder.addGrid(4, half, 1, 2, {-1, 0, 0});
    return builder;
}

} // namespace

TEST(Scene1, TilesGlowAroundTheTwoFocusPoints) {
    ensureGlWindow();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_FOG);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    // With no diffuse share the tiles show 0.2 (the scene ambient) times their
    // unclamped g, so the glow shows below saturation.
    glNormal3f(0, 0, 0);
    // At t = 327 both focus points lie on the grid: about (8.7, 6.6) and (18, 16.3).
    sceneTime = 326.9f;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    Scene1Tiles();
    EXPECT_EQ(sceneTime, 326.9f + 0.1f);
    std::vector<uint8_t> image = readBackBuffer();

    const double t = sceneTime;
    const double f1x = std::sin((t * 4 + 25) / 30) * 20, f1y = std::sin((t + 60) / 30) * 20;
    const double f2x = std::cos((t / 2 + 11.3) / 30) * 20, f2y = std::sin(t * 10 / 30) * 20;
    int brightest = 0, dimmest = 255, expectDimmest = 255;
    // Tiles 2 to 18 lie wholly inside the view.
    for (int i = 2; i <= 18; i++) {
        for (int j = 2; j <= 18; j++) {
            const double g =
                100 / (std::hypot(f1x - i, f1y - j) + std::hypot(f2x - i, f2y - j)) + 0.1;
            const int expected = int(std::lround(255 * std::min(1.0, 0.2 * g)));
            const uint8_t* p = pixel(image, windowX(i - 10, -12), windowY(j - 10, -12));
            EXPECT_EQ(p[0], 0) << i << "," << j;
            EXPECT_NEAR(p[1], expected, 3) << i << "," << j;
            EXPECT_NEAR(p[2], expected, 3) << i << "," << j;
            brightest = std::max<int>(brightest, p[1]);
            dimmest = std::min<int>(dimmest, p[1]);
            expectDimmest = std::min(expectDimmest, expected);
        }
    }
    // Saturated along the line between the points, visibly darker far off it.
    for (double s : {0.0, 0.5}) {
        const int i = int(std::lround(f1x + s * (f2x - f1x)));
        const int j = int(std::lround(f1y + s * (f2y - f1y)));
        EXPECT_EQ(pixel(image, windowX(i - 10, -12), windowY(j - 10, -12))[1], 255)
            << i << "," << j;
    }
    EXPECT_EQ(brightest, 255);
    EXPECT_NEAR(dimmest, expectDimmest, 3);
    EXPECT_LT(dimmest, 200);
}

TEST(Scene1, ModelsStandLitInFrontOfTheTiles) {
    ensureGlWindow();
    glDisable(GL_TEXTURE_2D);
    glNormal3f(0, 0, 1);
    modelPrimitive = GL_TRIANGLES;
    const ModelBuilder redSquare = facingSquare(0.5f, 200, 0, 0);
    const ModelBuilder yellowSquare = facingSquare(1, 200, 200, 0);
    LentModel presents(presentsModel, presentsTextures, redSquare.model);
    LentModel logo(logoModel, logoTextures, yellowSquare.model);
    sceneTime = 0;
    frame(Scene1);
    std::vector<uint8_t> image = readBackBuffer();

    // Lit face on by the default light: 1.2 times the material colour.
    // presents: origin at (-3.2 .. -3.5, -2.7 .. -2.4), trembling; logo at (0, 1).
    const uint8_t* red = pixel(image, windowX(-3.35, 0), windowY(-2.55, 0));
    EXPECT_NEAR(red[0], 240, 3);
    EXPECT_EQ(red[1], 0);
    EXPECT_EQ(red[2], 0);
    const uint8_t* yellow = pixel(image, windowX(0, 0), windowY(1, 0));
    EXPECT_NEAR(yellow[0], 240, 3);
    EXPECT_NEAR(yellow[1], 240, 3);
    EXPECT_EQ(yellow[2], 0);
    // The tiles still fill the rest: cyan, no red.
    const uint8_t* tile = pixel(image, windowX(6.5, -12), windowY(5, -12));
    EXPECT_EQ(tile[0], 0);
    EXPECT_GT(tile[1], 100);
    EXPECT_EQ(tile[1], tile[2]);
    // Lighting, the light and colour tracking stay on for the next frame.
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_NEAR(sceneTime, 0.1f, 1e-7);
}

// Pixels of a frame that are strongly red, strongly yellow, or red under fog.
struct Coverage {
    int red = 0, yellow = 0, fogRed = 0;
};

static Coverage coverage(const std::vector<uint8_t>& image) {
    Coverage c;
    for (size_t p = 0; p < image.size(); p += 3) {
        const int r = image[p], g = image[p + 1], b = image[p + 2];
        c.red += r > 150 && g < 60 && b < 60;
        c.yellow += r > 150 && g > 150 && b < 60;
        c.fogRed += r > g + 40 && r > b + 40;
    }
    return c;
}

TEST(Scene1, VKeySwitchesAllThreeModelsToLineStripsOnTheNextFrame) {
    ensureGlWindow();
    glDisable(GL_TEXTURE_2D);
    modelPrimitive = GL_TRIANGLES;
    const ModelBuilder redSquare = facingSquare(0.5f, 200, 0, 0);
    const ModelBuilder yellowSquare = facingSquare(1, 200, 200, 0);
    LentModel presents(presentsModel, presentsTextures, redSquare.model);
    LentModel logo(logoModel, logoTextures, yellowSquare.model);
    ModelBuilder builder;
    builder.addMaterial(255, 0, 0);
    builder.addGrid(4, 2, 0, 1, {0, 0, 1});
    LentModel txiringo(txiringoModel, txiringoTextures, builder.model);

    auto draw = [] {
        glNormal3f(0, 0, 1);
        sceneTime = 0;
        frame(Scene1);
        Coverage c = coverage(readBackBuffer());
        glDisable(GL_FOG);
        sceneTime = 63.2f; // the camera about 12 units from the axis
        frame(Scene3);
        c.fogRed = coverage(readBackBuffer()).fogRed;
        glDisable(GL_FOG);
        return c;
    };
    const Coverage filled = draw();
    keyboard('v', 0, 0);
    const Coverage lines = draw();
    keyboard('v', 0, 0);
    const Coverage again = draw();
    EXPECT_EQ(modelPrimitive, GL_TRIANGLES);

    EXPECT_GT(filled.red, 5000);
    EXPECT_GT(filled.yellow, 20000);
    EXPECT_GT(filled.fogRed, 5000);
    for (auto [full, outline] : {std::pair{filled.red, lines.red},
                                 {filled.yellow, lines.yellow},
                                 {filled.fogRed, lines.fogRed}}) {
        EXPECT_GT(outline, 100);
        EXPECT_LT(outline, full / 3);
    }
    EXPECT_NEAR(again.red, filled.red, filled.red / 10);
    EXPECT_EQ(again.yellow, filled.yellow);
    EXPECT_EQ(again.fogRed, filled.fogRed);
}
