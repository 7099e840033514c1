// Tells the demo's six scenes apart on screenshots of its full-screen
// window. The picture scenes are compared with what the demo's four TGA
// pictures look like on screen, coarse block by block; the tile scene and the
// fog scene are known by their dominant colours.
#pragma once

#include "tests/screen_capture.h"

#include <string>
#include <vector>

enum class DemoScene { none, scene1, scene2, scene3, scene4, scene5, scene6 };

const char* sceneName(DemoScene scene);

// The screen divided into blocks of blockSize pixels, mean RGB per block.
struct BlockImage {
    static constexpr int blockSize = 16;
    int columns = 0, rows = 0;
    std::vector<float> rgb; // top row first
    const float* at(int column, int row) const {
        return &rgb[(size_t(row) * columns + column) * 3];
    }
};

BlockImage blockMeans(const Screenshot& shot);
// Mean absolute difference per channel (0-255) over the blocks of columns
// column0 to column1 - 1 and rows row0 to row1 - 1.
float blockDifference(const BlockImage& a, const BlockImage& b, int column0, int column1, int row0,
                      int row1);

// What the picture scenes should look like on a 1024x768 screen, made from
// the TGA files in the demo's folder.
struct SceneReferences {
    bool load(const std::string& dir);
    BlockImage wave;     // titulo3 on the wave, as if the wave were flat
    BlockImage portrait; // tia as Scene4's backdrop
    BlockImage palmera;  // Scene5
    BlockImage uf;       // Scene6
};

// The measures the classification rests on, for messages when it fails.
struct SceneScores {
    // Mean absolute difference per channel (0-255) from each reference; the
    // portrait only over the left part, clear of the cubes.
    float wave, portrait, palmera, uf;
    float cyanShare;  // pixels of Scene1's tile colour (0, g, g)
    float whiteShare; // near-white pixels: the fog and the clear colour
    int fogDots;      // neither near-white nor dark: dots showing through fog
};

SceneScores scoreScene(const Screenshot& shot, const SceneReferences& references);
DemoScene classifyScene(const SceneScores& scores);
DemoScene classifyScene(const Screenshot& shot, const SceneReferences& references);
std::string describe(const SceneScores& scores);

// Warm-coloured pixels (the models' letters, the emblem) inside a rectangle.
int countWarm(const Screenshot& shot, int x0, int y0, int x1, int y1);
