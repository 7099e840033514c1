#include "capture/capture.h"
#include "capture/frames.h"

#include "image/image.h"
#include "model/model.h"
#include "platform/music.h"
#include "platform/offscreen_gl.h"
#include "platform/video_encoder.h"
#include "shell/shell.h"

#include <GL/gl.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <time.h>
#include <unistd.h>

static const int frameRate = 60;
// What video sites ask for: 800 sound frames to a picture frame. The live
// demo plays at 44.1 kHz; a tick of the song (tempo 125) is a whole number
// of sound frames at both rates, so every frame shows the same order and row
// as at 44.1 kHz.
static const int sampleRate = 48000;

using Clock = std::chrono::steady_clock;

static double secondsSince(Clock::time_point* mark) {
    const Clock::time_point now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - *mark).count();
    *mark = now;
    return seconds;
}

static double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

static int failure(const std::string& what, const std::string& reason = "") {
    if (reason.empty())
        std::fprintf(stderr, "capture: %s\n", what.c_str());
    else
        std::fprintf(stderr, "capture: %s: %s\n", what.c_str(), reason.c_str());
    return 1;
}

// The file being written, for a signal to remove: ffmpeg writes under a
// temporary name beside the output, renamed only once it is complete.
static char partialPath[PATH_MAX];
static volatile pid_t encoderPid = -1;

static void removePartial(int signal) {
    if (encoderPid > 0)
        kill(encoderPid, SIGKILL);
    if (partialPath[0])
        unlink(partialPath);
    _exit(128 + signal);
}

static bool claimPartialPath(const std::string& out, std::string* reason) {
    const size_t slash = out.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : out.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? out : out.substr(slash + 1);
    const std::string partial = dir + "." + name + "." + std::to_string(getpid()) + ".part";
    if (partial.size() >= sizeof partialPath) {
        *reason = "the name is too long";
        return false;
    }
    // Made here, so a folder that cannot be written is found before any
    // frame is drawn.
    const int fd = open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        *reason = std::strerror(errno);
        return false;
    }
    close(fd);
    std::strcpy(partialPath, partial.c_str());
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, removePartial);
    return true;
}

static void dropPartialPath() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, SIG_DFL);
    if (partialPath[0])
        unlink(partialPath);
    partialPath[0] = '\0';
}

// The demo's start-up, from the song to the models, in its order, on an
// offscreen surface instead of a window. False after a message.
static bool startUp(const CaptureOptions& options, FMUSIC_MODULE** song, int64_t* totalFrames) {
    FSOUND_SetOutput(FSOUND_OUTPUT_STEPPED);
    FSOUND_Init(sampleRate, 32, 0);
    *song = FMUSIC_LoadSong("Prueba.IT");
    if (!*song) {
        failure("no song, so no video (the music layer said why above)");
        return false;
    }
    const double from = FMUSIC_GetOrderTime(*song, options.fromOrder);
    const double to = FMUSIC_GetOrderTime(*song, options.toOrder);
    *totalFrames = std::max<int64_t>(int64_t(std::ceil((to - from) * frameRate)), 1);
    if (options.fromOrder != 0 && !FMUSIC_SetOrder(*song, options.fromOrder)) {
        std::fprintf(stderr, "capture: the song has no order %d\n", options.fromOrder);
        return false;
    }

    std::string reason;
    // Supersampled frames are averaged down, so they are drawn in 8 bits,
    // which llvmpipe draws faster; both ways read the same bytes from them.
    const int drawnWidth = options.width * options.supersample;
    const int drawnHeight = options.height * options.supersample;
    const OffscreenReadBack readBack = options.supersample > 1  ? OffscreenReadBack::eightBitsAsHeld
                                       : options.drawEveryFrame ? OffscreenReadBack::converted
                                                                : OffscreenReadBack::asHeld;
    if (!openOffscreenGl(drawnWidth, drawnHeight, readBack, &reason)) {
        failure("no offscreen OpenGL", reason);
        return false;
    }
    glClearColor(1, 1, 1, 0.5);
    if (!loadTgaTextures()) {
        failure("none of the pictures titulo3.tga, tia.tga, palmera.tga and uf.tga could be "
                "loaded, so no video");
        return false;
    }
    fillGridPoints();
    setGlobalGlState();
    loadPresentsModel();
    loadLogoModel();
    loadTxiringoModel();
    // What the window's first reshape sets in the demo.
    setSurface(drawnWidth, drawnHeight);
    return true;
}

int runCapture(const CaptureOptions& options, CaptureTimes* times) {
    *times = CaptureTimes{};
    const Clock::time_point start = Clock::now();
    FMUSIC_MODULE* song = nullptr;
    int64_t totalFrames = 0;
    std::string reason;
    if (!startUp(options, &song, &totalFrames) || !claimPartialPath(options.out, &reason)) {
        if (!reason.empty())
            failure("cannot write beside " + options.out, reason);
        FMUSIC_FreeSong(song);
        FSOUND_Close();
        closeOffscreenGl();
        return 1;
    }
    VideoSettings settings;
    settings.width = options.width;
    settings.height = options.height;
    settings.frameRate = frameRate;
    settings.sampleRate = sampleRate;
    settings.supersample = options.supersample;
    const size_t length = options.out.size();
    settings.container = strcasecmp(options.out.c_str() + length - 4, ".mkv") == 0
                             ? VideoContainer::mkv
                             : VideoContainer::mp4;
    settings.path = partialPath;
    settings.layout = options.drawEveryFrame ? PixelLayout::rgba8 : pixelBufferLayout();
    VideoEncoder encoder;
    if (!startVideoEncoder(&encoder, settings, &reason)) {
        dropPartialPath();
        FMUSIC_FreeSong(song);
        FSOUND_Close();
        closeOffscreenGl();
        return failure("cannot encode", reason);
    }
    encoderPid = encoder.pid;

    times->startUp = std::chrono::duration<double>(Clock::now() - start).count();
    Progress progress;
    startProgress(&progress, totalFrames);
    const double loopStart = threadCpuSeconds();
    bool ok = captureFrames(options, song, &encoder, &progress, times);
    times->frameLoopCpu = threadCpuSeconds() - loopStart;
    times->encoderWait = encoder.waitSeconds;
    if (ok && times->frames == 0) {
        ok = false;
        failure("the song has nothing to show before order " + std::to_string(options.toOrder));
    }
    if (ok)
        endProgress(&progress, times->frames);
    Clock::time_point mark = Clock::now();
    // Before the context goes: the encoder may still be writing a picture
    // from one of its pixel buffers.
    if (!ok)
        abandonVideoEncoder(&encoder);
    FMUSIC_FreeSong(song);
    FSOUND_Close();
    closeOffscreenGl();
    if (ok && !finishVideoEncoder(&encoder, &reason, &times->encoderCpu)) {
        ok = false;
        failure("ffmpeg could not write " + options.out, reason);
    } else if (ok && rename(partialPath, options.out.c_str()) != 0) {
        ok = false;
        failure("cannot name the video " + options.out, std::strerror(errno));
    }
    encoderPid = -1;
    times->convertingCpu = encoder.convertSeconds;
    times->encoderFinish = secondsSince(&mark);
    if (ok)
        partialPath[0] = '\0';
    dropPartialPath();
    times->total = std::chrono::duration<double>(Clock::now() - start).count();
    return ok ? 0 : 1;
}
