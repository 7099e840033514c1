#include "capture/frames.h"

#include "platform/music.h"
#include "platform/offscreen_gl.h"
#include "platform/video_encoder.h"
#include "scenes/scenes.h"
#include "shell/shell.h"

#include <GL/gl.h>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

static const int soundFramesPerFrame = 48000 / 60; // 800

// One buffer being written to ffmpeg, one waiting for the writer, one being
// read into.
static const int pictureBuffers = 3;

using Clock = std::chrono::steady_clock;

static double secondsSince(Clock::time_point* mark) {
    const Clock::time_point now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - *mark).count();
    *mark = now;
    return seconds;
}

static bool failure(const std::string& reason) {
    std::fprintf(stderr, "capture: the video could not be written: %s\n", reason.c_str());
    return false;
}

static int sceneIndex(SceneEntry shown) {
    const SceneEntry scenes[] = {Scene1, Scene2, Scene3, Scene4, Scene5, Scene6};
    for (int i = 0; i < 6; i++)
        if (scenes[i] == shown)
            return i;
    return 0;
}

// The song one frame on, its sound in `sound`: frame n shows the song at
// n / 60 s, the position audible at the first of the frame's 800 sound
// frames. False once the order not shown is reached.
static bool stepSong(const CaptureOptions& options, FMUSIC_MODULE* song, int16_t* sound, float* row,
                     float* order) {
    FSOUND_Step(soundFramesPerFrame, sound);
    *row = static_cast<float>(FMUSIC_GetRow(song));
    *order = static_cast<float>(FMUSIC_GetOrder(song));
    return *order < float(options.toOrder) && !FMUSIC_IsFinished(song);
}

static void countDrawing(float order, double seconds, CaptureTimes* times) {
    const int scene = sceneIndex(sceneForOrder(order));
    times->drawing += seconds;
    times->sceneDrawing[scene] += seconds;
    times->sceneFrames[scene]++;
}

static bool drawEveryFrame(const CaptureOptions& options, FMUSIC_MODULE* song,
                           VideoEncoder* encoder, Progress* progress, CaptureTimes* times) {
    const int width = options.width * options.supersample;
    const int height = options.height * options.supersample;
    std::vector<uint8_t> pictures[pictureBuffers];
    for (std::vector<uint8_t>& picture : pictures)
        picture.resize(size_t(width) * size_t(height) * 4);
    std::vector<int16_t> sound(2 * soundFramesPerFrame);
    std::string reason;
    for (;;) {
        Clock::time_point mark = Clock::now();
        float row, order;
        const bool going = stepSong(options, song, sound.data(), &row, &order);
        times->music += secondsSince(&mark);
        if (!going)
            break;
        const bool drawn = drawFrame(row, order);
        glFinish();
        const double drawing = secondsSince(&mark);
        if (!drawn)
            break;
        countDrawing(order, drawing, times);
        // The buffer's last picture was handed over three frames ago.
        uint8_t* picture = pictures[times->frames % pictureBuffers].data();
        if (!videoPicturesWritten(encoder, encoder->pictures - (pictureBuffers - 1), &reason))
            return failure(reason);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, picture);
        times->reading += secondsSince(&mark);
        encodeVideoSound(encoder, sound.data(), soundFramesPerFrame);
        if (!encodeVideoPicture(encoder, picture, &reason))
            return failure(reason);
        times->handing += secondsSince(&mark);
        times->frames++;
        showProgress(progress, times->frames);
    }
    return videoPicturesWritten(encoder, encoder->pictures, &reason) || failure(reason);
}

// The pixel buffers in turn: each frame drawn is read into the next one,
// and handed over once the next frame is drawn or reused.
struct PictureRing {
    int latest = -1;                          // the buffer of the last frame drawn
    bool latestHanded = false;                // for its own frame
    int64_t lastPicture[pictureBuffers] = {}; // the encoder's count at each one's last hand-over
};

// Adds the time since `mark` to `seconds`.
static void spent(Clock::time_point* mark, double* seconds) {
    *seconds += secondsSince(mark);
}

