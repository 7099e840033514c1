// first_frame [RUNS] [SOUND]: how long the demo takes from its start to its
// first frame on the generated assets. Each run starts the real binary on an
// Xvfb of its own and measures two moments from the fork: the "Window
// Changed to" line on its standard output (the main loop has begun and the
// first frame is being drawn), and the first screenshot that shows Scene1.
// Screenshots are taken back to back, so the second moment is late by up to
// one capture, whose mean time is printed too. Prints every run and the
// medians.
//
// SOUND is the sound set-up: "dummy" (SDL's silent driver, the default),
// "pipewire-without-sink" (a PipeWire session of its own with pipewire-pulse
// but no session manager, so no sink: every driver waits for one) or
// "no-server" (no sound server at all); or "windows": the Windows build's
// program (build-windows/, beside the files) under Wine, muted.
#include "tests/demo_assets.h"
#include "tests/demo_scenes.h"
#include "tests/private_display.h"
#include "tests/private_sound_server.h"
#include "tests/wine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

static double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

static double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Run {
    bool ok = false;
    double window = 0, scene1 = 0;
    double captureTime = 0;
};

static Run measure(const std::string& dir, const SceneReferences& references,
                   const std::vector<std::string>& sound, bool windows) {
    Run run;
    PrivateDisplay display;
    if (!display.start()) {
        std::fprintf(stderr, "first_frame: no Xvfb\n");
        return run;
    }
    ChildProcess demo;
    double windowAt = -1;
    auto begin = Clock::now();
    // Frames back to back, as the figures before the 60 Hz pacing were taken.
    std::vector<std::string> environment = sound;
    environment.push_back("DISPLAY=" + display.name());
    if (windows)
        environment = wineEnvironment(display.name());
    const std::vector<std::string> command =
        windows ? wineCommand(dir + "/marea-de-neon.exe", {"--uncapped", "--mute"})
                : std::vector<std::string>{DEMO_BINARY, "--uncapped"};
    if (!demo.start(command, dir, environment))
        return run;
    std::thread watcher([&] {
        if (demo.waitForOutput("Window Changed to", 30))
            windowAt = secondsSince(begin);
    });
    double scene1At = -1;
    int captures = 0;
    double capturing = 0;
    while (scene1At < 0 && demo.running() && secondsSince(begin) < 30) {
        auto before = Clock::now();
        Screenshot shot;
        bool captured = display.capture(shot);
        capturing += secondsSince(before);
        captures++;
        if (captured && shot.width == 1024 && classifyScene(shot, references) == DemoScene::scene1)
            scene1At = secondsSince(begin);
    }
    watcher.join();
    bool quit = display.sendKeys("Escape") && demo.waitForProcessExit(10) && demo.exitCode() == 0;
    if (!quit)
        std::fprintf(stderr, "first_frame: the demo did not quit cleanly on Esc\n%s",
                     demo.err().c_str());
    run.ok = windowAt >= 0 && scene1At >= 0 && quit;
    run.window = windowAt;
    run.scene1 = scene1At;
    run.captureTime = captures ? capturing / captures : 0;
    return run;
}

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::atoi(argv[1]) : 10;
    const std::string setUp = argc > 2 ? argv[2] : "dummy";
    // Without SDL_AUDIODRIVER SDL tries its drivers in its own order.
    std::vector<std::string> sound = {"SDL_AUDIODRIVER="};
    PrivateSoundServer pipeWire(SoundServer::pipeWire);
    char nowhere[] = "/tmp/first_frame_no_server_XXXXXX";
    if (setUp == "dummy") {
        sound = {"SDL_AUDIODRIVER=dummy"};
    } else if (setUp == "pipewire-without-sink") {
        if (!pipeWire.start(false)) {
            std::fprintf(stderr, "first_frame: cannot start PipeWire\n%s", pipeWire.log().c_str());
            return 1;
        }
        for (const std::string& variable : pipeWire.environment())
            sound.push_back(variable);
    } else if (setUp == "no-server" && mkdtemp(nowhere)) {
        sound.push_back("XDG_RUNTIME_DIR=" + std::string(nowhere));
        sound.push_back("PULSE_SERVER=unix:" + std::string(nowhere) + "/native");
    } else if (setUp == "windows") {
        std::string trouble;
        if (!prepareWine(&trouble)) {
            std::fprintf(stderr, "first_frame: %s\n", trouble.c_str());
            return 1;
        }
    } else {
        std::fprintf(stderr, "usage: first_frame [RUNS] "
                             "[dummy|pipewire-without-sink|no-server|windows]\n");
        return 2;
    }
    std::string assets =
        generatedAssets(DEMO_BUILD_DIR "/tools/assetgen", DEMO_BUILD_DIR "/demo_e2e_assets");
    char pattern[] = "/tmp/first_frame_XXXXXX";
    if (assets.empty() || !mkdtemp(pattern) || !copyFiles(assets, pattern)) {
        std::fprintf(stderr, "first_frame: no generated assets\n");
        return 1;
    }
    std::string dir = pattern;
    if (setUp == "windows" && !std::filesystem::copy_file(WINDOWS_BUILD_DIR "/marea-de-neon.exe",
                                                          dir + "/marea-de-neon.exe")) {
        std::fprintf(stderr, "first_frame: no Windows build: run ./run-windows first\n");
        return 1;
    }
    SceneReferences references;
    if (!references.load(dir)) {
        std::fprintf(stderr, "first_frame: cannot read the pictures\n");
        return 1;
    }
    std::vector<double> windows, scenes, captures;
    for (int i = 0; i < runs; i++) {
        Run run = measure(dir, references, sound, setUp == "windows");
        std::printf("run %2d: window line %.3f s, Scene1 on screen %.3f s (capture %.3f s)%s\n",
                    i + 1, run.window, run.scene1, run.captureTime, run.ok ? "" : "  FAILED");
        if (!run.ok)
            continue;
        windows.push_back(run.window);
        scenes.push_back(run.scene1);
        captures.push_back(run.captureTime);
    }
    std::filesystem::remove_all(dir);
    if (setUp == "no-server")
        std::filesystem::remove_all(nowhere);
    std::printf("sound: %s\n", setUp.c_str());
    std::printf("median of %zu runs: window line %.3f s, Scene1 on screen %.3f s, one capture "
                "%.3f s\n",
                windows.size(), median(windows), median(scenes), median(captures));
    return windows.size() == size_t(runs) ? 0 : 1;
}
