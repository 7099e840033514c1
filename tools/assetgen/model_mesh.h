// Meshes as the generator builds them: in the axes of the scene that shows
// the model, one material per mesh, every face counter-clockwise seen from
// outside, every vertex with texture coordinates. toMesh3ds turns them into
// file axes through a rotation, which keeps the winding.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/writers/chunk_writer.h"

struct V3 {
    float x, y, z;
};

V3 operator+(V3 a, V3 b);
V3 operator-(V3 a, V3 b);
V3 operator*(V3 a, float s);
V3 crossV3(V3 a, V3 b);
float dotV3(V3 a, V3 b);
float lengthV3(V3 a);
V3 unitV3(V3 a);

struct MeshBuilder {
    std::string name;
    std::string material;
    std::vector<V3> positions;
    std::vector<float> uv; // 2 per vertex
    std::vector<uint16_t> faces;

    int vertex(V3 p, float u, float v);
    void triangle(int a, int b, int c);
    // a, b, c, d counter-clockwise from outside.
    void quad(int a, int b, int c, int d);
    size_t faceCount() const { return faces.size() / 3; }
};

MeshBuilder newMesh(const std::string& name, const std::string& material);

// Design axes to file axes: a proper rotation plus an offset.
using AxisMap = std::function<V3(V3)>;

// flipV: the material's texture is a JPEG, which the demo reads top row
// first, so its v runs downwards.
Mesh3ds toMesh3ds(const MeshBuilder& mesh, const AxisMap& map, bool flipV);

struct Point2 {
    float x, y;
};

// Extrudes a closed outline (either winding) along z from z0 to z1. The caps
// use the given triangles (indices into the outline); walls share vertices
// where the outline turns by less than 40 degrees, so curves shade smoothly
// and corners stay sharp. Texture coordinates: the caps planar at uvScale
// per unit, the walls by length along the outline and by z.
void extrudeOutline(MeshBuilder& mesh, const std::vector<Point2>& outline,
                    const std::vector<int>& capTriangles, float z0, float z1, float uvScale);
// A convex outline, caps as a fan.
void extrudeConvex(MeshBuilder& mesh, const std::vector<Point2>& outline, float z0, float z1,
                   float uvScale);
// The band between two matched polylines (an arc of a ring, a wave).
void extrudeBand(MeshBuilder& mesh, const std::vector<Point2>& outer,
                 const std::vector<Point2>& inner, float z0, float z1, float uvScale);

std::vector<Point2> circlePoints(float cx, float cy, float r, int segments);
// Points on an arc from angle a0 to a1 (radians, counter-clockwise positive).
std::vector<Point2> arcPoints(float cx, float cy, float r, float a0, float a1, int segments);

// An axis-aligned box with its own vertices per side.
void addBox(MeshBuilder& mesh, V3 lo, V3 hi, float uvScale);
// A tube along the polyline `spine` with the given radii, smooth around,
// optionally closed at both ends. Without caps it is welded all round, and a
// spine that ends where it starts makes a seamless ring.
void addTube(MeshBuilder& mesh, const std::vector<V3>& spine, const std::vector<float>& radii,
             int sides, bool caps, float uScale, float vScale);
// Moves the vertices from index `first` on by `offset`.
void translateVertices(MeshBuilder& mesh, size_t first, V3 offset);

// Both sides of a thin sheet given as rows of points (rows x columns).
void addSheet(MeshBuilder& mesh, const std::vector<std::vector<V3>>& grid, float thickness);
