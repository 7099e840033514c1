// A supersampled drawing surface. Shapes are given in design units, which
// the canvas maps onto its pixels, so a picture can be drawn in the 4:3
// proportions it is seen in and stored squeezed into a square texture.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

struct Rgba {
    float r, g, b, a;
};

// 0xRRGGBB
Rgba hexColor(uint32_t rgb, float alpha = 1.0f);
Rgba mixColor(Rgba a, Rgba b, float t);
Rgba withAlpha(Rgba c, float alpha);
Rgba scaleColor(Rgba c, float factor);

struct Box {
    float x0, y0, x1, y1;
};

struct Canvas {
    int width = 0; // pixels of the result
    int height = 0;
    int supersample = 1;
    float designWidth = 0; // design units across the whole surface
    float designHeight = 0;
    int sampleWidth = 0;
    int sampleHeight = 0;
    std::vector<float> samples; // RGB, top row first
};

Canvas makeCanvas(int width, int height, int supersample, float designWidth, float designHeight,
                  Rgba background);

// Averages the samples into pixels with a faint repeatable dither against
// banding in gradients. Rows top first unless bottomFirst.
std::vector<uint8_t> canvasRgba(const Canvas& canvas, bool bottomFirst);
std::vector<uint8_t> canvasRgb(const Canvas& canvas, bool bottomFirst);

// Blends paint(x, y) over every sample of `box` by the coverage inside(x, y)
// returns (0 to 1) times the paint's alpha.
template <class Inside, class Paint>
void fillShape(Canvas& canvas, Box box, const Inside& inside, const Paint& paint) {
    float sx = canvas.sampleWidth / canvas.designWidth;
    float sy = canvas.sampleHeight / canvas.designHeight;
    int i0 = std::max(0, int(std::floor(box.x0 * sx)));
    int i1 = std::min(canvas.sampleWidth, int(std::ceil(box.x1 * sx)) + 1);
    int j0 = std::max(0, int(std::floor(box.y0 * sy)));
    int j1 = std::min(canvas.sampleHeight, int(std::ceil(box.y1 * sy)) + 1);
    for (int j = j0; j < j1; j++) {
        float y = (j + 0.5f) / sy;
        float* row = canvas.samples.data() + size_t(j) * canvas.sampleWidth * 3;
        for (int i = i0; i < i1; i++) {
            float x = (i + 0.5f) / sx;
            float cover = float(inside(x, y));
            if (cover <= 0.0f) {
                continue;
            }
            Rgba c = paint(x, y);
            float a = std::min(1.0f, cover) * c.a;
            float* p = row + i * 3;
            p[0] += (c.r - p[0]) * a;
            p[1] += (c.g - p[1]) * a;
            p[2] += (c.b - p[2]) * a;
        }
    }
}

// ---------------------------------------------------------------- paints

struct Solid {
    Rgba color;
    Rgba operator()(float, float) const { return color; }
};

struct GradientStop {
    float at;
    Rgba color;
};

// Colour along y (vertical) or x, piecewise linear between the stops.
struct Gradient {
    std::vector<GradientStop> stops;
    bool horizontal = false;
    Rgba at(float t) const;
    Rgba operator()(float x, float y) const { return at(horizontal ? x : y); }
};

// ---------------------------------------------------------------- shapes

struct Point {
    float x, y;
};

struct Everywhere {
    bool operator()(float, float) const { return true; }
};

struct Ellipse {
    float cx, cy, rx, ry;
    bool operator()(float x, float y) const {
        float dx = (x - cx) / rx, dy = (y - cy) / ry;
        return dx * dx + dy * dy <= 1.0f;
    }
    Box box() const { return {cx - rx, cy - ry, cx + rx, cy + ry}; }
};

struct Rect {
    float x0, y0, x1, y1;
    bool operator()(float x, float y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
    Box box() const { return {x0, y0, x1, y1}; }
};

struct RoundRect {
    float x0, y0, x1, y1, radius;
    bool operator()(float x, float y) const;
    Box box() const { return {x0, y0, x1, y1}; }
};

// A thick line with round ends.
struct Capsule {
    Point a, b;
    float radius;
    bool operator()(float x, float y) const;
    Box box() const;
};

// An ellipse turned by `angle` radians about its centre.
struct TurnedEllipse {
    float cx, cy, rx, ry, angle;
    bool operator()(float x, float y) const {
        float c = std::cos(angle), s = std::sin(angle);
        float dx = x - cx, dy = y - cy;
        float u = (dx * c + dy * s) / rx, v = (-dx * s + dy * c) / ry;
        return u * u + v * v <= 1.0f;
    }
    Box box() const {
        float r = std::max(rx, ry);
        return {cx - r, cy - r, cx + r, cy + r};
    }
};

// The band between two concentric ellipses.
struct Ring {
    Ellipse outer, inner;
    bool operator()(float x, float y) const { return outer(x, y) && !inner(x, y); }
    Box box() const { return outer.box(); }
};

// Even-odd fill of a closed outline.
struct Polygon {
    std::vector<Point> points;
    bool operator()(float x, float y) const;
    Box box() const;
};

template <class Shape, class Paint>
void paintShape(Canvas& canvas, const Shape& s, const Paint& p) {
    fillShape(canvas, s.box(), s, p);
}

template <class Shape> void paintShape(Canvas& canvas, const Shape& s, Rgba color) {
    fillShape(canvas, s.box(), s, Solid{color});
}

// A soft round glow: full `color` at the centre fading to nothing at the radii.
void paintGlow(Canvas& canvas, float cx, float cy, float rx, float ry, Rgba color);

// Round-capped line segments through the points (closed: back to the first),
// as one shape so that translucent strokes don't darken where segments meet.
struct Stroke {
    std::vector<Point> points;
    float radius;
    bool closed = false;
    bool operator()(float x, float y) const;
    Box box() const;
};

void strokePath(Canvas& canvas, const std::vector<Point>& points, float radius, Rgba color,
                bool closed = false);

// Points along a quadratic Bezier, both ends included.
std::vector<Point> bezierPoints(Point a, Point control, Point b, int steps);
// A tapering ribbon around a polyline: width w0 at the first point, w1 at the last.
Polygon ribbon(const std::vector<Point>& spine, float w0, float w1);
