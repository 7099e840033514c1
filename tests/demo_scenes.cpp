#include "tests/demo_scenes.h"

#include "image/image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

static const int screenWidth = 1024, screenHeight = 768;

const char* sceneName(DemoScene scene) {
    static const char* const names[] = {"none",   "Scene1", "Scene2", "Scene3",
                                        "Scene4", "Scene5", "Scene6"};
    return names[int(scene)];
}

BlockImage blockMeans(const Screenshot& shot) {
    const int size = BlockImage::blockSize;
    BlockImage blocks;
    blocks.columns = shot.width / size;
    blocks.rows = shot.height / size;
    blocks.rgb.assign(size_t(blocks.columns) * blocks.rows * 3, 0);
    for (int y = 0; y < blocks.rows * size; y++) {
        for (int x = 0; x < blocks.columns * size; x++) {
            const uint8_t* p = shot.at(x, y);
            float* b = &blocks.rgb[(size_t(y / size) * blocks.columns + x / size) * 3];
            for (int c = 0; c < 3; c++)
                b[c] += p[c];
        }
    }
    for (float& v : blocks.rgb)
        v /= float(size * size);
    return blocks;
}

// The screen as the picture lands on it: `toTexture` maps a point of the
// view, x and y from -1 to 1 (up positive), to texture coordinates s and t.
// Texture row 0 is the first row the reader delivers, as the upload has it.
static BlockImage project(const ImageRGBA& picture,
                          const std::function<void(float, float, float&, float&)>& toTexture) {
    Screenshot screen;
    screen.width = screenWidth;
    screen.height = screenHeight;
    screen.rgb.resize(size_t(screenWidth) * screenHeight * 3);
    for (int y = 0; y < screenHeight; y++) {
        for (int x = 0; x < screenWidth; x++) {
            float s, t;
            toTexture((x + 0.5f) / screenWidth * 2 - 1, 1 - (y + 0.5f) / screenHeight * 2, s, t);
            int column = std::clamp(int(s * picture.width), 0, picture.width - 1);
            int row = std::clamp(int(t * picture.height), 0, picture.height - 1);
            const unsigned char* p = &picture.pixels[(size_t(row) * picture.width + column) * 4];
            uint8_t* q = &screen.rgb[(size_t(y) * screenWidth + x) * 3];
            q[0] = p[0];
            q[1] = p[1];
            q[2] = p[2];
        }
    }
    return blockMeans(screen);
}

// A picture on an 18 x 18 square `distance` in front of the eye: the
// frustum is 4 wide at the near distance 5.
static BlockImage backdrop(const ImageRGBA& picture, float distance) {
    const float half = 2 * distance / 5;
    return project(picture, [half](float x, float y, float& s, float& t) {
        s = (x * half + 9) / 18;
        t = (y * half + 9) / 18;
    });
}

bool SceneReferences::load(const std::string& dir) {
    const std::pair<const char*, std::function<BlockImage(const ImageRGBA&)>> pictures[] = {
        // The mesh spans -4.5 to 4.3 and lies between 8 and 10 in front of
        // the eye; at 9, its mean distance, the view is 7.2 wide.
        {"titulo3.tga",
         [](const ImageRGBA& p) {
             return project(p, [](float x, float y, float& s, float& t) {
                 s = (x * 3.6f + 4.5f) / 8.8f;
                 t = (y * 3.6f + 4.5f) / 8.8f;
             });
         }},
        {"tia.tga", [](const ImageRGBA& p) { return backdrop(p, 20); }},
        {"palmera.tga", [](const ImageRGBA& p) { return backdrop(p, 20); }},
        {"uf.tga", [](const ImageRGBA& p) { return backdrop(p, 21); }},
    };
    BlockImage* targets[] = {&wave, &portrait, &palmera, &uf};
    for (int i = 0; i < 4; i++) {
        ImageRGBA* picture = loadTga((dir + "/" + pictures[i].first).c_str());
        if (!picture)
            return false;
        *targets[i] = pictures[i].second(*picture);
        free(picture->pixels);
        delete picture;
    }
    return true;
}

