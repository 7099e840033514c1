// Modal message boxes with one OK button.
#pragma once

using HWND = void*;
constexpr unsigned int MB_OK = 0;
constexpr int IDOK = 1;

// Writes "caption: text" as one line to standard error and shows the box
// until it is dismissed: on Windows user32's own, above the demo's window;
// on the desktop drawn in the demo's window once it exists, dismissed by
// Enter, Space, Esc or a click on OK. GL state is left exactly as it was.
int MessageBoxA(HWND owner, const char* text, const char* caption, unsigned int type);
// The demo's window once it exists, else null.
HWND GetFocus();
