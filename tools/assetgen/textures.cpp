#include "tools/assetgen/textures.h"

#include <cmath>

#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/canvas.h"
#include "tools/assetgen/font.h"
#include "tools/assetgen/models.h"
#include "tools/assetgen/noise.h"
#include "tools/writers/bmp_writer.h"
#include "tools/writers/jpeg_writer.h"

static Canvas textureCanvas(int w, int h, Rgba background) {
    return makeCanvas(w, h, 3, float(w), float(h), background);
}

// ---------------------------------------------------------------- palettes

// Nearest palette entry by squared distance; rgb and the result bottom row first.
static std::vector<uint8_t> toIndices(const std::vector<uint8_t>& rgb,
                                      const std::vector<uint8_t>& palette) {
    std::vector<uint8_t> out(rgb.size() / 3);
    size_t entries = palette.size() / 3;
    for (size_t i = 0; i < out.size(); i++) {
        int best = 0, bestDist = 1 << 30;
        for (size_t k = 0; k < entries; k++) {
            int dr = rgb[i * 3] - palette[k * 3], dg = rgb[i * 3 + 1] - palette[k * 3 + 1],
                db = rgb[i * 3 + 2] - palette[k * 3 + 2];
            int d = dr * dr + dg * dg + db * db;
            if (d < bestDist) {
                bestDist = d;
                best = int(k);
            }
        }
        out[i] = uint8_t(best);
    }
    return out;
}

static std::vector<uint8_t> gradientPalette(const std::vector<Rgba>& stops, int entries) {
    Gradient g;
    for (size_t i = 0; i < stops.size(); i++) {
        g.stops.push_back({float(i) / float(stops.size() - 1), stops[i]});
    }
    std::vector<uint8_t> palette;
    for (int k = 0; k < entries; k++) {
        Rgba c = g.at(float(k) / float(entries - 1));
        palette.push_back(uint8_t(std::lround(c.r * 255)));
        palette.push_back(uint8_t(std::lround(c.g * 255)));
        palette.push_back(uint8_t(std::lround(c.b * 255)));
    }
    return palette;
}

static TextureImage paletteBmp(const char* file, const Canvas& c, std::vector<uint8_t> palette,
                               int bits, BmpCompression compression) {
    TextureImage t{file, c.width, c.height, {}, {}};
    BmpLayout layout;
    layout.width = c.width;
    layout.height = c.height;
    layout.bitsPerPixel = bits;
    layout.compression = compression;
    layout.pixels = toIndices(canvasRgb(c, true), palette);
    for (uint8_t index : layout.pixels) {
        t.rgb.insert(t.rgb.end(), palette.begin() + index * 3, palette.begin() + index * 3 + 3);
    }
    layout.palette = std::move(palette);
    t.bytes = encodeBmp(layout);
    return t;
}

static TextureImage trueColourBmp(const char* file, const Canvas& c) {
    TextureImage t{file, c.width, c.height, canvasRgb(c, true), {}};
    BmpLayout layout;
    layout.width = c.width;
    layout.height = c.height;
    layout.bitsPerPixel = 24;
    layout.pixels = t.rgb;
    t.bytes = encodeBmp(layout);
    return t;
}

static TextureImage jpeg(const char* file, const Canvas& c) {
    TextureImage t{file, c.width, c.height, canvasRgb(c, true), {}};
    std::vector<uint8_t> topFirst = canvasRgb(c, false);
    t.bytes = encodeJpeg(c.width, c.height, 3, topFirst.data(), 92);
    return t;
}

// ---------------------------------------------------------------- images

