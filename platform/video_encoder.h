// Debian's ffmpeg program as the encoder of a video file: raw RGBA frames and
// their 16-bit stereo sound go in through two pipes, H.264 comes out with AAC
// in an MP4 file or with FLAC in a Matroska file.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

enum class VideoContainer { mp4, mkv };

struct VideoSettings {
    int width = 0, height = 0; // even: the H.264 picture is yuv420p
    int frameRate = 60;
    int sampleRate = 44100;
    VideoContainer container = VideoContainer::mp4;
    std::string path; // written over if it exists
};

// One pipe into ffmpeg and the thread that writes it, so that drawing goes
// on while ffmpeg takes the previous frame. The sound is never held back: it
// runs ahead of the picture, since ffmpeg, opening its inputs, reads a block
// of sound longer than a frame's before it takes the picture.
struct EncoderPipe {
    int fd = -1;
    std::thread writer;
    std::vector<uint8_t> queued; // handed over, not yet taken by the writer
    bool full = false;           // `queued` waits for the writer
    bool closing = false;        // the writer ends once `queued` is written
    bool failed = false;
    int error = 0; // errno of the failed write
};

struct VideoEncoder {
    pid_t pid = -1;
    std::mutex lock; // guards the pipes' hand-over fields
    std::condition_variable changed;
    EncoderPipe video, audio;
    double waitSeconds = 0; // time spent waiting for ffmpeg to take a frame
};

// Starts ffmpeg. False, with the reason, when it cannot be run.
bool startVideoEncoder(VideoEncoder* encoder, const VideoSettings& settings, std::string* reason);
// One frame: width * height RGBA pixels as OpenGL reads them, the bottom row
// first, and its sound. Waits only while the previous picture has not been
// taken. The picture is taken by swapping: `rgba` comes back holding an
// earlier frame's buffer, of the same size. False, with the reason, once
// ffmpeg has stopped taking input.
bool encodeVideoFrame(VideoEncoder* encoder, std::vector<uint8_t>* rgba, const int16_t* stereo,
                      int soundFrames, std::string* reason);
// Ends the input and waits for ffmpeg to finish the file. False, with the
// reason, when it failed; ffmpeg has then said why on standard error.
// `cpuSeconds` gets the processor time ffmpeg used.
bool finishVideoEncoder(VideoEncoder* encoder, std::string* reason, double* cpuSeconds);
// Stops ffmpeg at once; what it wrote is incomplete.
void abandonVideoEncoder(VideoEncoder* encoder);
