// A sound server of its own for one test or bench, one of the two Linux
// desktops run: a PulseAudio daemon, or a PipeWire session (pipewire, its
// session manager wireplumber and its PulseAudio service pipewire-pulse, on
// a session bus of their own). Either way a null sink "demo" stands in for
// the sound card, so what the demo does when the sink is stopped, missing
// or gone, or the server restarts, can be made to happen; pactl works on
// both.
#pragma once

#include "tests/child_process.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class SoundServer { pulseAudio, pipeWire };

// What the sink played, from its monitor: 44100 Hz stereo, and when its
// first frame was played, at the latest.
struct SinkRecording {
    std::vector<int16_t> stereo;
    std::chrono::steady_clock::time_point firstFrame;
};

class PrivateSoundServer {
  public:
    explicit PrivateSoundServer(SoundServer kind = SoundServer::pulseAudio) : kind(kind) {}
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;
    ~PrivateSoundServer();

    // The server, in a folder of its own (the same one again after kill()),
    // with the null sink "demo" as its default; true once it takes clients.
    // Without a sink PulseAudio has none at all, and PipeWire runs without
    // its session manager, which would make a dummy one: streams then wait
    // for ever for a sink to play on.
    bool start(bool withSink = true);
    // What a program needs in its environment to play on this server.
    std::vector<std::string> environment() const;
    // pactl on this server ("suspend-sink demo 1"); true when it succeeded.
    bool control(const std::string& arguments) const;
    // The sink stops taking sound, as when the monitor with the speakers
    // goes to sleep: suspended (PulseAudio) or its node paused (PipeWire).
    bool stopSink() const;
    // And takes it again, as when the monitor wakes up.
    bool startSink() const;
    // Records what the sink plays for `seconds`. Each block arrives just
    // after it was played, so the earliest arrival less the frames before it
    // dates the first frame, however long the recorder takes to start on a
    // server that has just started itself.
    SinkRecording record(double seconds) const;
    // The server ends at once, as when it crashes.
    void kill();
    // What the server has said, for a failure's message.
    std::string log() const;

  private:
    ProcessResult pactl(const std::string& arguments) const;
    bool retried(const std::string& arguments);
    bool commandSinkNode(const std::string& command) const;
    bool startPulseAudio();
    bool startPipeWire(bool withSessionManager);

    SoundServer kind;
    std::string folder;
    std::unique_ptr<ChildProcess> server;
    std::string trouble; // what went wrong in start()
};
