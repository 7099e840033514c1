// A PulseAudio server of its own for one test or bench: the sound server of a
// real desktop, with a null sink in place of a sound card, so what the demo
// does when the sink is suspended, missing or gone can be made to happen.
#pragma once

#include "tests/child_process.h"

#include <string>
#include <vector>

class PrivatePulse {
  public:
    PrivatePulse() = default;
    PrivatePulse(const PrivatePulse&) = delete;
    PrivatePulse& operator=(const PrivatePulse&) = delete;
    ~PrivatePulse();

    // A server in a folder of its own, with the null sink "demo" unless
    // `withSink` is false; true once it takes clients.
    bool start(bool withSink = true);
    // What a program needs in its environment to play on this server.
    std::vector<std::string> environment() const;
    // pactl on this server ("suspend-sink demo 1"); true when it succeeded.
    bool control(const std::string& arguments) const;
    // The server ends at once, as when it crashes.
    void kill();

  private:
    std::string folder;
    ChildProcess server;
};
