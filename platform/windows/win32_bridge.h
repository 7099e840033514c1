// The Win32 calls behind the contracts that borrow Win32's own names
// (MessageBoxA, GetFocus): their files cannot include windows.h, whose
// declarations of the same names clash with the contracts'.
#pragma once

// user32's MessageBoxA, owned by `owner`, else by the demo's window, so that
// the box shows above a full-screen window and holds it while it is open.
int showWin32MessageBox(void* owner, const char* text, const char* caption, unsigned int type);
// user32's GetFocus.
void* win32FocusWindow();
