#include "model/model.h"
#include "platform/random.h"
#include "shell/shell.h"

#include <GL/gl.h>
#include <algorithm>

// The texture array has a fixed number of slots while materialId may be -1
// (a face-material chunk named an unknown material) or any later index: such
// objects bind name 0, GL's default texture, rather than a word outside the array.
static GLuint textureOf(const MeshObject& object, const uint32_t* textures) {
    if (object.materialId < 0 || object.materialId >= modelTextureSlots)
        return 0;
    return textures[object.materialId];
}

// The colour of an untextured object's material, or null when its materialId
// names none of the model's materials: the current white then stays.
static const uint8_t* colourOf(const Model& model, const MeshObject& object) {
    const int32_t known = std::min<int32_t>(model.materialCount, int32_t(model.materials.size()));
    if (object.materialId < 0 || object.materialId >= known)
        return nullptr;
    return model.materials[object.materialId].color;
}

// A face naming a vertex the object does not hold is left out whole, so the
// triangles after it keep their corners together.
static bool faceInRange(const Face& face, int32_t vertexCount) {
    for (int k = 0; k < 3; k++)
        if (face.vertIndex[k] < 0 || face.vertIndex[k] >= vertexCount)
            return false;
    return true;
}

static void drawObject(const Model& model, const MeshObject& object, const uint32_t* textures) {
    if (object.hasTexture) {
        glEnable(GL_TEXTURE_2D);
        glColor3ub(255, 255, 255);
        glBindTexture(GL_TEXTURE_2D, textureOf(object, textures));
    } else {
        glDisable(GL_TEXTURE_2D);
        glColor3ub(255, 255, 255);
    }
    const uint8_t* colour = object.hasTexture ? nullptr : colourOf(model, object);
    // Texture coordinates go by vertex index; vertices past the coordinate
    // list keep whatever coordinate is current.
    const int32_t texCount = object.texVertices ? object.texVertexCount : 0;
    const int32_t vertexCount = object.vertices && object.normals ? object.vertexCount : 0;
    const int32_t faceCount = object.faces ? object.faceCount : 0;

    glBegin(modelPrimitive);
    for (int32_t j = 0; j < faceCount; j++) {
        const Face& face = object.faces[j];
        if (!faceInRange(face, vertexCount))
            continue;
        for (int k = 0; k < 3; k++) {
            const int32_t n = face.vertIndex[k];
            const Vec3& normal = object.normals[n];
            glNormal3f(normal.x, normal.y, normal.z);
            if (object.hasTexture) {
                if (n < texCount)
                    glTexCoord2f(object.texVertices[n].u, object.texVertices[n].v);
            } else if (colour) {
                glColor3ub(colour[0], colour[1], colour[2]);
            }
            const Vec3& vertex = object.vertices[n];
            glVertex3f(vertex.x, vertex.y, vertex.z);
        }
    }
    glEnd();
}

static void drawModel(const Model& model, const uint32_t* textures) {
    const int32_t count = std::min<int32_t>(model.objectCount, int32_t(model.objects.size()));
    for (int32_t i = 0; i < count; i++)
        drawObject(model, model.objects[i], textures);
}

void drawPresentsModel() {
    glPushMatrix();
    glRotatef(90, 0, 0, 1);
    glRotatef(90, 0, 1, 0);
    // Two fresh draws every frame make the model tremble; y from the first, z from the second.
    const int r1 = demoRand();
    const int r2 = demoRand();
    glTranslatef(0, (r1 % 10) / 30.0f + 3.2f, (r2 % 10) / 30.0f - 2.7f);
    drawModel(presentsModel, presentsTextures);
    glPopMatrix();
}

void drawLogoModel() {
    glPushMatrix();
    glRotatef(90, 0, 0, 1);
    glRotatef(90, 0, 1, 0);
    glTranslatef(0, 0, 1);
    drawModel(logoModel, logoTextures);
    glPopMatrix();
}

void drawTxiringoModel() {
    glPushMatrix();
    drawModel(txiringoModel, txiringoTextures);
    glPopMatrix();
}
