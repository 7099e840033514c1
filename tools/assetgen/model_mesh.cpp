#include "tools/assetgen/model_mesh.h"

#include <cmath>

V3 operator+(V3 a, V3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V3 operator-(V3 a, V3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 operator*(V3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
V3 crossV3(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float dotV3(V3 a, V3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
float lengthV3(V3 a) {
    return std::sqrt(dotV3(a, a));
}
V3 unitV3(V3 a) {
    float l = lengthV3(a);
    return l > 0 ? a * (1.0f / l) : a;
}

MeshBuilder newMesh(const std::string& name, const std::string& material) {
    MeshBuilder m;
    m.name = name;
    m.material = material;
    return m;
}

int MeshBuilder::vertex(V3 p, float u, float v) {
    positions.push_back(p);
    uv.push_back(u);
    uv.push_back(v);
    return int(positions.size()) - 1;
}

void MeshBuilder::triangle(int a, int b, int c) {
    faces.push_back(uint16_t(a));
    faces.push_back(uint16_t(b));
    faces.push_back(uint16_t(c));
}

void MeshBuilder::quad(int a, int b, int c, int d) {
    triangle(a, b, c);
    triangle(a, c, d);
}

Mesh3ds toMesh3ds(const MeshBuilder& mesh, const AxisMap& map, bool flipV) {
    Mesh3ds out;
    out.name = mesh.name;
    for (const V3& p : mesh.positions) {
        V3 f = map(p);
        out.xyz.insert(out.xyz.end(), {f.x, f.y, f.z});
    }
    for (size_t i = 0; i < mesh.uv.size(); i += 2) {
        out.uv.push_back(mesh.uv[i]);
        out.uv.push_back(flipV ? 1.0f - mesh.uv[i + 1] : mesh.uv[i + 1]);
    }
    out.faces = mesh.faces;
    out.faceMaterials.assign(mesh.faceCount(), mesh.material);
    return out;
}

static float signedArea(const std::vector<Point2>& pts) {
    float a = 0;
    for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
        a += pts[j].x * pts[i].y - pts[i].x * pts[j].y;
    }
    return a * 0.5f;
}

void extrudeOutline(MeshBuilder& mesh, const std::vector<Point2>& given,
                    const std::vector<int>& capTriangles, float z0, float z1, float uvScale) {
    std::vector<Point2> outline = given;
    std::vector<int> caps = capTriangles;
    size_t n = outline.size();
    if (signedArea(outline) < 0) {
        // Walk the outline the other way round; the cap indices follow.
        for (size_t i = 0; i < n / 2; i++) {
            std::swap(outline[i], outline[n - 1 - i]);
        }
        for (int& k : caps) {
            k = int(n) - 1 - k;
        }
    }
    // Caps: the front faces +z, the back -z. Each cap triangle is put
    // counter-clockwise first, whatever order it was given in.
    std::vector<int> front(n), back(n);
    for (size_t i = 0; i < n; i++) {
        front[i] = mesh.vertex({outline[i].x, outline[i].y, z1}, outline[i].x * uvScale,
                               outline[i].y * uvScale);
        back[i] = mesh.vertex({outline[i].x, outline[i].y, z0}, -outline[i].x * uvScale,
                              outline[i].y * uvScale);
    }
    for (size_t t = 0; t + 2 < caps.size(); t += 3) {
        int a = caps[t], b = caps[t + 1], c = caps[t + 2];
        float cross = (outline[b].x - outline[a].x) * (outline[c].y - outline[a].y) -
                      (outline[b].y - outline[a].y) * (outline[c].x - outline[a].x);
        if (cross < 0) {
            std::swap(b, c);
        }
        mesh.triangle(front[a], front[b], front[c]);
        mesh.triangle(back[a], back[c], back[b]);
    }
    // Walls: edge i runs from point i to point i+1; outward for a
    // counter-clockwise outline is its right-hand side.
    auto turn = [&](size_t i) {
        const Point2& p = outline[(i + n - 1) % n];
        const Point2& q = outline[i];
        const Point2& r = outline[(i + 1) % n];
        float ax = q.x - p.x, ay = q.y - p.y, bx = r.x - q.x, by = r.y - q.y;
        float c = (ax * bx + ay * by) / std::sqrt((ax * ax + ay * ay) * (bx * bx + by * by));
        return std::acos(std::fmax(-1.0f, std::fmin(1.0f, c)));
    };
    // The seam where the loop closes always gets its own vertices, so the
    // texture's u runs on without folding back.
    const float smooth = 40.0f * 3.14159265f / 180.0f;
    float run = 0;
    int carryLow = -1, carryHigh = -1;
    for (size_t i = 0; i < n; i++) {
        const Point2& p = outline[i];
        const Point2& q = outline[(i + 1) % n];
        int pl = carryLow, ph = carryHigh;
        if (i == 0 || turn(i) >= smooth) {
            pl = mesh.vertex({p.x, p.y, z0}, run * uvScale, z0 * uvScale);
            ph = mesh.vertex({p.x, p.y, z1}, run * uvScale, z1 * uvScale);
        }
        run += std::hypot(q.x - p.x, q.y - p.y);
        carryLow = mesh.vertex({q.x, q.y, z0}, run * uvScale, z0 * uvScale);
        carryHigh = mesh.vertex({q.x, q.y, z1}, run * uvScale, z1 * uvScale);
        mesh.quad(pl, carryLow, carryHigh, ph);
    }
}

void extrudeConvex(MeshBuilder& mesh, const std::vector<Point2>& outline, float z0, float z1,
                   float uvScale) {
    std::vector<int> caps;
    for (int i = 1; i + 1 < int(outline.size()); i++) {
        caps.insert(caps.end(), {0, i, i + 1});
    }
    extrudeOutline(mesh, outline, caps, z0, z1, uvScale);
}

void extrudeBand(MeshBuilder& mesh, const std::vector<Point2>& outer,
                 const std::vector<Point2>& inner, float z0, float z1, float uvScale) {
    // Outline: along the outer line, back along the inner one.
    std::vector<Point2> outline = outer;
    outline.insert(outline.end(), inner.rbegin(), inner.rend());
    int n = int(outer.size());
    int total = int(outline.size());
    std::vector<int> caps;
    for (int i = 0; i + 1 < n; i++) {
        int a = i, b = i + 1, c = total - 2 - i, d = total - 1 - i;
        caps.insert(caps.end(), {a, b, c, a, c, d});
    }
    extrudeOutline(mesh, outline, caps, z0, z1, uvScale);
}

std::vector<Point2> circlePoints(float cx, float cy, float r, int segments) {
    std::vector<Point2> pts;
    for (int i = 0; i < segments; i++) {
        float a = 6.2831853f * float(i) / float(segments);
        pts.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return pts;
}

std::vector<Point2> arcPoints(float cx, float cy, float r, float a0, float a1, int segments) {
    std::vector<Point2> pts;
    for (int i = 0; i <= segments; i++) {
        float a = a0 + (a1 - a0) * float(i) / float(segments);
        pts.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return pts;
}

void addBox(MeshBuilder& mesh, V3 lo, V3 hi, float uvScale) {
    // Each side: its corner, then its two edges in counter-clockwise order.
    struct Side {
        V3 origin, du, dv;
    };
    V3 s = hi - lo;
    const Side sides[6] = {
        {{lo.x, lo.y, hi.z}, {s.x, 0, 0}, {0, s.y, 0}},  // +z
        {{lo.x, hi.y, lo.z}, {s.x, 0, 0}, {0, -s.y, 0}}, // -z
        {{hi.x, lo.y, lo.z}, {0, s.y, 0}, {0, 0, s.z}},  // +x
        {{lo.x, hi.y, lo.z}, {0, -s.y, 0}, {0, 0, s.z}}, // -x
        {{hi.x, hi.y, lo.z}, {-s.x, 0, 0}, {0, 0, s.z}}, // +y
        {{lo.x, lo.y, lo.z}, {s.x, 0, 0}, {0, 0, s.z}},  // -y
    };
    for (const Side& side : sides) {
        float lu = lengthV3(side.du) * uvScale, lv = lengthV3(side.dv) * uvScale;
        int a = mesh.vertex(side.origin, 0, 0);
        int b = mesh.vertex(side.origin + side.du, lu, 0);
        int c = mesh.vertex(side.origin + side.du + side.dv, lu, lv);
        int d = mesh.vertex(side.origin + side.dv, 0, lv);
        mesh.quad(a, b, c, d);
    }
}

void addTube(MeshBuilder& mesh, const std::vector<V3>& spine, const std::vector<float>& radii,
             int sides, bool caps, float uScale, float vScale) {
    size_t n = spine.size();
    // A spine that ends where it starts closes into a ring without a seam.
    bool loop = !caps && n > 2 && lengthV3(spine.front() - spine.back()) < 1e-5f;
    auto tangentAt = [&](size_t i) {
        if (loop && (i == 0 || i + 1 == n)) {
            return unitV3(spine[1] - spine[n - 2]);
        }
        if (i == 0) {
            return unitV3(spine[1] - spine[0]);
        }
        if (i + 1 == n) {
            return unitV3(spine[i] - spine[i - 1]);
        }
        return unitV3(spine[i + 1] - spine[i - 1]);
    };
    // A frame that turns with the spine without twisting.
    V3 first = tangentAt(0);
    V3 side = std::fabs(first.z) < 0.9f ? V3{0, 0, 1} : V3{1, 0, 0};
    V3 normal = unitV3(crossV3(side, first));
    std::vector<std::vector<int>> rings;
    float along = 0;
    for (size_t i = 0; i < n; i++) {
        V3 t = tangentAt(i);
        normal = unitV3(normal - t * dotV3(normal, t));
        V3 binormal = crossV3(t, normal);
        if (i > 0) {
            along += lengthV3(spine[i] - spine[i - 1]);
        }
        if (loop && i + 1 == n) {
            rings.push_back(rings.front());
            break;
        }
        std::vector<int> ring;
        for (int k = 0; k <= sides; k++) {
            if (k == sides && !caps) {
                // Open tubes (the emblem's ring) close round without a seam;
                // capped ones keep one so their texture's u runs on.
                ring.push_back(ring.front());
                break;
            }
            float a = 6.2831853f * float(k) / float(sides);
            V3 dir = normal * std::cos(a) + binormal * std::sin(a);
            ring.push_back(mesh.vertex(spine[i] + dir * radii[i], float(k) / float(sides) * uScale,
                                       along * vScale));
        }
        rings.push_back(ring);
    }
    for (size_t i = 0; i + 1 < n; i++) {
        for (int k = 0; k < sides; k++) {
            mesh.quad(rings[i][size_t(k)], rings[i][size_t(k) + 1], rings[i + 1][size_t(k) + 1],
                      rings[i + 1][size_t(k)]);
        }
    }
    if (!caps) {
        return;
    }
    for (int end = 0; end < 2; end++) {
        size_t i = end ? n - 1 : 0;
        V3 t = unitV3(end ? spine[n - 1] - spine[n - 2] : spine[0] - spine[1]);
        int centre = mesh.vertex(spine[i], 0.5f, 0.5f);
        std::vector<int> rim;
        for (int k = 0; k < sides; k++) {
            float a = 6.2831853f * float(k) / float(sides);
            rim.push_back(mesh.vertex(mesh.positions[size_t(rings[i][size_t(k)])],
                                      0.5f + 0.5f * std::cos(a), 0.5f + 0.5f * std::sin(a)));
        }
        for (int k = 0; k < sides; k++) {
            int a = rim[size_t(k)], b = rim[size_t((k + 1) % sides)];
            // Outward is along t: keep the triangle counter-clockwise about it.
            V3 pa = mesh.positions[size_t(a)], pb = mesh.positions[size_t(b)];
            if (dotV3(crossV3(pa - spine[i], pb - spine[i]), t) > 0) {
                mesh.triangle(centre, a, b);
            } else {
                mesh.triangle(centre, b, a);
            }
        }
    }
}

void addSheet(MeshBuilder& mesh, const std::vector<std::vector<V3>>& grid, float thickness) {
    size_t rows = grid.size(), cols = grid[0].size();
    for (int face = 0; face < 2; face++) {
        std::vector<std::vector<int>> ids(rows, std::vector<int>(cols));
        for (size_t r = 0; r < rows; r++) {
            for (size_t c = 0; c < cols; c++) {
                // Offset each side a little along the sheet's normal so the
                // two sides never fight over the same depth.
                V3 across = grid[r][c + 1 < cols ? c + 1 : c] - grid[r][c > 0 ? c - 1 : c];
                V3 along = grid[r + 1 < rows ? r + 1 : r][c] - grid[r > 0 ? r - 1 : r][c];
                V3 n = unitV3(crossV3(across, along));
                float side = face == 0 ? 0.5f : -0.5f;
                ids[r][c] = mesh.vertex(grid[r][c] + n * (thickness * side),
                                        float(c) / float(cols - 1), float(r) / float(rows - 1));
            }
        }
        for (size_t r = 0; r + 1 < rows; r++) {
            for (size_t c = 0; c + 1 < cols; c++) {
                int a = ids[r][c], b = ids[r][c + 1], cc = ids[r + 1][c + 1], d = ids[r + 1][c];
                if (face == 0) {
                    mesh.quad(a, b, cc, d);
                } else {
                    mesh.quad(a, d, cc, b);
                }
            }
        }
    }
}

void translateVertices(MeshBuilder& mesh, size_t first, V3 offset) {
    for (size_t i = first; i < mesh.positions.size(); i++) {
        mesh.positions[i] = mesh.positions[i] + offset;
    }
}
