#include "platform/display_mode.h"

#include <GL/glut.h>
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <cstring>
#include <unistd.h>
#include <vector>

static const char* const demoName = "Marea de Neon";
// The menu entry's StartupWMClass names it: docks match the window to the
// entry's icon by it, and the launch feedback ends when the window shows.
static const char* const demoClass = "marea-de-neon";

static void setUtf8Property(Display* display, Window window, const char* name, const char* value) {
    XChangeProperty(display, window, XInternAtom(display, name, False),
                    XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(value), int(std::strlen(value)));
}

void nameWindow() {
    glutSetWindowTitle(demoName);
    glutSetIconTitle(demoName);
    Display* display = glXGetCurrentDisplay();
    const Window window = glXGetCurrentDrawable();
    if (!display || !window)
        return;
    setUtf8Property(display, window, "_NET_WM_NAME", demoName);
    setUtf8Property(display, window, "_NET_WM_ICON_NAME", demoName);
    XClassHint hint = {const_cast<char*>(demoClass), const_cast<char*>(demoClass)};
    XSetClassHint(display, window, &hint);
    const long pid = getpid();
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    XFlush(display);
}

// One square icon of `size` pixels, averaged from whole boxes of the
// picture: width, height, then ARGB rows from the top, one to a long as Xlib
// wants 32-bit properties.
static void appendIcon(std::vector<long>* icon, int size, int width, int height,
                       const unsigned char* rgba) {
    icon->push_back(size);
    icon->push_back(size);
    for (int y = 0; y < size; y++) {
        const int first = y * height / size, last = std::max(first + 1, (y + 1) * height / size);
        for (int x = 0; x < size; x++) {
            const int left = x * width / size, right = std::max(left + 1, (x + 1) * width / size);
            unsigned long sum[4] = {};
            unsigned long count = 0;
            for (int fromTop = first; fromTop < last; fromTop++)
                for (int column = left; column < right; column++) {
                    // The picture's rows run from the bottom.
                    const int row = height - 1 - fromTop;
                    const unsigned char* p = rgba + (size_t(row) * size_t(width) + column) * 4;
                    for (int c = 0; c < 4; c++)
                        sum[c] += p[c];
                    count++;
                }
            const unsigned long r = sum[0] / count, g = sum[1] / count, b = sum[2] / count;
            // The picture's alpha is not a mask: the icon is opaque, as the menu's is.
            icon->push_back(long(0xFF000000UL | r << 16 | g << 8 | b));
        }
    }
}

void setWindowIcon(int width, int height, const unsigned char* rgba) {
    Display* display = glXGetCurrentDisplay();
    const Window window = glXGetCurrentDrawable();
    if (!display || !window || width <= 0 || height <= 0 || !rgba)
        return;
    std::vector<long> icon;
    for (int size : {32, 64, 128})
        appendIcon(&icon, size, width, height, rgba);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(icon.data()),
                    int(icon.size()));
    XFlush(display);
}
