// A program run beside the test, in a process group of its own, whose
// standard output and error are collected while it runs, so a test can wait
// for a line, act on the display and then wait for the end.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

class ChildProcess {
  public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // Kills the group if it still runs.
    ~ChildProcess();

    // argv[0] is looked up on PATH. The child runs in `dir` (unless empty)
    // with `environment` ("NAME=value") added to the test's own.
    bool start(const std::vector<std::string>& argv, const std::string& dir = "",
               const std::vector<std::string>& environment = {});

    // True once `text` has appeared on standard output (or error).
    bool waitForOutput(const std::string& text, double timeoutSeconds, bool onError = false);
    // True once the process has ended and both streams are closed.
    bool waitForExit(double timeoutSeconds);
    // True once the process itself has ended, whoever else still holds its
    // streams (Wine's own programs, started by the first Windows program of
    // a session, keep them for a while); its exit code is then known.
    bool waitForProcessExit(double timeoutSeconds);
    bool running();
    // SIGKILL to the whole group, then waits for the end.
    void kill();
    // `signal` to the program alone; false once it has ended.
    bool sendSignal(int signal);

    // Exit status; -1 while it runs or after a signal ended it.
    int exitCode();
    // The signal that ended it; 0 while it runs or when it exited.
    int endingSignal();
    std::string out();
    std::string err();

  private:
    void collect(int outFd, int errFd);

    pid_t pid = -1;
    std::thread reader;
    std::mutex lock;
    std::condition_variable changed;
    std::string outText, errText;
    bool ended = false;
    bool reaped = false;
    int status = -1;
    int endedBy = 0; // the signal
};

struct ProcessResult {
    int exitCode = -1; // -1: killed or still running at the deadline
    std::string out, err;
};

// Runs a shell command line with its standard output and error captured;
// kills it after timeoutSeconds.
ProcessResult runCommand(const std::string& command, double timeoutSeconds);
