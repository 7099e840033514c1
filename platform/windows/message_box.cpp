#include "platform/message_box.h"

#include "platform/windows/win32_bridge.h"

#include <cstdio>
#include <string>

int MessageBoxA(HWND owner, const char* text, const char* caption, unsigned int type) {
    std::string line = text ? text : "";
    // Texts may end in a line break of their own; the log keeps one line each.
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", line.c_str());
    std::fflush(stderr);
    return showWin32MessageBox(owner, text, caption, type);
}

HWND GetFocus() {
    return win32FocusWindow();
}
