// The generator's own 5x7 bitmap font. Glyphs are drawn as round-capped
// strokes through their lit cells, so text stays smooth at any size.
#pragma once

#include <string>
#include <vector>

#include "tools/assetgen/canvas.h"

struct TextLine {
    float x, y;      // top-left corner of the first glyph
    float cellWidth; // design units per font cell
    float cellHeight;
    float weight;      // stroke radius in cells: 0.5 joins neighbouring cells exactly
    float spacing = 1; // empty cells between glyphs
    std::string text;  // upper case letters, digits and . , ! ? - : ' & / ( ) + * ~ (a heart)
};

// Glyphs are spaced by their lit columns, a space is three cells wide.
float textWidth(const std::string& text, float cellWidth, float spacing = 1);

// A TextLine as a shape for fillShape: operator() tells whether a point lies
// on a stroke; grow widens every stroke (for outlines and shadows).
struct TextShape {
    struct Segment {
        float x0, y0, x1, y1; // cell units, relative to the glyph's corner
    };
    TextLine line;
    float grow = 0; // extra radius in cells
    std::vector<std::vector<Segment>> glyphs;
    std::vector<float> offsets; // each glyph's left edge, cells from line.x
    bool operator()(float x, float y) const;
    Box box() const;
};

TextShape makeText(const TextLine& line, float grow = 0);
// A line whose centre is at cx.
TextLine centredLine(const std::string& text, float cx, float y, float cellWidth, float cellHeight,
                     float weight, float spacing = 1);
