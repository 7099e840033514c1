// frame_pacing: how steadily the real demo presents its frames. Plays the
// generated assets with a short test song (24 orders of 1 s) on private Xvfb
// screens of 1024x768 and 1920x1080, paced and with --uncapped, with
// swap_log preloaded to note the time of every buffer swap. Prints, per run,
// the frame-interval median, p95, p99 and max (the longest after the first
// frame, and when it came, in seconds from the first frame: an order is a
// second), the drift of the last frame against the 60 Hz schedule started by
// the first, the frames a second, and the CPU time per second the process
// used during Scenes 5 and 6. Each run has a shader cache of its own, empty,
// as on the first run on a machine, so the driver compiles what it needs.
//   frame_pacing [DEMO]  the demo program to play (the build's by default)
#include "tests/child_process.h"
#include "tests/demo_assets.h"
#include "tests/private_display.h"
#include "tests/test_songs.h"
#include "tools/writers/tga_writer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// makeTestSong(24, 3, 240): rows of 3 * 2.5 / 240 s, orders of 32 rows.
static const double orderSeconds = 32 * 3 * 2.5 / 240;

struct Swap {
    double wall, cpu; // seconds
};

static double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[std::min(values.size() - 1, size_t(p * values.size()))];
}

static std::vector<Swap> play(const std::string& program, const std::string& dir, int width,
                              int height, bool uncapped) {
    PrivateDisplay display;
    if (!display.start(width, height)) {
        std::fprintf(stderr, "frame_pacing: no Xvfb\n");
        return {};
    }
    const std::string log = dir + "/frames.log";
    std::vector<std::string> argv = {program, "--mute"};
    const std::string cache = dir + "/shader-cache";
    std::filesystem::remove_all(cache);
    if (uncapped)
        argv.push_back("--uncapped");
    ChildProcess demo;
    if (!demo.start(argv, dir,
                    {"DISPLAY=" + display.name(), "LD_PRELOAD=" SWAP_LOG, "FRAME_LOG=" + log,
                     "MESA_SHADER_CACHE_DIR=" + cache}) ||
        !demo.waitForExit(120) || demo.exitCode() != 0) {
        std::fprintf(stderr, "frame_pacing: the demo did not end by itself\n%s",
                     demo.err().c_str());
        return {};
    }
    std::vector<Swap> swaps;
    std::ifstream in(log);
    long long wall, cpu;
    while (in >> wall >> cpu)
        swaps.push_back({wall * 1e-9, cpu * 1e-9});
    return swaps;
}

static void report(const char* name, const std::vector<Swap>& swaps) {
    if (swaps.size() < 3) {
        std::printf("%-22s FAILED\n", name);
        return;
    }
    std::vector<double> intervals;
    for (size_t i = 1; i < swaps.size(); i++)
        intervals.push_back((swaps[i].wall - swaps[i - 1].wall) * 1e3);
    const double span = swaps.back().wall - swaps.front().wall;
    const double drift = (span - double(swaps.size() - 1) / 60) * 1e3;
    // Scenes 5 and 6 play from order 15 to order 23; a margin on both ends.
    const Swap* from = nullptr;
    const Swap* to = nullptr;
    for (const Swap& swap : swaps) {
        const double t = swap.wall - swaps.front().wall;
        if (!from && t >= 15 * orderSeconds + 0.25)
            from = &swap;
        if (t <= 23 * orderSeconds - 0.25)
            to = &swap;
    }
    const double cpu = from && to > from ? (to->cpu - from->cpu) / (to->wall - from->wall) : 0;
    const size_t longest =
        size_t(std::max_element(intervals.begin(), intervals.end()) - intervals.begin());
    std::printf("%-22s %6zu %7.1f %7.2f %7.2f %7.2f %7.2f %6.2f %9.1f %9.3f\n", name, swaps.size(),
                double(swaps.size() - 1) / span, percentile(intervals, 0.5),
                percentile(intervals, 0.95), percentile(intervals, 0.99), intervals[longest],
                swaps[longest].wall - swaps.front().wall, drift, cpu);
}

int main(int argc, char** argv) {
    const std::string program = argc > 1 ? argv[1] : DEMO_BINARY;
    const std::string assets =
        generatedAssets(DEMO_BUILD_DIR "/tools/assetgen", DEMO_BUILD_DIR "/demo_e2e_assets");
    char pattern[] = "/tmp/frame_pacing_XXXXXX";
    if (assets.empty() || !mkdtemp(pattern) || !copyFiles(assets, pattern) ||
        !writeFile(std::string(pattern) + "/Prueba.IT", encodeIt(makeTestSong(24, 3, 240)))) {
        std::fprintf(stderr, "frame_pacing: no assets\n");
        return 1;
    }
    const std::string dir = pattern;
    std::printf("%-22s %6s %7s %7s %7s %7s %7s %6s %9s %9s\n", "run", "frames", "fps", "median",
                "p95", "p99", "max", "at", "drift", "cpu/s");
    std::printf("%-22s %6s %7s %7s %7s %7s %7s %6s %9s %9s\n", "", "", "", "ms", "ms", "ms", "ms",
                "s", "ms", "(sc 5-6)");
    const struct {
        const char* name;
        int width, height;
        bool uncapped;
    } runs[] = {{"1024x768 paced", 1024, 768, false},
                {"1024x768 uncapped", 1024, 768, true},
                {"1920x1080 paced", 1920, 1080, false},
                {"1920x1080 uncapped", 1920, 1080, true}};
    for (const auto& run : runs) {
        report(run.name, play(program, dir, run.width, run.height, run.uncapped));
        std::fflush(stdout);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
