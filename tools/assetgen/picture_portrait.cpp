// tia: a pop-art portrait. Scene4 shows the middle 16/18 of it (design x
// 36-604, y 27-453) and tumbles a small cube at the right edge, around
// x 480-640, y 185-295, so the face keeps left of centre and the speech
// bubble above the cube.

#include <cmath>

#include "tools/assetgen/font.h"
#include "tools/assetgen/noise.h"
#include "tools/assetgen/pictures.h"

static constexpr float faceX = 285;
static constexpr float faceY = 228;
static const Rgba ink = hexColor(0x1c0a26);
static const Rgba skin = hexColor(0xf6bf96);
static const Rgba skinShade = hexColor(0xdf9577);
static const Rgba hair = hexColor(0x2d1240);
static const Rgba hairLight = hexColor(0x6a2f86);

static void paintOutlinedPolygon(Canvas& c, const std::vector<Point>& pts, Rgba fill,
                                 float outline = 2.5f) {
    strokePath(c, pts, outline, ink, true);
    paintShape(c, Polygon{pts}, fill);
}

template <class Paint>
static void paintOutlinedEllipse(Canvas& c, Ellipse e, const Paint& paint, float outline = 2.5f) {
    paintShape(c, Ellipse{e.cx, e.cy, e.rx + outline, e.ry + outline}, ink);
    paintShape(c, e, paint);
}

static void paintBackground(Canvas& c) {
    // Sunburst rays from behind the head.
    auto rays = [](float x, float y) {
        float a = std::atan2(y - faceY, x - faceX);
        return std::fmod(a + 6.2831853f * 2, 6.2831853f / 18) < 6.2831853f / 36;
    };
    fillShape(c, {0, 0, pictureWidth, pictureHeight}, rays, Solid{hexColor(0xffc23d)});
    // Halftone dots, growing towards the corners.
    auto dots = [](float x, float y) {
        const float pitch = 14;
        float gx = std::round(x / pitch) * pitch, gy = std::round(y / pitch) * pitch;
        float dx = (faceX - gx) / 400, dy = (faceY - gy) / 300;
        float grow = std::clamp(std::sqrt(dx * dx + dy * dy) - 0.35f, 0.0f, 1.0f);
        float r = grow * pitch * 0.55f;
        float ex = x - gx, ey = y - gy;
        return ex * ex + ey * ey <= r * r;
    };
    fillShape(c, {0, 0, pictureWidth, pictureHeight}, dots, Solid{hexColor(0xff4f8b)});
}

static std::vector<Point> facePoints() {
    std::vector<Point> pts;
    const float rx = 74, ry = 98;
    for (int i = 0; i < 96; i++) {
        float a = float(i) / 96 * 6.2831853f;
        float x = std::sin(a), y = -std::cos(a);
        float narrow = y > 0 ? 1.0f - 0.32f * y * y : 1.0f;
        pts.push_back({faceX + rx * x * narrow, faceY + ry * y});
    }
    return pts;
}

static void paintHairBack(Canvas& c) {
    std::vector<Point> back;
    for (int i = 0; i <= 40; i++) {
        float a = 3.14159f * (0.92f + 1.16f * float(i) / 40);
        back.push_back({faceX + 150 * std::cos(a), faceY - 10 + 150 * std::sin(a)});
    }
    // Long waves down to the shoulders on both sides.
    std::vector<Point> right = bezierPoints({faceX + 150, faceY + 20}, {faceX + 175, faceY + 140},
                                            {faceX + 120, faceY + 200}, 12);
    std::vector<Point> left = bezierPoints({faceX - 120, faceY + 200}, {faceX - 175, faceY + 140},
                                           {faceX - 150, faceY + 20}, 12);
    back.insert(back.end(), right.begin(), right.end());
    back.push_back({faceX + 40, faceY + 150});
    back.push_back({faceX - 40, faceY + 150});
    back.insert(back.end(), left.begin(), left.end());
    paintOutlinedPolygon(c, back, hair, 3);
    for (int k = 0; k < 5; k++) {
        float off = 30 + k * 22.0f;
        strokePath(c,
                   bezierPoints({faceX - off, faceY - 120 + k * 4.0f},
                                {faceX - off - 60, faceY + 20}, {faceX - off + 10, faceY + 170},
                                16),
                   2.2f, withAlpha(hairLight, 0.8f));
        strokePath(c,
                   bezierPoints({faceX + off, faceY - 120 + k * 4.0f},
                                {faceX + off + 60, faceY + 20}, {faceX + off - 10, faceY + 170},
                                16),
                   2.2f, withAlpha(hairLight, 0.8f));
    }
}