float blockDifference(const BlockImage& a, const BlockImage& b, int column0, int column1, int row0,
                      int row1) {
    column0 = std::max(column0, 0);
    row0 = std::max(row0, 0);
    column1 = std::min(column1, a.columns);
    row1 = std::min(row1, a.rows);
    if (a.columns != b.columns || a.rows != b.rows || column1 <= column0 || row1 <= row0)
        return 255;
    double sum = 0;
    for (int row = row0; row < row1; row++)
        for (int column = column0; column < column1; column++)
            for (int c = 0; c < 3; c++)
                sum += std::fabs(a.at(column, row)[c] - b.at(column, row)[c]);
    return float(sum / (double(row1 - row0) * (column1 - column0) * 3));
}

SceneScores scoreScene(const Screenshot& shot, const SceneReferences& references) {
    SceneScores scores{};
    BlockImage blocks = blockMeans(shot);
    // Scene4's cubes stand right of centre, from about 0.6 of the width on.
    const int all = blocks.columns, rows = blocks.rows;
    scores.wave = blockDifference(blocks, references.wave, 0, all, 0, rows);
    scores.portrait = blockDifference(blocks, references.portrait, 0, all * 55 / 100, 0, rows);
    scores.palmera = blockDifference(blocks, references.palmera, 0, all, 0, rows);
    scores.uf = blockDifference(blocks, references.uf, 0, all, 0, rows);
    int cyan = 0, white = 0;
    for (int y = 0; y < shot.height; y++) {
        for (int x = 0; x < shot.width; x++) {
            const uint8_t* p = shot.at(x, y);
            int r = p[0], g = p[1], b = p[2];
            cyan += r < 60 && g > 50 && std::abs(g - b) < 30;
            bool isWhite = r > 225 && g > 225 && b > 225;
            bool isDot = !isWhite && std::max({r, g, b}) > 60;
            white += isWhite;
            scores.fogDots += isDot;
        }
    }
    const float pixels = float(std::max(1, shot.width * shot.height));
    scores.cyanShare = cyan / pixels;
    scores.whiteShare = white / pixels;
    return scores;
}

DemoScene classifyScene(const SceneScores& scores) {
    // A flat picture matches its reference within a few levels; the wave
    // bends its picture, so it is only roughly like its flat reference, but
    // still far more like it than like any other picture. The tile and fog
    // scenes match none of them.
    const struct {
        float difference, limit;
        DemoScene scene;
    } pictures[] = {{scores.wave, 40, DemoScene::scene2},
                    {scores.portrait, 15, DemoScene::scene4},
                    {scores.palmera, 15, DemoScene::scene5},
                    {scores.uf, 15, DemoScene::scene6}};
    for (const auto& p : pictures) {
        bool clearlyBest = true;
        for (const auto& other : pictures)
            if (&other != &p && other.difference < p.difference + 20)
                clearlyBest = false;
        if (p.difference < p.limit && clearlyBest)
            return p.scene;
    }
    // The dots' hue varies: it is modulated by whatever texture and texture
    // coordinate the frame before left (Scene2's picture on the first one).
    if (scores.whiteShare > 0.6f && scores.fogDots > 500)
        return DemoScene::scene3;
    if (scores.cyanShare > 0.5f)
        return DemoScene::scene1;
    return DemoScene::none;
}

DemoScene classifyScene(const Screenshot& shot, const SceneReferences& references) {
    return classifyScene(scoreScene(shot, references));
}

std::string describe(const SceneScores& s) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "differences wave %.1f portrait %.1f palmera %.1f uf %.1f; cyan %.2f, white "
                  "%.2f, dots %d",
                  s.wave, s.portrait, s.palmera, s.uf, s.cyanShare, s.whiteShare, s.fogDots);
    return text;
}

int countWarm(const Screenshot& shot, int x0, int y0, int x1, int y1) {
    int count = 0;
    for (int y = std::max(0, y0); y < std::min(shot.height, y1); y++) {
        for (int x = std::max(0, x0); x < std::min(shot.width, x1); x++) {
            const uint8_t* p = shot.at(x, y);
            count += p[0] > 150 && p[0] > p[2] + 40;
        }
    }
    return count;
}
