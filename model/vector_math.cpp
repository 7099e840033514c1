#include "model/model.h"

#include <cmath>

Vec3 subtract(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Vec3 add(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

Vec3 divide(Vec3 v, float s) {
    return {v.x / s, v.y / s, v.z / s};
}

Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 normalize(Vec3 v) {
    double m = std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
    // A zero vector has no direction; dividing would give NaN.
    if (m == 0.0)
        return {0, 0, 0};
    return {float(v.x / m), float(v.y / m), float(v.z / m)};
}
