// Reads the message box a program shows and presses its OK, as a person
// would: for the tests that run the demo under Wine.
//   message_box_reader CAPTION SECONDS [PROGRAM ARGUMENT...]
// Waits up to SECONDS for a dialog titled CAPTION, prints its text on
// standard output and closes it with OK. Status 0 then, 1 when no such box
// came. Given a PROGRAM, starts it first as a double click does, without a
// console or standard streams, and ends with its exit status once it ends.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

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

// Null when it cannot be started.
static HANDLE startFromDesktop(int argc, char** argv) {
    std::string command;
    for (int i = 0; i < argc; i++)
        command += std::string(i ? " \"" : "\"") + argv[i] + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s CAPTION SECONDS [PROGRAM ARGUMENT...]\n", argv[0]);
        return 2;
    }
    HANDLE program = nullptr;
    if (argc > 3 && !(program = startFromDesktop(argc - 3, argv + 3))) {
        std::fprintf(stderr, "cannot start %s\n", argv[3]);
        return 1;
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
        if (program)
            TerminateProcess(program, 1);
        return 1;
    }
    char text[2048] = {};
    GetDlgItemTextA(search.found, messageTextId, text, sizeof text);
    std::printf("%s\n", text);
    std::fflush(stdout);
    PostMessageA(search.found, WM_COMMAND, IDOK, 0);
    if (!program)
        return 0;
    DWORD status = 1;
    if (WaitForSingleObject(program, 10000) != WAIT_OBJECT_0)
        TerminateProcess(program, 1);
    GetExitCodeProcess(program, &status);
    return int(status);
}
