// titulo3: the title card. Scene2 lays it on a travelling wave that fills
// the view, so the borders may fall off screen while the wave rises: the
// lettering keeps to x 100-555, y 62-405 of the 640 x 480 design.

#include <cmath>

#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/font.h"
#include "tools/assetgen/noise.h"
#include "tools/assetgen/pictures.h"

static constexpr float horizon = 300;
static constexpr float centreX = 325;

static void paintSky(Canvas& c) {
    Gradient sky{{{0, hexColor(0x0d0628)},
                  {120, hexColor(0x2a0c52)},
                  {220, hexColor(0x7a1d6e)},
                  {280, hexColor(0xe0486a)},
                  {horizon, hexColor(0xff9a52)}}};
    fillShape(c, {0, 0, pictureWidth, horizon}, Everywhere{}, sky);
    paintStars(c, {0, 0, pictureWidth, 190}, 140, 11, hexColor(0xfff4e0));
}

// The sun sinks behind the horizon, its lower half cut by widening bands.
static void paintSun(Canvas& c) {
    const float cy = 250, r = 105;
    paintGlow(c, centreX, cy, 260, 200, hexColor(0xff4f9a, 0.55f));
    auto sun = [=](float x, float y) {
        if (!Ellipse{centreX, cy, r, r}(x, y)) {
            return false;
        }
        for (int k = 0; k < 8; k++) {
            float top = cy + 4 + k * 13.0f;
            if (y >= top && y < top + 1.5f + k * 1.3f) {
                return false;
            }
        }
        return true;
    };
    Gradient fill{{{cy - r, hexColor(0xfff38a)},
                   {cy, hexColor(0xffa24a)},
                   {cy + r * 0.5f, hexColor(0xff3f8e)}}};
    fillShape(c, {centreX - r, cy - r, centreX + r, cy + r}, sun, fill);
}

static std::vector<Point> ridge(float x0, float x1, float base, float height, uint32_t seed) {
    std::vector<Point> pts{{x0, base}};
    Rng rng{seed};
    int peaks = 9;
    for (int i = 0; i <= peaks; i++) {
        float t = float(i) / peaks;
        float envelope = std::sin(t * 3.14159f);
        float h = height * envelope * (0.55f + 0.45f * rng.unit());
        pts.push_back({x0 + (x1 - x0) * t, base - h});
    }
    pts.push_back({x1, base});
    return pts;
}

static void paintMountains(Canvas& c) {
    for (int side = 0; side < 2; side++) {
        float x0 = side ? 400 : -20, x1 = side ? 660 : 250;
        std::vector<Point> pts = ridge(x0, x1, horizon + 1, 58, 5 + side);
        paintShape(c, Polygon{pts},
                   Gradient{{{horizon - 60, hexColor(0x3a1260)}, {horizon, hexColor(0x12062a)}}});
        std::vector<Point> edge(pts.begin() + 1, pts.end() - 1);
        strokePath(c, edge, 3.5f, hexColor(0x2de2ff, 0.25f));
        strokePath(c, edge, 1.1f, hexColor(0x9ff4ff));
    }
}

// A neon grid on the dark sea, in perspective towards the sun.
static void paintGrid(Canvas& c) {
    Gradient sea{{{horizon, hexColor(0x2a0b4a)}, {pictureHeight, hexColor(0x07021a)}}};
    fillShape(c, {0, horizon, pictureWidth, pictureHeight}, Everywhere{}, sea);
    // Screen y = horizon + 180 / depth; lines every half unit of depth and
    // every unit across (60 design units apart at depth 1).
    auto glow = [](float x, float y) {
        float below = y - horizon;
        if (below <= 0) {
            return 0.0f;
        }
        float depth = 180.0f / below;
        float nearest = std::max(1.0f, std::round(depth * 2.0f) / 2.0f);
        float dy = std::fabs(y - (horizon + 180.0f / nearest));
        float across = (x - centreX) * depth / 60.0f;
        float dx = std::fabs(across - std::round(across)) * 60.0f / depth;
        float d = std::min(dx, dy);
        float core = d < 0.9f ? 1.0f : 0.0f;
        float halo = 0.45f * std::exp(-d / 3.0f);
        float fade = std::min(1.0f, below / 50.0f);
        return std::min(1.0f, (core + halo) * fade);
    };
    fillShape(c, {0, horizon, pictureWidth, pictureHeight}, glow, Solid{hexColor(0xff3fb4)});
    paintGlow(c, centreX, horizon, 330, 26, hexColor(0xffb0d0, 0.6f));
}

static void paintChromeWord(Canvas& c, const TextLine& line) {
    float top = line.y, bottom = line.y + 7 * line.cellHeight;
    float mid = top + (bottom - top) * 0.52f;
    TextLine shadow = line;
    shadow.x += 5;
    shadow.y += 6;
    paintShape(c, makeText(shadow, 0.45f), hexColor(0x12042a, 0.7f));
    paintShape(c, makeText(line, 0.9f), hexColor(0xff3fb4, 0.25f));
    paintShape(c, makeText(line, 0.45f), hexColor(0xff3fb4));
    paintShape(c, makeText(line, 0.3f), hexColor(0x1a0636));
    Gradient chrome{{{top, hexColor(0xffffff)},
                     {mid - 1, hexColor(0x6fcfff)},
                     {mid, hexColor(0x2a1250)},
                     {mid + 4, hexColor(0x8a2f9a)},
                     {bottom, hexColor(0xffc0e8)}}};
    paintShape(c, makeText(line), chrome);
}

static void paintNeonWord(Canvas& c, const TextLine& line, Rgba tube) {
    paintShape(c, makeText(line, 0.9f), withAlpha(tube, 0.18f));
    paintShape(c, makeText(line, 0.5f), withAlpha(tube, 0.35f));
    paintShape(c, makeText(line, 0.2f), tube);
    TextLine core = line;
    core.weight *= 0.45f;
    paintShape(c, makeText(core), hexColor(0xf4ffff));
}

Canvas drawTitlePicture() {
    Canvas c = makePictureCanvas(hexColor(0x0d0628));
    paintSky(c);
    paintSun(c);
    paintMountains(c);
    paintGrid(c);

    paintNeonWord(c,
                  centredLine(std::string("~ ") + groupName + " ~", centreX, 66, 3.2f, 3.2f, 0.45f),
                  hexColor(0x2de2ff));
    paintChromeWord(c, centredLine("MAREA", centreX, 96, 12.5f, 12.5f, 0.62f, 1.6f));
    paintNeonWord(c, centredLine("DE NEON", centreX, 200, 8.5f, 8.5f, 0.5f), hexColor(0x2de2ff));

    float subY = 372;
    paintShape(c, RoundRect{centreX - 180, subY - 9, centreX + 180, subY + 30, 8},
               hexColor(0x07021a, 0.65f));
    paintNeonWord(c, centredLine("UNA DEMO DE VERANO", centreX, subY, 3, 3, 0.45f),
                  hexColor(0xff7ad0));
    return c;
}
