// The wave, the cubes and the two backdrops rendered for real in the test
// window and read back.
#include "image/image.h"
#include "platform/random.h"
#include "scenes/scenes.h"
#include "shell/shell.h"
#include "tests/gl_window.h"
#include "tests/test_pictures.h"

#include <GL/glu.h>
#include <GL/glut.h>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

static constexpr int width = 1024, height = 768;

class PictureScenes : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ensureGlWindow();
        static bool loaded = false;
        // As at start-up; the wave test refills it before it counts rolls.
        fillGridPoints();
        if (loaded)
            return;
        loaded = true;
        // loadTgaTextures reads the fixed names from the working directory.
        std::string dir = makeTempDir("picture_scenes_");
        ASSERT_FALSE(dir.empty());
        ASSERT_TRUE(writePictures(dir));
        fs::path previous = fs::current_path();
        fs::current_path(dir);
        bool ok = loadTgaTextures();
        fs::current_path(previous);
        fs::remove_all(dir);
        ASSERT_TRUE(ok);
    }
    void SetUp() override {
        ASSERT_NE(texTitulo3, 0u);
        ASSERT_NE(texTia, 0u);
        ASSERT_NE(texPalmera, 0u);
        ASSERT_NE(texUf, 0u);
    }
};

// What the display callback does around one scene, minus the swap.
static std::vector<uint8_t> render(void (*scene)()) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    scene();
    return readBackBuffer(width, height);
}

static void scene2() {
    Scene2(0, 3, 0);
}
static void scene4() {
    Scene4(0, 11, 0);
}
static void scene5() {
    Scene5(0, 15, 0);
}
static void scene6() {
    Scene6(0, 17, 0);
}

// Corners of the view show the matching corners of the picture.
static void expectUpright(const std::vector<uint8_t>& frame, const PicturePalette& palette) {
    EXPECT_TRUE(near(pixelAt(frame, width, 64, 64), palette.bottomLeft));
    EXPECT_TRUE(near(pixelAt(frame, width, width - 64, 64), palette.bottomRight));
    EXPECT_TRUE(near(pixelAt(frame, width, 64, height - 64), palette.topLeft));
    EXPECT_TRUE(near(pixelAt(frame, width, width - 64, height - 64), palette.topRight));
}

TEST_F(PictureScenes, EveryPictureSceneCoversTheViewWithItsOwnPictureUpright) {
    struct Case {
        const char* name;
        void (*scene)();
        const PicturePalette* palette;
    };
    const Case cases[] = {{"Scene2", scene2, &titulo3Palette},
                          {"Scene4", scene4, &tiaPalette},
                          {"Scene4Backdrop", Scene4Backdrop, &tiaPalette},
                          {"Scene5", scene5, &palmeraPalette},
                          {"Scene6", scene6, &ufPalette}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> frame = render(c.scene);
        EXPECT_EQ(countWhite(frame), 0);
        expectUpright(frame, *c.palette);
    }
}

// Pixels from the left edge of a row that show the given colour.
static int leadingRun(const std::vector<uint8_t>& frame, int y, Rgb colour) {
    int x = 0;
    while (x < width && near(pixelAt(frame, width, x, y), colour))
        x++;
    return x;
}

static int countNear(const std::vector<uint8_t>& frame, Rgb colour) {
    int count = 0;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            count += near(pixelAt(frame, width, x, y), colour);
    return count;
}

TEST_F(PictureScenes, Scene6ShowsMoreOfItsPictureThanScene5) {
    // The band's inner edge, x = -9 + 18 * band / size, seen 21 units away
    // where the view is 16.8 wide, lands 14.9 pixels into the view; 20 units
    // away, where the view is 16 wide, it lies outside.
    const double edge = -9 + 18.0 * pictureBand / pictureSize;
    const double scene6Column = (edge / 8.4 + 1) * width / 2;
    const double scene6Row = (edge / 8.4 + 1) * height / 2;
    ASSERT_GT(scene6Column, 10);
    ASSERT_LT(edge / 8.0, -1.0);

    std::vector<uint8_t> frame6 = render(scene6);
    EXPECT_NEAR(leadingRun(frame6, height / 2, ufPalette.band), scene6Column, 1.5);
    // Along the first column from the bottom, the band runs scene6Row rows.
    int rows = 0;
    while (rows < height && near(pixelAt(frame6, width, width / 4, rows), ufPalette.band))
        rows++;
    EXPECT_NEAR(rows, scene6Row, 1.5);

    // The same picture behind Scene5 hides the band entirely.
    std::swap(texPalmera, texUf);
    std::vector<uint8_t> frame5 = render(scene5);
    std::swap(texPalmera, texUf);
    EXPECT_EQ(countNear(frame5, ufPalette.band), 0);
    expectUpright(frame5, ufPalette);
}

