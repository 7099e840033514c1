#include "platform/video_encoder.h"
#include "platform/offscreen/video_pictures.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

extern char** environ;

// ffmpeg reads the picture on descriptor 3 and the sound on descriptor 4.
static const int videoChildFd = 3, audioChildFd = 4;

// The video sites' recommended bitrates for uploads at 60 frames a second,
// by the class they serve an upload as, 360p to 2160p: its lines, kbit/s.
static const struct {
    int lines;
    int kbits;
} uploadRates[] = {{360, 1500},   {480, 4000},   {720, 7500},
                   {1080, 12000}, {1440, 24000}, {2160, 53000}};

int uploadBitrate(int height) {
    // The sites class an upload by its height alone, as the tallest class
    // not taller than the picture (1440x1080 is served as 1080p, 1024x768 as
    // 720p), and give it that class's rate; a picture below the table gets
    // its lowest.
    int kbits = uploadRates[0].kbits;
    for (const auto& rate : uploadRates)
        if (rate.lines <= height)
            kbits = rate.kbits;
    return kbits;
}

// ffmpeg's AAC encoder puts this many sound frames of its own before the
// sound; a player without an edit list plays them.
static const int aacPriming = 1024;

static std::vector<std::string> ffmpegArguments(const VideoSettings& settings) {
    const int kbits = uploadBitrate(settings.height);
    const std::string rate = std::to_string(kbits) + "k";
    // A second of buffer, full from the start: x264 adds filler whenever
    // the buffer would overflow, so however short the video, its bits come
    // to at least the rate times its length.
    const std::string fullBuffer = std::to_string(int64_t(kbits) * 1000);
    std::vector<std::string> arguments = {
        "ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
        // Opening, ffmpeg reads a little of one input, then of the other
        // (kept to a packet by -probesize); once running, it reads each in a
        // thread of its own.
        // The pictures come timestamped, so that a picture shown for several
        // frames crosses the pipe and the filters once; -fps_mode cfr hands
        // the encoder each frame of the 60 a second, the held one repeated.
        "-thread_queue_size", "8", "-probesize", "32", "-f", "matroska", "-i",
        "pipe:" + std::to_string(videoChildFd), "-thread_queue_size", "64", "-probesize", "32",
        "-f", "s16le", "-sample_rate", std::to_string(settings.sampleRate), "-channels", "2", "-i",
        "pipe:" + std::to_string(audioChildFd), "-map", "0:v", "-map", "1:a", "-fps_mode", "cfr",
        "-r", std::to_string(settings.frameRate),
        // GL's rows run bottom up; vflip only turns ffmpeg's view of them.
        // BT.709, said in the stream, so players need not guess from the size.
        "-vf", "vflip,scale=out_color_matrix=bt709:out_range=tv", "-colorspace", "bt709",
        "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range", "tv",
        // What the video sites ask of an upload: High profile with CABAC
        // and two B-frames, a closed group of pictures of half a second
        // (no extra key frames at scene changes), and at least their
        // bitrate for its height. x264 has no floor under its constant
        // quality, so the rate is constant, made up with filler where a
        // picture needs fewer bits. At that rate superfast loses little to
        // slower presets (48.5 dB against veryfast's 50 on Scene2 at 1080p)
        // and leaves the renderer most of the machine. One x264 thread: at a
        // constant rate its frame threads make every run's stream a little
        // different, and on two cores the renderer keeps the other busy.
        "-c:v", "libx264", "-preset", "superfast", "-threads", "1", "-profile:v", "high", "-coder",
        "cabac", "-bf", "2", "-g", std::to_string(settings.frameRate / 2), "-keyint_min",
        std::to_string(settings.frameRate / 2), "-sc_threshold", "0", "-flags", "+cgop", "-b:v",
        rate, "-minrate", rate, "-maxrate", rate, "-bufsize", rate, "-rc_init_occupancy",
        fullBuffer, "-nal-hrd", "cbr", "-pix_fmt", "yuv420p"};
    if (settings.container == VideoContainer::mp4) {
        // No edit lists, which some sites refuse: both streams start at 0,
        // the B-frames' reordering goes into negative composition offsets,
        // and the sound skips as many frames as AAC's priming adds, so that
        // it stays in step with the picture.
        const std::string skipPriming =
            "atrim=start_sample=" + std::to_string(aacPriming) + ",asetpts=PTS-STARTPTS";
        for (const char* argument :
             {"-af", skipPriming.c_str(), "-c:a", "aac", "-b:a", "384k", "-use_editlist", "0",
              "-movflags", "+faststart+negative_cts_offsets", "-f", "mp4"})
            arguments.push_back(argument);
    } else {
        for (const char* argument : {"-c:a", "flac", "-f", "matroska"})
            arguments.push_back(argument);
    }
    arguments.push_back(settings.path);
    return arguments;
}

