#include "tools/assetgen/noise.h"

#include <cmath>

uint32_t Rng::next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

float Rng::unit() {
    return float(next() >> 8) / 16777216.0f;
}

float Rng::signedUnit() {
    return unit() * 2.0f - 1.0f;
}

uint32_t hash32(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

float latticeValue(int x, int y, uint32_t seed) {
    uint32_t h = hash32(uint32_t(x) * 0x9e3779b1u ^ hash32(uint32_t(y) + seed * 0x85ebca6bu));
    return float(h >> 8) / 16777216.0f;
}

static int wrap(int v, int period) {
    if (period <= 0) {
        return v;
    }
    v %= period;
    return v < 0 ? v + period : v;
}

float valueNoise(float x, float y, uint32_t seed, int period, int periodY) {
    if (periodY < 0) {
        periodY = period;
    }
    float fx = std::floor(x);
    float fy = std::floor(y);
    int ix = int(fx);
    int iy = int(fy);
    float tx = x - fx;
    float ty = y - fy;
    tx = tx * tx * (3.0f - 2.0f * tx);
    ty = ty * ty * (3.0f - 2.0f * ty);
    int x0 = wrap(ix, period), x1 = wrap(ix + 1, period);
    int y0 = wrap(iy, periodY), y1 = wrap(iy + 1, periodY);
    float a = latticeValue(x0, y0, seed);
    float b = latticeValue(x1, y0, seed);
    float c = latticeValue(x0, y1, seed);
    float d = latticeValue(x1, y1, seed);
    float top = a + (b - a) * tx;
    float bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float fractalNoise(float x, float y, int octaves, uint32_t seed, int period, int periodY) {
    if (periodY < 0) {
        periodY = period;
    }
    float sum = 0.0f;
    float weight = 0.5f;
    float total = 0.0f;
    for (int i = 0; i < octaves; i++) {
        sum += valueNoise(x, y, seed + uint32_t(i) * 131u, period, periodY) * weight;
        total += weight;
        x *= 2.0f;
        y *= 2.0f;
        period *= 2;
        periodY *= 2;
        weight *= 0.5f;
    }
    return sum / total;
}