static void paintBody(Canvas& c) {
    std::vector<Point> neck{{faceX - 30, faceY + 60},
                            {faceX + 30, faceY + 60},
                            {faceX + 36, faceY + 160},
                            {faceX - 36, faceY + 160}};
    paintOutlinedPolygon(c, neck, skinShade);
    std::vector<Point> top =
        bezierPoints({faceX - 190, 500}, {faceX - 170, faceY + 150}, {faceX - 60, faceY + 140}, 14);
    std::vector<Point> neckline = bezierPoints({faceX - 60, faceY + 140}, {faceX, faceY + 200},
                                               {faceX + 60, faceY + 140}, 14);
    std::vector<Point> rightSide =
        bezierPoints({faceX + 60, faceY + 140}, {faceX + 170, faceY + 150}, {faceX + 190, 500}, 14);
    top.insert(top.end(), neckline.begin() + 1, neckline.end());
    top.insert(top.end(), rightSide.begin() + 1, rightSide.end());
    // Sailor stripes, navy on white.
    auto stripes = [](float, float y) {
        return std::fmod(y, 18.0f) < 9.0f ? hexColor(0x1d3a8a) : hexColor(0xf6f3ea);
    };
    strokePath(c, top, 3, ink, true);
    paintShape(c, Polygon{top}, stripes);
}

static void paintFace(Canvas& c) {
    // Ears first, under the face's outline.
    for (int side = -1; side <= 1; side += 2) {
        paintOutlinedEllipse(c, Ellipse{faceX + side * 72, faceY + 8, 13, 22}, Solid{skinShade});
    }
    std::vector<Point> face = facePoints();
    Gradient shade{{{faceX - 80, skin}, {faceX + 20, skin}, {faceX + 80, skinShade}}, true};
    paintOutlinedPolygon(c, face, skin, 3);
    paintShape(c, Polygon{face}, shade);
    paintGlow(c, faceX - 42, faceY + 38, 26, 18, hexColor(0xff5a7a, 0.5f));
    paintGlow(c, faceX + 42, faceY + 38, 26, 18, hexColor(0xff5a7a, 0.5f));
    // Nose: a soft shadow line and a nostril.
    strokePath(
        c,
        bezierPoints({faceX + 4, faceY + 2}, {faceX + 14, faceY + 30}, {faceX + 2, faceY + 40}, 10),
        1.6f, withAlpha(skinShade, 0.9f));
    paintShape(c, Ellipse{faceX - 2, faceY + 42, 5, 2.5f}, withAlpha(hexColor(0xb86a58), 0.7f));
    // Lips with a highlight.
    std::vector<Point> upper =
        bezierPoints({faceX - 30, faceY + 62}, {faceX - 12, faceY + 48}, {faceX, faceY + 56}, 8);
    std::vector<Point> upperRight =
        bezierPoints({faceX, faceY + 56}, {faceX + 12, faceY + 48}, {faceX + 30, faceY + 62}, 8);
    std::vector<Point> lower =
        bezierPoints({faceX + 30, faceY + 62}, {faceX, faceY + 90}, {faceX - 30, faceY + 62}, 12);
    upper.insert(upper.end(), upperRight.begin() + 1, upperRight.end());
    upper.insert(upper.end(), lower.begin() + 1, lower.end() - 1);
    paintOutlinedPolygon(c, upper, hexColor(0xe3234f), 2);
    strokePath(
        c,
        bezierPoints({faceX - 27, faceY + 63}, {faceX, faceY + 70}, {faceX + 27, faceY + 63}, 10),
        1.3f, ink);
    paintShape(c, TurnedEllipse{faceX + 8, faceY + 73, 8, 3, -0.2f}, hexColor(0xff9ab0, 0.9f));
}

static void paintHairFront(Canvas& c) {
    // Bangs: an arc over the forehead with a scalloped lower edge.
    std::vector<Point> bangs;
    for (int i = 0; i <= 24; i++) {
        float a = 3.14159f * (1.0f + float(i) / 24);
        bangs.push_back({faceX + 84 * std::cos(a), faceY - 40 + 80 * std::sin(a)});
    }
    const int scallops = 5;
    for (int k = scallops; k > 0; k--) {
        float x0 = faceX - 84 + 168 * float(k) / scallops;
        float x1 = faceX - 84 + 168 * float(k - 1) / scallops;
        float depth = 22 + 10 * std::sin(float(k) * 1.7f);
        std::vector<Point> curl = bezierPoints(
            {x0, faceY - 40}, {(x0 + x1) / 2 + 6, faceY - 40 + depth * 1.6f}, {x1, faceY - 40}, 8);
        bangs.insert(bangs.end(), curl.begin() + 1, curl.end());
    }
    paintOutlinedPolygon(c, bangs, hair, 2.5f);
    strokePath(c,
               bezierPoints({faceX - 50, faceY - 105}, {faceX - 10, faceY - 118},
                            {faceX + 40, faceY - 100}, 12),
               2.5f, withAlpha(hairLight, 0.9f));
}

