// Immediate mode: each vertex is transformed, lit with GL_LIGHT0's default
// light and the colour material, and collected until glEnd, which makes
// triangles of the primitive, or outlines in line mode. WebGL draws lines
// one pixel wide only, so every line becomes a quad as wide as GL's line
// width in the direction across its major axis, as GL rasterises wide lines.
#include "platform/web/gl/gl_layer.h"

#include <algorithm>
#include <cmath>

static float clamp01(float v) {
    return std::min(1.0f, std::max(0.0f, v));
}

// GL's defaults for what the demo never sets: the light model's ambient
// 0.2, the material's ambient 0.2 and diffuse 0.8, GL_LIGHT0 with no ambient,
// white diffuse and its direction (0, 0, 1) in eye space; the material's
// specular is black, so no highlight ever shows.
static void light(const float eyeNormal[3], float out[4]) {
    const FixedFunctionState& gl = fixedState;
    const float* ambient = gl.color;
    const float* diffuse = gl.color;
    static const float ambientMaterial[4] = {0.2f, 0.2f, 0.2f, 1};
    static const float diffuseMaterial[4] = {0.8f, 0.8f, 0.8f, 1};
    if (!gl.colorMaterial) {
        ambient = ambientMaterial;
        diffuse = diffuseMaterial;
    }
    const float facing = gl.light0 ? std::max(0.0f, eyeNormal[2]) : 0;
    for (int c = 0; c < 3; c++)
        out[c] = clamp01(0.2f * ambient[c] + facing * diffuse[c]);
    out[3] = clamp01(diffuse[3]);
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    FixedFunctionState& gl = fixedState;
    const float* mv = gl.modelview.back().m;
    const float* p = gl.projection.back().m;
    float eye[4];
    for (int r = 0; r < 4; r++)
        eye[r] = mv[r] * x + mv[4 + r] * y + mv[8 + r] * z + mv[12 + r];
    BatchVertex v;
    float* clip = &v.x;
    for (int r = 0; r < 4; r++)
        clip[r] = p[r] * eye[0] + p[4 + r] * eye[1] + p[8 + r] * eye[2] + p[12 + r] * eye[3];
    float* colour = &v.r;
    if (gl.lighting) {
        updateNormalMatrix();
        const float* n = gl.normalMatrix;
        const float* normal = gl.normal;
        float eyeNormal[3];
        for (int r = 0; r < 3; r++)
            eyeNormal[r] = n[r] * normal[0] + n[3 + r] * normal[1] + n[6 + r] * normal[2];
        light(eyeNormal, colour);
    } else {
        for (int c = 0; c < 4; c++)
            colour[c] = clamp01(gl.color[c]);
    }
    v.s = gl.texCoord[0];
    v.t = gl.texCoord[1];
    v.fog = std::fabs(eye[2]);
    gl.primitiveVertices.push_back(v);
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    float* c = fixedState.color;
    c[0] = r;
    c[1] = g;
    c[2] = b;
    c[3] = 1;
}

void glColor3ub(GLubyte r, GLubyte g, GLubyte b) {
    glColor3f(r / 255.0f, g / 255.0f, b / 255.0f);
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    float* n = fixedState.normal;
    n[0] = x;
    n[1] = y;
    n[2] = z;
}

void glTexCoord2f(GLfloat s, GLfloat t) {
    fixedState.texCoord[0] = s;
    fixedState.texCoord[1] = t;
}

static BatchVertex between(const BatchVertex& a, const BatchVertex& b, float t) {
    const float* pa = &a.x;
    const float* pb = &b.x;
    BatchVertex v;
    float* out = &v.x;
    for (size_t i = 0; i < sizeof(BatchVertex) / sizeof(float); i++)
        out[i] = pa[i] + (pb[i] - pa[i]) * t;
    return v;
}

// A line as two triangles, cut at the near plane first: its corners are
// placed in window pixels.
static void line(BatchVertex a, BatchVertex b) {
    const float da = a.z + a.w, db = b.z + b.w;
    if (da < 0 && db < 0)
        return;
    if (da < 0)
        a = between(a, b, da / (da - db));
    else if (db < 0)
        b = between(b, a, db / (db - da));
    const int* viewport = fixedState.viewport;
    const float halfWidth = viewport[2] * 0.5f, halfHeight = viewport[3] * 0.5f;
    const float dx = (b.x / b.w - a.x / a.w) * halfWidth;
    const float dy = (b.y / b.w - a.y / a.w) * halfHeight;
    if (dx == 0 && dy == 0)
        return;
    // Half the width, in normalised device units across the major axis.
    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    const float half = fixedState.lineWidth * 0.5f;
    const float offsetX = xMajor ? 0 : half / halfWidth;
    const float offsetY = xMajor ? half / halfHeight : 0;
    BatchVertex corners[4] = {a, b, b, a};
    const float sides[4] = {-1, -1, 1, 1};
    for (int i = 0; i < 4; i++) {
        corners[i].x += sides[i] * offsetX * corners[i].w;
        corners[i].y += sides[i] * offsetY * corners[i].w;
    }
    const BatchVertex triangles[6] = {corners[0], corners[1], corners[2],
                                      corners[0], corners[2], corners[3]};
    batchTriangles(triangles, 6);
}

// A polygon of three or four corners: filled, or its edges in line mode.
// Quads split as GL splits them, v0 v1 v3 and v1 v2 v3, which decides how
// colours and coordinates spread over a quad that is not flat.
static void polygon(const BatchVertex* v, int corners) {
    if (fixedState.polygonMode == GL_LINE) {
        for (int i = 0; i < corners; i++)
            line(v[i], v[(i + 1) % corners]);
        return;
    }
    if (corners == 3) {
        batchTriangles(v, 3);
        return;
    }
    const BatchVertex triangles[6] = {v[0], v[1], v[3], v[1], v[2], v[3]};
    batchTriangles(triangles, 6);
}

void glBegin(GLenum mode) {
    fixedState.primitive = mode;
    fixedState.primitiveVertices.clear();
}

void glEnd() {
    FixedFunctionState& gl = fixedState;
    const std::vector<BatchVertex>& v = gl.primitiveVertices;
    switch (gl.primitive) {
    case GL_TRIANGLES:
        for (size_t i = 0; i + 3 <= v.size(); i += 3)
            polygon(&v[i], 3);
        break;
    case GL_QUADS:
        for (size_t i = 0; i + 4 <= v.size(); i += 4)
            polygon(&v[i], 4);
        break;
    case GL_LINE_STRIP:
        for (size_t i = 0; i + 1 < v.size(); i++)
            line(v[i], v[i + 1]);
        break;
    }
    gl.primitive = 0;
}
