#include "platform/message_box.h"

#include "platform/quit_signals.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/keysym.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

// The box being shown.
static struct {
    bool active;
    bool dismissed;
    int width, height;          // window size in pixels
    int okX0, okY0, okX1, okY1; // OK button, window pixels, origin top left
} box;

static void* const font = GLUT_BITMAP_HELVETICA_12;

static int textWidth(const std::string& text) {
    return glutBitmapLength(font, reinterpret_cast<const unsigned char*>(text.c_str()));
}

static void drawText(int x, int y, const std::string& text) {
    glRasterPos2i(x, y);
    for (char c : text)
        glutBitmapCharacter(font, static_cast<unsigned char>(c));
}

static void fillRect(int x0, int y0, int x1, int y1) {
    glBegin(GL_QUADS);
    glVertex2i(x0, y0);
    glVertex2i(x1, y0);
    glVertex2i(x1, y1);
    glVertex2i(x0, y1);
    glEnd();
}

// Draws in window pixels with the origin at the top left.
static void drawBox(const std::string& caption, const std::string& text) {
    box.width = glutGet(GLUT_WINDOW_WIDTH);
    box.height = glutGet(GLUT_WINDOW_HEIGHT);
    int boxWidth = std::max(260, std::max(textWidth(text), textWidth(caption)) + 48);
    boxWidth = std::min(boxWidth, box.width - 16);
    int boxHeight = 128;
    int x0 = (box.width - boxWidth) / 2, y0 = (box.height - boxHeight) / 2;
    int x1 = x0 + boxWidth, y1 = y0 + boxHeight;
    box.okX0 = (box.width - 80) / 2;
    box.okX1 = box.okX0 + 80;
    box.okY0 = y1 - 40;
    box.okY1 = y1 - 14;

    glViewport(0, 0, box.width, box.height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, box.width, box.height, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_FOG);
    glDisable(GL_BLEND);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    glClearColor(0.1f, 0.1f, 0.12f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3ub(64, 64, 72);
    fillRect(x0 - 1, y0 - 1, x1 + 1, y1 + 1);
    glColor3ub(236, 236, 236);
    fillRect(x0, y0, x1, y1);
    glColor3ub(40, 80, 150);
    fillRect(x0, y0, x1, y0 + 26);
    glColor3ub(255, 255, 255);
    drawText(x0 + 10, y0 + 18, caption);
    glColor3ub(20, 20, 20);
    drawText(x0 + 24, y0 + 62, text);
    glColor3ub(110, 110, 120);
    fillRect(box.okX0 - 1, box.okY0 - 1, box.okX1 + 1, box.okY1 + 1);
    glColor3ub(210, 210, 216);
    fillRect(box.okX0, box.okY0, box.okX1, box.okY1);
    glColor3ub(20, 20, 20);
    drawText((box.okX0 + box.okX1 - textWidth("OK")) / 2, box.okY1 - 8, "OK");
    glutSwapBuffers();
}

static bool onOk(int x, int y) {
    return x >= box.okX0 && x < box.okX1 && y >= box.okY0 && y < box.okY1;
}

// Takes only the box's own input from the window's queue, and only through
// Xlib: the events GLUT has not seen yet, the window's first size among
// them, stay queued for the demo's main loop, so its reshape still comes.
static void takeInput(Display* display, Window window) {
    XEvent event;
    const long mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask;
    while (XCheckWindowEvent(display, window, mask, &event)) {
        if (event.type == KeyPress) {
            KeySym key = XLookupKeysym(&event.xkey, 0);
            if (key == XK_Return || key == XK_KP_Enter || key == XK_space || key == XK_Escape)
                box.dismissed = true;
        } else if (event.type == ButtonRelease && event.xbutton.button == Button1 &&
                   onOk(event.xbutton.x, event.xbutton.y)) {
            box.dismissed = true;
        }
    }
}

static void showInWindow(const std::string& caption, const std::string& text) {
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    GLint matrixMode;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    for (GLenum mode : {GL_PROJECTION, GL_MODELVIEW, GL_TEXTURE}) {
        glMatrixMode(mode);
        glPushMatrix();
    }

    box.active = true;
    box.dismissed = false;
    Display* display = glXGetCurrentDisplay();
    Window window = glXGetCurrentDrawable();
    while (!box.dismissed && !quitSignal() && display && window) {
        drawBox(caption, text);
        takeInput(display, window);
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
    }
    box.active = false;

    for (GLenum mode : {GL_TEXTURE, GL_MODELVIEW, GL_PROJECTION}) {
        glMatrixMode(mode);
        glPopMatrix();
    }
    glPopClientAttrib();
    glPopAttrib();
    glMatrixMode(matrixMode);
}

int MessageBoxA(HWND owner, const char* text, const char* caption, unsigned int) {
    std::string message = text ? text : "";
    // Texts may end in a line break of their own; the log keeps one line each.
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    std::string title = caption ? caption : "";
    fprintf(stderr, "%s: %s\n", title.c_str(), message.c_str());
    fflush(stderr);
    if ((owner || GetFocus()) && !box.active)
        showInWindow(title, message);
    return IDOK;
}

HWND GetFocus() {
    if (!glutGet(GLUT_INIT_STATE) || glutGetWindow() == 0)
        return nullptr;
    return reinterpret_cast<HWND>(static_cast<intptr_t>(glutGetWindow()));
}
