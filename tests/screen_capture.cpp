#include "tests/screen_capture.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

static uint32_t bigEndian32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

bool captureScreen(Screenshot& shot) {
    FILE* pipe = popen("xwd -root -silent", "r");
    if (!pipe)
        return false;
    std::vector<uint8_t> data;
    uint8_t buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        data.insert(data.end(), buffer, buffer + got);
    if (pclose(pipe) != 0 || data.size() < 100)
        return false;
    // XWD: a big-endian header, a colour map, then the pixels.
    uint32_t headerSize = bigEndian32(&data[0]);
    uint32_t width = bigEndian32(&data[16]), height = bigEndian32(&data[20]);
    uint32_t byteOrder = bigEndian32(&data[28]);
    uint32_t bitsPerPixel = bigEndian32(&data[44]);
    uint32_t bytesPerLine = bigEndian32(&data[48]);
    uint32_t colorCount = bigEndian32(&data[76]);
    size_t offset = size_t(headerSize) + size_t(colorCount) * 12;
    uint32_t step = bitsPerPixel / 8;
    if ((step != 3 && step != 4) || bytesPerLine < width * step ||
        offset + size_t(bytesPerLine) * height > data.size())
        return false;
    shot.width = int(width);
    shot.height = int(height);
    shot.rgb.resize(size_t(width) * height * 3);
    for (uint32_t y = 0; y < height; y++) {
        for (uint32_t x = 0; x < width; x++) {
            const uint8_t* p = &data[offset + size_t(y) * bytesPerLine + x * step];
            uint32_t v = !byteOrder  ? uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]
                         : step == 4 ? bigEndian32(p)
                                     : uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
            uint8_t* q = &shot.rgb[(size_t(y) * width + x) * 3];
            q[0] = (v >> 16) & 0xFF;
            q[1] = (v >> 8) & 0xFF;
            q[2] = v & 0xFF;
        }
    }
    return true;
}

bool savePpm(const Screenshot& shot, const std::string& path) {
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    fprintf(file, "P6\n%d %d\n255\n", shot.width, shot.height);
    bool ok = fwrite(shot.rgb.data(), 1, shot.rgb.size(), file) == shot.rgb.size();
    return fclose(file) == 0 && ok;
}

ProcessResult runCommand(const std::string& command, double timeoutSeconds) {
    ProcessResult result;
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0)
        return result;
    pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]);
        close(errPipe[0]);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(long(timeoutSeconds * 1000));
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    bool killed = false;
    while (open > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0 && !killed) {
            kill(-pid, SIGKILL);
            killed = true;
        }
        if (left < -5000) // something outside the group still holds a pipe
            break;
        if (poll(fds, 2, killed ? 1000 : int(std::min<long>(left, 1000))) < 0)
            break;
        for (int i = 0; i < 2; i++) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buffer[4096];
            ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, size_t(got));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                open--;
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!killed && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}
