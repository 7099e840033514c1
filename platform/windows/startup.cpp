#include "platform/startup.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

// Whether the person who started the program can read its lines: started
// from a console, or with its output sent to a file or a pipe.
static bool linesSeen = false;

static bool handleUsable(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// A program made for the desktop gets no console of its own. Started from
// one, it writes there, after the prompt that came back at once; started
// with its output redirected, it writes where that goes.
static void takeParentConsole() {
    const bool out = handleUsable(STD_OUTPUT_HANDLE), err = handleUsable(STD_ERROR_HANDLE);
    if ((!out || !err) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (!out)
            std::freopen("CONOUT$", "w", stdout);
        if (!err)
            std::freopen("CONOUT$", "w", stderr);
    }
    linesSeen = handleUsable(STD_OUTPUT_HANDLE) || handleUsable(STD_ERROR_HANDLE);
}

// The song, pictures and models lie beside the program, wherever the zip was
// unpacked and whatever folder it was started from.
static void enterProgramFolder() {
    std::vector<wchar_t> path(32768);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (length == 0 || length >= path.size())
        return;
    for (DWORD i = length; i > 0; i--) {
        if (path[i - 1] == L'\\' || path[i - 1] == L'/') {
            path[i - 1] = L'\0';
            SetCurrentDirectoryW(path.data());
            return;
        }
    }
}

void startPlatform() {
    takeParentConsole();
    enterProgramFolder();
    // GLUT reads DISPLAY on Windows too, as the name of a display device: an
    // X display named there (Wine, MSYS2, an X server for Windows) makes its
    // game mode fail.
    _putenv("DISPLAY=");
}

void tellUser(const char* text, bool error) {
    if (linesSeen) {
        std::fputs(text, error ? stderr : stdout);
        std::fflush(error ? stderr : stdout);
        return;
    }
    MessageBoxA(nullptr, text, "Marea de Neon",
                MB_OK | MB_SETFOREGROUND | (error ? MB_ICONERROR : MB_ICONINFORMATION));
}
