// Modal message boxes with one OK button.
#pragma once

using HWND = void*;
constexpr unsigned int MB_OK = 0;
constexpr int IDOK = 1;

// Writes "caption: text" as one line to standard error; when the demo's
// window exists, also shows the box in it and waits until Enter, Space, Esc
// or a click dismisses it. GL state is left exactly as it was.
int MessageBoxA(HWND owner, const char* text, const char* caption, unsigned int type);
// The demo's window once it exists, else null.
HWND GetFocus();
