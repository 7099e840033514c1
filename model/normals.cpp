// Smooth per-vertex normals: each vertex gets the unit vector along the sum of
// the unnormalised normals of the faces that use it, so larger faces weigh
// more.
#include "model/model.h"

#include <memory>
#include <new>

static bool usesOnlyOwnVertices(const Face& face, int vertexCount) {
    for (int k = 0; k < 3; k++)
        if (face.vertIndex[k] < 0 || face.vertIndex[k] >= vertexCount)
            return false;
    return true;
}

// One pass over the faces adds each face normal to each distinct vertex of
// the face, in face order. Every vertex thus receives the same additions in
// the same order as a scan of all faces per vertex would give it, so the
// same floats, in time proportional to the faces rather than vertices x faces.
static void computeObjectNormals(MeshObject& object) {
    int vertexCount = object.vertexCount > 0 ? object.vertexCount : 0;
    delete[] object.normals;
    object.normals = new (std::nothrow) Vec3[vertexCount]();
    std::unique_ptr<int[]> shared(new (std::nothrow) int[vertexCount]());
    if (!object.normals || !shared) {
        // Nothing may then be drawn through the missing normals.
        object.faceCount = 0;
        return;
    }
    Vec3* sum = object.normals;
    for (int j = 0; j < object.faceCount; j++) {
        const Face& face = object.faces[j];
        // The reader drops such faces; a model built elsewhere may hold them.
        if (!usesOnlyOwnVertices(face, vertexCount))
            continue;
        Vec3 a = object.vertices[face.vertIndex[0]];
        Vec3 b = object.vertices[face.vertIndex[1]];
        Vec3 c = object.vertices[face.vertIndex[2]];
        Vec3 faceNormal = cross(subtract(a, c), subtract(c, b));
        for (int k = 0; k < 3; k++) {
            int v = face.vertIndex[k];
            bool repeated = (k > 0 && v == face.vertIndex[0]) || (k > 1 && v == face.vertIndex[1]);
            if (repeated)
                continue; // a face naming a vertex twice counts once
            sum[v] = add(sum[v], faceNormal);
            shared[v]++;
        }
    }
    for (int k = 0; k < vertexCount; k++) {
        // A vertex no face uses has no direction; zero rather than 0/0.
        if (shared[k] == 0)
            continue;
        // Each face normal is (C - A) x (C - B), the reverse of the winding
        // normal; the negative divisor turns it back.
        sum[k] = normalize(divide(sum[k], -float(shared[k])));
    }
}

void Loader3ds::computeVertexNormals(Model& model) {
    for (int i = 0; i < model.objectCount; i++)
        computeObjectNormals(model.objects[i]);
}
