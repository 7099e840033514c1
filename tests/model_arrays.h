// Shared by the 3DS tests and the import bench: releasing the arrays a model
// import allocates, and the normals computed the slow, direct way as a
// reference for the reader's one-pass computation.
#pragma once

#include "model/model.h"

#include <vector>

inline void freeModelArrays(Model& model) {
    for (MeshObject& o : model.objects) {
        delete[] o.vertices;
        delete[] o.normals;
        delete[] o.texVertices;
        delete[] o.faces;
        o = MeshObject{};
    }
}

// For every vertex, every face in order: O(vertices x faces).
inline void directNormals(MeshObject& o) {
    std::vector<Vec3> faceNormals(size_t(o.faceCount));
    for (int j = 0; j < o.faceCount; j++) {
        Vec3 a = o.vertices[o.faces[j].vertIndex[0]];
        Vec3 b = o.vertices[o.faces[j].vertIndex[1]];
        Vec3 c = o.vertices[o.faces[j].vertIndex[2]];
        faceNormals[size_t(j)] = cross(subtract(a, c), subtract(c, b));
    }
    delete[] o.normals;
    o.normals = new Vec3[size_t(o.vertexCount)];
    for (int k = 0; k < o.vertexCount; k++) {
        Vec3 sum = {0, 0, 0};
        int shared = 0;
        for (int j = 0; j < o.faceCount; j++) {
            const int* v = o.faces[j].vertIndex;
            if (v[0] == k || v[1] == k || v[2] == k) {
                sum = add(sum, faceNormals[size_t(j)]);
                shared++;
            }
        }
        o.normals[k] = shared ? normalize(divide(sum, -float(shared))) : Vec3{0, 0, 0};
    }
}
