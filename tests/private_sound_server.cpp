#include "tests/private_sound_server.h"

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

PrivateSoundServer::~PrivateSoundServer() {
    kill();
    if (!folder.empty())
        std::filesystem::remove_all(folder);
}

// Its own home and runtime folder: no other server's socket, cookie, pid
// file or saved settings are touched.
bool PrivateSoundServer::start(bool withSink) {
    if (folder.empty()) {
        char made[] = "/tmp/private_sound_XXXXXX";
        if (!mkdtemp(made))
            return false;
        folder = made;
        std::filesystem::create_directory(folder + "/home");
        mkdir((folder + "/run").c_str(), 0700);
    }
    server = std::make_unique<ChildProcess>();
    if (!(kind == SoundServer::pulseAudio ? startPulseAudio() : startPipeWire(withSink)))
        return false;
    // Each step is tried for a while: a busy machine may take its time.
    if (!retried("info"))
        return false;
    if (!withSink)
        return true;
    if (!retried("load-module module-null-sink sink_name=demo") ||
        !retried("set-default-sink demo"))
        return false;
    // The session manager may take a moment to make the sink the default.
    for (int i = 0; i < 100; i++) {
        if (pactl("get-default-sink").out.rfind("demo", 0) == 0)
            return true;
        usleep(50000);
    }
    trouble += "the sink never became the default\n";
    return false;
}

// pactl until it succeeds, for ten seconds at most while the server runs.
bool PrivateSoundServer::retried(const std::string& arguments) {
    ProcessResult result;
    for (int i = 0; i < 200 && server->running(); i++) {
        result = pactl(arguments);
        if (result.exitCode == 0)
            return true;
        usleep(50000);
    }
    trouble += "pactl " + arguments + ": " + result.err +
               (server->running() ? "" : "(the server has ended)") + "\n";
    return false;
}

bool PrivateSoundServer::startPulseAudio() {
    return server->start(
        {"pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "-n",
         "--load=module-native-protocol-unix auth-anonymous=1 socket=" + folder + "/run/native"},
        folder, {"HOME=" + folder + "/home", "XDG_RUNTIME_DIR=" + folder + "/run"});
}

// The services of a desktop session, on a bus of their own; the session
// manager (if wanted) and the PulseAudio service once PipeWire listens.
bool PrivateSoundServer::startPipeWire(bool withSessionManager) {
    // A server killed leaves its socket behind, which the session would take
    // for a server listening.
    for (const char* stale : {"/run/pipewire-0", "/run/pipewire-0.lock", "/run/pulse"})
        std::filesystem::remove_all(folder + stale);
    const std::string session =
        "pipewire & while [ ! -S \"$XDG_RUNTIME_DIR/pipewire-0\" ]; do sleep 0.02; done; " +
        std::string(withSessionManager ? "wireplumber & " : "") + "pipewire-pulse & wait";
    return server->start({"dbus-run-session", "--", "sh", "-c", session}, folder,
                         {"HOME=" + folder + "/home", "XDG_RUNTIME_DIR=" + folder + "/run"});
}

std::vector<std::string> PrivateSoundServer::environment() const {
    const std::string socket =
        kind == SoundServer::pulseAudio ? "/run/native" : "/run/pulse/native";
    // PipeWire's own clients find it by the runtime folder.
    return {"PULSE_SERVER=unix:" + folder + socket, "PULSE_COOKIE=" + folder + "/cookie",
            "XDG_RUNTIME_DIR=" + folder + "/run"};
}

static std::string commandPrefix(const std::vector<std::string>& environment) {
    std::string prefix;
    for (const std::string& variable : environment)
        prefix += variable + " ";
    return prefix;
}

ProcessResult PrivateSoundServer::pactl(const std::string& arguments) const {
    return runCommand(commandPrefix(environment()) + "pactl " + arguments, 10);
}

bool PrivateSoundServer::control(const std::string& arguments) const {
    return pactl(arguments).exitCode == 0;
}

bool PrivateSoundServer::stopSink() const {
    return kind == SoundServer::pulseAudio ? control("suspend-sink demo 1")
                                           : commandSinkNode("Pause");
}

bool PrivateSoundServer::startSink() const {
    return kind == SoundServer::pulseAudio ? control("suspend-sink demo 0")
                                           : commandSinkNode("Start");
}

// PipeWire's own command to the sink's node; its id from the lines
// "id 43, type ..." and "node.name = "demo"" of the node list.
bool PrivateSoundServer::commandSinkNode(const std::string& command) const {
    const ProcessResult nodes = runCommand(commandPrefix(environment()) + "pw-cli ls Node", 10);
    std::istringstream lines(nodes.out);
    std::string line, id, sink;
    while (std::getline(lines, line) && sink.empty()) {
        const size_t at = line.find("id ");
        if (at != std::string::npos && line.find(", type ") != std::string::npos)
            id = line.substr(at + 3, line.find(',') - at - 3);
        else if (line.find("node.name = \"demo\"") != std::string::npos)
            sink = id;
    }
    return !sink.empty() && runCommand(commandPrefix(environment()) + "pw-cli send-command " +
                                           sink + " " + command + " {}",
                                       10)
                                    .exitCode == 0;
}

void PrivateSoundServer::kill() {
    if (server)
        server->kill();
}

std::string PrivateSoundServer::log() const {
    return trouble + (server ? server->out() + server->err() : std::string());
}

SinkRecording PrivateSoundServer::record(double seconds) const {
    std::string command;
    for (const std::string& variable : environment())
        command += variable + " ";
    command += "timeout " + std::to_string(seconds) +
               " parec -d demo.monitor --raw --latency-msec=20 --rate=44100 --channels=2 "
               "--format=s16le";
    SinkRecording recording;
    FILE* in = popen(command.c_str(), "r");
    if (!in)
        return recording;
    int16_t block[2 * 441];
    size_t got;
    while ((got = fread(block, 4, 441, in)) > 0) {
        recording.stereo.insert(recording.stereo.end(), block, block + 2 * got);
        const auto first =
            std::chrono::steady_clock::now() -
            std::chrono::microseconds(int64_t(recording.stereo.size() / 2) * 1000000 / 44100);
        if (recording.stereo.size() == 2 * got || first < recording.firstFrame)
            recording.firstFrame = first;
    }
    pclose(in);
    return recording;
}
