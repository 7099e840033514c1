// How long the capture takes for the generated assets' whole song at
// 1024x768, against the length of the video it makes, and where the time
// goes: drawing every frame and reading each back before the next (the
// baseline), then the quick way, each in a process of its own. Targets on
// the 2-core reference machine: the quick way at most 0.7 times the video's
// length, and at least 1.4 times as fast as the baseline.
//
//   build/bench/capture_speed [--baseline] [DIR [OPTION]...]
//
// --baseline runs the baseline alone. DIR holds the demo's files
// (build/data); the options are the capture's --size, --from and --to, for a
// closer look at a part.
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

struct Run {
    const char* name = "";
    bool drawEveryFrame = false;
    int status = 1;
    CaptureTimes times;
    double cpu = 0; // the capture's processor time, llvmpipe's threads included
    double megabytes = 0;
};

static double ownCpuSeconds() {
    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    return double(self.ru_utime.tv_sec + self.ru_stime.tv_sec) +
           double(self.ru_utime.tv_usec + self.ru_stime.tv_usec) / 1e6;
}

// In a child, so that each run starts from the demo's first state and its
// processor time is its own.
static void runInChild(CaptureOptions options, Run* run) {
    options.drawEveryFrame = run->drawEveryFrame;
    int channel[2];
    if (pipe(channel) != 0)
        return;
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        Run result = *run;
        result.status = runCapture(options, &result.times);
        result.cpu = ownCpuSeconds();
        struct stat file {};
        stat(options.out.c_str(), &file);
        result.megabytes = double(file.st_size) / 1e6;
        unlink(options.out.c_str());
        const ssize_t written = write(channel[1], &result, sizeof result);
        _exit(written == ssize_t(sizeof result) ? 0 : 1);
    }
    close(channel[1]);
    Run result;
    if (child > 0 && read(channel[0], &result, sizeof result) == ssize_t(sizeof result))
        *run = result;
    close(channel[0]);
    if (child > 0)
        waitpid(child, nullptr, 0);
}

static void row(const std::vector<Run>& runs, const char* what, double (*value)(const Run&),
                const char* unit, const char* note = "") {
    std::printf("  %-22s", what);
    for (const Run& run : runs)
        std::printf(" %9.2f %-4s", value(run), unit);
    std::printf("%s\n", note);
}

static double perFrame(const Run& run, double seconds) {
    return seconds * 1000 / double(run.times.frames);
}

static void printTable(const std::vector<Run>& runs) {
    std::printf("  %-22s", "");
    for (const Run& run : runs)
        std::printf(" %14s", run.name);
    std::printf("\n");
    row(
        runs, "took", [](const Run& r) { return r.times.total; }, "s");
    row(
        runs, "start-up", [](const Run& r) { return r.times.startUp; }, "s");
    row(
        runs, "drawing", [](const Run& r) { return perFrame(r, r.times.drawing); }, "ms",
        "  a frame of the video");
    for (int scene = 0; scene < 6; scene++) {
        bool shown = false;
        for (const Run& run : runs)
            shown = shown || run.times.sceneFrames[scene] > 0;
        if (!shown)
            continue;
        std::printf("    Scene%d drawn        ", scene + 1);
        for (const Run& run : runs)
            std::printf(" %9lld     ", static_cast<long long>(run.times.sceneFrames[scene]));
        std::printf("  frames\n");
        std::printf("  %-22s", "    each");
        for (const Run& run : runs) {
            const int64_t frames = run.times.sceneFrames[scene];
            std::printf(" %9.2f ms  ",
                        frames ? run.times.sceneDrawing[scene] * 1000 / double(frames) : 0.0);
        }
        std::printf("\n");
    }
    std::printf("  %-22s", "reused, not drawn");
    for (const Run& run : runs)
        std::printf(" %9lld     ", static_cast<long long>(run.times.reusedFrames));
    std::printf("  frames of still scenes\n");
    row(
        runs, "reading back", [](const Run& r) { return perFrame(r, r.times.reading); }, "ms");
    row(
        runs, "music", [](const Run& r) { return perFrame(r, r.times.music); }, "ms");
    row(
        runs, "handing over", [](const Run& r) { return perFrame(r, r.times.handing); }, "ms");
    row(
        runs, "  waiting", [](const Run& r) { return perFrame(r, r.times.encoderWait); }, "ms",
        "  (ffmpeg behind the frames)");
    row(
        runs, "finishing", [](const Run& r) { return r.times.encoderFinish; }, "s",
        "  (from the last frame to the finished file)");
    row(
        runs, "the rest",
        [](const Run& r) {
            const CaptureTimes& t = r.times;
            return t.total - t.startUp - t.drawing - t.reading - t.music - t.handing -
                   t.encoderFinish;
        },
        "s");
    // Processor time does not depend on what else the machine runs; two
    // cores give 2 / 60 s of it to each frame of real time.
    row(
        runs, "processor: capture", [](const Run& r) { return perFrame(r, r.cpu); }, "ms",
        "  a frame, llvmpipe's threads included");
    row(
        runs, "processor: ffmpeg", [](const Run& r) { return perFrame(r, r.times.encoderCpu); },
        "ms", "  a frame; two cores give 33.33 ms a frame");
    row(
        runs, "file", [](const Run& r) { return r.megabytes; }, "MB");
}

