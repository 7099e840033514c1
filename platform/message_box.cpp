#include "platform/message_box.h"

#include <cstdio>

int MessageBoxA(HWND, const char* text, const char* caption, unsigned int) {
    fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    fflush(stderr);
    return IDOK;
}

HWND GetFocus() {
    return nullptr;
}
