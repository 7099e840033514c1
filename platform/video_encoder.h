// Debian's ffmpeg program as the encoder of a video file: RGBA pictures, each
// stamped with its frame's time, and the frames' 16-bit stereo sound go in
// through two pipes, H.264 made as video sites recommend for uploads comes
// out with AAC in an MP4 file or with FLAC in a Matroska file.
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

// How a picture's pixels lie in memory, 32 bits each. Rgba8: red, green,
// blue and alpha bytes. Bgra8: blue, green, red and alpha bytes. Bgr10a2:
// one little-endian word of blue, green and red, 10 bits each from the
// lowest bits, and 2 bits of alpha; the encoder rounds each colour to 8 bits
// as OpenGL does when it reads such a surface as bytes.
enum class PixelLayout { rgba8, bgra8, bgr10a2 };

struct VideoSettings {
    int width = 0, height = 0; // even: the H.264 picture is yuv420p
    int frameRate = 60;
    int sampleRate = 48000;
    // Frames are drawn this many times as wide and as high as the video,
    // and scaled down before ffmpeg gets them (platform/offscreen/video_pictures.h).
    int supersample = 1;
    VideoContainer container = VideoContainer::mp4;
    PixelLayout layout = PixelLayout::rgba8;
    std::string path; // written over if it exists
};

// One pipe into ffmpeg and the thread that writes it, so that drawing goes
// on while ffmpeg takes the previous frame. The writer writes each block from
// where it lies, and counts the blocks written.
struct EncoderPipe {
    int fd = -1;
    std::thread writer;
    const uint8_t* queued = nullptr; // handed over, not yet taken by the writer;
                                     // null for the picture before it again
    size_t queuedBytes = 0;
    bool full = false;    // `queued` waits for the writer
    int64_t written = 0;  // blocks written whole
    bool closing = false; // the writer ends once `queued` is written
    bool failed = false;
    int error = 0; // errno of the failed write
};

struct VideoEncoder {
    pid_t pid = -1;
    std::mutex lock; // guards the pipes' hand-over fields and `sound`
    std::condition_variable changed;
    EncoderPipe video, audio;
    // The sound is never held back: it runs ahead of the picture, since
    // ffmpeg, opening its inputs, reads a block of sound longer than a
    // frame's before it takes the picture. One block is being written while
    // the other gathers the frames' sound until the writer takes it.
    std::vector<uint8_t> sound[2];
    int gathering = 0;       // the index in `sound` of the block gathering
    size_t pictureBytes = 0; // width * height * 4, as the pictures reach ffmpeg
    PixelLayout layout = PixelLayout::rgba8;
    int supersample = 1;
    // The video writer's: its last picture, as written (RGBA bytes).
    const uint8_t* lastWritten = nullptr;
    std::vector<uint8_t> converted; // a frame turned into the video's RGBA picture
    int64_t pictures = 0;           // handed over
    int64_t wanted = 0;             // the most pictures a caller has waited to be written
    int width = 0, height = 0, frameRate = 60;
    double waitSeconds = 0; // time spent waiting for ffmpeg to take a frame
    // The video writer's processor time converting frames into pictures;
    // read once the encoder is finished.
    double convertSeconds = 0;
};

// The video sites' recommended bitrate, in kbit/s, for an upload `height`
// lines high at 60 frames a second: the rate of the class they serve it as,
// the tallest of their table's 360p to 2160p not taller than the picture
// (12000 for 1920x1080 and for 1440x1080, 7500 for 1024x768), the lowest
// for a picture shorter than them all. The capture writes at least that.
int uploadBitrate(int height);

// Starts ffmpeg. False, with the reason, when it cannot be run.
bool startVideoEncoder(VideoEncoder* encoder, const VideoSettings& settings, std::string* reason);
// A frame's sound, copied; handed over at once.
void encodeVideoSound(VideoEncoder* encoder, const int16_t* stereo, int soundFrames);
// A frame's picture: width * height pixels (times the supersampling factor
// on each side) laid out as the settings say, as OpenGL reads them, the
// bottom row first. Waits only while the previous
// picture has not been taken. Not copied: the pixels are read from `pixels`,
// which must stay as they are until videoPicturesWritten has counted this
// picture, the encoder->pictures-th. False, with the reason, once ffmpeg has
// stopped taking input.
bool encodeVideoPicture(VideoEncoder* encoder, const uint8_t* pixels, std::string* reason);
// The previous frame's picture again. A run of them crosses the pipe once,
// as its last frame, when the next picture is taken or a caller waits for
// it; until it is counted written, the repeated pixels must stay as they
// are, unless they were converted.
bool repeatVideoPicture(VideoEncoder* encoder, std::string* reason);
// Waits until the first `pictures` pictures are written, or writing them
// has failed. False, with the reason, then.
bool videoPicturesWritten(VideoEncoder* encoder, int64_t pictures, std::string* reason);
// Ends the input and waits for ffmpeg to finish the file. False, with the
// reason, when it failed; ffmpeg has then said why on standard error.
// `cpuSeconds` gets the processor time ffmpeg used.
bool finishVideoEncoder(VideoEncoder* encoder, std::string* reason, double* cpuSeconds);
// Stops ffmpeg at once; what it wrote is incomplete. Once it returns, no
// picture handed over is read any more.
void abandonVideoEncoder(VideoEncoder* encoder);
