// inspect model FILE: the objects and materials the demo's 3DS reader reads
// from FILE, and the links between them.
#include "model/model.h"

#include <cstdio>

static const char* yesNo(bool b) {
    return b ? "yes" : "no";
}

static void printObjects(const Model& model) {
    printf("objects: %d\n", model.objectCount);
    for (int i = 0; i < model.objectCount; i++) {
        const MeshObject& o = model.objects[i];
        printf("  object %d \"%s\": vertices %d, faces %d, texcoords %d, materialId %d, "
               "hasTexture %s\n",
               i, o.name, o.vertexCount, o.faceCount, o.texVertexCount, o.materialId,
               yesNo(o.hasTexture));
        if (o.vertexCount > 0) {
            Vec3 lo = o.vertices[0], hi = o.vertices[0];
            for (int k = 1; k < o.vertexCount; k++) {
                Vec3 v = o.vertices[k];
                lo = {v.x < lo.x ? v.x : lo.x, v.y < lo.y ? v.y : lo.y, v.z < lo.z ? v.z : lo.z};
                hi = {v.x > hi.x ? v.x : hi.x, v.y > hi.y ? v.y : hi.y, v.z > hi.z ? v.z : hi.z};
            }
            printf("    bounds (%g,%g,%g) to (%g,%g,%g) in the demo's axes\n", lo.x, lo.y, lo.z,
                   hi.x, hi.y, hi.z);
        }
    }
}

static void printMaterials(const Model& model) {
    printf("materials: %d\n", model.materialCount);
    for (int i = 0; i < model.materialCount; i++) {
        const Material& m = model.materials[i];
        printf("  material %d \"%s\": colour (%d,%d,%d), texture \"%s\"\n", i, m.name, m.color[0],
               m.color[1], m.color[2], m.fileName);
    }
}

// What the drawing will do with each object: its texture slot, its colour,
// or plain white.
static void printLinks(const Model& model) {
    printf("links:\n");
    for (int i = 0; i < model.objectCount; i++) {
        const MeshObject& o = model.objects[i];
        int id = o.materialId;
        bool known = id >= 0 && id < model.materialCount;
        printf("  \"%s\" -> ", o.name);
        if (o.hasTexture && known)
            printf("texture slot %d%s, \"%s\"", id,
                   id >= modelTextureSlots ? " (beyond the texture slots)" : "",
                   model.materials[id].fileName);
        else if (o.hasTexture)
            printf("textured, but material %d does not exist", id);
        else if (known)
            printf("colour of material %d \"%s\"", id, model.materials[id].name);
        else
            printf("white");
        if (o.hasTexture && !o.texVertices)
            printf(" (no texture coordinates)");
        else if (o.hasTexture && o.texVertexCount < o.vertexCount)
            printf(" (only %d texture coordinates for %d vertices)", o.texVertexCount,
                   o.vertexCount);
        printf("\n");
    }
}

int inspectModel(int, char** argv) {
    Loader3ds loader;
    Model model;
    bool ok = loader.importModel(model, argv[0]);
    printf("file: %s\n", argv[0]);
    printf("import: %s\n", ok ? "true" : "false");
    printObjects(model);
    printMaterials(model);
    printLinks(model);
    return ok ? 0 : 1;
}
