#include "platform/audio_driver_probe.h"

#include "platform/frame_clock.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

// A server that takes its time answering still answers well within this.
static const int64_t answerNanoseconds = 3000000000;

std::vector<std::string> audioDriverCandidates() {
    std::vector<std::string> drivers;
    if (const char* listed = SDL_GetHint(SDL_HINT_AUDIODRIVER); listed && *listed) {
        std::string list = listed;
        for (size_t start = 0; start <= list.size();) {
            size_t end = list.find(',', start);
            if (end == std::string::npos)
                end = list.size();
            if (end > start)
                drivers.push_back(list.substr(start, end - start));
            start = end + 1;
        }
        return drivers;
    }
    // The file and silent drivers are SDL's only on demand.
    for (int i = 0; i < SDL_GetNumAudioDrivers(); i++) {
        const std::string name = SDL_GetAudioDriver(i);
        if (name != "disk" && name != "dummy")
            drivers.push_back(name);
    }
    return drivers;
}

[[noreturn]] static void probeInChild(const std::string& driver, SDL_AudioSpec want, int reply) {
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
    }
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    std::string answer = "+";
    if (SDL_AudioInit(driver.c_str()) != 0) {
        answer = std::string("-") + SDL_GetError();
    } else {
        want.callback = nullptr; // nothing is played: SDL queues silence
        SDL_AudioSpec have;
        if (SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0) == 0)
            answer = std::string("-") + SDL_GetError();
    }
    if (write(reply, answer.data(), answer.size()) < 0) {
        // The parent has gone; nobody is left to tell.
    }
    _exit(0);
}

// Everything the child writes until it closes the pipe, or until the deadline.
static bool readAnswer(int from, std::string* answer) {
    const int64_t deadline = monotonicNanoseconds() + answerNanoseconds;
    for (;;) {
        const int64_t left = deadline - monotonicNanoseconds();
        if (left <= 0)
            return false;
        pollfd wait = {from, POLLIN, 0};
        const int ready = poll(&wait, 1, int(left / 1000000) + 1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char block[512];
        const ssize_t got = read(from, block, sizeof block);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return true;
        answer->append(block, size_t(got));
    }
}

bool audioDriverPlays(const std::string& driver, const SDL_AudioSpec& want, std::string* reason) {
    int reply[2];
    if (pipe2(reply, O_CLOEXEC) != 0) {
        *reason = std::strerror(errno);
        return false;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = fork();
    if (child == 0) {
        close(reply[0]);
        probeInChild(driver, want, reply[1]);
    }
    close(reply[1]);
    if (child < 0) {
        *reason = std::strerror(errno);
        close(reply[0]);
        return false;
    }
    std::string answer;
    const bool answered = readAnswer(reply[0], &answer);
    close(reply[0]);
    if (!answered)
        kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!answered) {
        *reason = "the " + driver + " driver did not answer";
        return false;
    }
    if (WIFSIGNALED(status) && answer.empty()) {
        *reason = "the " + driver + " driver crashed (" + strsignal(WTERMSIG(status)) + ")";
        return false;
    }
    if (answer == "+")
        return true;
    *reason = answer.empty() ? "the " + driver + " driver gave no answer" : answer.substr(1);
    return false;
}
