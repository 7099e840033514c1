#include "tools/assetgen/canvas.h"

#include "tools/assetgen/noise.h"

Rgba hexColor(uint32_t rgb, float alpha) {
    return {float((rgb >> 16) & 0xFF) / 255.0f, float((rgb >> 8) & 0xFF) / 255.0f,
            float(rgb & 0xFF) / 255.0f, alpha};
}

Rgba mixColor(Rgba a, Rgba b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
            a.a + (b.a - a.a) * t};
}

Rgba withAlpha(Rgba c, float alpha) {
    return {c.r, c.g, c.b, alpha};
}

Rgba scaleColor(Rgba c, float factor) {
    return {c.r * factor, c.g * factor, c.b * factor, c.a};
}

Canvas makeCanvas(int width, int height, int supersample, float designWidth, float designHeight,
                  Rgba background) {
    Canvas c;
    c.width = width;
    c.height = height;
    c.supersample = supersample;
    c.designWidth = designWidth;
    c.designHeight = designHeight;
    c.sampleWidth = width * supersample;
    c.sampleHeight = height * supersample;
    c.samples.resize(size_t(c.sampleWidth) * c.sampleHeight * 3);
    for (size_t i = 0; i < c.samples.size(); i += 3) {
        c.samples[i] = background.r;
        c.samples[i + 1] = background.g;
        c.samples[i + 2] = background.b;
    }
    return c;
}

