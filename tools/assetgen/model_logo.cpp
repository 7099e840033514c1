// logo.3ds: the group's emblem, a striped sun in a golden ring above two
// waves, with rays on top and pixels flying off to the right.
//
// Built in Scene1's world axes (x right, y up, z towards the camera).
// drawLogoModel turns the model like drawPresentsModel but translates it by
// (0, 0, 1) only: a model point v lands at world (-v.y, v.z + 1, -v.x), so
// world (X, Y, Z) needs the file point (-Z, 1 - Y, -X).

#include <cmath>

#include "tools/assetgen/models.h"

static constexpr float centreY = -0.85f; // below PRESENTS, in the middle of the view
static constexpr float sunRadius = 1.5f;
static constexpr float ringRadius = 1.62f;
static constexpr float pi = 3.14159265f;

static MeshBuilder sun() {
    MeshBuilder m = newMesh("sol", "sol");
    // Built with its texture square over the disc, then centred.
    extrudeConvex(m, circlePoints(sunRadius, sunRadius, sunRadius, 48), -0.15f, 0.15f,
                  1 / (2 * sunRadius));
    translateVertices(m, 0, {-sunRadius, -sunRadius, 0});
    return m;
}

static MeshBuilder wave(const char* name, float y0, float phase, float z0, float z1) {
    MeshBuilder m = newMesh(name, "ola");
    const float reach = 1.9f;
    std::vector<Point2> top, bottom;
    for (int i = 0; i <= 40; i++) {
        float x = -reach + 2 * reach * float(i) / 40;
        float crest = y0 + 0.16f * std::sin(2.7f * x + phase);
        float thick = 0.04f + 0.28f * (1 - std::pow(x / reach, 4.0f));
        top.push_back({x, crest});
        bottom.push_back({x, crest - thick});
    }
    extrudeBand(m, top, bottom, z0, z1, 0.5f);
    return m;
}

static MeshBuilder ring() {
    MeshBuilder m = newMesh("aro", "oro");
    std::vector<V3> spine;
    for (int i = 0; i <= 48; i++) {
        float a = 2 * pi * float(i) / 48;
        spine.push_back({ringRadius * std::cos(a), ringRadius * std::sin(a), 0});
    }
    addTube(m, spine, std::vector<float>(spine.size(), 0.13f), 10, false, 1, 1);
    return m;
}

static MeshBuilder rays() {
    MeshBuilder m = newMesh("rayos", "rayo");
    for (int i = 0; i < 7; i++) {
        float a = (30 + 20 * float(i)) * pi / 180;
        float spread = 0.1f;
        float inner = 1.82f, outer = i % 2 ? 2.12f : 2.3f;
        extrudeConvex(m,
                      {{inner * std::cos(a - spread), inner * std::sin(a - spread)},
                       {outer * std::cos(a), outer * std::sin(a)},
                       {inner * std::cos(a + spread), inner * std::sin(a + spread)}},
                      -0.08f, 0.08f, 1);
    }
    return m;
}

static MeshBuilder pixels() {
    MeshBuilder m = newMesh("pixeles", "pixel");
    const float spots[][3] = {
        {1.98f, -0.22f, 0.2f}, {2.26f, 0.02f, 0.16f}, {2.46f, 0.3f, 0.12f}, {2.6f, 0.58f, 0.08f}};
    for (const auto& s : spots) {
        float h = s[2] / 2;
        addBox(m, {s[0] - h, s[1] - h, -h}, {s[0] + h, s[1] + h, h}, 1);
    }
    return m;
}

Scene3ds buildLogoModel() {
    Scene3ds scene;
    scene.materials = {
        {"sol", 255, 255, 255, logoTexture}, {"ola", 255, 255, 255, waveTexture},
        {"oro", 255, 196, 60, ""},           {"rayo", 255, 120, 50, ""},
        {"pixel", 255, 70, 160, ""},
    };
    // Textured objects first: the last object drawn leaves texturing off
    // for the tile plane that Scene1 draws next frame.
    std::vector<MeshBuilder> meshes = {sun(),
                                       wave("ola1", -0.42f, 0, 0.12f, 0.4f),
                                       wave("ola2", -0.92f, 1.9f, 0.22f, 0.5f),
                                       ring(),
                                       rays(),
                                       pixels()};
    AxisMap map = [](V3 p) {
        V3 world{p.x, p.y + centreY, p.z};
        return V3{-world.z, 1 - world.y, -world.x};
    };
    addMeshes(scene, meshes, map);
    return scene;
}