static void closeFd(int* fd) {
    if (*fd >= 0)
        close(*fd);
    *fd = -1;
}

// A pipe whose ends are both above the descriptors the child is given, so
// that handing them over never lands a descriptor on itself.
static bool makePipe(int ends[2]) {
    int raw[2];
    if (pipe2(raw, O_CLOEXEC) != 0)
        return false;
    for (int i = 0; i < 2; i++) {
        ends[i] = fcntl(raw[i], F_DUPFD_CLOEXEC, 10);
        close(raw[i]);
    }
    return ends[0] >= 0 && ends[1] >= 0;
}

static bool writeAll(int fd, const uint8_t* bytes, size_t size, int* error) {
    for (size_t sent = 0; sent < size;) {
        const ssize_t written = write(fd, bytes + sent, size - sent);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            *error = written < 0 ? errno : EPIPE;
            return false;
        }
        sent += size_t(written);
    }
    return true;
}

// The bytes the video pipe gets for a picture taken from it: the frame as
// it is, or converted. Outside the lock: only the writer touches `converted`
// and `lastWritten`.
static double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

static const uint8_t* pictureBytes(VideoEncoder* encoder, const uint8_t* taken) {
    if (!picturesAsDrawn(encoder->layout, encoder->supersample)) {
        const double start = threadCpuSeconds();
        convertPicture(taken, encoder->layout, encoder->supersample, encoder->width,
                       encoder->height, encoder->converted.data());
        encoder->convertSeconds += threadCpuSeconds() - start;
        taken = encoder->converted.data();
    }
    encoder->lastWritten = taken;
    return taken;
}

// The sound pipe's writer: takes what is queued and writes it outside the
// lock; the block stays its owner's, who learns from `written` when it is
// free again.
static void writeSound(VideoEncoder* encoder) {
    EncoderPipe* pipe = &encoder->audio;
    std::unique_lock<std::mutex> hold(encoder->lock);
    for (;;) {
        encoder->changed.wait(hold, [pipe] { return pipe->full || pipe->closing; });
        if (!pipe->full)
            return;
        const uint8_t* sending = pipe->queued;
        const size_t bytes = pipe->queuedBytes;
        pipe->full = false;
        encoder->changed.notify_all();
        hold.unlock();
        int error = 0;
        const bool written = writeAll(pipe->fd, sending, bytes, &error);
        hold.lock();
        if (!written) {
            pipe->failed = true;
            pipe->error = error;
            encoder->changed.notify_all();
            return;
        }
        pipe->written++;
        encoder->changed.notify_all();
    }
}

// The video pipe carries a live Matroska stream of uncompressed RGBA
// pictures, each in a cluster of its own stamped with its frame's time in
// microseconds: the stream's head, then one cluster's head before each
// picture.
static void putId(std::vector<uint8_t>* out, uint32_t id) {
    for (int shift = 24; shift >= 0; shift -= 8)
        if (id >> shift || shift == 0)
            out->push_back(uint8_t(id >> shift));
}

static void putSize(std::vector<uint8_t>* out, uint64_t size) {
    int length = 1;
    while (length < 8 && size >= (uint64_t(1) << (7 * length)) - 1)
        length++;
    for (int i = length - 1; i >= 0; i--)
        out->push_back(uint8_t(size >> (8 * i)) |
                       (i == length - 1 ? uint8_t(0x80 >> (length - 1)) : 0));
}

