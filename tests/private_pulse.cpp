#include "tests/private_pulse.h"

#include <filesystem>
#include <unistd.h>

PrivatePulse::~PrivatePulse() {
    server.kill();
    if (!folder.empty())
        std::filesystem::remove_all(folder);
}

bool PrivatePulse::start(bool withSink) {
    char made[] = "/tmp/private_pulse_XXXXXX";
    if (!mkdtemp(made))
        return false;
    folder = made;
    // Its own home and runtime folder: no other server's socket, cookie or
    // pid file is touched, and no configuration but the modules given here.
    std::vector<std::string> args = {
        "pulseaudio",
        "--daemonize=no",
        "--exit-idle-time=-1",
        "--use-pid-file=no",
        "-n",
        "--load=module-native-protocol-unix auth-anonymous=1 socket=" + folder + "/native"};
    if (withSink)
        args.push_back("--load=module-null-sink sink_name=demo");
    if (!server.start(args, folder, {"HOME=" + folder, "XDG_RUNTIME_DIR=" + folder}))
        return false;
    for (int i = 0; i < 100 && server.running(); i++) {
        if (control("info"))
            return true;
        usleep(100000);
    }
    return false;
}

std::vector<std::string> PrivatePulse::environment() const {
    return {"PULSE_SERVER=unix:" + folder + "/native", "PULSE_COOKIE=" + folder + "/cookie"};
}

bool PrivatePulse::control(const std::string& arguments) const {
    std::string command;
    for (const std::string& variable : environment())
        command += variable + " ";
    return runCommand(command + "pactl " + arguments, 10).exitCode == 0;
}

void PrivatePulse::kill() {
    server.kill();
}
