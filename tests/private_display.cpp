#include "tests/private_display.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
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
    for (pid_t process : {windowManager, pid})
        if (process > 0) {
            kill(process, SIGTERM);
            waitpid(process, nullptr, 0);
        }
    if (!folder.empty())
        std::filesystem::remove_all(folder);
}

// Starts a program that goes with the thread that started it, so a test
// killed at its timeout leaves nothing behind; its output is dropped.
static pid_t startProgram(std::vector<std::string> args, int ready = -1) {
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t parent = getpid();
    pid_t child = fork();
    if (child == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(1);
        int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, 0);
        dup2(devNull, 1);
        dup2(devNull, 2);
        if (ready >= 0)
            dup2(ready, readyFd);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return child;
}

// Starts an X server on display n with these arguments; its pid once it is
// ready, -1 when it is not (another server holds the number, or it failed).
static pid_t startServer(int n, std::vector<std::string> args) {
    args.insert(args.begin() + 1, ":" + std::to_string(n));
    args.insert(args.end(), {"-nolisten", "tcp", "-displayfd", std::to_string(readyFd)});
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0)
        return -1;
    const pid_t child = startProgram(args, ready[1]);
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

// Tests started side by side begin their search at different numbers; the
// server's own lock settles any clash that is left.
static bool startOnFreeNumber(const std::vector<std::string>& args, pid_t* pid, int* number) {
    int first = 200 + int(getpid() % 200);
    for (int i = 0; i < 40; i++) {
        pid_t server = startServer(first + i, args);
        if (server > 0) {
            *pid = server;
            *number = first + i;
            return true;
        }
    }
    return false;
}

bool PrivateDisplay::start(int width, int height) {
    if (pid > 0)
        return true;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    // Without -noreset the server starts itself again whenever its last
    // client leaves (a screenshot, a probe), and a program connecting just
    // then is refused.
    return startOnFreeNumber({"Xvfb", "-noreset", "-screen", "0", screen}, &pid, &number);
}

// No input devices and no virtual terminal: the server needs neither a
// console nor udev, as in a container. The screen is WIDTHx1080.
static const char desktopConfig[] = R"(Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AutoEnableDevices" "false"
    Option "DontVTSwitch" "true"
EndSection
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 64000
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-1000.0
    VertRefresh 5.0-200.0
    Modeline "3840x1080" 297.00 3840 4016 4104 4400 1080 1084 1089 1125 +hsync +vsync
    Modeline "1920x1080" 148.50 1920 2008 2052 2200 1080 1084 1089 1125 +hsync +vsync
    Modeline "1024x768" 65.00 1024 1048 1184 1344 768 771 777 806 -hsync -vsync
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Modes "WIDTHx1080" "1024x768"
        Virtual WIDTH 1080
    EndSubSection
EndSection
)";

bool PrivateDisplay::startDesktop(int monitors, bool withWindowManager) {
    if (pid > 0)
        return true;
    char made[] = "/tmp/private_desktop_XXXXXX";
    if (!mkdtemp(made))
        return false;
    folder = made;
    std::filesystem::create_directory(folder + "/conf.d");
    std::string config = desktopConfig;
    const std::string width = monitors == 2 ? "3840" : "1920";
    for (size_t at; (at = config.find("WIDTH")) != std::string::npos;)
        config.replace(at, 5, width);
    std::ofstream(folder + "/xorg.conf") << config;
    if (!startOnFreeNumber({"Xorg", "-config", folder + "/xorg.conf", "-configdir",
                            folder + "/conf.d", "-logfile", folder + "/Xorg.log", "-noreset",
                            "-keeptty"},
                           &pid, &number))
        return false;
    // Side by side, as two monitors on one X screen: the dummy driver's
    // single output becomes the left one.
    const std::string on = "DISPLAY=" + name() + " xrandr --setmonitor ";
    if (monitors == 2 && (runCommand(on + "left 1920/508x1080/286+0+0 DUMMY0", 10).exitCode != 0 ||
                          runCommand(on + "right 1920/508x1080/286+1920+0 none", 10).exitCode != 0))
        return false;
    if (!withWindowManager)
        return true;
    windowManager = startProgram({"env", "DISPLAY=" + name(), "openbox", "--sm-disable"});
    for (int i = 0; i < 100; i++) {
        ProcessResult check =
            runCommand("DISPLAY=" + name() + " xprop -root _NET_SUPPORTING_WM_CHECK", 5);
        if (check.out.find("window id") != std::string::npos)
            return true;
        usleep(100000);
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