TEST_F(PictureScenes, BackdropFramesRepeatExactly) {
    for (void (*scene)() : {scene5, scene6}) {
        std::vector<uint8_t> first = render(scene);
        EXPECT_EQ(render(scene), first);
    }
}

static void expectHeightsRolled(const Vec3 (&start)[45][45], int rolls) {
    for (int i = 0; i < 45; i++) {
        for (int j = 0; j < 45; j++) {
            const Vec3& p = gridPoints[i][j];
            ASSERT_EQ(p.x, start[i][j].x);
            ASSERT_EQ(p.y, start[i][j].y);
            ASSERT_EQ(p.z, start[(i + rolls) % 45][j].z) << "i " << i << " j " << j;
        }
    }
}

TEST_F(PictureScenes, WaveHoldsThreeFramesThenRollsAndReturnsBitForBitAfter45Rolls) {
    fillGridPoints();
    waveFrameCount = 0;
    Vec3 start[45][45];
    std::memcpy(start, gridPoints, sizeof start);

    std::vector<uint8_t> first = render(scene2);
    expectHeightsRolled(start, 0);
    EXPECT_EQ(render(scene2), first);
    expectHeightsRolled(start, 0);
    // The third frame still shows the start-up heights, then rolls them.
    EXPECT_EQ(render(scene2), first);
    expectHeightsRolled(start, 1);
    std::vector<uint8_t> fourth = render(scene2);
    EXPECT_NE(fourth, first);
    expectHeightsRolled(start, 1);
    render(scene2);
    expectHeightsRolled(start, 2);

    // Rolls fall on calls 3, 5, 7, ...: the 45th on call 91.
    for (int call = 6; call <= 90; call++)
        Scene2(0, 3, 0);
    expectHeightsRolled(start, 44);
    Scene2(0, 3, 0);
    EXPECT_EQ(std::memcmp(gridPoints, start, sizeof start), 0);
    EXPECT_EQ(render(scene2), first);
}

TEST_F(PictureScenes, SceneTimeAdvancesInSinglePrecisionSteps) {
    // 0.005 is where single and double steps part: a double-precision step
    // or one step of 0.2 would give a different float.
    const float t0 = 5 * 0.001f;
    ASSERT_NE(t0 + 0.1f, static_cast<float>(double(t0) + 0.1));
    ASSERT_NE((t0 + 0.1f) + 0.1f, t0 + 0.2f);

    sceneTime = 99.0f;
    Scene2(0, 3, 5);
    EXPECT_EQ(sceneTime, 5.0f * 0.001f + 0.1f);
    Scene2(0, 3, 5);
    EXPECT_EQ(sceneTime, 5.0f * 0.001f + 0.1f);

    sceneTime = t0;
    Scene4(0, 11, 0);
    EXPECT_EQ(sceneTime, (t0 + 0.1f) + 0.1f);

    sceneTime = t0;
    Scene5(0, 15, 0);
    EXPECT_EQ(sceneTime, t0 + 0.1f);
    sceneTime = t0;
    Scene6(0, 17, 0);
    EXPECT_EQ(sceneTime, t0 + 0.1f);
}