int main(int argc, char** argv) {
    int first = 1;
    const bool baselineOnly = argc > 1 && std::strcmp(argv[1], "--baseline") == 0;
    if (baselineOnly)
        first++;
    const std::string dir = argc > first ? argv[first] : DEMO_BUILD_DIR "/data";
    if (chdir(dir.c_str()) != 0) {
        std::fprintf(stderr, "capture_speed: no folder %s\n", dir.c_str());
        return 1;
    }
    std::string out = "/tmp/capture_speed_" + std::to_string(getpid()) + ".mp4";
    std::vector<char*> arguments = {argv[0]};
    for (int i = first + 1; i < argc; i++)
        arguments.push_back(argv[i]);
    arguments.push_back(out.data());
    CaptureOptions options;
    const int usage = parseCaptureOptions(int(arguments.size()), arguments.data(), &options);
    if (usage >= 0)
        return usage;

    std::vector<Run> runs(baselineOnly ? 1 : 2);
    runs[0].name = "baseline";
    runs[0].drawEveryFrame = true;
    if (!baselineOnly)
        runs[1].name = "quick";
    for (Run& run : runs) {
        runInChild(options, &run);
        if (run.status != 0) {
            std::fprintf(stderr, "capture_speed: the %s capture failed\n", run.name);
            return 1;
        }
    }

    const double length = double(runs[0].times.frames) / 60;
    std::printf("capture of %s at %dx%d: %lld frames, a video of %.1f s\n", dir.c_str(),
                options.width, options.height, static_cast<long long>(runs[0].times.frames),
                length);
    for (const Run& run : runs)
        std::printf("%-8s took %6.1f s: %.2f times the video's length\n", run.name, run.times.total,
                    run.times.total / length);
    if (runs.size() == 2) {
        if (runs[1].times.frames != runs[0].times.frames)
            std::printf("the two videos differ in length: %lld and %lld frames\n",
                        static_cast<long long>(runs[0].times.frames),
                        static_cast<long long>(runs[1].times.frames));
        std::printf("quick: %.2f of the video's length (target at most 0.7, aim 0.5), %.2f times "
                    "as fast as the baseline (target at least 1.4)\n",
                    runs[1].times.total / length, runs[0].times.total / runs[1].times.total);
    }
    printTable(runs);
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) == 3)
        std::printf("load average at the end: %.2f %.2f %.2f (other work on the machine slows "
                    "the capture)\n",
                    load[0], load[1], load[2]);
    return 0;
}
