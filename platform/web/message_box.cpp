// Message boxes of the web build: the page shows every line of standard
// error, so the box is that line. A page cannot wait for a click in the
// middle of start-up, so nothing waits.
#include "platform/message_box.h"

#include <cstdio>
#include <string>

int MessageBoxA(HWND, const char* text, const char* caption, unsigned int) {
    std::string message = text ? text : "";
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", message.c_str());
    return IDOK;
}

HWND GetFocus() {
    return nullptr;
}