// Window position of an eye-space point under the test window's frustum.
static void project(double x, double y, double z, double* wx, double* wy) {
    const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    double projection[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    double wz;
    gluProject(x, y, z, identity, projection, viewport, wx, wy, &wz);
}

TEST_F(PictureScenes, CubesAtTimeZeroStandRightOfCentreInEyeSpace) {
    std::vector<uint8_t> backdrop = render(Scene4Backdrop);
    // The backdrop adds 0.1 before the cubes read the clock: they see 0.
    sceneTime = -0.1f;
    std::vector<uint8_t> frame = render(scene4);
    auto changed = [&](int x, int y) {
        return !near(pixelAt(frame, width, x, y), pixelAt(backdrop, width, x, y), 8);
    };

    // The wire cube's front face: a square of side 1.2 round (2, 0, -5.4).
    double cx, cy;
    project(2, 0, -5.4, &cx, &cy);
    EXPECT_NEAR(cx, 986.1, 0.5);
    EXPECT_NEAR(cy, 384.0, 0.5);
    double leftX, topY, bottomY, ignored;
    project(1.4, 0, -5.4, &leftX, &ignored);
    project(2, 0.6, -5.4, &ignored, &topY);
    project(2, -0.6, -5.4, &ignored, &bottomY);
    // Its lines carry tia's colour at (0, 1), the band colour.
    for (int d = -4; d <= 4; d++) {
        EXPECT_TRUE(changed(int(cx) + d, int(topY)));
        EXPECT_TRUE(changed(int(cx) + d, int(bottomY)));
        EXPECT_TRUE(changed(int(leftX), int(cy) + d));
        EXPECT_TRUE(near(pixelAt(frame, width, int(cx) + d, int(topY)), tiaPalette.band));
        EXPECT_TRUE(near(pixelAt(frame, width, int(leftX), int(cy) + d), tiaPalette.band));
    }
    // The topmost line in that column is the front top edge (lines are 5
    // wide); the leftmost on the centre row the back left edge.
    int topmost = height - 1;
    while (topmost > 0 && !changed(int(cx), topmost))
        topmost--;
    EXPECT_NEAR(topmost, topY + 2.5, 2.0);
    double backX;
    project(1.4, 0, -6.6, &backX, &ignored);
    int leftmost = 0;
    while (leftmost < width && !changed(leftmost, int(cy)))
        leftmost++;
    EXPECT_NEAR(leftmost, backX - 2.5, 2.0);
    // Right of that line a little above the centre row, the inner cube's left
    // face begins at its far edge (x = 2 - 0.45, z = -6 - 0.45).
    double innerX;
    project(1.55, 0, -6.45, &innerX, &ignored);
    int inner = int(backX) + 4;
    while (inner < width && !changed(inner, int(cy) + 20))
        inner++;
    EXPECT_NEAR(inner, innerX, 2.0);

    // Nothing of the cubes reaches the left half of the view.
    int leftChanges = 0;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width / 2; x++)
            leftChanges += changed(x, y);
    EXPECT_EQ(leftChanges, 0);

    // The inner cube's front face at z = -5.55 shows tia with s along y and
    // t along x, where the backdrop shows other quadrants.
    struct Probe {
        double x, y;
        Rgb colour;
    };
    for (Probe probe :
         {Probe{-0.2, -0.2, tiaPalette.bottomLeft}, Probe{-0.2, 0.2, tiaPalette.bottomRight},
          Probe{0.2, -0.2, tiaPalette.topLeft}}) {
        double fx, fy;
        project(2 + probe.x, probe.y, -5.55, &fx, &fy);
        EXPECT_TRUE(changed(int(fx), int(fy)));
        EXPECT_TRUE(near(pixelAt(frame, width, int(fx), int(fy)), probe.colour))
            << probe.x << "," << probe.y;
    }
}

// Wire-coloured pixels along the wire cube's front edges as they stand at
// t = 0. No corner of the inner cube can come between them and the eye.
static int frontEdgeHits(const std::vector<uint8_t>& frame) {
    double cx, cy, leftX, topY, bottomY, ignored;
    project(2, 0, -5.4, &cx, &cy);
    project(1.4, 0, -5.4, &leftX, &ignored);
    project(2, 0.6, -5.4, &ignored, &topY);
    project(2, -0.6, -5.4, &ignored, &bottomY);
    int hits = 0;
    for (int d = -30; d <= 30; d += 5) {
        hits += near(pixelAt(frame, width, int(cx) + d, int(topY)), tiaPalette.band);
        hits += near(pixelAt(frame, width, int(cx) + d, int(bottomY)), tiaPalette.band);
        hits += near(pixelAt(frame, width, int(leftX), int(cy) + d), tiaPalette.band);
    }
    return hits;
}

TEST_F(PictureScenes, CubesTurnWithTheClock) {
    sceneTime = -0.1f;
    std::vector<uint8_t> still = render(scene4);
    ASSERT_EQ(frontEdgeHits(still), 39);
    // A quarter turn about x, y and z in turn maps the wire cube onto itself;
    // the inner cube's last axis is slanted, so it does not come back.
    sceneTime = 89.9f;
    std::vector<uint8_t> quarter = render(scene4);
    EXPECT_EQ(frontEdgeHits(quarter), 39);
    EXPECT_NE(quarter, still);
    sceneTime = 29.9f;
    EXPECT_LT(frontEdgeHits(render(scene4)), 10);
}