static bool handLatest(PictureRing* ring, VideoEncoder* encoder, Clock::time_point* mark,
                       CaptureTimes* times, std::string* reason) {
    const uint8_t* pixels = mapPixelBuffer(ring->latest);
    spent(mark, &times->reading);
    if (!pixels) {
        *reason = "a pixel buffer cannot be mapped";
        return false;
    }
    const bool handed = encodeVideoPicture(encoder, pixels, reason);
    spent(mark, &times->handing);
    ring->lastPicture[ring->latest] = encoder->pictures;
    ring->latestHanded = true;
    return handed;
}

// Reads the frame just drawn into the buffer after the latest, once ffmpeg
// has all the pictures handed from that one.
static bool readNext(PictureRing* ring, VideoEncoder* encoder, Clock::time_point* mark,
                     double* drawing, CaptureTimes* times, std::string* reason) {
    const int next = (ring->latest + 1) % pictureBuffers;
    if (!videoPicturesWritten(encoder, ring->lastPicture[next], reason))
        return false;
    unmapPixelBuffer(next);
    spent(mark, &times->reading);
    readIntoPixelBuffer(next);
    spent(mark, drawing);
    ring->latest = next;
    ring->latestHanded = false;
    return true;
}

static bool drawStillScenesOnce(const CaptureOptions& options, FMUSIC_MODULE* song,
                                VideoEncoder* encoder, Progress* progress, CaptureTimes* times) {
    std::string reason;
    if (!makePixelBuffers(pictureBuffers, &reason)) {
        std::fprintf(stderr, "capture: no pixel buffers to read the frames into: %s\n",
                     reason.c_str());
        return false;
    }
    std::vector<int16_t> sound(2 * soundFramesPerFrame);
    PictureRing ring;
    SceneEntry lastScene = nullptr;
    for (;;) {
        Clock::time_point mark = Clock::now();
        float row, order;
        const bool going = stepSong(options, song, sound.data(), &row, &order);
        spent(&mark, &times->music);
        if (!going)
            break;
        // The surface never changes during a capture, so a still scene's
        // frame after the first of its run is the first one's picture.
        const SceneEntry scene = sceneForOrder(order);
        const bool reused = scene && scene == lastScene && isStillScene(scene);
        lastScene = scene;
        double drawing = 0;
        if (reused) {
            advanceStillClock();
            times->reusedFrames++;
        } else {
            if (!drawFrame(row, order))
                break;
            // The driver's threads finish the frame while the previous one
            // is handed over.
            glFlush();
            spent(&mark, &drawing);
        }
        encodeVideoSound(encoder, sound.data(), soundFramesPerFrame);
        spent(&mark, &times->handing);
        // The previous frame's picture; a reused one is the same again.
        if (ring.latest >= 0 && !ring.latestHanded &&
            !handLatest(&ring, encoder, &mark, times, &reason))
            return failure(reason);
        if (reused) {
            if (!repeatVideoPicture(encoder, &reason))
                return failure(reason);
            ring.lastPicture[ring.latest] = encoder->pictures;
            spent(&mark, &times->handing);
        } else if (!readNext(&ring, encoder, &mark, &drawing, times, &reason)) {
            return failure(reason);
        }
        if (!reused)
            countDrawing(order, drawing, times);
        times->frames++;
        showProgress(progress, times->frames);
    }
    Clock::time_point mark = Clock::now();
    if (ring.latest >= 0 && !ring.latestHanded &&
        !handLatest(&ring, encoder, &mark, times, &reason))
        return failure(reason);
    return videoPicturesWritten(encoder, encoder->pictures, &reason) || failure(reason);
}

bool captureFrames(const CaptureOptions& options, FMUSIC_MODULE* song, VideoEncoder* encoder,
                   Progress* progress, CaptureTimes* times) {
    FMUSIC_PlaySong(song);
    return options.drawEveryFrame ? drawEveryFrame(options, song, encoder, progress, times)
                                  : drawStillScenesOnce(options, song, encoder, progress, times);
}