static const uint64_t unknownSize = (uint64_t(1) << 56) - 1;

static void putBytes(std::vector<uint8_t>* out, uint32_t id, const uint8_t* bytes, size_t size) {
    putId(out, id);
    putSize(out, size);
    out->insert(out->end(), bytes, bytes + size);
}

static void putUnsigned(std::vector<uint8_t>* out, uint32_t id, uint64_t value) {
    uint8_t bytes[8];
    size_t size = 0;
    do {
        bytes[7 - size++] = uint8_t(value);
        value >>= 8;
    } while (value);
    putBytes(out, id, bytes + 8 - size, size);
}

static void putText(std::vector<uint8_t>* out, uint32_t id, const std::string& text) {
    putBytes(out, id, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

static void putMaster(std::vector<uint8_t>* out, uint32_t id, const std::vector<uint8_t>& body) {
    putBytes(out, id, body.data(), body.size());
}

static std::vector<uint8_t> streamHead(int width, int height, int frameRate) {
    std::vector<uint8_t> ebml, info, video, track, tracks, head;
    putUnsigned(&ebml, 0x4286, 1); // EBMLVersion
    putUnsigned(&ebml, 0x42F7, 1); // EBMLReadVersion
    putUnsigned(&ebml, 0x42F2, 4); // EBMLMaxIDLength
    putUnsigned(&ebml, 0x42F3, 8); // EBMLMaxSizeLength
    putText(&ebml, 0x4282, "matroska");
    putUnsigned(&ebml, 0x4287, 4); // DocTypeVersion
    putUnsigned(&ebml, 0x4285, 2); // DocTypeReadVersion
    putMaster(&head, 0x1A45DFA3, ebml);
    putId(&head, 0x18538067); // Segment, as long as the stream
    putSize(&head, unknownSize);
    putUnsigned(&info, 0x2AD7B1, 1000); // TimecodeScale: microseconds
    putMaster(&head, 0x1549A966, info);
    putUnsigned(&video, 0xB0, uint64_t(width));
    putUnsigned(&video, 0xBA, uint64_t(height));
    putText(&video, 0x2EB524, "RGBA"); // ColourSpace
    putUnsigned(&track, 0xD7, 1);      // TrackNumber
    putUnsigned(&track, 0x73C5, 1);    // TrackUID
    putUnsigned(&track, 0x83, 1);      // TrackType: video
    putText(&track, 0x86, "V_UNCOMPRESSED");
    // Each picture lasts a frame unless a later one says otherwise.
    putUnsigned(&track, 0x23E383, uint64_t((1000000000 + frameRate / 2) / frameRate));
    putMaster(&track, 0xE0, video);
    putMaster(&tracks, 0xAE, track);
    putMaster(&head, 0x1654AE6B, tracks);
    return head;
}

static std::vector<uint8_t> pictureHead(const VideoEncoder& encoder, int64_t frame) {
    std::vector<uint8_t> head;
    putId(&head, 0x1F43B675); // Cluster
    putSize(&head, unknownSize);
    putUnsigned(&head, 0xE7,
                uint64_t((frame * 1000000 + encoder.frameRate / 2) / encoder.frameRate));
    putId(&head, 0xA3); // SimpleBlock: track 1, at the cluster's time, a key frame
    putSize(&head, 4 + encoder.pictureBytes);
    for (uint8_t byte : {0x81, 0x00, 0x00, 0x80})
        head.push_back(byte);
    return head;
}

static bool writePicture(VideoEncoder* encoder, const uint8_t* pixels, int64_t frame, int* error) {
    const std::vector<uint8_t> head = pictureHead(*encoder, frame);
    return writeAll(encoder->video.fd, head.data(), head.size(), error) &&
           writeAll(encoder->video.fd, pixels, encoder->pictureBytes, error);
}

// A picture handed over again is held, not written: a run of repeats goes
// into the pipe as its last frame only, and ffmpeg repeats the picture
// before it for the frames between. Once the pictures end, or a caller
// waits for held ones, the last two frames are written: ffmpeg repeats the
// last picture at the end as often as the median of its last three gaps,
// which must then be none.
static void writePictures(VideoEncoder* encoder) {
    EncoderPipe* pipe = &encoder->video;
    int error = 0;
    const std::vector<uint8_t> head =
        streamHead(encoder->width, encoder->height, encoder->frameRate);
    bool written = writeAll(pipe->fd, head.data(), head.size(), &error);
    std::unique_lock<std::mutex> hold(encoder->lock);
    int64_t taken = 0, held = 0;
    while (written) {
        encoder->changed.wait(hold, [&] {
            return pipe->full || pipe->closing || (held && encoder->wanted > pipe->written);
        });
        const uint8_t* sending = nullptr;
        int64_t frame = taken;
        if (pipe->full) {
            sending = pipe->queued;
            pipe->full = false;
            frame = taken++;
            encoder->changed.notify_all();
            if (!sending) {
                held++;
                continue;
            }
        } else if (!held) {
            return;
        }
        const int64_t copies = sending ? std::min<int64_t>(held, 1) : std::min<int64_t>(held, 2);
        hold.unlock();
        for (int64_t copy = copies; written && copy > 0; copy--)
            written = writePicture(encoder, encoder->lastWritten, frame - copy, &error);
        if (written && sending)
            written = writePicture(encoder, pictureBytes(encoder, sending), frame, &error);
        hold.lock();
        if (written) {
            pipe->written += held + (sending ? 1 : 0);
            held = 0;
            encoder->changed.notify_all();
        }
    }
    pipe->failed = true;
    pipe->error = error;
    encoder->changed.notify_all();
}

bool startVideoEncoder(VideoEncoder* encoder, const VideoSettings& settings, std::string* reason) {
    // A write to an ffmpeg that has ended fails with EPIPE instead of
    // ending this process before it can clean up.
    std::signal(SIGPIPE, SIG_IGN);
    int video[2] = {-1, -1}, audio[2] = {-1, -1};
    if (!makePipe(video) || !makePipe(audio)) {
        *reason = std::string("cannot make a pipe: ") + std::strerror(errno);
        for (int* fd : {&video[0], &video[1], &audio[0], &audio[1]})
            closeFd(fd);
        return false;
    }
    // Fewer, larger writes for the frames.
    fcntl(video[1], F_SETPIPE_SZ, 1 << 20);

    std::vector<std::string> arguments = ffmpegArguments(settings);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, video[0], videoChildFd);
    posix_spawn_file_actions_adddup2(&actions, audio[0], audioChildFd);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, "ffmpeg", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    closeFd(&video[0]);
    closeFd(&audio[0]);
    if (error != 0) {
        *reason = error == ENOENT ? std::string("ffmpeg is not installed (no ffmpeg on PATH)")
                                  : std::string("cannot run ffmpeg: ") + std::strerror(error);
        closeFd(&video[1]);
        closeFd(&audio[1]);
        return false;
    }
    encoder->pid = pid;
    encoder->pictureBytes = size_t(settings.width) * size_t(settings.height) * 4;
    encoder->layout = settings.layout;
    encoder->supersample = settings.supersample;
    if (!picturesAsDrawn(settings.layout, settings.supersample))
        encoder->converted.resize(encoder->pictureBytes);
    encoder->video.fd = video[1];
    encoder->audio.fd = audio[1];
    encoder->width = settings.width;
    encoder->height = settings.height;
    encoder->frameRate = settings.frameRate;
    encoder->video.writer = std::thread(writePictures, encoder);
    encoder->audio.writer = std::thread(writeSound, encoder);
    return true;
}

static std::string pipeFailure(const EncoderPipe& pipe) {
    return pipe.error == EPIPE
               ? std::string("ffmpeg stopped taking frames")
               : std::string("cannot write to ffmpeg: ") + std::strerror(pipe.error);
}

void encodeVideoSound(VideoEncoder* encoder, const int16_t* stereo, int soundFrames) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(stereo);
    std::lock_guard<std::mutex> hold(encoder->lock);
    EncoderPipe& audio = encoder->audio;
    // Once the writer has taken the block queued last, it has written the
    // one before: that one gathers from here on.
    if (!audio.full) {
        encoder->gathering = 1 - encoder->gathering;
        encoder->sound[encoder->gathering].clear();
    }
    std::vector<uint8_t>& block = encoder->sound[encoder->gathering];
    block.insert(block.end(), bytes, bytes + size_t(soundFrames) * 4);
    audio.queued = block.data();
    audio.queuedBytes = block.size();
    audio.full = true;
    encoder->changed.notify_all();
}

