// palmera: palms on a beach at sunset. Scene5 shows the middle 16/18 of it
// (design x 36-604, y 27-453).

#include <cmath>

#include "tools/assetgen/noise.h"
#include "tools/assetgen/pictures.h"

static constexpr float horizon = 300;
static constexpr float sunX = 418;
static const Rgba silhouette = hexColor(0x24102c);
static const Rgba rim = hexColor(0xff9a5a);

static void paintSky(Canvas& c) {
    Gradient sky{{{0, hexColor(0x1d1648)},
                  {90, hexColor(0x4f2670)},
                  {175, hexColor(0xb83e72)},
                  {245, hexColor(0xff7f4f)},
                  {horizon, hexColor(0xffc86e)}}};
    fillShape(c, {0, 0, pictureWidth, horizon}, Everywhere{}, sky);
    paintStars(c, {0, 0, pictureWidth, 85}, 40, 23, hexColor(0xffe8f0));
    paintGlow(c, sunX, 285, 300, 150, hexColor(0xffd080, 0.55f));
    Gradient disc{{{230, hexColor(0xfff6c0)}, {300, hexColor(0xffb04a)}}};
    paintShape(c, Ellipse{sunX, 282, 46, 46}, disc);
}

// A long flat cloud: overlapping ellipses, lit from below by the sun.
static void paintCloud(Canvas& c, float x, float y, float length, uint32_t seed) {
    Rng rng{seed};
    std::vector<Ellipse> parts;
    for (int i = 0; i < 6; i++) {
        float t = float(i) / 5;
        float h = 5 + 7 * std::sin(t * 3.14159f) * (0.6f + 0.4f * rng.unit());
        parts.push_back({x + (t - 0.5f) * length * 0.8f, y - h * 0.3f, length * 0.22f, h});
    }
    auto shape = [parts](float px, float py) {
        for (const Ellipse& e : parts) {
            if (e(px, py)) {
                return true;
            }
        }
        return false;
    };
    auto lit = [&shape](float px, float py) { return shape(px, py - 2.5f); };
    Box box{x - length * 0.65f, y - 25, x + length * 0.65f, y + 25};
    fillShape(c, box, lit, Solid{hexColor(0xffa070, 0.9f)});
    fillShape(c, box, shape,
              Gradient{{{y - 15, hexColor(0x5a2a68)}, {y + 10, hexColor(0x8a3a6a)}}});
}

static void paintSea(Canvas& c) {
    Gradient sea{
        {{horizon, hexColor(0x8a4a7a)}, {330, hexColor(0x4a2a6a)}, {400, hexColor(0x23184a)}}};
    fillShape(c, {0, horizon, pictureWidth, 420}, Everywhere{}, sea);
    // A low headland on the left of the horizon.
    std::vector<Point> land{{-10, horizon + 1}};
    for (int i = 0; i <= 12; i++) {
        float t = float(i) / 12;
        land.push_back({-10 + 230 * t,
                        horizon - 24 * std::sin(t * 3.14159f) * (0.8f + 0.2f * std::sin(t * 17))});
    }
    land.push_back({220, horizon + 1});
    paintShape(c, Polygon{land}, hexColor(0x3a1a4e));
    // The sun's path on the water: short streaks narrowing towards the shore.
    Rng rng{41};
    for (float y = horizon + 2; y < 392; y += 3.2f + (y - horizon) * 0.04f) {
        float near = (y - horizon) / 90;
        float width = (70 - 40 * near) * (0.5f + rng.unit());
        float x = sunX + rng.signedUnit() * 18 * (1 + near);
        float alpha = 0.85f - 0.5f * near;
        paintShape(c, Capsule{{x - width / 2, y}, {x + width / 2, y}, 0.9f + near},
                   hexColor(0xffd890, alpha));
    }
    for (int i = 0; i < 60; i++) {
        float y = horizon + 4 + rng.unit() * 85;
        float x = rng.unit() * pictureWidth;
        float w = 4 + rng.unit() * 14;
        paintShape(c, Capsule{{x, y}, {x + w, y}, 0.7f}, hexColor(0xffb0a0, 0.35f));
    }
}

static std::vector<Point> shoreline(float offset) {
    std::vector<Point> pts;
    for (int i = 0; i <= 32; i++) {
        float x = -10 + 660 * float(i) / 32;
        pts.push_back(
            {x, 380 + offset + 12 * std::sin(x * 0.012f + 0.8f) + 4 * std::sin(x * 0.05f)});
    }
    return pts;
}

static void paintBeach(Canvas& c) {
    std::vector<Point> wet = shoreline(-5);
    wet.push_back({650, 490});
    wet.push_back({-10, 490});
    paintShape(c, Polygon{wet}, hexColor(0x8a4a5e));
    std::vector<Point> foam = shoreline(-5);
    strokePath(c, foam, 1.6f, hexColor(0xfff0e0, 0.8f));
    std::vector<Point> sand = shoreline(3);
    sand.push_back({650, 490});
    sand.push_back({-10, 490});
    auto grain = [](float x, float y) {
        Rgba base = Gradient{{{380, hexColor(0xe79a6a)}, {480, hexColor(0xa3554e)}}}.at(y);
        float n = fractalNoise(x * 0.9f, y * 0.9f, 2, 8) - 0.5f;
        return scaleColor(base, 1.0f + n * 0.18f);
    };
    paintShape(c, Polygon{sand}, grain);
}

