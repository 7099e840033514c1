#include "tests/child_process.h"

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using Clock = std::chrono::steady_clock;

static std::chrono::milliseconds millis(double seconds) {
    return std::chrono::milliseconds(long(seconds * 1000));
}

// The test's environment with `added` put in place of same-named entries.
// Built before fork: the child may call nothing that allocates.
static std::vector<std::string> mergedEnvironment(const std::vector<std::string>& added) {
    std::vector<std::string> merged;
    for (char** e = environ; *e; e++) {
        std::string entry = *e;
        std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& a : added)
            replaced = replaced || a.compare(0, name.size() + 1, name + "=") == 0;
        if (!replaced)
            merged.push_back(entry);
    }
    merged.insert(merged.end(), added.begin(), added.end());
    return merged;
}

static std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (std::string& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

ChildProcess::~ChildProcess() {
    kill();
}

bool ChildProcess::start(const std::vector<std::string>& argv, const std::string& dir,
                         const std::vector<std::string>& environment) {
    if (pid > 0 || argv.empty())
        return false;
    std::vector<std::string> args = argv;
    std::vector<std::string> env = mergedEnvironment(environment);
    std::vector<char*> argp = pointers(args), envp = pointers(env);
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0)
        return false;
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return false;
    }
    pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        if (!dir.empty() && chdir(dir.c_str()) != 0)
            _exit(126);
        execvpe(argp[0], argp.data(), envp.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    if (child < 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return false;
    }
    // Also here, so a kill right after start reaches the group.
    setpgid(child, child);
    pid = child;
    reader = std::thread([this, out = outPipe[0], err = errPipe[0]] { collect(out, err); });
    return true;
}

void ChildProcess::collect(int outFd, int errFd) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&outText, &errText};
    int open = 2;
    bool reapedHere = false;
    Clock::time_point reapedAt;
    // A program it started may keep the streams open after it ended: read on
    // for a little while, then give up on them.
    while (open > 0 && !(reapedHere && Clock::now() - reapedAt > std::chrono::seconds(2))) {
        poll(fds, 2, 50);
        for (int i = 0; i < 2; i++) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[4096];
            ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            std::lock_guard<std::mutex> guard(lock);
            if (got > 0) {
                sinks[i]->append(buffer, size_t(got));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                open--;
            }
            changed.notify_all();
        }
        if (!reapedHere) {
            std::lock_guard<std::mutex> guard(lock);
            int code = 0;
            if (waitpid(pid, &code, WNOHANG) == pid) {
                reapedHere = true;
                reaped = true;
                reapedAt = Clock::now();
                status = WIFEXITED(code) ? WEXITSTATUS(code) : -1;
                endedBy = WIFSIGNALED(code) ? WTERMSIG(code) : 0;
                // The group id may be reused from now on: no more kills.
                pid = 0;
                changed.notify_all();
            }
        }
    }
    for (pollfd& f : fds)
        if (f.fd >= 0)
            close(f.fd);
    if (!reapedHere) {
        int code = 0;
        waitpid(pid, &code, 0);
        std::lock_guard<std::mutex> guard(lock);
        reaped = true;
        status = WIFEXITED(code) ? WEXITSTATUS(code) : -1;
        endedBy = WIFSIGNALED(code) ? WTERMSIG(code) : 0;
        pid = 0;
    }
    std::lock_guard<std::mutex> guard(lock);
    ended = true;
    changed.notify_all();
}

bool ChildProcess::waitForOutput(const std::string& text, double timeoutSeconds, bool onError) {
    std::unique_lock<std::mutex> guard(lock);
    const std::string& stream = onError ? errText : outText;
    return changed.wait_for(guard, millis(timeoutSeconds), [&] {
        return stream.find(text) != std::string::npos || ended;
    }) && stream.find(text) != std::string::npos;
}

bool ChildProcess::waitForExit(double timeoutSeconds) {
    std::unique_lock<std::mutex> guard(lock);
    if (pid < 0)
        return false;
    return changed.wait_for(guard, millis(timeoutSeconds), [&] { return ended; });
}

bool ChildProcess::waitForProcessExit(double timeoutSeconds) {
    std::unique_lock<std::mutex> guard(lock);
    if (pid < 0)
        return false;
    return changed.wait_for(guard, millis(timeoutSeconds), [&] { return reaped; });
}

bool ChildProcess::running() {
    std::lock_guard<std::mutex> guard(lock);
    return pid > 0;
}

void ChildProcess::kill() {
    {
        std::lock_guard<std::mutex> guard(lock);
        if (pid > 0)
            ::kill(-pid, SIGKILL);
    }
    if (reader.joinable())
        reader.join();
}

bool ChildProcess::sendSignal(int signal) {
    std::lock_guard<std::mutex> guard(lock);
    return pid > 0 && !ended && ::kill(pid, signal) == 0;
}

int ChildProcess::exitCode() {
    std::lock_guard<std::mutex> guard(lock);
    return reaped ? status : -1;
}

int ChildProcess::endingSignal() {
    std::lock_guard<std::mutex> guard(lock);
    return ended ? endedBy : 0;
}

std::string ChildProcess::out() {
    std::lock_guard<std::mutex> guard(lock);
    return outText;
}

std::string ChildProcess::err() {
    std::lock_guard<std::mutex> guard(lock);
    return errText;
}

ProcessResult runCommand(const std::string& command, double timeoutSeconds) {
    ProcessResult result;
    ChildProcess child;
    if (!child.start({"/bin/sh", "-c", command}))
        return result;
    bool finished = child.waitForExit(timeoutSeconds);
    child.kill();
    result.exitCode = finished ? child.exitCode() : -1;
    result.out = child.out();
    result.err = child.err();
    return result;
}
