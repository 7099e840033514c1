// uf: the end card with the credits. Scene6 shows the middle 16.8/18 of it
// (design x 21-619, y 16-464); all lettering keeps within x 60-580.

#include <cmath>

#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/font.h"
#include "tools/assetgen/noise.h"
#include "tools/assetgen/pictures.h"

static constexpr float centreX = 320;
static constexpr float seaTop = 420;

struct Credit {
    const char* role;
    const char* handle;
};

// Invented handles of an invented group.
static const Credit credits[] = {
    {"CODE", "ZURRUMA"},
    {"MUSIC", "TXIMISTA"},
    {"GRAPHICS", "LUZIA"},
    {"MODELS", "MOKO"},
};

static void paintNight(Canvas& c) {
    Gradient sky{
        {{0, hexColor(0x070720)}, {250, hexColor(0x1c1248)}, {seaTop, hexColor(0x4a1d5e)}}};
    fillShape(c, {0, 0, pictureWidth, seaTop}, Everywhere{}, sky);
    paintStars(c, {0, 0, pictureWidth, seaTop - 30}, 220, 57, hexColor(0xf0f0ff));
    // A crescent moon in the corner.
    const float mx = 548, my = 70;
    paintGlow(c, mx, my, 90, 90, hexColor(0xb0c0ff, 0.35f));
    auto crescent = [=](float x, float y) {
        return Ellipse{mx, my, 26, 26}(x, y) && !Ellipse{mx + 11, my - 7, 22, 22}(x, y);
    };
    fillShape(c, {mx - 27, my - 27, mx + 27, my + 27}, crescent, Solid{hexColor(0xfff4d6)});

    Gradient sea{{{seaTop, hexColor(0x24104a)}, {pictureHeight, hexColor(0x0a0520)}}};
    fillShape(c, {0, seaTop, pictureWidth, pictureHeight}, Everywhere{}, sea);
    Rng rng{91};
    for (int i = 0; i < 70; i++) {
        float y = seaTop + 3 + rng.unit() * rng.unit() * 60;
        float near = (y - seaTop) / 60;
        float x = rng.unit() * pictureWidth;
        float w = 6 + rng.unit() * 20 * (1 + near);
        float moonward = std::fabs(x - mx) < 60 ? 0.8f : 0.3f;
        paintShape(c, Capsule{{x, y}, {x + w, y}, 0.6f + near * 0.6f},
                   hexColor(0xd0c8ff, moonward));
    }
}

static void paintNeon(Canvas& c, const TextLine& line, Rgba tube) {
    paintShape(c, makeText(line, 1.0f), withAlpha(tube, 0.15f));
    paintShape(c, makeText(line, 0.55f), withAlpha(tube, 0.3f));
    paintShape(c, makeText(line, 0.2f), tube);
    TextLine core = line;
    core.weight *= 0.45f;
    paintShape(c, makeText(core), hexColor(0xfff8ff));
}

static void paintHeadline(Canvas& c) {
    TextLine uf = centredLine("UF!", centreX, 34, 12, 12, 0.62f, 1.8f);
    TextLine shadow = uf;
    shadow.x += 6;
    shadow.y += 6;
    paintShape(c, makeText(shadow, 0.4f), hexColor(0x000010, 0.6f));
    paintShape(c, makeText(uf, 0.9f), hexColor(0x2de2ff, 0.25f));
    paintShape(c, makeText(uf, 0.42f), hexColor(0x2de2ff));
    paintShape(c, makeText(uf, 0.28f), hexColor(0x10062a));
    float top = uf.y, bottom = uf.y + 7 * uf.cellHeight, mid = (top + bottom) * 0.5f;
    Gradient chrome{{{top, hexColor(0xfff6a0)},
                     {mid - 1, hexColor(0xff9a4a)},
                     {mid, hexColor(0x8a1a50)},
                     {mid + 4, hexColor(0xd02a7a)},
                     {bottom, hexColor(0xffb0d8)}}};
    paintShape(c, makeText(uf), chrome);
    std::string subtitle = std::string(demoTitle) + " - " + groupName;
    paintNeon(c, centredLine(subtitle, centreX, 134, 2.8f, 2.8f, 0.45f), hexColor(0xff7ad0));
}

static void paintCredits(Canvas& c) {
    const float gap = 14, top = 186, pitch = 44;
    paintShape(c, RoundRect{centreX - 230, top - 18, centreX + 230, top + pitch * 4 - 2, 14},
               hexColor(0x05031a, 0.55f));
    for (int i = 0; i < 4; i++) {
        float y = top + i * pitch;
        const float roleCell = 3.2f, nameCell = 4.2f;
        float roleWidth = textWidth(credits[i].role, roleCell);
        TextLine role{
            centreX - gap - roleWidth, y + 6, roleCell, roleCell, 0.45f, 1, credits[i].role};
        TextLine name{centreX + gap, y, nameCell, nameCell, 0.5f, 1, credits[i].handle};
        paintShape(c, makeText(role), hexColor(0xff6fc4));
        paintNeon(c, name, hexColor(0x2de2ff));
    }
}

Canvas drawCreditsPicture() {
    Canvas c = makePictureCanvas(hexColor(0x070720));
    paintNight(c);
    paintHeadline(c);
    paintCredits(c);
    paintNeon(c, centredLine("GRACIAS POR MIRAR ~", centreX, 376, 3.4f, 3.4f, 0.45f),
              hexColor(0xffc24a));
    return c;
}