// Queues a picture, null for the previous one again.
static bool queuePicture(VideoEncoder* encoder, const uint8_t* pixels, std::string* reason) {
    std::unique_lock<std::mutex> hold(encoder->lock);
    EncoderPipe& video = encoder->video;
    EncoderPipe& audio = encoder->audio;
    const auto start = std::chrono::steady_clock::now();
    encoder->changed.wait(hold, [&] { return !video.full || video.failed || audio.failed; });
    encoder->waitSeconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (video.failed || audio.failed) {
        *reason = pipeFailure(video.failed ? video : audio);
        return false;
    }
    video.queued = pixels;
    video.queuedBytes = encoder->pictureBytes;
    video.full = true;
    encoder->pictures++;
    encoder->changed.notify_all();
    return true;
}

bool encodeVideoPicture(VideoEncoder* encoder, const uint8_t* pixels, std::string* reason) {
    return queuePicture(encoder, pixels, reason);
}

bool repeatVideoPicture(VideoEncoder* encoder, std::string* reason) {
    if (encoder->pictures == 0) {
        *reason = "no picture to repeat";
        return false;
    }
    return queuePicture(encoder, nullptr, reason);
}

bool videoPicturesWritten(VideoEncoder* encoder, int64_t pictures, std::string* reason) {
    std::unique_lock<std::mutex> hold(encoder->lock);
    EncoderPipe& video = encoder->video;
    EncoderPipe& audio = encoder->audio;
    // Pictures held as repeats are written now if they are waited for.
    encoder->wanted = std::max(encoder->wanted, pictures);
    encoder->changed.notify_all();
    encoder->changed.wait(
        hold, [&] { return video.written >= pictures || video.failed || audio.failed; });
    if (video.failed || audio.failed) {
        *reason = pipeFailure(video.failed ? video : audio);
        return false;
    }
    return true;
}

