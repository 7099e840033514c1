// txiringo.3DS: a thatched beach bar on a patch of sand, with its counter,
// stools, name board, a palm and a surfboard.
//
// Scene3 draws it untransformed at the world origin with the camera's up
// along world z, so the bar is built with x to the right, y away from the
// front and z up, standing on the plane z = -1 in the middle of the rippling
// dot field. The reader turns the file's (x, y, z) into (x, z, -y), so the
// file holds (X, -Z, Y) for a world point (X, Y, Z): up is the file's -y.

#include <cmath>

#include "tools/assetgen/models.h"

static constexpr float ground = -1.0f;
static constexpr float deckTop = -0.75f;
static constexpr float eave = 1.65f;
static constexpr float ridge = 2.95f;
static constexpr float pi = 3.14159265f;

static std::vector<V3> line(V3 a, V3 b) {
    return {a, b};
}

static void post(MeshBuilder& m, V3 foot, V3 top, float radius, int sides = 8) {
    addTube(m, line(foot, top), {radius, radius}, sides, true, 1, 0.5f);
}

static MeshBuilder sand() {
    MeshBuilder m = newMesh("arena", "arena");
    const int segments = 40, rings = 4;
    const float cx = 0.3f, cy = 0.2f, radius = 4.6f, uv = 0.35f;
    auto edge = [](float a) { return 1 + 0.07f * std::sin(3 * a) + 0.04f * std::sin(5 * a + 1); };
    auto height = [](float t) { return -0.93f - 0.22f * t * t; };
    int centre = m.vertex({cx, cy, height(0)}, cx * uv, cy * uv);
    std::vector<std::vector<int>> ring(rings + 1);
    for (int r = 1; r <= rings; r++) {
        float t = float(r) / rings;
        for (int s = 0; s < segments; s++) {
            float a = 2 * pi * float(s) / segments;
            float x = cx + std::cos(a) * radius * t * edge(a);
            float y = cy + std::sin(a) * radius * t * edge(a);
            ring[size_t(r)].push_back(m.vertex({x, y, height(t)}, x * uv, y * uv));
        }
    }
    for (int s = 0; s < segments; s++) {
        int n = (s + 1) % segments;
        m.triangle(centre, ring[1][size_t(s)], ring[1][size_t(n)]);
        for (int r = 1; r < rings; r++) {
            m.quad(ring[size_t(r)][size_t(s)], ring[size_t(r) + 1][size_t(s)],
                   ring[size_t(r) + 1][size_t(n)], ring[size_t(r)][size_t(n)]);
        }
    }
    // A skirt down from the rim, so the patch has an edge from the side.
    std::vector<int> top, bottom;
    for (int s = 0; s <= segments; s++) {
        float a = 2 * pi * float(s) / segments;
        float x = cx + std::cos(a) * radius * edge(a);
        float y = cy + std::sin(a) * radius * edge(a);
        float u = float(s) / segments * 8;
        top.push_back(m.vertex({x, y, height(1)}, u, 0.3f));
        bottom.push_back(m.vertex({x * 1.03f, y * 1.03f, ground - 0.5f}, u, 0));
    }
    for (int s = 0; s < segments; s++) {
        m.quad(bottom[size_t(s)], bottom[size_t(s) + 1], top[size_t(s) + 1], top[size_t(s)]);
    }
    return m;
}

static MeshBuilder deck() {
    MeshBuilder m = newMesh("tarima", "madera");
    addBox(m, {-2.7f, -1.9f, ground}, {2.7f, 1.9f, deckTop}, 0.5f);
    // Two steps up to it at the front.
    addBox(m, {-0.8f, -2.25f, ground}, {0.8f, -1.9f, ground + 0.13f}, 0.5f);
    return m;
}

static MeshBuilder posts() {
    MeshBuilder m = newMesh("postes", "madera");
    for (float x : {-2.45f, 2.45f}) {
        for (float y : {-1.65f, 1.65f}) {
            post(m, {x, y, deckTop}, {x, y, eave + 0.1f}, 0.12f);
        }
    }
    // The name board's two uprights, standing on the front eave.
    for (float x : {-1.2f, 1.2f}) {
        post(m, {x, -2.5f, eave - 0.1f}, {x, -2.5f, 2.3f}, 0.05f, 6);
    }
    return m;
}

