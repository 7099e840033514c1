#include "platform/video_encoder.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

// ffmpeg reads the picture on descriptor 3 and the sound on descriptor 4.
static const int videoChildFd = 3, audioChildFd = 4;

static std::vector<std::string> ffmpegArguments(const VideoSettings& settings) {
    const std::string size = std::to_string(settings.width) + "x" + std::to_string(settings.height);
    std::vector<std::string> arguments = {
        "ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-y",
        // Opening, ffmpeg reads a little of one input, then of the other
        // (kept to a packet by -probesize); once running, it reads each in a
        // thread of its own.
        "-thread_queue_size", "8", "-probesize", "32", "-f", "rawvideo", "-pixel_format", "rgba",
        "-video_size", size, "-framerate", std::to_string(settings.frameRate), "-i",
        "pipe:" + std::to_string(videoChildFd), "-thread_queue_size", "64", "-probesize", "32",
        "-f", "s16le", "-sample_rate", std::to_string(settings.sampleRate), "-channels", "2", "-i",
        "pipe:" + std::to_string(audioChildFd), "-map", "0:v", "-map", "1:a",
        // GL's rows run bottom up; the filter only turns ffmpeg's view of them.
        "-vf", "vflip",
        // The renderer needs most of two cores; ultrafast leaves it enough
        // to stay ahead of real time, and crf 18 keeps the pictures' detail.
        // x264's threads give the same stream on every run.
        "-c:v", "libx264", "-preset", "ultrafast", "-crf", "18", "-pix_fmt", "yuv420p"};
    if (settings.container == VideoContainer::mp4) {
        for (const char* argument :
             {"-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart", "-f", "mp4"})
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
    encoder->video = {video[1], {}, 0};
    encoder->audio = {audio[1], {}, 0};
    encoder->waitSeconds = 0;
    // Written through poll, so a full pipe never stops the other one.
    fcntl(video[1], F_SETFL, O_NONBLOCK);
    fcntl(audio[1], F_SETFL, O_NONBLOCK);
    return true;
}

// Writes whatever the pipes take until `done` holds. False, with the reason,
// once ffmpeg has stopped reading.
template <typename Done>
static bool sendUntil(VideoEncoder* encoder, Done done, std::string* reason) {
    EncoderInput* inputs[] = {&encoder->video, &encoder->audio};
    while (!done()) {
        bool wrote = false;
        pollfd fds[2];
        int count = 0;
        for (EncoderInput* input : inputs) {
            if (input->sent == input->bytes.size())
                continue;
            const ssize_t written = write(input->fd, input->bytes.data() + input->sent,
                                          input->bytes.size() - input->sent);
            if (written > 0) {
                input->sent += size_t(written);
                wrote = true;
            } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
                *reason = errno == EPIPE
                              ? std::string("ffmpeg stopped taking frames")
                              : std::string("cannot write to ffmpeg: ") + std::strerror(errno);
                return false;
            }
            if (input->sent < input->bytes.size())
                fds[count++] = {input->fd, POLLOUT, 0};
        }
        if (wrote || done())
            continue;
        const auto start = std::chrono::steady_clock::now();
        poll(fds, nfds_t(count), -1);
        encoder->waitSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    return true;
}

bool encodeVideoFrame(VideoEncoder* encoder, std::vector<uint8_t>* rgba, const int16_t* stereo,
                      int soundFrames, std::string* reason) {
    EncoderInput& audio = encoder->audio;
    audio.bytes.erase(audio.bytes.begin(), audio.bytes.begin() + long(audio.sent));
    audio.sent = 0;
    const uint8_t* sound = reinterpret_cast<const uint8_t*>(stereo);
    audio.bytes.insert(audio.bytes.end(), sound, sound + size_t(soundFrames) * 4);
    // The previous picture goes out while this frame's sound is on offer.
    EncoderInput& video = encoder->video;
    if (!sendUntil(
            encoder, [&video] { return video.sent == video.bytes.size(); }, reason))
        return false;
    video.bytes.swap(*rgba);
    video.sent = 0;
    rgba->resize(video.bytes.size());
    return true;
}

bool finishVideoEncoder(VideoEncoder* encoder, std::string* reason, double* cpuSeconds) {
    EncoderInput& video = encoder->video;
    EncoderInput& audio = encoder->audio;
    const bool sent = sendUntil(
        encoder,
        [&] { return video.sent == video.bytes.size() && audio.sent == audio.bytes.size(); },
        reason);
    closeFd(&video.fd);
    closeFd(&audio.fd);
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
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && sent)
        return true;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return false;
    *reason = WIFEXITED(status)
                  ? "ffmpeg failed with exit status " + std::to_string(WEXITSTATUS(status))
                  : "ffmpeg was ended by signal " + std::to_string(WTERMSIG(status));
    return false;
}

void abandonVideoEncoder(VideoEncoder* encoder) {
    closeFd(&encoder->video.fd);
    closeFd(&encoder->audio.fd);
    if (encoder->pid > 0) {
        kill(encoder->pid, SIGKILL);
        while (waitpid(encoder->pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    encoder->pid = -1;
}
