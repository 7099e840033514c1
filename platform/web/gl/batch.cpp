// The WebGL 2 programs the layer draws with: triangles already in clip
// space, coloured, textured by GL's modulate and fogged per fragment as
// GL 1.1 fogs, from the distance to the eye plane.
#include "platform/web/gl/gl_layer.h"

#include <cstdio>

extern "C" {
GLuint emscripten_glCreateShader(GLenum type);
void emscripten_glShaderSource(GLuint shader, GLsizei count, const GLchar* const* text,
                               const GLint* lengths);
void emscripten_glCompileShader(GLuint shader);
void emscripten_glGetShaderInfoLog(GLuint shader, GLsizei size, GLsizei* length, GLchar* log);
GLuint emscripten_glCreateProgram();
void emscripten_glAttachShader(GLuint program, GLuint shader);
void emscripten_glBindAttribLocation(GLuint program, GLuint index, const GLchar* name);
void emscripten_glLinkProgram(GLuint program);
void emscripten_glUseProgram(GLuint program);
GLint emscripten_glGetUniformLocation(GLuint program, const GLchar* name);
void emscripten_glUniform1i(GLint location, GLint value);
void emscripten_glUniform1f(GLint location, GLfloat value);
void emscripten_glUniform3f(GLint location, GLfloat x, GLfloat y, GLfloat z);
void emscripten_glUniform4f(GLint location, GLfloat x, GLfloat y, GLfloat z, GLfloat w);
void emscripten_glGenBuffers(GLsizei count, GLuint* names);
void emscripten_glBindBuffer(GLenum target, GLuint name);
void emscripten_glBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage);
void emscripten_glGenVertexArrays(GLsizei count, GLuint* names);
void emscripten_glBindVertexArray(GLuint name);
void emscripten_glEnableVertexAttribArray(GLuint index);
void emscripten_glVertexAttribPointer(GLuint index, GLint size, GLenum type, GLboolean normalized,
                                      GLsizei stride, const void* offset);
void emscripten_glDrawArrays(GLenum mode, GLint first, GLsizei count);
}

// The vertex shader passes on only what the fragment shader reads: SwiftShader
// interpolates every output for every pixel.
static const char* const vertexShader = R"(
in vec4 position;
in vec4 colour;
in vec2 texCoord;
in float fogDistance;
#if !CONSTANT_COLOUR
out vec4 vColour;
#endif
#if TEXTURING
out vec2 vTexCoord;
#endif
#if FOG_MODE != 0
out float vFogDistance;
#endif
void main() {
    gl_Position = position;
#if !CONSTANT_COLOUR
    vColour = colour;
#endif
#if TEXTURING
    vTexCoord = texCoord;
#endif
#if FOG_MODE != 0
    vFogDistance = fogDistance;
#endif
}
)";

// FOG_MODE: 0 none, 1 linear, 2 exp, 3 exp2. Each fragment state gets a
// program of its own: SwiftShader runs every branch of a shader for every
// pixel, and the fog's exp and pow would cost a full-screen frame about a
// third of its time even with the fog off. A batch in one colour (the
// pictures, the wave) takes it from a uniform instead of interpolating it.
static const char* const fragmentShader = R"(
precision highp float;
#if CONSTANT_COLOUR
uniform vec4 constantColour;
#else
in vec4 vColour;
#endif
#if TEXTURING
in vec2 vTexCoord;
uniform sampler2D picture;
#endif
#if FOG_MODE != 0
in float vFogDistance;
uniform float fogDensity, fogStart, fogEnd;
uniform vec3 fogColour;
#endif
out vec4 fragment;
void main() {
#if CONSTANT_COLOUR
    vec4 c = constantColour;
#else
    vec4 c = vColour;
#endif
#if TEXTURING
    c *= texture(picture, vTexCoord);
#endif
#if FOG_MODE != 0
#if FOG_MODE == 1
    float f = (fogEnd - vFogDistance) / (fogEnd - fogStart);
#elif FOG_MODE == 2
    float f = exp(-fogDensity * vFogDistance);
#else
    float f = exp(-pow(fogDensity * vFogDistance, 2.0));
#endif
    c.rgb = mix(fogColour, c.rgb, clamp(f, 0.0, 1.0));
#endif
    fragment = c;
}
)";

struct Program {
    GLuint name = 0;
    GLint fogDensity, fogStart, fogEnd, fogColour, constantColour;
};

// By constant colour (0, 1) times 8, plus texturing (0, 1) times 4, plus the
// fog mode (0-3).
static const int programCount = 16;

// Written by flushBatch only.
static struct {
    Program programs[programCount];
    int current = -1;
    GLuint buffer = 0, vertexArray = 0;
    std::vector<BatchVertex> vertices;
} batch;