static MeshBuilder ridgeBeam() {
    MeshBuilder m = newMesh("viga", "madera");
    addTube(m, line({-1.45f, 0, ridge + 0.02f}, {1.45f, 0, ridge + 0.02f}), {0.11f, 0.11f}, 10,
            true, 1, 0.5f);
    return m;
}

static MeshBuilder counter() {
    MeshBuilder m = newMesh("barra", "madera");
    addBox(m, {-2.0f, -1.35f, deckTop}, {2.0f, -1.0f, 0.35f}, 0.6f);
    addBox(m, {1.65f, -1.0f, deckTop}, {2.0f, 0.2f, 0.35f}, 0.6f);
    return m;
}

static MeshBuilder backWall() {
    MeshBuilder m = newMesh("pared", "madera");
    addBox(m, {-2.35f, 1.45f, deckTop}, {2.35f, 1.6f, 0.9f}, 0.6f);
    addBox(m, {-1.8f, 1.15f, 0.25f}, {1.8f, 1.45f, 0.32f}, 0.6f);
    return m;
}

static void roofFace(MeshBuilder& m, const std::vector<V3>& corners, V3 along) {
    // u along the eave, v up the slope: the rows of straw lie along the eave.
    V3 up = unitV3(crossV3(crossV3(along, corners[2] - corners[0]), along));
    if (dotV3(up, {0, 0, 1}) < 0) {
        up = up * -1;
    }
    std::vector<int> ids;
    for (const V3& c : corners) {
        V3 d = c - corners[0];
        ids.push_back(m.vertex(c, dotV3(d, along) * 0.45f, dotV3(d, up) * 0.45f));
    }
    if (ids.size() == 4) {
        m.quad(ids[0], ids[1], ids[2], ids[3]);
    } else {
        m.triangle(ids[0], ids[1], ids[2]);
    }
}

static MeshBuilder roof() {
    MeshBuilder m = newMesh("tejado", "paja");
    const float hx = 3.3f, hy = 2.5f, rx = 1.3f;
    V3 fl{-hx, -hy, eave}, fr{hx, -hy, eave}, bl{-hx, hy, eave}, br{hx, hy, eave};
    V3 rl{-rx, 0, ridge}, rr{rx, 0, ridge};
    roofFace(m, {fl, fr, rr, rl}, {1, 0, 0});
    roofFace(m, {br, bl, rl, rr}, {-1, 0, 0});
    roofFace(m, {bl, fl, rl}, {0, -1, 0});
    roofFace(m, {fr, br, rr}, {0, 1, 0});
    // A ragged fringe of straw hanging from the eaves all round.
    const V3 corners[5] = {fl, fr, br, bl, fl};
    for (int side = 0; side < 4; side++) {
        V3 a = corners[side], b = corners[side + 1];
        V3 dir = unitV3(b - a);
        V3 out{dir.y, -dir.x, 0}; // the outside of a counter-clockwise walk
        int tufts = int(lengthV3(b - a) / 0.22f);
        for (int k = 0; k < tufts; k++) {
            float t0 = float(k) / tufts, t1 = float(k + 1) / tufts;
            V3 p0 = a + (b - a) * t0 + out * 0.02f, p1 = a + (b - a) * t1 + out * 0.02f;
            float drop0 = k % 2 ? 0.28f : 0.18f, drop1 = k % 2 ? 0.18f : 0.28f;
            float u0 = float(k) * 0.1f, u1 = float(k + 1) * 0.1f;
            int top0 = m.vertex(p0 + V3{0, 0, 0.04f}, u0, 0.25f);
            int top1 = m.vertex(p1 + V3{0, 0, 0.04f}, u1, 0.25f);
            int low0 = m.vertex(p0 + out * 0.1f + V3{0, 0, -drop0}, u0, 0);
            int low1 = m.vertex(p1 + out * 0.1f + V3{0, 0, -drop1}, u1, 0);
            m.quad(low0, low1, top1, top0);
        }
    }
    return m;
}

