// The capture: the whole show, picture and sound, as a video file, made
// offscreen without any display, 60 frames a second with the song rendered in
// step with the frames.
#pragma once

#include <cstdint>
#include <string>

struct CaptureOptions {
    int width = 1024, height = 768;
    // Each frame drawn this many times as wide and as high and scaled down;
    // 0 until the options are read, then the default for the size: 2 where
    // the picture is more than 768 lines high, else 1.
    int supersample = 0;
    int fromOrder = 0; // the order the song starts at
    int toOrder = 23;  // the first order not shown
    std::string out;   // ends in .mp4 or .mkv
    // Every frame drawn and read back before the next is drawn: slower, and the same video. The
    // check of the quicker way, which draws a still scene once and reads frames back a frame late.
    bool drawEveryFrame = false;
};
// -1 to go on; else the exit status, after the help or version (0) or the
// usage on standard error (2).
int parseCaptureOptions(int argc, char** argv, CaptureOptions* options);

// Where the time of a capture went, in seconds of the wall clock.
struct CaptureTimes {
    int64_t frames = 0;
    double total = 0;
    double startUp = 0; // song, context, pictures, models, ffmpeg
    double music = 0;   // rendering the song
    // The frames' GL calls, to the last pixel. The quick way counts the read
    // into a pixel buffer here too, since the driver may copy at once.
    double drawing = 0;
    double sceneDrawing[6] = {}; // the same for each scene's frames drawn
    int64_t sceneFrames[6] = {};
    int64_t reusedFrames = 0; // frames of a still scene, not drawn again
    double reading = 0;       // reading back; the quick way: freeing and mapping buffers
    double handing = 0;       // handing frames to the encoder's writers
    double encoderWait = 0;   // of which waiting for ffmpeg to take a frame
    double encoderFinish = 0; // from the last frame to the finished file
    double encoderCpu = 0;    // ffmpeg's processor time
    // Processor time of the thread that runs the frame loop (the drawing
    // calls, llvmpipe's own share of them, reading back, the song), and of
    // converting frames into pictures on the video writer's thread: scaling
    // supersampled ones down, unpacking 10-bit ones.
    double frameLoopCpu = 0;
    double convertingCpu = 0;
};

// Runs in the folder holding the demo's files. The exit status: 0 with the
// file written, else 1 after a message on standard error, with nothing left
// under the file's name.
int runCapture(const CaptureOptions& options, CaptureTimes* times);

// The progress of a capture on standard error: a bar on a terminal, else a
// line at every tenth.
struct Progress {
    int64_t total = 0; // frames expected; the song may end a little off it
    bool terminal = false;
    int tenthsShown = 0;
    double startSeconds = 0;
    double lastDrawn = -1;
};
void startProgress(Progress* progress, int64_t totalFrames);
void showProgress(Progress* progress, int64_t framesDone);
void endProgress(Progress* progress, int64_t framesDone);
