// The web build's OpenGL 1.1: the fixed-function calls the demo makes,
// carried out over WebGL 2. Vertices are transformed and lit here, on the
// processor, as GL 1.1 defines it; WebGL only rasterises triangles, textures
// them and applies the fog. Shared by the files of this folder only; the rest
// of the program sees <GL/gl.h>.
#pragma once

#include <GL/gl.h>
#include <vector>

// Column-major, as GL stores matrices.
struct Matrix {
    float m[16];
};
constexpr Matrix identityMatrix = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

// What a vertex hands to WebGL: its clip position, its colour after lighting
// and clamping, its texture coordinate and its distance for the fog.
struct BatchVertex {
    float x, y, z, w;
    float r, g, b, a;
    float s, t;
    float fog;
};

struct TextureInfo {
    int width = 0, height = 0; // of level 0; 0 before it has an image
    unsigned levels = 0;       // bit n: level n has an image
    GLenum minFilter = GL_NEAREST_MIPMAP_LINEAR;
};

struct SavedAttributes {
    GLbitfield mask;
    float clearColor[4];
    bool blend;
    bool scissorTest;
    int scissorBox[4];
};

// The layer's GL state; written by the files of this folder only.
struct FixedFunctionState {
    GLenum matrixMode = GL_MODELVIEW;
    // The texture matrix is never set by the demo, so it has no stack.
    std::vector<Matrix> modelview = {identityMatrix}; // back() is current
    std::vector<Matrix> projection = {identityMatrix};
    bool normalMatrixStale = true;
    float normalMatrix[9] = {}; // inverse transpose of the modelview's 3x3

    float color[4] = {1, 1, 1, 1};
    float normal[3] = {0, 0, 1};
    float texCoord[2] = {0, 0};

    bool lighting = false, light0 = false, colorMaterial = false;
    bool fog = false, texture2D = false;
    bool blend = false, depthTest = false, scissorTest = false;
    GLenum polygonMode = GL_FILL;
    float lineWidth = 1;

    GLenum fogMode = GL_EXP;
    float fogDensity = 1, fogStart = 0, fogEnd = 1;
    float fogColor[4] = {0, 0, 0, 0};

    float clearColor[4] = {0, 0, 0, 0};
    int viewport[4] = {0, 0, 0, 0};
    int scissorBox[4] = {0, 0, 0, 0};
    int unpackAlignment = 4;

    GLuint boundTexture = 0;
    std::vector<TextureInfo> textures; // by name

    std::vector<SavedAttributes> attributeStack;

    GLenum primitive = 0; // inside glBegin: its mode
    std::vector<BatchVertex> primitiveVertices;
};

extern FixedFunctionState fixedState;

// The current matrix of the current mode.
Matrix& currentMatrix();
// Brings the normal matrix up to date with the modelview.
void updateNormalMatrix();
TextureInfo& textureInfo(GLuint name);
// Texturing applies to a fragment only while a complete texture is bound.
bool texturingActive();

// WebGL 2 by the names emscripten gives its calls for this purpose: the
// GL names belong to this layer.
extern "C" {
void emscripten_glEnable(GLenum cap);
void emscripten_glDisable(GLenum cap);
void emscripten_glDepthFunc(GLenum func);
void emscripten_glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void emscripten_glScissor(GLint x, GLint y, GLsizei width, GLsizei height);
void emscripten_glClear(GLbitfield mask);
void emscripten_glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
void emscripten_glClearDepthf(GLfloat depth);
void emscripten_glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                             GLenum type, void* pixels);
void emscripten_glFinish();
void emscripten_glPixelStorei(GLenum name, GLint value);
void emscripten_glGenTextures(GLsizei count, GLuint* names);
void emscripten_glBindTexture(GLenum target, GLuint name);
void emscripten_glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width,
                             GLsizei height, GLint border, GLenum format, GLenum type,
                             const void* pixels);
void emscripten_glTexParameteri(GLenum target, GLenum name, GLint value);
}

// Triangles waiting to be drawn with the fragment state in force now;
// whatever changes that state, or reads the frame, draws them first.
void batchTriangles(const BatchVertex* vertices, size_t count);
void flushBatch();
