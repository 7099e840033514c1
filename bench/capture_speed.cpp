// How long the capture takes for the generated assets' whole song at
// 1024x768, against the length of the video it makes, and where the time
// goes. The target on the 2-core reference machine: a ratio of at most 1.0.
//
//   build/bench/capture_speed [DIR]    DIR holds the demo's files (build/data)
#include "capture/capture.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : DEMO_BUILD_DIR "/data";
    if (chdir(dir.c_str()) != 0) {
        std::fprintf(stderr, "capture_speed: no folder %s\n", dir.c_str());
        return 1;
    }
    CaptureOptions options;
    options.out = "/tmp/capture_speed_" + std::to_string(getpid()) + ".mp4";
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
    std::printf("  drawing         %6.1f s  %5.2f ms a frame\n", times.drawing,
                times.drawing * perFrame);
    std::printf("  reading back    %6.1f s  %5.2f ms a frame\n", times.reading,
                times.reading * perFrame);
    std::printf("  music           %6.1f s  %5.2f ms a frame\n", times.music,
                times.music * perFrame);
    std::printf("  encoder wait    %6.1f s  %5.2f ms a frame  (ffmpeg behind the frames)\n",
                times.encoderWait, times.encoderWait * perFrame);
    std::printf("  encoder finish  %6.1f s  (after the last frame)\n", times.encoderFinish);
    std::printf("  start-up, rest  %6.1f s\n",
                times.total - times.drawing - times.reading - times.music - times.encoderWait -
                    times.encoderFinish);
    std::printf("ffmpeg used %.1f s of processor time (%.2f ms a frame)\n", times.encoderCpu,
                times.encoderCpu * perFrame);
    return 0;
}
