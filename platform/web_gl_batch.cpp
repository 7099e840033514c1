// The one WebGL 2 program the layer draws with: triangles already in clip
// space, coloured, textured by GL's modulate and fogged per fragment as
// GL 1.1 fogs, from the distance to the eye plane.
#include "platform/web_gl.h"

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

static const char* const vertexShader = R"(#version 300 es
in vec4 position;
in vec4 colour;
in vec2 texCoord;
in float fogDistance;
out vec4 vColour;
out vec2 vTexCoord;
out float vFogDistance;
void main() {
    gl_Position = position;
    vColour = colour;
    vTexCoord = texCoord;
    vFogDistance = fogDistance;
}
)";

// fogMode: 0 none, 1 linear, 2 exp, 3 exp2.
static const char* const fragmentShader = R"(#version 300 es
precision highp float;
in vec4 vColour;
in vec2 vTexCoord;
in float vFogDistance;
uniform sampler2D picture;
uniform bool texturing;
uniform int fogMode;
uniform float fogDensity, fogStart, fogEnd;
uniform vec3 fogColour;
out vec4 fragment;
void main() {
    vec4 c = vColour;
    if (texturing)
        c *= texture(picture, vTexCoord);
    if (fogMode != 0) {
        float f;
        if (fogMode == 1)
            f = (fogEnd - vFogDistance) / (fogEnd - fogStart);
        else if (fogMode == 2)
            f = exp(-fogDensity * vFogDistance);
        else
            f = exp(-pow(fogDensity * vFogDistance, 2.0));
        c.rgb = mix(fogColour, c.rgb, clamp(f, 0.0, 1.0));
    }
    fragment = c;
}
)";

// Written by flushBatch only.
static struct {
    GLuint program = 0, buffer = 0, vertexArray = 0;
    GLint texturing, fogMode, fogDensity, fogStart, fogEnd, fogColour;
    std::vector<BatchVertex> vertices;
} batch;

static GLuint compile(GLenum type, const char* text) {
    const GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &text, nullptr);
    emscripten_glCompileShader(shader);
    char log[512] = "";
    emscripten_glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    if (log[0])
        std::fprintf(stderr, "web GL: %s\n", log);
    return shader;
}

static void createProgram() {
    batch.program = emscripten_glCreateProgram();
    emscripten_glAttachShader(batch.program, compile(GL_VERTEX_SHADER, vertexShader));
    emscripten_glAttachShader(batch.program, compile(GL_FRAGMENT_SHADER, fragmentShader));
    const char* const attributes[] = {"position", "colour", "texCoord", "fogDistance"};
    for (GLuint i = 0; i < 4; i++)
        emscripten_glBindAttribLocation(batch.program, i, attributes[i]);
    emscripten_glLinkProgram(batch.program);
    emscripten_glUseProgram(batch.program);
    emscripten_glUniform1i(emscripten_glGetUniformLocation(batch.program, "picture"), 0);
    batch.texturing = emscripten_glGetUniformLocation(batch.program, "texturing");
    batch.fogMode = emscripten_glGetUniformLocation(batch.program, "fogMode");
    batch.fogDensity = emscripten_glGetUniformLocation(batch.program, "fogDensity");
    batch.fogStart = emscripten_glGetUniformLocation(batch.program, "fogStart");
    batch.fogEnd = emscripten_glGetUniformLocation(batch.program, "fogEnd");
    batch.fogColour = emscripten_glGetUniformLocation(batch.program, "fogColour");

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

void batchTriangles(const BatchVertex* vertices, size_t count) {
    batch.vertices.insert(batch.vertices.end(), vertices, vertices + count);
}

void flushBatch() {
    if (batch.vertices.empty())
        return;
    if (!batch.program)
        createProgram();
    const FixedFunctionState& gl = fixedState;
    emscripten_glUniform1i(batch.texturing, texturingActive());
    int fogMode = 0;
    if (gl.fog)
        fogMode = gl.fogMode == GL_LINEAR ? 1 : gl.fogMode == GL_EXP ? 2 : 3;
    emscripten_glUniform1i(batch.fogMode, fogMode);
    emscripten_glUniform1f(batch.fogDensity, gl.fogDensity);
    emscripten_glUniform1f(batch.fogStart, gl.fogStart);
    emscripten_glUniform1f(batch.fogEnd, gl.fogEnd);
    emscripten_glUniform3f(batch.fogColour, gl.fogColor[0], gl.fogColor[1], gl.fogColor[2]);
    emscripten_glBufferData(GL_ARRAY_BUFFER,
                            GLsizeiptr(batch.vertices.size() * sizeof(BatchVertex)),
                            batch.vertices.data(), GL_STREAM_DRAW);
    emscripten_glDrawArrays(GL_TRIANGLES, 0, GLsizei(batch.vertices.size()));
    batch.vertices.clear();
}
