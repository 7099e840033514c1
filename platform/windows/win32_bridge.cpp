#include "platform/windows/win32_bridge.h"

#include <windows.h>

int showWin32MessageBox(void* owner, const char* text, const char* caption, unsigned int type) {
    // A box without an owner would open beneath the game mode's window,
    // which stays on top, and hold the show up unseen.
    HWND window = owner ? static_cast<HWND>(owner) : GetActiveWindow();
    return MessageBoxA(window, text, caption, type | MB_SETFOREGROUND);
}

void* win32FocusWindow() {
    return GetFocus();
}