// Four weathered planks side by side, the grain running up the image.
static Canvas paintWood() {
    const int size = 128;
    Canvas c = textureCanvas(size, size, hexColor(0x6a4024));
    const Rgba planks[] = {hexColor(0x9a6a3e), hexColor(0x8a5c34), hexColor(0xa4744a),
                           hexColor(0x8f6039)};
    auto paint = [&](float x, float y) {
        int plank = int(x / 32) % 4;
        float grain = fractalNoise(x / 6, y / 40, 3, 31 + uint32_t(plank), 128 / 6 + 1, 4);
        float rings = 0.5f + 0.5f * std::sin((x + grain * 40) * 0.9f);
        Rgba base = planks[plank];
        float shade = 0.78f + 0.3f * grain + 0.1f * rings * rings;
        // Darker towards the seams, as if worn by the sea air.
        float edge = std::fmod(x, 32.0f);
        float seam = std::min(edge, 32 - edge);
        if (seam < 3) {
            shade *= 0.75f + 0.08f * seam;
        }
        return scaleColor(base, shade);
    };
    auto notGap = [](float x, float) { return std::fmod(x, 32.0f) >= 1.2f; };
    fillShape(c, {0, 0, float(size), float(size)}, notGap, paint);
    for (int plank = 0; plank < 4; plank++) {
        for (float y : {10.0f, 118.0f}) {
            paintShape(c, Ellipse{plank * 32 + 16.0f, y, 1.6f, 1.6f}, hexColor(0x3a2a20));
        }
    }
    return c;
}

// Rows of straw, each overlapping the one below with ragged tips.
static Canvas paintThatch() {
    const int size = 128;
    Canvas c = textureCanvas(size, size, hexColor(0x3a2610));
    Rng rng{4242};
    for (int row = 0; row < 5; row++) {
        float top = row * 32.0f - 10;
        for (int k = 0; k < 150; k++) {
            float x = rng.unit() * size;
            float length = 34 + rng.unit() * 12;
            float lean = rng.signedUnit() * 3;
            float bright = 0.65f + rng.unit() * 0.45f;
            Rgba straw =
                scaleColor(mixColor(hexColor(0xc99a4a), hexColor(0xe8c87a), rng.unit()), bright);
            for (float wrapX : {x - size, x, x + size}) {
                paintShape(c, Capsule{{wrapX, top}, {wrapX + lean, top + length}, 0.8f}, straw);
            }
        }
        // The shadow that the row above casts on this one's top.
        auto shadow = [top](float, float y) {
            float d = y - (top + 32 - 10);
            return d > 0 && d < 6 ? (1 - d / 6) * 0.5f : 0.0f;
        };
        fillShape(c, {0, top + 22, float(size), top + 28}, shadow, Solid{hexColor(0x2a1808)});
    }
    return c;
}

static std::vector<uint8_t> thatchPalette() {
    return gradientPalette({hexColor(0x1a1006), hexColor(0x5a3a16), hexColor(0x9a7030),
                            hexColor(0xd8b060), hexColor(0xfff0b0)},
                           64);
}

// The bar's name board: painted turquoise, a wooden frame, white letters.
static Canvas paintSign() {
    Canvas c = textureCanvas(256, 64, hexColor(0x6a4024));
    paintShape(c, RoundRect{5, 5, 251, 59, 6}, hexColor(0x18a8a8));
    paintShape(c, RoundRect{9, 9, 247, 55, 4}, hexColor(0x24c4bc));
    TextLine name = centredLine("TXIRINGO", 128, 15, 4.6f, 4.8f, 0.55f, 1.2f);
    TextLine shadow = name;
    shadow.x += 2;
    shadow.y += 2;
    paintShape(c, makeText(shadow), hexColor(0x0c4a5a));
    paintShape(c, makeText(name), hexColor(0xfff8e8));
    for (float x : {18.0f, 238.0f}) {
        paintShape(c, Ellipse{x, 32, 5, 5}, hexColor(0xff5a3a));
        paintShape(c, Ellipse{x, 32, 2, 2}, hexColor(0xffd84a));
    }
    return c;
}

static std::vector<uint8_t> signPalette() {
    const uint32_t colours[16] = {0x6a4024, 0x4a2c18, 0x18a8a8, 0x24c4bc, 0x1e8a8e, 0x0c4a5a,
                                  0x5a9aa0, 0xfff8e8, 0xb8e8e0, 0x8ad4cc, 0xff5a3a, 0xffd84a,
                                  0xff9a40, 0x3a7078, 0x2a3a40, 0xd0f0e8};
    std::vector<uint8_t> palette;
    for (uint32_t rgb : colours) {
        palette.insert(palette.end(), {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)});
    }
    return palette;
}

