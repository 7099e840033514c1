#include "platform/quit_signals.h"

#include <csignal>
#include <cstdlib>
#include <initializer_list>
#include <unistd.h>

static volatile sig_atomic_t pending = 0;

static void noteSignal(int signal) {
    if (pending) {
        // Asked twice: whatever holds the main loop up, do not wait for it.
        std::signal(signal, SIG_DFL);
        raise(signal);
        return;
    }
    pending = signal;
}

void catchQuitSignals() {
    struct sigaction action = {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

int quitSignal() {
    return pending;
}

void endBySignal(int signal) {
    std::signal(signal, SIG_DFL);
    raise(signal);
    _exit(128 + signal); // should the signal be blocked
}
