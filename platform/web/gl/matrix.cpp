// The matrix stacks, glFrustum and gluLookAt, in single precision as GL
// and GLU compute them.
#include "platform/web/gl/gl_layer.h"

#include <GL/glu.h>
#include <cmath>

FixedFunctionState fixedState;

static std::vector<Matrix>& currentStack() {
    FixedFunctionState& gl = fixedState;
    return gl.matrixMode == GL_PROJECTION ? gl.projection : gl.modelview;
}

Matrix& currentMatrix() {
    return currentStack().back();
}

static void changed() {
    if (fixedState.matrixMode == GL_MODELVIEW)
        fixedState.normalMatrixStale = true;
}

// current = current * by
static void multiply(const Matrix& by) {
    Matrix& current = currentMatrix();
    const Matrix a = current;
    for (int column = 0; column < 4; column++)
        for (int row = 0; row < 4; row++) {
            float sum = 0;
            for (int k = 0; k < 4; k++)
                sum += a.m[k * 4 + row] * by.m[column * 4 + k];
            current.m[column * 4 + row] = sum;
        }
    changed();
}

void updateNormalMatrix() {
    FixedFunctionState& gl = fixedState;
    if (!gl.normalMatrixStale)
        return;
    const float* m = gl.modelview.back().m;
    // The cofactors of the upper 3x3 over its determinant are its inverse
    // transpose; listed column by column, like the matrices.
    const float a = m[0], b = m[4], c = m[8];
    const float d = m[1], e = m[5], f = m[9];
    const float g = m[2], h = m[6], i = m[10];
    const float cofactors[9] = {e * i - f * h, c * h - b * i, b * f - c * e,
                                f * g - d * i, a * i - c * g, c * d - a * f,
                                d * h - e * g, b * g - a * h, a * e - b * d};
    const float determinant = a * cofactors[0] + b * cofactors[3] + c * cofactors[6];
    const float scale = determinant != 0 ? 1 / determinant : 0;
    for (int k = 0; k < 9; k++)
        gl.normalMatrix[k] = cofactors[k] * scale;
    gl.normalMatrixStale = false;
}

void glMatrixMode(GLenum mode) {
    fixedState.matrixMode = mode;
}

void glLoadIdentity() {
    currentMatrix() = identityMatrix;
    changed();
}

void glPushMatrix() {
    std::vector<Matrix>& stack = currentStack();
    stack.push_back(stack.back());
}

void glPopMatrix() {
    std::vector<Matrix>& stack = currentStack();
    if (stack.size() > 1)
        stack.pop_back();
    changed();
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    Matrix t = identityMatrix;
    t.m[12] = x;
    t.m[13] = y;
    t.m[14] = z;
    multiply(t);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    const float s = float(std::sin(angle * M_PI / 180.0));
    const float c = float(std::cos(angle * M_PI / 180.0));
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length <= 1.0e-4f)
        return;
    x /= length;
    y /= length;
    z /= length;
    const float k = 1 - c;
    Matrix r = identityMatrix;
    r.m[0] = k * x * x + c;
    r.m[4] = k * x * y - z * s;
    r.m[8] = k * z * x + y * s;
    r.m[1] = k * x * y + z * s;
    r.m[5] = k * y * y + c;
    r.m[9] = k * y * z - x * s;
    r.m[2] = k * z * x - y * s;
    r.m[6] = k * y * z + x * s;
    r.m[10] = k * z * z + c;
    multiply(r);
}

void glFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear,
               GLdouble zFar) {
    const float l = float(left), r = float(right), b = float(bottom), t = float(top);
    const float n = float(zNear), f = float(zFar);
    Matrix p = {};
    p.m[0] = 2 * n / (r - l);
    p.m[5] = 2 * n / (t - b);
    p.m[8] = (r + l) / (r - l);
    p.m[9] = (t + b) / (t - b);
    p.m[10] = -(f + n) / (f - n);
    p.m[11] = -1;
    p.m[14] = -(2 * f * n) / (f - n);
    multiply(p);
}

static void normalize(float v[3]) {
    const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length == 0)
        return;
    for (int i = 0; i < 3; i++)
        v[i] /= length;
}

static void cross(const float a[3], const float b[3], float out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
    float forward[3] = {float(centerX - eyeX), float(centerY - eyeY), float(centerZ - eyeZ)};
    float up[3] = {float(upX), float(upY), float(upZ)};
    normalize(forward);
    float side[3];
    cross(forward, up, side);
    normalize(side);
    cross(side, forward, up);
    Matrix view = identityMatrix;
    for (int i = 0; i < 3; i++) {
        view.m[i * 4 + 0] = side[i];
        view.m[i * 4 + 1] = up[i];
        view.m[i * 4 + 2] = -forward[i];
    }
    multiply(view);
    glTranslatef(float(-eyeX), float(-eyeY), float(-eyeZ));
}
