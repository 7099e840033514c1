// How long the capture takes for the generated assets' whole song at
// 1024x768, against the length of the video it makes, and where the time
// goes. The target on the 2-core reference machine: a ratio of at most 1.0.
//
//   build/bench/capture_speed [DIR [OPTION]...]
//
// DIR holds the demo's files (build/data); the options are the capture's
// --size, --from and --to, for a closer look at a part.
#include "capture/capture.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : DEMO_BUILD_DIR "/data";
    if (chdir(dir.c_str()) != 0) {
        std::fprintf(stderr, "capture_speed: no folder %s\n", dir.c_str());
        return 1;
    }
    std::string out = "/tmp/capture_speed_" + std::to_string(getpid()) + ".mp4";
    std::vector<char*> arguments = {argv[0]};
    for (int i = 2; i < argc; i++)
        arguments.push_back(argv[i]);
    arguments.push_back(out.data());
    CaptureOptions options;
    const int usage = parseCaptureOptions(int(arguments.size()), arguments.data(), &options);
    if (usage >= 0)
        return usage;
    CaptureTimes times;
    const int status = runCapture(options, &times);
    struct stat file {};
    stat(options.out.c_str(), &file);
    unlink(options.out.c_str());
    if (status != 0)
        return status;

    const double length = double(times.frames) / 60;
    std::printf("capture of %s at %dx%d: %lld frames, a video of %.1f s, %.1f MB\n", dir.c_str(),
                options.width, options.height, static_cast<long long>(times.frames), length,
                double(file.st_size) / 1e6);
    std::printf("took %.1f s: %.2f times the video's length (target at most 1.0)\n", times.total,
                times.total / length);
    const double perFrame = 1000.0 / double(times.frames);
    const auto line = [perFrame](const char* what, double seconds, const char* note) {
        std::printf("  %-16s %6.1f s  %5.2f ms a frame%s\n", what, seconds, seconds * perFrame,
                    note);
    };
    std::printf("  %-16s %6.2f s\n", "start-up", times.startUp);
    line("drawing", times.drawing, "");
    for (int scene = 0; scene < 6; scene++) {
        if (times.sceneFrames[scene] == 0)
            continue;
        std::printf("    Scene%d         %6.1f s  %5.2f ms a frame over %lld frames\n", scene + 1,
                    times.sceneDrawing[scene],
                    times.sceneDrawing[scene] * 1000 / double(times.sceneFrames[scene]),
                    static_cast<long long>(times.sceneFrames[scene]));
    }
    line("reading back", times.reading, "");
    line("music", times.music, "");
    line("handing over", times.handing, "");
    line("  waiting", times.encoderWait, "  (ffmpeg behind the frames)");
    std::printf("  %-16s %6.1f s  (from the last frame to the finished file)\n", "finishing",
                times.encoderFinish);
    std::printf("  %-16s %6.1f s\n", "the rest",
                times.total - times.startUp - times.drawing - times.reading - times.music -
                    times.handing - times.encoderFinish);
    // Processor time does not depend on what else the machine runs; two
    // cores give 2 / 60 s of it to each frame of real time.
    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    const double ownCpu = double(self.ru_utime.tv_sec + self.ru_stime.tv_sec) +
                          double(self.ru_utime.tv_usec + self.ru_stime.tv_usec) / 1e6;
    std::printf("processor time: capture %.1f s (%.2f ms a frame, llvmpipe's threads included), "
                "ffmpeg %.1f s (%.2f ms a frame); two cores give 33.33 ms a frame\n",
                ownCpu, ownCpu * perFrame, times.encoderCpu, times.encoderCpu * perFrame);
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) == 3)
        std::printf("load average at the end: %.2f %.2f %.2f (other work on the machine slows "
                    "the capture)\n",
                    load[0], load[1], load[2]);
    return 0;
}