static MeshBuilder sign() {
    MeshBuilder m = newMesh("letrero", "letrero");
    const float x0 = -1.6f, x1 = 1.6f, z0 = 1.72f, z1 = 2.42f, front = -2.6f, back = -2.52f;
    // Front and back both read left to right; the edges take the frame's brown.
    m.quad(m.vertex({x0, front, z0}, 0, 0), m.vertex({x1, front, z0}, 1, 0),
           m.vertex({x1, front, z1}, 1, 1), m.vertex({x0, front, z1}, 0, 1));
    m.quad(m.vertex({x1, back, z0}, 0, 0), m.vertex({x0, back, z0}, 1, 0),
           m.vertex({x0, back, z1}, 1, 1), m.vertex({x1, back, z1}, 0, 1));
    auto edge = [&m](V3 a, V3 b, V3 c, V3 d) {
        m.quad(m.vertex(a, 0.005f, 0.5f), m.vertex(b, 0.005f, 0.5f), m.vertex(c, 0.01f, 0.5f),
               m.vertex(d, 0.01f, 0.5f));
    };
    edge({x0, front, z1}, {x1, front, z1}, {x1, back, z1}, {x0, back, z1}); // top
    edge({x0, back, z0}, {x1, back, z0}, {x1, front, z0}, {x0, front, z0}); // bottom
    edge({x1, back, z0}, {x1, back, z1}, {x1, front, z1}, {x1, front, z0}); // right
    edge({x0, front, z0}, {x0, front, z1}, {x0, back, z1}, {x0, back, z0}); // left
    return m;
}

static const V3 palmFoot{3.75f, 1.95f, ground};
static const V3 palmCrown{4.35f, 2.7f, 3.7f};

static MeshBuilder palmTrunk() {
    MeshBuilder m = newMesh("tronco", "madera");
    std::vector<V3> spine;
    std::vector<float> radii;
    const int steps = 12;
    for (int i = 0; i <= steps; i++) {
        float t = float(i) / steps;
        V3 p = palmFoot + (palmCrown - palmFoot) * t;
        p.x -= 0.45f * std::sin(t * pi); // a gentle bow away from the bar and back
        p.y += 0.1f * std::sin(t * pi);
        spine.push_back(p);
        radii.push_back((0.23f - 0.1f * t) * (i % 2 ? 0.9f : 1.0f));
    }
    addTube(m, spine, radii, 8, true, 1, 0.4f);
    return m;
}

static MeshBuilder palmLeaves() {
    MeshBuilder m = newMesh("hojas", "hoja");
    const int fronds = 8, steps = 8;
    const float length = 1.85f;
    for (int f = 0; f < fronds; f++) {
        float heading = 2 * pi * (float(f) + 0.3f) / fronds;
        V3 dir{std::cos(heading), std::sin(heading), 0};
        V3 side{-dir.y, dir.x, 0};
        std::vector<std::vector<V3>> grid;
        for (int i = 0; i <= steps; i++) {
            float s = length * float(i) / steps;
            // Up from the crown, then drooping towards the tip.
            V3 centre = palmCrown + dir * s + V3{0, 0, 0.55f * s - 0.7f * s * s / length};
            float w =
                0.34f * std::pow(std::sin(pi * std::fmin(0.98f, float(i) / steps + 0.02f)), 0.7f);
            grid.push_back({centre - side * w + V3{0, 0, -0.1f * w}, centre + V3{0, 0, 0.05f},
                            centre + side * w + V3{0, 0, -0.1f * w}});
        }
        addSheet(m, grid, 0.012f);
    }
    return m;
}

static MeshBuilder counterTop() {
    MeshBuilder m = newMesh("encimera", "pintura");
    addBox(m, {-2.12f, -1.5f, 0.35f}, {2.12f, -0.9f, 0.45f}, 1);
    addBox(m, {1.55f, -0.9f, 0.35f}, {2.12f, 0.3f, 0.45f}, 1);
    return m;
}

static MeshBuilder bottles() {
    MeshBuilder m = newMesh("botellas", "vidrio");
    for (int i = 0; i < 7; i++) {
        float x = -1.5f + 0.5f * float(i), y = 1.3f, tall = i % 3 == 1 ? 0.06f : 0.0f;
        addTube(m, {{x, y, 0.32f}, {x, y, 0.52f + tall}, {x, y, 0.58f + tall}, {x, y, 0.7f + tall}},
                {0.075f, 0.075f, 0.03f, 0.026f}, 8, true, 1, 1);
    }
    return m;
}

static const float stoolX[3] = {-1.3f, 0, 1.3f};