// Switches a previous scene may have left on, to be undone by the next.
static void dirtyState() {
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_FOG);
    glEnable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glLineWidth(2);
    glColor3f(1, 0, 0);
    glTexCoord2f(0.25f, 0.75f);
}

struct LeftState {
    uint32_t texture;
    float texCoordT;
    bool fogOff;
};

static void expectLeft(const LeftState& want) {
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_EQ(!glIsEnabled(GL_FOG), want.fogOff);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint bound = 0, modes[2] = {0, 0};
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(uint32_t(bound), want.texture);
    glGetIntegerv(GL_POLYGON_MODE, modes);
    EXPECT_EQ(modes[0], GL_FILL);
    EXPECT_EQ(modes[1], GL_FILL);
    GLfloat colour[4], texCoord[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texCoord);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 1.0f);
    EXPECT_EQ(colour[2], 1.0f);
    EXPECT_EQ(texCoord[0], want.texture == texTitulo3 ? 1.0f : 0.0f);
    EXPECT_EQ(texCoord[1], want.texCoordT);
}

TEST_F(PictureScenes, EachSceneLeavesTheStateTheNextFinds) {
    GLfloat m[16];
    {
        SCOPED_TRACE("Scene2");
        dirtyState();
        render(scene2);
        // Scene2 leaves fog alone: Scene1 before it never turns it on.
        expectLeft({texTitulo3, 43 / 44.0f, false});
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        EXPECT_EQ(m[14], -10.0f); // the camera of eye (0, 0, 10)
    }
    {
        SCOPED_TRACE("Scene4");
        dirtyState();
        sceneTime = 0.0f;
        render(scene4);
        expectLeft({texTia, 1.0f, true});
        GLfloat lineWidth = 0;
        glGetFloatv(GL_LINE_WIDTH, &lineWidth);
        EXPECT_EQ(lineWidth, 5.0f);
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        EXPECT_EQ(m[12], 2.0f); // the inner cube's transform, turned by 0.1 degree
        EXPECT_EQ(m[13], 0.0f);
        EXPECT_EQ(m[14], -6.0f);
        EXPECT_NE(m[0], 1.0f);
    }
    for (auto [scene, texture] : {std::pair{scene5, texPalmera}, std::pair{scene6, texUf}}) {
        SCOPED_TRACE(texture == texPalmera ? "Scene5" : "Scene6");
        dirtyState();
        render(scene);
        expectLeft({texture, 1.0f, true});
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        EXPECT_EQ(m[14], -10.0f);
    }
}

// The scenes' preparation at start-up leaves the show as it found it: the
// clock, the wave and the random sequence as they were, and two frames of
// each scene in turn, as the show runs them, the same as without it.
TEST_F(PictureScenes, PreparingTheScenesLeavesTheShowAsItWas) {
    const auto show = [] {
        std::vector<std::vector<uint8_t>> frames;
        for (SceneEntry scene : {Scene1, Scene2, Scene3, Scene4, Scene5, Scene6})
            for (int frame = 0; frame < 2; frame++) {
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                glMatrixMode(GL_MODELVIEW);
                glLoadIdentity();
                scene(0, 0, phaseThousandths);
                frames.push_back(readBackBuffer(width, height));
            }
        return frames;
    };
    // Start-up's state, with a picture of its own bound (the last texture
    // loaded) and the wave's next frame one that rolls the heights.
    const auto start = [] {
        setGlobalGlState();
        glBindTexture(GL_TEXTURE_2D, texTitulo3);
        fillGridPoints();
        sceneTime = 2.5f;
        waveFrameCount = 2;
        demoSrand(1);
        demoRand();
    };
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    start();
    const std::vector<std::vector<uint8_t>> unprepared = show();
    glPopAttrib();
    start();
    Vec3 grid[45][45];
    std::memcpy(grid, gridPoints, sizeof grid);
    const unsigned int random = demoRandState();
    prepareScenes();
    EXPECT_EQ(sceneTime, 2.5f);
    EXPECT_EQ(waveFrameCount, 2);
    EXPECT_EQ(demoRandState(), random);
    EXPECT_EQ(std::memcmp(grid, gridPoints, sizeof grid), 0);
    const std::vector<std::vector<uint8_t>> prepared = show();
    ASSERT_EQ(prepared.size(), unprepared.size());
    for (size_t i = 0; i < prepared.size(); i++)
        EXPECT_TRUE(prepared[i] == unprepared[i]) << "frame " << i;
}