// Lets the writers finish what they hold, or stop at their first failure.
static bool endWriters(VideoEncoder* encoder, std::string* reason) {
    {
        std::lock_guard<std::mutex> hold(encoder->lock);
        encoder->video.closing = true;
        encoder->audio.closing = true;
        encoder->changed.notify_all();
    }
    bool written = true;
    for (EncoderPipe* pipe : {&encoder->video, &encoder->audio}) {
        if (pipe->writer.joinable())
            pipe->writer.join();
        if (pipe->failed && written) {
            *reason = pipeFailure(*pipe);
            written = false;
        }
        closeFd(&pipe->fd);
    }
    return written;
}

bool finishVideoEncoder(VideoEncoder* encoder, std::string* reason, double* cpuSeconds) {
    const bool written = endWriters(encoder, reason);
    int status = 0;
    rusage usage{};
    pid_t ended;
    while ((ended = wait4(encoder->pid, &status, 0, &usage)) < 0 && errno == EINTR) {
    }
    encoder->pid = -1;
    *cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                  double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    if (ended < 0) {
        *reason = std::string("lost ffmpeg: ") + std::strerror(errno);
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *reason = WIFEXITED(status)
                      ? "ffmpeg failed with exit status " + std::to_string(WEXITSTATUS(status))
                      : "ffmpeg was ended by signal " + std::to_string(WTERMSIG(status));
        return false;
    }
    return written;
}

void abandonVideoEncoder(VideoEncoder* encoder) {
    // Killed first, so a writer blocked on a full pipe gets EPIPE.
    if (encoder->pid > 0)
        kill(encoder->pid, SIGKILL);
    std::string ignored;
    endWriters(encoder, &ignored);
    if (encoder->pid > 0) {
        while (waitpid(encoder->pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    encoder->pid = -1;
}
