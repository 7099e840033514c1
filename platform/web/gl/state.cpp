// The switches and values of GL 1.1 the demo sets: those WebGL has go
// through to it, the fixed-function ones stay here. Anything that changes
// how the waiting triangles would be drawn draws them first.
#include "platform/web/gl/gl_layer.h"

static bool* fixedSwitch(GLenum cap) {
    FixedFunctionState& gl = fixedState;
    switch (cap) {
    case GL_LIGHTING:
        return &gl.lighting;
    case GL_LIGHT0:
        return &gl.light0;
    case GL_COLOR_MATERIAL:
        return &gl.colorMaterial;
    case GL_FOG:
        return &gl.fog;
    case GL_TEXTURE_2D:
        return &gl.texture2D;
    case GL_BLEND:
        return &gl.blend;
    case GL_DEPTH_TEST:
        return &gl.depthTest;
    case GL_SCISSOR_TEST:
        return &gl.scissorTest;
    }
    return nullptr;
}

static void setSwitch(GLenum cap, bool on) {
    bool* value = fixedSwitch(cap);
    if (!value || *value == on)
        return;
    // Lighting acts on vertices as they come, so it needs no drawing first.
    const bool perVertex = cap == GL_LIGHTING || cap == GL_LIGHT0 || cap == GL_COLOR_MATERIAL;
    if (!perVertex)
        flushBatch();
    *value = on;
    if (cap == GL_BLEND || cap == GL_DEPTH_TEST || cap == GL_SCISSOR_TEST) {
        if (on)
            emscripten_glEnable(cap);
        else
            emscripten_glDisable(cap);
    }
}

void glEnable(GLenum cap) {
    setSwitch(cap, true);
}

void glDisable(GLenum cap) {
    setSwitch(cap, false);
}

// The scenes always set both faces together.
void glPolygonMode(GLenum, GLenum mode) {
    fixedState.polygonMode = mode;
}

void glLineWidth(GLfloat width) {
    fixedState.lineWidth = width;
}

// No scene draws points.
void glPointSize(GLfloat) {}

// The shading is always smooth and every hint is taken at its best.
void glShadeModel(GLenum) {}
void glHint(GLenum, GLenum) {}

static void setFog(float* value, float to) {
    if (*value != to) {
        flushBatch();
        *value = to;
    }
}

void glFogf(GLenum name, GLfloat value) {
    FixedFunctionState& gl = fixedState;
    if (name == GL_FOG_DENSITY)
        setFog(&gl.fogDensity, value);
    else if (name == GL_FOG_START)
        setFog(&gl.fogStart, value);
    else if (name == GL_FOG_END)
        setFog(&gl.fogEnd, value);
    else if (name == GL_FOG_MODE)
        glFogi(name, GLint(value));
}

void glFogi(GLenum name, GLint value) {
    if (name == GL_FOG_MODE && fixedState.fogMode != GLenum(value)) {
        flushBatch();
        fixedState.fogMode = GLenum(value);
    } else if (name != GL_FOG_MODE) {
        glFogf(name, GLfloat(value));
    }
}

void glFogfv(GLenum name, const GLfloat* values) {
    if (name != GL_FOG_COLOR) {
        glFogf(name, values[0]);
        return;
    }
    for (int c = 0; c < 4; c++)
        setFog(&fixedState.fogColor[c], values[c]);
}

void glDepthFunc(GLenum func) {
    flushBatch();
    emscripten_glDepthFunc(func);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    flushBatch();
    int* v = fixedState.viewport;
    v[0] = x;
    v[1] = y;
    v[2] = width;
    v[3] = height;
    emscripten_glViewport(x, y, width, height);
}

void glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    flushBatch();
    int* box = fixedState.scissorBox;
    box[0] = x;
    box[1] = y;
    box[2] = width;
    box[3] = height;
    emscripten_glScissor(x, y, width, height);
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    float* c = fixedState.clearColor;
    c[0] = r;
    c[1] = g;
    c[2] = b;
    c[3] = a;
    emscripten_glClearColor(r, g, b, a);
}

void glClearDepth(GLclampd depth) {
    emscripten_glClearDepthf(GLfloat(depth));
}

void glClear(GLbitfield mask) {
    flushBatch();
    emscripten_glClear(mask);
}

// The bits the shell saves around its clear of the bands.
void glPushAttrib(GLbitfield mask) {
    const FixedFunctionState& gl = fixedState;
    SavedAttributes saved{mask,
                          {gl.clearColor[0], gl.clearColor[1], gl.clearColor[2], gl.clearColor[3]},
                          gl.blend,
                          gl.scissorTest,
                          {gl.scissorBox[0], gl.scissorBox[1], gl.scissorBox[2], gl.scissorBox[3]}};
    fixedState.attributeStack.push_back(saved);
}

void glPopAttrib() {
    FixedFunctionState& gl = fixedState;
    if (gl.attributeStack.empty())
        return;
    const SavedAttributes saved = gl.attributeStack.back();
    gl.attributeStack.pop_back();
    if (saved.mask & GL_COLOR_BUFFER_BIT) {
        const float* c = saved.clearColor;
        glClearColor(c[0], c[1], c[2], c[3]);
        setSwitch(GL_BLEND, saved.blend);
    }
    if (saved.mask & GL_SCISSOR_BIT) {
        const int* box = saved.scissorBox;
        glScissor(box[0], box[1], box[2], box[3]);
        setSwitch(GL_SCISSOR_TEST, saved.scissorTest);
    }
}

void glPixelStorei(GLenum name, GLint value) {
    // Pixels are repacked here before WebGL sees them, tightly.
    if (name == GL_UNPACK_ALIGNMENT)
        fixedState.unpackAlignment = value;
}

void glGetIntegerv(GLenum name, GLint* value) {
    if (name == GL_UNPACK_ALIGNMENT)
        *value = fixedState.unpackAlignment;
    else if (name == GL_TEXTURE_BINDING_2D)
        *value = GLint(fixedState.boundTexture);
}

void glFlush() {
    flushBatch();
}

void glFinish() {
    flushBatch();
    emscripten_glFinish();
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                  GLvoid* pixels) {
    flushBatch();
    emscripten_glReadPixels(x, y, width, height, format, type, pixels);
}
