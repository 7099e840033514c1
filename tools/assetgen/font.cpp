#include "tools/assetgen/font.h"

#include <cmath>
#include <cstring>

struct Glyph {
    char ch;
    const char* rows[7];
};

static const Glyph glyphTable[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".###."}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'J', {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
    {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"}},
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {"#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'6', {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
    {'9', {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."}},
    {'.', {".....", ".....", ".....", ".....", ".....", ".....", "..#.."}},
    {',', {".....", ".....", ".....", ".....", ".....", "..#..", ".#..."}},
    {'!', {"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."}},
    {'?', {".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."}},
    {'-', {".....", ".....", ".....", ".###.", ".....", ".....", "....."}},
    {':', {".....", "..#..", ".....", ".....", ".....", "..#..", "....."}},
    {'\'', {"..#..", "..#..", ".....", ".....", ".....", ".....", "....."}},
    {'&', {".##..", "#..#.", "#.#..", ".#...", "#.#.#", "#..#.", ".##.#"}},
    {'/', {"....#", "....#", "...#.", "..#..", ".#...", "#....", "#...."}},
    {'(', {"...#.", "..#..", ".#...", ".#...", ".#...", "..#..", "...#."}},
    {')', {".#...", "..#..", "...#.", "...#.", "...#.", "..#..", ".#..."}},
    {'+', {".....", "..#..", "..#..", "#####", "..#..", "..#..", "....."}},
    {'*', {".....", "#.#.#", ".###.", "#####", ".###.", "#.#.#", "....."}},
    {'~', {".....", ".#.#.", "#####", "#####", ".###.", "..#..", "....."}},
};

static const Glyph* findGlyph(char ch) {
    for (const Glyph& g : glyphTable) {
        if (g.ch == ch) {
            return &g;
        }
    }
    return nullptr;
}

static bool lit(const Glyph& g, int col, int row) {
    return col >= 0 && col < 5 && row >= 0 && row < 7 && g.rows[row][col] == '#';
}

// Strokes through the centres of lit cells: one per pair of lit neighbours,
// diagonals only where no orthogonal pair already turns that corner, and a
// dot for a cell that has no neighbour at all.
static std::vector<TextShape::Segment> glyphSegments(char ch) {
    std::vector<TextShape::Segment> out;
    const Glyph* g = findGlyph(ch);
    if (!g) {
        return out;
    }
    for (int row = 0; row < 7; row++) {
        for (int col = 0; col < 5; col++) {
            if (!lit(*g, col, row)) {
                continue;
            }
            float cx = col + 0.5f, cy = row + 0.5f;
            bool joined = false;
            if (lit(*g, col + 1, row)) {
                out.push_back({cx, cy, cx + 1, cy});
                joined = true;
            }
            if (lit(*g, col, row + 1)) {
                out.push_back({cx, cy, cx, cy + 1});
                joined = true;
            }
            if (lit(*g, col + 1, row + 1) && !lit(*g, col + 1, row) && !lit(*g, col, row + 1)) {
                out.push_back({cx, cy, cx + 1, cy + 1});
                joined = true;
            }
            if (lit(*g, col - 1, row + 1) && !lit(*g, col - 1, row) && !lit(*g, col, row + 1)) {
                out.push_back({cx, cy, cx - 1, cy + 1});
                joined = true;
            }
            bool hasNeighbour = false;
            for (int dy = -1; dy <= 1; dy++) {
                for (int dx = -1; dx <= 1; dx++) {
                    if ((dx || dy) && lit(*g, col + dx, row + dy)) {
                        hasNeighbour = true;
                    }
                }
            }
            if (!joined && !hasNeighbour) {
                out.push_back({cx, cy, cx, cy});
            }
        }
    }
    return out;
}

struct GlyphSpan {
    int first, width; // lit columns
};

static GlyphSpan glyphSpan(char ch) {
    const Glyph* g = findGlyph(ch);
    if (!g) {
        return {0, 3};
    }
    int first = 5, last = -1;
    for (int row = 0; row < 7; row++) {
        for (int col = 0; col < 5; col++) {
            if (lit(*g, col, row)) {
                first = std::min(first, col);
                last = std::max(last, col);
            }
        }
    }
    return {first, last - first + 1};
}

float textWidth(const std::string& text, float cellWidth, float spacing) {
    float cells = 0;
    for (char ch : text) {
        cells += float(glyphSpan(ch).width) + spacing;
    }
    return text.empty() ? 0 : (cells - spacing) * cellWidth;
}

TextShape makeText(const TextLine& line, float grow) {
    TextShape shape;
    shape.line = line;
    shape.grow = grow;
    float left = 0;
    for (char ch : line.text) {
        GlyphSpan span = glyphSpan(ch);
        shape.glyphs.push_back(glyphSegments(ch));
        shape.offsets.push_back(left - float(span.first));
        left += float(span.width) + line.spacing;
    }
    return shape;
}

TextLine centredLine(const std::string& text, float cx, float y, float cellWidth, float cellHeight,
                     float weight, float spacing) {
    return {cx - textWidth(text, cellWidth, spacing) * 0.5f,
            y,
            cellWidth,
            cellHeight,
            weight,
            spacing,
            text};
}

bool TextShape::operator()(float x, float y) const {
    float u = (x - line.x) / line.cellWidth;
    float v = (y - line.y) / line.cellHeight;
    float radius = line.weight + grow;
    for (size_t k = 0; k < glyphs.size(); k++) {
        float gu = u - offsets[k];
        if (gu < -radius || gu > 5 + radius) {
            continue;
        }
        for (const Segment& s : glyphs[k]) {
            float vx = s.x1 - s.x0, vy = s.y1 - s.y0;
            float wx = gu - s.x0, wy = v - s.y0;
            float len2 = vx * vx + vy * vy;
            float t = len2 > 0 ? std::clamp((wx * vx + wy * vy) / len2, 0.0f, 1.0f) : 0.0f;
            float dx = wx - vx * t, dy = wy - vy * t;
            if (dx * dx + dy * dy <= radius * radius) {
                return true;
            }
        }
    }
    return false;
}

Box TextShape::box() const {
    float r = line.weight + grow;
    float w = textWidth(line.text, line.cellWidth, line.spacing);
    return {line.x - r * line.cellWidth, line.y - r * line.cellHeight,
            line.x + w + r * line.cellWidth, line.y + (7 + r) * line.cellHeight};
}
