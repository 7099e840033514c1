// How long the capture takes for the generated assets' whole song, against
// the length of the video it makes, and where the time goes, each capture in
// a process of its own. By default the show's own 1024x768 and a 1920x1080
// video for video sites, supersampled as the capture does by default; a size
// or supersampling asked for replaces the second. Targets on the 2-core
// reference machine without a GPU: 1024x768 at most 0.7 times the video's
// length, 1920x1080 at most 4 times.
//
//   build/bench/capture_speed [--baseline] [DIR [OPTION]...]
//
// DIR holds the demo's files (build/data); the options are the capture's
// --size, --supersample, --from and --to. --baseline compares instead, at
// the size asked (1024x768 by default), drawing every frame and reading each
// back before the next (the baseline) with the quick way, which draws still
// scenes once and reads frames back a frame late: at least 1.4 times as fast.
#include "capture/capture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// What a run's child sends back.
struct Result {
    int status = 1;
    CaptureTimes times;
    double cpu = 0; // the capture's processor time, llvmpipe's threads included
    double megabytes = 0;
};

struct Run {
    std::string name;
    CaptureOptions options;
    Result result;
};

static double ownCpuSeconds() {
    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    return double(self.ru_utime.tv_sec + self.ru_stime.tv_sec) +
           double(self.ru_utime.tv_usec + self.ru_stime.tv_usec) / 1e6;
}

// In a child, so that each run starts from the demo's first state and its
// processor time is its own.
static void runInChild(Run* run) {
    int channel[2];
    if (pipe(channel) != 0)
        return;
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        Result result;
        result.status = runCapture(run->options, &result.times);
        result.cpu = ownCpuSeconds();
        struct stat file {};
        stat(run->options.out.c_str(), &file);
        result.megabytes = double(file.st_size) / 1e6;
        unlink(run->options.out.c_str());
        const ssize_t written = write(channel[1], &result, sizeof result);
        _exit(written == ssize_t(sizeof result) ? 0 : 1);
    }
    close(channel[1]);
    Result result;
    if (child > 0 && read(channel[0], &result, sizeof result) == ssize_t(sizeof result))
        run->result = result;
    close(channel[0]);
    if (child > 0)
        waitpid(child, nullptr, 0);
}

static double seconds(const Run& run) {
    return double(run.result.times.frames) / 60;
}

static void row(const std::vector<Run>& runs, const char* what, double (*value)(const Result&),
                const char* unit, const char* note = "") {
    std::printf("  %-24s", what);
    for (const Run& run : runs)
        std::printf(" %9.2f %-6s", value(run.result), unit);
    std::printf("%s\n", note);
}

static double perFrame(const Result& run, double seconds) {
    return seconds * 1000 / double(run.times.frames);
}

static void printTable(const std::vector<Run>& runs) {
    std::printf("  %-24s", "");
    for (const Run& run : runs)
        std::printf(" %16s", run.name.c_str());
    std::printf("\n");
    row(
        runs, "took", [](const Result& r) { return r.times.total; }, "s");
    row(
        runs, "start-up", [](const Result& r) { return r.times.startUp; }, "s");
    row(
        runs, "drawing", [](const Result& r) { return perFrame(r, r.times.drawing); }, "ms",
        "  a frame of the video");
    for (int scene = 0; scene < 6; scene++) {
        bool shown = false;
        for (const Run& run : runs)
            shown = shown || run.result.times.sceneFrames[scene] > 0;
        if (!shown)
            continue;
        std::printf("    Scene%d drawn          ", scene + 1);
        for (const Run& run : runs)
            std::printf(" %9lld       ",
                        static_cast<long long>(run.result.times.sceneFrames[scene]));
        std::printf("  frames\n");
        std::printf("  %-24s", "    each");
        for (const Run& run : runs) {
            const CaptureTimes& times = run.result.times;
            const int64_t frames = times.sceneFrames[scene];
            std::printf(" %9.2f ms    ",
                        frames ? times.sceneDrawing[scene] * 1000 / double(frames) : 0.0);
        }
        std::printf("\n");
    }
    std::printf("  %-24s", "reused, not drawn");
    for (const Run& run : runs)
        std::printf(" %9lld       ", static_cast<long long>(run.result.times.reusedFrames));
    std::printf("  frames of still scenes\n");
    row(
        runs, "reading back", [](const Result& r) { return perFrame(r, r.times.reading); }, "ms");
    row(
        runs, "music", [](const Result& r) { return perFrame(r, r.times.music); }, "ms");
    row(
        runs, "handing over", [](const Result& r) { return perFrame(r, r.times.handing); }, "ms");
    row(
        runs, "  waiting", [](const Result& r) { return perFrame(r, r.times.encoderWait); }, "ms",
        "  (ffmpeg behind the frames)");
    row(
        runs, "finishing", [](const Result& r) { return r.times.encoderFinish; }, "s",
        "  (from the last frame to the finished file)");
    row(
        runs, "the rest",
        [](const Result& r) {
            const CaptureTimes& t = r.times;
            return t.total - t.startUp - t.drawing - t.reading - t.music - t.handing -
                   t.encoderFinish;
        },
        "s");
    // Processor time does not depend on what else the machine runs; two
    // cores give 2 / 60 s of it to each frame of real time.
    std::printf("  processor time, a frame of the video; two cores give 33.33 ms a frame:\n");
    row(
        runs, "  frame loop", [](const Result& r) { return perFrame(r, r.times.frameLoopCpu); },
        "ms", "  drawing calls, llvmpipe's setup, reading back, the song");
    row(
        runs, "  llvmpipe's threads",
        [](const Result& r) {
            return perFrame(r, r.cpu - r.times.frameLoopCpu - r.times.convertingCpu);
        },
        "ms", "  the pixels drawn, and the pipes' writers");
    row(
        runs, "  converting", [](const Result& r) { return perFrame(r, r.times.convertingCpu); },
        "ms", "  frames scaled down or unpacked, on the video writer's thread");
    row(
        runs, "  ffmpeg", [](const Result& r) { return perFrame(r, r.times.encoderCpu); }, "ms",
        "  conversion to YUV, H.264 and AAC");
    row(
        runs, "  all", [](const Result& r) { return perFrame(r, r.cpu + r.times.encoderCpu); },
        "ms");
    row(
        runs, "file", [](const Result& r) { return r.megabytes; }, "MB");
    row(
        runs, "  bitrate",
        [](const Result& r) { return r.megabytes * 8 / (double(r.times.frames) / 60); }, "Mbit/s");
}