static GLuint compile(GLenum type, const char* const* text, GLsizei count) {
    const GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, count, text, nullptr);
    emscripten_glCompileShader(shader);
    char log[512] = "";
    emscripten_glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    if (log[0])
        std::fprintf(stderr, "web GL: %s\n", log);
    return shader;
}

static Program createProgram(int key) {
    Program p;
    p.name = emscripten_glCreateProgram();
    char defines[120];
    std::snprintf(defines, sizeof defines,
                  "#version 300 es\n#define CONSTANT_COLOUR %d\n#define TEXTURING %d\n"
                  "#define FOG_MODE %d\n",
                  key / 8, key / 4 % 2, key % 4);
    const char* const vertex[] = {defines, vertexShader};
    emscripten_glAttachShader(p.name, compile(GL_VERTEX_SHADER, vertex, 2));
    const char* const fragment[] = {defines, fragmentShader};
    emscripten_glAttachShader(p.name, compile(GL_FRAGMENT_SHADER, fragment, 2));
    const char* const attributes[] = {"position", "colour", "texCoord", "fogDistance"};
    for (GLuint i = 0; i < 4; i++)
        emscripten_glBindAttribLocation(p.name, i, attributes[i]);
    emscripten_glLinkProgram(p.name);
    emscripten_glUseProgram(p.name);
    emscripten_glUniform1i(emscripten_glGetUniformLocation(p.name, "picture"), 0);
    p.fogDensity = emscripten_glGetUniformLocation(p.name, "fogDensity");
    p.fogStart = emscripten_glGetUniformLocation(p.name, "fogStart");
    p.fogEnd = emscripten_glGetUniformLocation(p.name, "fogEnd");
    p.fogColour = emscripten_glGetUniformLocation(p.name, "fogColour");
    p.constantColour = emscripten_glGetUniformLocation(p.name, "constantColour");
    return p;
}

static void createVertexArray() {
    emscripten_glGenVertexArrays(1, &batch.vertexArray);
    emscripten_glBindVertexArray(batch.vertexArray);
    emscripten_glGenBuffers(1, &batch.buffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, batch.buffer);
    const GLint sizes[] = {4, 4, 2, 1};
    size_t offset = 0;
    for (GLuint i = 0; i < 4; i++) {
        emscripten_glEnableVertexAttribArray(i);
        emscripten_glVertexAttribPointer(i, sizes[i], GL_FLOAT, GL_FALSE, sizeof(BatchVertex),
                                         reinterpret_cast<const void*>(offset));
        offset += size_t(sizes[i]) * sizeof(float);
    }
}

static bool oneColour(const std::vector<BatchVertex>& vertices) {
    const BatchVertex& first = vertices.front();
    for (const BatchVertex& v : vertices)
        if (v.r != first.r || v.g != first.g || v.b != first.b || v.a != first.a)
            return false;
    return true;
}

// The program for the fragment state in force and the batch's colours, in use.
static const Program& useProgram(bool constantColour) {
    const FixedFunctionState& gl = fixedState;
    int fogMode = 0;
    if (gl.fog)
        fogMode = gl.fogMode == GL_LINEAR ? 1 : gl.fogMode == GL_EXP ? 2 : 3;
    const int key = (constantColour ? 8 : 0) + (texturingActive() ? 4 : 0) + fogMode;
    Program& p = batch.programs[key];
    if (!p.name)
        p = createProgram(key);
    else if (key != batch.current)
        emscripten_glUseProgram(p.name);
    batch.current = key;
    return p;
}

void batchTriangles(const BatchVertex* vertices, size_t count) {
    batch.vertices.insert(batch.vertices.end(), vertices, vertices + count);
}

void flushBatch() {
    if (batch.vertices.empty())
        return;
    if (!batch.vertexArray)
        createVertexArray();
    const FixedFunctionState& gl = fixedState;
    const bool constantColour = oneColour(batch.vertices);
    const Program& p = useProgram(constantColour);
    if (constantColour) {
        const BatchVertex& v = batch.vertices.front();
        emscripten_glUniform4f(p.constantColour, v.r, v.g, v.b, v.a);
    }
    if (gl.fog) {
        emscripten_glUniform1f(p.fogDensity, gl.fogDensity);
        emscripten_glUniform1f(p.fogStart, gl.fogStart);
        emscripten_glUniform1f(p.fogEnd, gl.fogEnd);
        emscripten_glUniform3f(p.fogColour, gl.fogColor[0], gl.fogColor[1], gl.fogColor[2]);
    }
    emscripten_glBufferData(GL_ARRAY_BUFFER,
                            GLsizeiptr(batch.vertices.size() * sizeof(BatchVertex)),
                            batch.vertices.data(), GL_STREAM_DRAW);
    emscripten_glDrawArrays(GL_TRIANGLES, 0, GLsizei(batch.vertices.size()));
    batch.vertices.clear();
}
