// presents.3ds: the word PRESENTS in extruded letters, one object each,
// shaded from pink to gold along the word.
//
// Built in Scene1's world axes (x right, y up, z towards the camera at
// z = 10). drawPresentsModel turns the model by 90 degrees about z and then
// about y after translating it by (0, ty, tz), ty in 3.2-3.5 and tz in
// -2.7..-2.4: a model point v (demo axes) lands at world
// (-(v.y + ty), v.z + tz, -v.x). The reader made v = (f.x, f.z, -f.y) from
// the file's f, so world (X, Y, Z) needs f = (-Z, tz - Y, -X - ty); with ty
// and tz at the middle of their ranges the word trembles about its place.

#include <cmath>

#include "tools/assetgen/models.h"

static constexpr float jitterY = 3.35f;
static constexpr float jitterZ = -2.55f;
static constexpr float stroke = 0.2f;
static constexpr float depth = 0.32f;

// Where the word sits: centred, across the upper part of the view, in front
// of the tile plane at z = -12. The view is 8 units wide at z = 0.
static constexpr float wordWidth = 6.3f;
static constexpr float wordCentreY = 2.55f;
static constexpr float wordZ = 0.6f;

static void bar(MeshBuilder& m, float x0, float y0, float x1, float y1) {
    extrudeConvex(m, {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}, -depth / 2, depth / 2, 1);
}

static void slab(MeshBuilder& m, std::vector<Point2> corners) {
    extrudeConvex(m, corners, -depth / 2, depth / 2, 1);
}

static void bow(MeshBuilder& m, float cx, float cy, float radius, float a0, float a1) {
    const float deg = 3.14159265f / 180;
    int segments = int(std::fabs(a1 - a0) / 12) + 4;
    extrudeBand(m, arcPoints(cx, cy, radius + stroke / 2, a0 * deg, a1 * deg, segments),
                arcPoints(cx, cy, radius - stroke / 2, a0 * deg, a1 * deg, segments), -depth / 2,
                depth / 2, 1);
}

// Each letter on a 1-unit cap height from its left edge; returns its width.
static float drawLetter(MeshBuilder& m, char letter) {
    switch (letter) {
    case 'P':
    case 'R':
        bar(m, 0, 0, stroke, 1);
        bar(m, stroke, 1 - stroke, 0.42f, 1);
        bar(m, stroke, 0.38f, 0.42f, 0.38f + stroke);
        bow(m, 0.42f, 0.69f, 0.21f, -90, 90);
        if (letter == 'R') {
            slab(m, {{0.30f, 0.42f}, {0.52f, 0.42f}, {0.76f, 0}, {0.53f, 0}});
            return 0.76f;
        }
        return 0.73f;
    case 'E':
        bar(m, 0, 0, stroke, 1);
        bar(m, stroke, 1 - stroke, 0.62f, 1);
        bar(m, stroke, 0.4f, 0.54f, 0.4f + stroke);
        bar(m, stroke, 0, 0.62f, stroke);
        return 0.62f;
    case 'S':
        bow(m, 0.35f, 0.7f, 0.2f, 20, 270);
        bow(m, 0.35f, 0.3f, 0.2f, 90, -160);
        return 0.7f;
    case 'N':
        bar(m, 0, 0, stroke, 1);
        bar(m, 0.54f, 0, 0.74f, 1);
        slab(m, {{0, 1}, {0.25f, 1}, {0.74f, 0}, {0.49f, 0}});
        return 0.74f;
    case 'T':
        bar(m, 0, 1 - stroke, 0.76f, 1);
        bar(m, 0.28f, 0, 0.48f, 1 - stroke);
        return 0.76f;
    }
    return 0;
}

Scene3ds buildPresentsModel() {
    const std::string word = "PRESENTS";
    const float gap = 0.17f;
    Scene3ds scene;
    std::vector<MeshBuilder> letters;
    float x = 0;
    for (size_t i = 0; i < word.size(); i++) {
        // Sunset colours from pink to gold.
        float t = float(i) / float(word.size() - 1);
        Material3ds mat;
        mat.name = "letra" + std::to_string(i + 1);
        mat.r = 255;
        mat.g = uint8_t(70 + t * 130);
        mat.b = uint8_t(170 - t * 120);
        scene.materials.push_back(mat);

        MeshBuilder m;
        m.name = std::string(1, word[i]) + std::to_string(i + 1);
        m.material = mat.name;
        float width = drawLetter(m, word[i]);
        translateVertices(m, 0, {x, 0, 0});
        x += width + gap;
        letters.push_back(m);
    }
    float natural = x - gap;
    float scale = wordWidth / natural;
    AxisMap map = [=](V3 p) {
        V3 world{(p.x - natural / 2) * scale, wordCentreY + (p.y - 0.5f) * scale,
                 wordZ + p.z * scale};
        return V3{-world.z, jitterZ - world.y, -world.x - jitterY};
    };
    addMeshes(scene, letters, map);
    return scene;
}
