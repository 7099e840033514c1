#include "platform/quit_signals.h"

#include <windows.h>

#include <csignal>
#include <cstdio>

static volatile LONG pending = 0;

// The console the demo was started from, if any, asks it to end: Ctrl-C,
// Ctrl-Break, or the console closing. Windows calls this on a thread of its
// own; the main loop ends the demo in order at its next frame.
static BOOL WINAPI noteControl(DWORD event) {
    const LONG signal = event == CTRL_C_EVENT       ? SIGINT
                        : event == CTRL_BREAK_EVENT ? SIGBREAK
                                                    : SIGTERM;
    if (InterlockedCompareExchange(&pending, signal, 0) != 0) {
        // Asked twice: whatever holds the main loop up, do not wait for it.
        ExitProcess(STATUS_CONTROL_C_EXIT);
    }
    // Once this returns from a closing console, Windows ends the process at
    // once; the main loop is given a moment first.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        Sleep(2000);
    return TRUE;
}

void catchQuitSignals() {
    SetConsoleCtrlHandler(noteControl, TRUE);
}

int quitSignal() {
    return int(pending);
}

void endBySignal(int) {
    std::fflush(stdout);
    std::fflush(stderr);
    // How a console program that Ctrl-C ends ends on Windows.
    ExitProcess(STATUS_CONTROL_C_EXIT);
}