static void paintSunglasses(Canvas& c) {
    Rgba frame = hexColor(0xff2f86);
    Gradient lens{{{faceY - 20, hexColor(0x1a2050)},
                   {faceY + 4, hexColor(0x3a2a80)},
                   {faceY + 22, hexColor(0x2de2ff)}}};
    for (int side = -1; side <= 1; side += 2) {
        float cx = faceX + side * 34.0f;
        paintShape(c, Ellipse{cx, faceY, 34, 27}, ink);
        paintShape(c, Ellipse{cx, faceY, 31.5f, 24.5f}, frame);
        paintShape(c, Ellipse{cx, faceY, 26, 19.5f}, ink);
        paintShape(c, Ellipse{cx, faceY, 24.5f, 18}, lens);
        paintShape(c, TurnedEllipse{cx - 9, faceY - 7, 11, 3.2f, -0.6f}, hexColor(0xffffff, 0.85f));
        paintShape(c, Ellipse{cx + 10, faceY + 6, 2.5f, 2.5f}, hexColor(0xffffff, 0.8f));
    }
    paintShape(c, Capsule{{faceX - 6, faceY - 6}, {faceX + 6, faceY - 6}, 4}, ink);
    paintShape(c, Capsule{{faceX - 5, faceY - 6}, {faceX + 5, faceY - 6}, 2.5f}, frame);
}

static void paintEarrings(Canvas& c) {
    for (int side = -1; side <= 1; side += 2) {
        float cx = faceX + side * 82.0f, cy = faceY + 50;
        paintShape(c, Ring{{cx, cy, 20, 20}, {cx, cy, 11.5f, 11.5f}}, ink);
        Gradient gold{{{cy - 20, hexColor(0xfff0a0)}, {cy + 20, hexColor(0xd08a10)}}};
        paintShape(c, Ring{{cx, cy, 18, 18}, {cx, cy, 13.5f, 13.5f}}, gold);
    }
}

static void paintFlower(Canvas& c, float cx, float cy) {
    for (int k = 0; k < 5; k++) {
        float a = k * 6.2831853f / 5 - 1.5708f;
        float px = cx + std::cos(a) * 17, py = cy + std::sin(a) * 17;
        paintShape(c, TurnedEllipse{px, py, 21, 14, a}, ink);
    }
    for (int k = 0; k < 5; k++) {
        float a = k * 6.2831853f / 5 - 1.5708f;
        float px = cx + std::cos(a) * 17, py = cy + std::sin(a) * 17;
        Gradient petal{{{cy - 35, hexColor(0xff6f8f)}, {cy + 35, hexColor(0xe0244a)}}};
        paintShape(c, TurnedEllipse{px, py, 18.5f, 11.5f, a}, petal);
        strokePath(c, {{cx, cy}, {cx + std::cos(a) * 28, cy + std::sin(a) * 28}}, 1,
                   hexColor(0xb0163a, 0.7f));
    }
    paintShape(c, Ellipse{cx, cy, 7, 7}, ink);
    paintShape(c, Ellipse{cx, cy, 5.5f, 5.5f}, hexColor(0xffd23a));
}

static void paintSpeechBubble(Canvas& c) {
    const float cx = 486, cy = 94;
    std::vector<Point> tail{{cx - 58, cy + 22}, {cx - 30, cy + 34}, {faceX + 105, faceY - 75}};
    paintShape(c, Ellipse{cx, cy, 98, 52}, ink);
    strokePath(c, tail, 3, ink, true);
    paintShape(c, Ellipse{cx, cy, 95, 49}, hexColor(0xffffff));
    paintShape(c, Polygon{tail}, hexColor(0xffffff));
    TextLine hola = centredLine("HOLA!", cx, cy - 19, 5.6f, 5.6f, 0.55f);
    TextLine shadow = hola;
    shadow.x += 3;
    shadow.y += 3;
    paintShape(c, makeText(shadow), hexColor(0xffc23d));
    paintShape(c, makeText(hola), hexColor(0xe3234f));
}

Canvas drawPortraitPicture() {
    Canvas c = makePictureCanvas(hexColor(0x19b4c2));
    paintBackground(c);
    paintHairBack(c);
    paintBody(c);
    paintFace(c);
    paintHairFront(c);
    paintSunglasses(c);
    paintEarrings(c);
    paintFlower(c, faceX + 92, faceY - 92);
    paintSpeechBubble(c);
    return c;
}