// A wave in cross-section: foam on top (the image's top rows) over water
// darkening downwards, repeating across.
static Canvas paintWave() {
    const int size = 128;
    Canvas c = textureCanvas(size, size, hexColor(0x0a2a6a));
    fillShape(
        c, {0, 0, float(size), float(size)}, Everywhere{},
        Gradient{{{0, hexColor(0x2ad4f0)}, {60, hexColor(0x1470d0)}, {128, hexColor(0x082860)}}});
    for (int k = 0; k < 6; k++) {
        float y = 40 + k * 14.0f;
        auto line = [y, k](float x, float py) {
            float wy = y + 2.5f * std::sin(x * 6.2831853f / 64 + float(k));
            return std::fabs(py - wy) < 1.0f;
        };
        fillShape(c, {0, y - 4, float(size), y + 4}, line, Solid{hexColor(0x7ae8ff, 0.45f)});
    }
    auto foam = [](float x, float y) {
        float scallop = 20 + 6 * std::fabs(std::sin(x * 3.14159265f / 32));
        return y < scallop;
    };
    fillShape(c, {0, 0, float(size), 30}, foam, Solid{hexColor(0xf4fcff)});
    return c;
}

static std::vector<uint8_t> wavePalette() {
    return gradientPalette({hexColor(0x061e50), hexColor(0x1470d0), hexColor(0x2ad4f0),
                            hexColor(0x9af0ff), hexColor(0xffffff)},
                           128);
}

// Fine sand with wind ripples; repeats seamlessly both ways.
static Canvas paintSand() {
    const int size = 256;
    Canvas c = textureCanvas(size, size, hexColor(0xe6c88f));
    auto sand = [](float x, float y) {
        float ripple =
            std::sin((x + y * 0.5f) * 6.2831853f / 32 + 4 * fractalNoise(x / 32, y / 32, 2, 51, 8));
        float grain = fractalNoise(x / 2, y / 2, 2, 52, 128);
        float shade = 0.9f + 0.06f * ripple + 0.16f * (grain - 0.5f);
        return scaleColor(hexColor(0xe8cc94), shade);
    };
    fillShape(c, {0, 0, float(size), float(size)}, Everywhere{}, sand);
    return c;
}

// The emblem's sun: warm gradient above, below it stripes that break up
// into pixels. Outside the disc a deep orange, which the disc's rim shows.
static Canvas paintLogoSun() {
    const int size = 256;
    Canvas c = textureCanvas(size, size, hexColor(0xe0582a));
    const float r = 127;
    Gradient sun{{{0, hexColor(0xfff6a0)}, {110, hexColor(0xffb040)}, {256, hexColor(0xff3f8e)}}};
    auto disc = [r](float x, float y) {
        float dx = x - 128, dy = y - 128;
        if (dx * dx + dy * dy > r * r) {
            return false;
        }
        // Stripes widen downwards; below them the gaps turn into pixels.
        for (int k = 0; k < 5; k++) {
            float top = 132 + k * 22.0f;
            if (y >= top && y < top + 3 + k * 2.0f) {
                return false;
            }
        }
        if (y > 160) {
            int px = int(x / 12), py = int(y / 12);
            if (latticeValue(px, py, 9) < (y - 160) / 160) {
                return false;
            }
        }
        return true;
    };
    fillShape(c, {0, 0, 256, 256}, disc, sun);
    paintGlow(c, 100, 80, 60, 50, hexColor(0xffffff, 0.5f));
    return c;
}

std::vector<TextureImage> buildTextures() {
    std::vector<TextureImage> out;
    out.push_back(trueColourBmp(woodTexture, paintWood()));
    out.push_back(
        paletteBmp(thatchTexture, paintThatch(), thatchPalette(), 8, BmpCompression::rle8));
    out.push_back(paletteBmp(signTexture, paintSign(), signPalette(), 4, BmpCompression::rgb));
    out.push_back(paletteBmp(waveTexture, paintWave(), wavePalette(), 8, BmpCompression::rgb));
    out.push_back(jpeg(sandTexture, paintSand()));
    out.push_back(jpeg(logoTexture, paintLogoSun()));
    return out;
}

bool writeTextures(const std::string& dir) {
    bool ok = true;
    for (const TextureImage& t : buildTextures()) {
        ok = writeAsset(dir, t.file, t.bytes) && ok;
    }
    return ok;
}
