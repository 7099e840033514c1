#include "tests/private_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// Xvfb writes its display number to this descriptor once it accepts clients.
static const int readyFd = 3;

PrivateDisplay::~PrivateDisplay() {
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}

// Starts Xvfb on display n; its pid once it is ready, -1 when it is not
// (another server holds the number, or it failed to start).
static pid_t startXvfb(int n, const std::string& screen) {
    std::vector<std::string> args = {
        "Xvfb",       ":" + std::to_string(n), "-screen", "0", screen, "-nolisten", "tcp",
        "-displayfd", std::to_string(readyFd)};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0)
        return -1;
    pid_t parent = getpid();
    pid_t child = fork();
    if (child == 0) {
        // A test killed at its timeout leaves no server behind: this one goes
        // with the thread that started it.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(1);
        int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, 0);
        dup2(devNull, 1);
        dup2(devNull, 2);
        dup2(ready[1], readyFd);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(ready[1]);
    if (child < 0) {
        close(ready[0]);
        return -1;
    }
    std::string reply;
    pollfd fd = {ready[0], POLLIN, 0};
    // A busy machine may take a while to bring the server up.
    while (reply.find('\n') == std::string::npos && poll(&fd, 1, 20000) > 0) {
        char buffer[32];
        ssize_t got = read(ready[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        reply.append(buffer, size_t(got));
    }
    close(ready[0]);
    if (reply.find('\n') != std::string::npos && std::stoi(reply) == n)
        return child;
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return -1;
}

bool PrivateDisplay::start(int width, int height) {
    if (pid > 0)
        return true;
    // Tests started side by side begin their search at different numbers;
    // the server's own lock settles any clash that is left.
    int first = 200 + int(getpid() % 200);
    for (int i = 0; i < 40; i++) {
        pid_t server =
            startXvfb(first + i, std::to_string(width) + "x" + std::to_string(height) + "x24");
        if (server > 0) {
            pid = server;
            number = first + i;
            return true;
        }
    }
    return false;
}

std::string PrivateDisplay::name() const {
    return number < 0 ? std::string() : ":" + std::to_string(number);
}

bool PrivateDisplay::capture(Screenshot& shot) const {
    return pid > 0 && captureScreen(shot, name());
}

bool PrivateDisplay::sendKeys(const std::string& keys) const {
    if (pid <= 0)
        return false;
    std::string command =
        "DISPLAY=" + name() + " xdotool mousemove 512 384 key --delay 100 " + keys;
    return runCommand(command, 20).exitCode == 0;
}
