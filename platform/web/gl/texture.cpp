// Textures: images repacked for WebGL, and mipmaps made as GLU makes them
// (scaled to a power of two, then halved by 2x2 box averages), so every
// level holds the same texels as on the desktop.
#include "platform/web/gl/gl_layer.h"

#include <GL/glu.h>
#include <algorithm>
#include <cstdint>

TextureInfo& textureInfo(GLuint name) {
    std::vector<TextureInfo>& textures = fixedState.textures;
    if (name >= textures.size())
        textures.resize(name + 1);
    return textures[name];
}

// GL leaves a texture whose levels are missing out of the fragment's
// colour; WebGL would sample black from it instead.
bool texturingActive() {
    const FixedFunctionState& gl = fixedState;
    if (!gl.texture2D || gl.boundTexture == 0 || gl.boundTexture >= gl.textures.size())
        return false;
    const TextureInfo& info = gl.textures[gl.boundTexture];
    if (!(info.levels & 1))
        return false;
    if (info.minFilter == GL_NEAREST || info.minFilter == GL_LINEAR)
        return true;
    int levels = 1;
    for (int size = std::max(info.width, info.height); size > 1; size /= 2)
        levels++;
    return info.levels == (1u << levels) - 1;
}

void glGenTextures(GLsizei count, GLuint* names) {
    emscripten_glGenTextures(count, names);
}

void glBindTexture(GLenum target, GLuint name) {
    if (name == fixedState.boundTexture)
        return;
    flushBatch();
    fixedState.boundTexture = name;
    emscripten_glBindTexture(target, name);
}

void glTexParameteri(GLenum target, GLenum name, GLint value) {
    flushBatch();
    if (name == GL_TEXTURE_MIN_FILTER)
        textureInfo(fixedState.boundTexture).minFilter = GLenum(value);
    emscripten_glTexParameteri(target, name, value);
}

static int componentsOf(GLenum format) {
    return format == GL_RGBA || format == 4 ? 4 : 3;
}

// The rows of client memory, read with the unpack alignment in force, as
// `components` bytes per pixel with no padding.
static std::vector<uint8_t> unpack(int width, int height, GLenum format, const void* pixels,
                                   int components) {
    const int from = componentsOf(format);
    const int alignment = std::max(1, fixedState.unpackAlignment);
    const size_t stride = (size_t(width) * from + alignment - 1) / alignment * alignment;
    std::vector<uint8_t> out(size_t(width) * height * components);
    const uint8_t* in = static_cast<const uint8_t*>(pixels);
    for (int y = 0; y < height; y++) {
        const uint8_t* row = in + y * stride;
        uint8_t* to = &out[size_t(y) * width * components];
        for (int x = 0; x < width; x++, to += components, row += from) {
            for (int c = 0; c < 3; c++)
                to[c] = row[c];
            if (components == 4)
                to[3] = from == 4 ? row[3] : 255;
        }
    }
    return out;
}

static void upload(GLint level, int components, int width, int height, const uint8_t* texels) {
    flushBatch();
    TextureInfo& info = textureInfo(fixedState.boundTexture);
    if (level == 0) {
        info.width = width;
        info.height = height;
        info.levels = 0;
    }
    info.levels |= 1u << level;
    const GLenum format = components == 4 ? GL_RGBA : GL_RGB;
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    emscripten_glTexImage2D(GL_TEXTURE_2D, level, components == 4 ? GL_RGBA8 : GL_RGB8, width,
                            height, 0, format, GL_UNSIGNED_BYTE, texels);
}

void glTexImage2D(GLenum, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint,
                  GLenum format, GLenum, const GLvoid* pixels) {
    const int components = componentsOf(GLenum(internalFormat));
    upload(level, components, width, height,
           unpack(width, height, format, pixels, components).data());
}

// GLU's choice of size: the power of two nearest the size, where a size
// whose two highest bits are set rounds up.
static int nearestPower(int value) {
    int power = 1;
    for (;;) {
        if (value == 1)
            return power;
        if (value == 3)
            return power * 4;
        value >>= 1;
        power *= 2;
    }
}

// Each texel the mean of the source texels its area covers.
static std::vector<uint8_t> scale(const std::vector<uint8_t>& in, int width, int height,
                                  int toWidth, int toHeight, int components) {
    std::vector<uint8_t> out(size_t(toWidth) * toHeight * components);
    for (int y = 0; y < toHeight; y++) {
        const int y0 = y * height / toHeight;
        const int y1 = std::max(y0 + 1, (y + 1) * height / toHeight);
        for (int x = 0; x < toWidth; x++) {
            const int x0 = x * width / toWidth;
            const int x1 = std::max(x0 + 1, (x + 1) * width / toWidth);
            for (int c = 0; c < components; c++) {
                unsigned sum = 0;
                for (int sy = y0; sy < y1; sy++)
                    for (int sx = x0; sx < x1; sx++)
                        sum += in[(size_t(sy) * width + sx) * components + c];
                const unsigned count = unsigned((y1 - y0) * (x1 - x0));
                out[(size_t(y) * toWidth + x) * components + c] =
                    uint8_t((sum + count / 2) / count);
            }
        }
    }
    return out;
}

// Half the size: 2x2 means rounded, or pairs truncated along the one
// dimension left above 1, as GLU halves.
static std::vector<uint8_t> halve(const std::vector<uint8_t>& in, int width, int height,
                                  int components) {
    const int toWidth = std::max(1, width / 2), toHeight = std::max(1, height / 2);
    std::vector<uint8_t> out(size_t(toWidth) * toHeight * components);
    const size_t row = size_t(width) * components;
    for (int y = 0; y < toHeight; y++) {
        for (int x = 0; x < toWidth; x++) {
            for (int c = 0; c < components; c++) {
                uint8_t* to = &out[(size_t(y) * toWidth + x) * components + c];
                if (width > 1 && height > 1) {
                    const uint8_t* p = &in[size_t(2 * y) * row + size_t(2 * x) * components + c];
                    *to = uint8_t((p[0] + p[components] + p[row] + p[row + components] + 2) / 4);
                } else if (width > 1) {
                    const uint8_t* p = &in[size_t(2 * x) * components + c];
                    *to = uint8_t((p[0] + p[components]) / 2);
                } else {
                    const uint8_t* p = &in[size_t(2 * y) * row + c];
                    *to = uint8_t((p[0] + p[row]) / 2);
                }
            }
        }
    }
    return out;
}

GLint gluBuild2DMipmaps(GLenum, GLint internalFormat, GLsizei width, GLsizei height, GLenum format,
                        GLenum, const void* data) {
    if (width < 1 || height < 1)
        return GLU_INVALID_VALUE;
    const int components = componentsOf(GLenum(internalFormat));
    std::vector<uint8_t> level = unpack(width, height, format, data, components);
    int w = nearestPower(width), h = nearestPower(height);
    if (w != width || h != height)
        level = scale(level, width, height, w, h, components);
    for (int n = 0;; n++) {
        upload(n, components, w, h, level.data());
        if (w == 1 && h == 1)
            return 0;
        level = halve(level, w, h, components);
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
    }
}
