#include "tests/wine.h"

#include "tests/child_process.h"

#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

static const std::string prefix = WINDOWS_BUILD_DIR "/wine";
static const char* const wine = "/usr/lib/wine/wine64";
static const char* const wineServer = "/usr/lib/wine/wineserver";

std::vector<std::string> wineEnvironment(const std::string& display) {
    return {"WINEPREFIX=" + prefix,
            "WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=", "WINEDEBUG=-all",
            "DISPLAY=" + display};
}

std::vector<std::string> wineCommand(const std::string& program,
                                     const std::vector<std::string>& arguments) {
    std::vector<std::string> command = {wine, program};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
}

static std::string quietCommand(const std::string& line) {
    std::string command;
    for (const std::string& variable : wineEnvironment(""))
        command += variable + " ";
    return command + line + " </dev/null >/dev/null 2>&1";
}

bool prepareWine(std::string* trouble) {
    std::filesystem::create_directories(WINDOWS_BUILD_DIR);
    const int lockFd = open((prefix + ".lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    if (lockFd < 0 || flock(lockFd, LOCK_EX) != 0) {
        *trouble = "cannot lock " + prefix + ".lock";
        if (lockFd >= 0)
            close(lockFd);
        return false;
    }
    bool ready = std::filesystem::exists(prefix + "/system.reg");
    if (!ready) {
        std::filesystem::remove_all(prefix);
        ProcessResult made = runCommand(quietCommand(std::string(wine) + " wineboot -i") + " && " +
                                            quietCommand(std::string(wineServer) + " -w"),
                                        180);
        ready = made.exitCode == 0 && std::filesystem::exists(prefix + "/system.reg");
        if (!ready)
            *trouble = "wineboot could not make the prefix " + prefix;
    }
    // A server that stays a while after its last program, whose services
    // start now with nothing of the tests': Wine's programs started by the
    // first Windows program would otherwise hold that test's streams open.
    if (ready) {
        ready = runCommand(quietCommand(std::string(wineServer) + " -p120") + "; " +
                               quietCommand(std::string(wine) + " wineboot"),
                           60)
                    .exitCode == 0;
        if (!ready)
            *trouble = "Wine's server or services did not start for " + prefix;
    }
    flock(lockFd, LOCK_UN);
    close(lockFd);
    return ready;
}
