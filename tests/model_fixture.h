// In-memory models for drawing tests, the global model slots they are lent
// to, and GL feedback capture of what a draw routine sends.
#pragma once

#include "model/model.h"

#include <GL/gl.h>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

// Owns the arrays its objects point into; addresses stay put as it grows and
// when it is moved. Lent models must not outlive their builder.
class ModelBuilder {
  public:
    Model model;

    int addMaterial(uint8_t r, uint8_t g, uint8_t b, const char* fileName = "") {
        Material material{};
        std::snprintf(material.name, sizeof material.name, "material%d", model.materialCount);
        std::snprintf(material.fileName, sizeof material.fileName, "%s", fileName);
        material.color[0] = r;
        material.color[1] = g;
        material.color[2] = b;
        model.materials.push_back(material);
        return model.materialCount++;
    }

    // Every vertex gets the same normal; texture coordinates may be shorter
    // than the vertex list or empty (null texVertices).
    MeshObject& addObject(std::vector<Vec3> vertices, std::vector<Face> faces, Vec3 normal,
                          std::vector<Vec2> tex = {}) {
        Store& store = stores.emplace_back();
        store.vertices = std::move(vertices);
        store.normals.assign(store.vertices.size(), normal);
        store.tex = std::move(tex);
        store.faces = std::move(faces);
        MeshObject object{};
        object.vertexCount = int32_t(store.vertices.size());
        object.faceCount = int32_t(store.faces.size());
        object.texVertexCount = int32_t(store.tex.size());
        object.vertices = store.vertices.data();
        object.normals = store.normals.data();
        object.texVertices = store.tex.empty() ? nullptr : store.tex.data();
        object.faces = store.faces.data();
        model.objects.push_back(object);
        model.objectCount++;
        return model.objects.back();
    }

    // An n x n grid of squares, two triangles each, spanning [-half, half] on
    // two axes of the model (a, b: 0 = x, 1 = y, 2 = z) with the third at zero.
    MeshObject& addGrid(int n, float half, int a, int b, Vec3 normal, bool withTex = false) {
        std::vector<Vec3> vertices;
        std::vector<Vec2> tex;
        for (int i = 0; i <= n; i++)
            for (int j = 0; j <= n; j++) {
                float p[3] = {0, 0, 0};
                p[a] = -half + 2 * half * i / n;
                p[b] = -half + 2 * half * j / n;
                vertices.push_back({p[0], p[1], p[2]});
                tex.push_back({float(i) / n, float(j) / n});
            }
        std::vector<Face> faces;
        for (int i = 0; i < n; i++)
            for (int j = 0; j < n; j++) {
                int v = i * (n + 1) + j;
                faces.push_back(face(v, v + n + 1, v + n + 2));
                faces.push_back(face(v, v + n + 2, v + 1));
            }
        return addObject(vertices, faces, normal, withTex ? tex : std::vector<Vec2>{});
    }

    static Face face(int a, int b, int c) {
        Face f{};
        f.vertIndex[0] = a;
        f.vertIndex[1] = b;
        f.vertIndex[2] = c;
        return f;
    }

  private:
    struct Store {
        std::vector<Vec3> vertices, normals;
        std::vector<Vec2> tex;
        std::vector<Face> faces;
    };
    std::deque<Store> stores;
};

// Lends a model (and optionally texture names) to one of the demo's global
// slots for the life of the scope.
class LentModel {
  public:
    LentModel(Model& global, uint32_t* textures, const Model& lent,
              std::vector<uint32_t> names = {})
        : global(global), textures(textures), saved(global) {
        std::memcpy(savedNames, textures, sizeof savedNames);
        global = lent;
        for (size_t i = 0; i < names.size() && i < modelTextureSlots; i++)
            textures[i] = names[i];
    }
    ~LentModel() {
        global = saved;
        std::memcpy(textures, savedNames, sizeof savedNames);
    }

  private:
    Model& global;
    uint32_t* textures;
    Model saved;
    uint32_t savedNames[modelTextureSlots];
};

// A solid-coloured, complete 4x4 texture.
inline GLuint solidTexture(uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 16; i++)
        pixels.insert(pixels.end(), {r, g, b});
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return name;
}

struct FeedbackVertex {
    float x, y, z; // window coordinates
    float rgba[4]; // colour after lighting
    float stq[4];  // texture coordinate
};

struct FeedbackPrimitive {
    GLenum token; // GL_POLYGON_TOKEN, GL_LINE_TOKEN, GL_LINE_RESET_TOKEN, GL_POINT_TOKEN
    std::vector<FeedbackVertex> vertices;
};

// What GL would rasterise for the calls that draw() makes, after transform,
// lighting and clipping.
inline std::vector<FeedbackPrimitive> captureFeedback(const std::function<void()>& draw) {
    std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<FeedbackPrimitive> primitives;
    auto vertexAt = [&](GLint& p) {
        FeedbackVertex v{};
        v.x = buffer[p++];
        v.y = buffer[p++];
        v.z = buffer[p++];
        for (float& c : v.rgba)
            c = buffer[p++];
        for (float& c : v.stq)
            c = buffer[p++];
        return v;
    };
    for (GLint p = 0; p < used;) {
        FeedbackPrimitive primitive{GLenum(buffer[p++]), {}};
        int count = 0;
        switch (primitive.token) {
        case GL_POLYGON_TOKEN:
            count = int(buffer[p++]);
            break;
        case GL_LINE_TOKEN:
        case GL_LINE_RESET_TOKEN:
            count = 2;
            break;
        case GL_PASS_THROUGH_TOKEN:
            p++;
            continue;
        default:
            count = 1;
        }
        for (int k = 0; k < count; k++)
            primitive.vertices.push_back(vertexAt(p));
        primitives.push_back(primitive);
    }
    return primitives;
}