static MeshBuilder stoolSeats() {
    MeshBuilder m = newMesh("asientos", "asiento");
    for (float x : stoolX) {
        addTube(m, line({x, -1.95f, -0.02f}, {x, -1.95f, 0.1f}), {0.28f, 0.28f}, 14, true, 1, 1);
    }
    return m;
}

static MeshBuilder stoolLegs() {
    MeshBuilder m = newMesh("patas", "metal");
    for (float x : stoolX) {
        post(m, {x, -1.95f, deckTop}, {x, -1.95f, -0.02f}, 0.045f);
        addTube(m, line({x, -1.95f, deckTop}, {x, -1.95f, deckTop + 0.04f}), {0.2f, 0.2f}, 12, true,
                1, 1);
    }
    return m;
}

// A surfboard leaning on the left of the deck: an elongated lens, pointed
// at the nose and rounded at the tail.
static MeshBuilder surfboard() {
    MeshBuilder m = newMesh("tabla", "tabla");
    const V3 base{-3.0f, -0.7f, ground + 0.05f};
    const float lean = 0.28f;
    const V3 axis = unitV3({-std::sin(lean), 0.15f, std::cos(lean)}); // nose direction
    const V3 across = unitV3(crossV3({1, 0, 0}, axis));
    const V3 normal = crossV3(axis, across);
    const float length = 2.3f;
    const int steps = 16, around = 10;
    std::vector<std::vector<int>> rings;
    for (int i = 0; i <= steps; i++) {
        float t = float(i) / steps;
        float width = 0.29f * std::pow(std::fabs(std::sin(pi * (0.08f + 0.92f * t))), 0.55f) *
                      (1.05f - 0.3f * t);
        float thick =
            0.045f * std::pow(std::fabs(std::sin(pi * (0.05f + 0.95f * t))), 0.5f) + 0.004f;
        std::vector<int> ring;
        for (int k = 0; k < around; k++) {
            float a = 2 * pi * float(k) / around;
            V3 p = base + axis * (length * t) + across * (width * std::cos(a)) +
                   normal * (thick * std::sin(a));
            ring.push_back(m.vertex(p, t, float(k) / around));
        }
        rings.push_back(ring);
    }
    for (int i = 0; i < steps; i++) {
        for (int k = 0; k < around; k++) {
            int n = (k + 1) % around;
            // across x normal = axis: each ring turns counter-clockwise about
            // the nose direction, so round the ring, then towards the nose,
            // faces outwards.
            m.quad(rings[size_t(i)][size_t(k)], rings[size_t(i)][size_t(n)],
                   rings[size_t(i) + 1][size_t(n)], rings[size_t(i) + 1][size_t(k)]);
        }
    }
    for (int end = 0; end < 2; end++) {
        const std::vector<int>& r = rings[end ? size_t(steps) : 0];
        for (int k = 1; k + 1 < around; k++) {
            if (end) {
                m.triangle(r[0], r[size_t(k)], r[size_t(k) + 1]);
            } else {
                m.triangle(r[0], r[size_t(k) + 1], r[size_t(k)]);
            }
        }
    }
    return m;
}

Scene3ds buildTxiringoModel() {
    Scene3ds scene;
    scene.materials = {
        {"arena", 230, 200, 140, sandTexture},
        {"madera", 255, 255, 255, woodTexture},
        {"paja", 255, 255, 255, thatchTexture},
        {"letrero", 255, 255, 255, signTexture},
        {"pintura", 40, 190, 180, ""},
        {"asiento", 225, 70, 55, ""},
        {"metal", 185, 192, 200, ""},
        {"vidrio", 60, 170, 95, ""},
        {"hoja", 50, 150, 70, ""},
        {"tabla", 255, 175, 50, ""},
    };
    // Textured objects first: the last object drawn leaves texturing off
    // for the dot field that Scene3 draws next frame.
    std::vector<MeshBuilder> meshes = {sand(),      deck(),       posts(),    ridgeBeam(),
                                       counter(),   backWall(),   roof(),     sign(),
                                       palmTrunk(), counterTop(), bottles(),  stoolSeats(),
                                       stoolLegs(), palmLeaves(), surfboard()};
    AxisMap map = [](V3 p) { return V3{p.x, -p.z, p.y}; };
    addMeshes(scene, meshes, map);
    return scene;
}