static std::string describe(const CaptureOptions& options) {
    std::string name = std::to_string(options.width) + "x" + std::to_string(options.height);
    if (options.supersample > 1)
        name += " ss" + std::to_string(options.supersample);
    return name;
}

int main(int argc, char** argv) {
    int first = 1;
    const bool baseline = argc > 1 && std::strcmp(argv[1], "--baseline") == 0;
    if (baseline)
        first++;
    const std::string dir = argc > first ? argv[first] : DEMO_BUILD_DIR "/data";
    if (chdir(dir.c_str()) != 0) {
        std::fprintf(stderr, "capture_speed: no folder %s\n", dir.c_str());
        return 1;
    }
    const std::string out = "/tmp/capture_speed_" + std::to_string(getpid()) + ".mp4";
    std::vector<std::string> arguments = {argv[0]};
    for (int i = first + 1; i < argc; i++)
        arguments.push_back(argv[i]);
    arguments.push_back(out);
    std::vector<char*> pointers;
    for (std::string& argument : arguments)
        pointers.push_back(argument.data());
    CaptureOptions asked;
    const int usage = parseCaptureOptions(int(pointers.size()), pointers.data(), &asked);
    if (usage >= 0)
        return usage;

    std::vector<Run> runs;
    if (baseline) {
        Run every{"baseline", asked, {}};
        every.options.drawEveryFrame = true;
        runs = {every, {"quick", asked, {}}};
    } else {
        // The show's own size, with the range asked for.
        CaptureOptions own = asked;
        own.width = 1024;
        own.height = 768;
        own.supersample = 1;
        CaptureOptions sites = asked;
        bool sizeAsked = false;
        for (int i = first + 1; i < argc; i++)
            sizeAsked = sizeAsked || std::strncmp(argv[i], "--size", 6) == 0 ||
                        std::strncmp(argv[i], "--supersample", 13) == 0;
        if (!sizeAsked) {
            sites.width = 1920;
            sites.height = 1080;
            sites.supersample = 2;
        }
        runs = {{describe(own), own, {}}, {describe(sites), sites, {}}};
    }
    for (Run& run : runs) {
        runInChild(&run);
        if (run.result.status != 0) {
            std::fprintf(stderr, "capture_speed: the %s capture failed\n", run.name.c_str());
            return 1;
        }
    }

    std::printf("capture of %s: %lld frames, a video of %.1f s\n", dir.c_str(),
                static_cast<long long>(runs[0].result.times.frames), seconds(runs[0]));
    for (const Run& run : runs)
        std::printf("%-16s took %7.1f s: %.2f times the video's length\n", run.name.c_str(),
                    run.result.times.total, run.result.times.total / seconds(run));
    if (baseline)
        std::printf("quick: %.2f times as fast as the baseline (target at least 1.4)\n",
                    runs[0].result.times.total / runs[1].result.times.total);
    else
        std::printf("targets on two cores: 1024x768 at most 0.7 times the length, 1920x1080 "
                    "with the default supersampling at most 4 times\n");
    printTable(runs);
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) == 3)
        std::printf("load average at the end: %.2f %.2f %.2f (other work on the machine slows "
                    "the capture)\n",
                    load[0], load[1], load[2]);
    return 0;
}