static std::vector<uint8_t> downsample(const Canvas& c, bool bottomFirst, int channels) {
    std::vector<uint8_t> out(size_t(c.width) * c.height * channels);
    int ss = c.supersample;
    float norm = 1.0f / float(ss * ss);
    for (int y = 0; y < c.height; y++) {
        int outRow = bottomFirst ? c.height - 1 - y : y;
        for (int x = 0; x < c.width; x++) {
            float sum[3] = {0, 0, 0};
            for (int j = 0; j < ss; j++) {
                const float* row = c.samples.data() + size_t(y * ss + j) * c.sampleWidth * 3;
                for (int i = 0; i < ss; i++) {
                    const float* p = row + (x * ss + i) * 3;
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            float dither = latticeValue(x, y, 77) - 0.5f;
            uint8_t* o = out.data() + (size_t(outRow) * c.width + x) * channels;
            for (int k = 0; k < 3; k++) {
                float v = sum[k] * norm * 255.0f + dither;
                o[k] = uint8_t(std::clamp(v + 0.5f, 0.0f, 255.0f));
            }
            if (channels == 4) {
                o[3] = 255;
            }
        }
    }
    return out;
}

std::vector<uint8_t> canvasRgba(const Canvas& canvas, bool bottomFirst) {
    return downsample(canvas, bottomFirst, 4);
}

std::vector<uint8_t> canvasRgb(const Canvas& canvas, bool bottomFirst) {
    return downsample(canvas, bottomFirst, 3);
}

Rgba Gradient::at(float t) const {
    if (t <= stops.front().at) {
        return stops.front().color;
    }
    for (size_t i = 1; i < stops.size(); i++) {
        if (t <= stops[i].at) {
            float span = stops[i].at - stops[i - 1].at;
            float f = span > 0 ? (t - stops[i - 1].at) / span : 1.0f;
            return mixColor(stops[i - 1].color, stops[i].color, f);
        }
    }
    return stops.back().color;
}

bool RoundRect::operator()(float x, float y) const {
    if (x < x0 || x >= x1 || y < y0 || y >= y1) {
        return false;
    }
    float cx = std::clamp(x, x0 + radius, x1 - radius);
    float cy = std::clamp(y, y0 + radius, y1 - radius);
    float dx = x - cx, dy = y - cy;
    return dx * dx + dy * dy <= radius * radius;
}

static float segmentDistance2(Point a, Point b, float x, float y);

bool Capsule::operator()(float x, float y) const {
    return segmentDistance2(a, b, x, y) <= radius * radius;
}

Box Capsule::box() const {
    return {std::min(a.x, b.x) - radius, std::min(a.y, b.y) - radius, std::max(a.x, b.x) + radius,
            std::max(a.y, b.y) + radius};
}

bool Polygon::operator()(float x, float y) const {
    bool in = false;
    size_t n = points.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const Point& p = points[i];
        const Point& q = points[j];
        if ((p.y > y) != (q.y > y) && x < (q.x - p.x) * (y - p.y) / (q.y - p.y) + p.x) {
            in = !in;
        }
    }
    return in;
}

Box Polygon::box() const {
    Box b{points[0].x, points[0].y, points[0].x, points[0].y};
    for (const Point& p : points) {
        b.x0 = std::min(b.x0, p.x);
        b.y0 = std::min(b.y0, p.y);
        b.x1 = std::max(b.x1, p.x);
        b.y1 = std::max(b.y1, p.y);
    }
    return b;
}

void paintGlow(Canvas& canvas, float cx, float cy, float rx, float ry, Rgba color) {
    auto falloff = [=](float x, float y) {
        float dx = (x - cx) / rx, dy = (y - cy) / ry;
        float d = 1.0f - std::sqrt(dx * dx + dy * dy);
        return d > 0 ? d * d : 0.0f;
    };
    fillShape(canvas, {cx - rx, cy - ry, cx + rx, cy + ry}, falloff, Solid{color});
}

std::vector<Point> bezierPoints(Point a, Point control, Point b, int steps) {
    std::vector<Point> out;
    for (int i = 0; i <= steps; i++) {
        float t = float(i) / float(steps);
        float u = 1.0f - t;
        out.push_back({u * u * a.x + 2 * u * t * control.x + t * t * b.x,
                       u * u * a.y + 2 * u * t * control.y + t * t * b.y});
    }
    return out;
}

Polygon ribbon(const std::vector<Point>& spine, float w0, float w1) {
    Polygon poly;
    size_t n = spine.size();
    std::vector<Point> left, right;
    for (size_t i = 0; i < n; i++) {
        const Point& p = spine[i];
        const Point& prev = spine[i > 0 ? i - 1 : i];
        const Point& next = spine[i + 1 < n ? i + 1 : i];
        float tx = next.x - prev.x, ty = next.y - prev.y;
        float len = std::sqrt(tx * tx + ty * ty);
        if (len <= 0) {
            len = 1;
        }
        float t = n > 1 ? float(i) / float(n - 1) : 0.0f;
        float half = (w0 + (w1 - w0) * t) * 0.5f;
        float nx = -ty / len * half, ny = tx / len * half;
        left.push_back({p.x + nx, p.y + ny});
        right.push_back({p.x - nx, p.y - ny});
    }
    poly.points = left;
    for (size_t i = n; i-- > 0;) {
        poly.points.push_back(right[i]);
    }
    return poly;
}

static float segmentDistance2(Point a, Point b, float x, float y) {
    float vx = b.x - a.x, vy = b.y - a.y;
    float wx = x - a.x, wy = y - a.y;
    float len2 = vx * vx + vy * vy;
    float t = len2 > 0 ? std::clamp((wx * vx + wy * vy) / len2, 0.0f, 1.0f) : 0.0f;
    float dx = wx - vx * t, dy = wy - vy * t;
    return dx * dx + dy * dy;
}

bool Stroke::operator()(float x, float y) const {
    size_t n = points.size();
    size_t count = closed ? n : n - 1;
    for (size_t i = 0; i < count; i++) {
        const Point& a = points[i];
        const Point& b = points[(i + 1) % n];
        if (x < std::min(a.x, b.x) - radius || x > std::max(a.x, b.x) + radius ||
            y < std::min(a.y, b.y) - radius || y > std::max(a.y, b.y) + radius) {
            continue;
        }
        if (segmentDistance2(a, b, x, y) <= radius * radius) {
            return true;
        }
    }
    return false;
}

Box Stroke::box() const {
    Box b = Polygon{points}.box();
    return {b.x0 - radius, b.y0 - radius, b.x1 + radius, b.y1 + radius};
}

void strokePath(Canvas& canvas, const std::vector<Point>& points, float radius, Rgba color,
                bool closed) {
    paintShape(canvas, Stroke{points, radius, closed}, color);
}