static void paintTrunk(Canvas& c, Point base, Point control, Point crown, float w0, float w1) {
    std::vector<Point> spine = bezierPoints(base, control, crown, 40);
    paintShape(c, ribbon(spine, w0, w1), silhouette);
    // Rim light on the side that faces the sun.
    std::vector<Point> lit;
    for (size_t i = 0; i < spine.size(); i++) {
        float t = float(i) / float(spine.size() - 1);
        float half = (w0 + (w1 - w0) * t) * 0.5f;
        lit.push_back({spine[i].x + half * 0.75f, spine[i].y});
    }
    strokePath(c, lit, 1.1f, withAlpha(rim, 0.55f));
    for (size_t i = 2; i + 1 < spine.size(); i += 2) {
        float t = float(i) / float(spine.size() - 1);
        float half = (w0 + (w1 - w0) * t) * 0.5f;
        Point p = spine[i];
        paintShape(c, Capsule{{p.x - half, p.y + 1}, {p.x + half, p.y - 1}, 0.9f},
                   hexColor(0x452040));
    }
}

// A drooping frond: a curved spine from the crown with thin leaflets that
// hang from both sides of it.
static void paintFrond(Canvas& c, Point crown, float angle, float length, float droop, float size) {
    Point tip{crown.x + std::cos(angle) * length, crown.y + std::sin(angle) * length + droop};
    Point control{crown.x + std::cos(angle) * length * 0.55f,
                  crown.y + std::sin(angle) * length * 0.55f - droop * 0.45f};
    std::vector<Point> spine = bezierPoints(crown, control, tip, 36);
    for (size_t i = 2; i + 1 < spine.size(); i++) {
        float t = float(i) / float(spine.size() - 1);
        const Point& p = spine[i];
        const Point& q = spine[i + 1];
        float dx = q.x - p.x, dy = q.y - p.y;
        float len = std::sqrt(dx * dx + dy * dy);
        dx /= len;
        dy /= len;
        float leaflet = (6 + 30 * std::pow(std::fabs(std::sin(t * 3.14159f)), 0.7f)) * size;
        for (int side = -1; side <= 1; side += 2) {
            float lx = dx * 0.6f - dy * side * 0.8f;
            float ly = dy * 0.6f + dx * side * 0.8f + 0.7f;
            float ll = std::sqrt(lx * lx + ly * ly);
            lx /= ll;
            ly /= ll;
            float w = 1.7f * size;
            Point end{p.x + lx * leaflet, p.y + ly * leaflet};
            paintShape(c,
                       Polygon{{{p.x - ly * w, p.y + lx * w}, {p.x + ly * w, p.y - lx * w}, end}},
                       silhouette);
        }
    }
    paintShape(c, ribbon(spine, 4.5f * size, 1.2f * size), silhouette);
}

static void paintPalm(Canvas& c, Point base, Point control, Point crown, float size, float lean) {
    paintTrunk(c, base, control, crown, 26 * size, 12 * size);
    const float angles[] = {-3.0f, -2.5f, -2.0f, -1.45f, -0.95f, -0.45f, 0.05f, 0.6f, 2.6f};
    for (float a : angles) {
        float length = (105 + 20 * std::cos(a * 3.1f)) * size;
        float droop = (45 + 45 * std::fabs(std::cos(a))) * size;
        paintFrond(c, crown, a + lean, length, droop, size);
    }
    for (int k = 0; k < 3; k++) {
        paintShape(c,
                   Ellipse{crown.x - 8 * size + k * 8 * size,
                           crown.y + 9 * size + (k % 2) * 4 * size, 6 * size, 6 * size},
                   hexColor(0x3a1a2a));
    }
}

// The beach bar far down the sand, its lights already on.
static void paintHut(Canvas& c, float x, float y) {
    paintShape(c, Rect{x - 30, y - 28, x + 30, y}, silhouette);
    paintShape(c, Rect{x - 24, y - 22, x + 24, y - 12}, hexColor(0xffb050, 0.85f));
    paintShape(c, Polygon{{{x - 44, y - 24}, {x, y - 56}, {x + 44, y - 24}}}, hexColor(0x3a1a30));
    for (int k = 0; k < 7; k++) {
        float lx = x - 36 + k * 12.0f;
        float ly = y - 22 + 3 * std::sin(k * 1.3f);
        paintGlow(c, lx, ly, 6, 6, hexColor(0xffe08a, 0.9f));
    }
    paintShape(c, Rect{x - 32, y - 2, x + 32, y + 2}, silhouette);
}

static void paintBird(Canvas& c, float x, float y, float s) {
    strokePath(c, bezierPoints({x - 10 * s, y - 3 * s}, {x - 5 * s, y - 6 * s}, {x, y}, 6),
               1.1f * s, silhouette);
    strokePath(c, bezierPoints({x, y}, {x + 5 * s, y - 6 * s}, {x + 10 * s, y - 3 * s}, 6),
               1.1f * s, silhouette);
}

Canvas drawBeachPicture() {
    Canvas c = makePictureCanvas(hexColor(0x1d1648));
    paintSky(c);
    paintCloud(c, 190, 150, 260, 3);
    paintCloud(c, 470, 200, 220, 4);
    paintCloud(c, 320, 240, 150, 5);
    paintSea(c);
    paintBeach(c);
    paintHut(c, 470, 392);
    paintBird(c, 300, 110, 1.2f);
    paintBird(c, 332, 96, 0.9f);
    paintBird(c, 356, 122, 0.7f);
    paintPalm(c, {585, 490}, {590, 330}, {548, 232}, 0.72f, 0.1f);
    paintPalm(c, {150, 490}, {110, 300}, {232, 150}, 1.0f, 0.0f);
    return c;
}
