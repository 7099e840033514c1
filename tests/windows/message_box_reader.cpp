// Reads the message box another program shows and presses its OK, as a
// person would: for the tests that run the demo under Wine.
//   message_box_reader CAPTION SECONDS
// Waits up to SECONDS for a dialog titled CAPTION, prints its text on
// standard output and closes it with OK. Status 0 then, 1 when no such box
// came.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// The text of a message box is the static control of this identifier.
static const int messageTextId = 0xFFFF;

struct Search {
    const char* caption;
    HWND found;
};

static BOOL CALLBACK matchBox(HWND window, LPARAM parameter) {
    Search& search = *reinterpret_cast<Search*>(parameter);
    char className[64] = {}, title[256] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    if (std::strcmp(className, "#32770") == 0 && std::strcmp(title, search.caption) == 0 &&
        IsWindowVisible(window)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s CAPTION SECONDS\n", argv[0]);
        return 2;
    }
    Search search = {argv[1], nullptr};
    const DWORD deadline = GetTickCount() + DWORD(std::atof(argv[2]) * 1000);
    while (!search.found && GetTickCount() < deadline) {
        EnumWindows(matchBox, reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            Sleep(50);
    }
    if (!search.found) {
        std::fprintf(stderr, "no message box titled \"%s\"\n", argv[1]);
        return 1;
    }
    char text[1024] = {};
    GetDlgItemTextA(search.found, messageTextId, text, sizeof text);
    std::printf("%s\n", text);
    std::fflush(stdout);
    PostMessageA(search.found, WM_COMMAND, IDOK, 0);
    return 0;
}
