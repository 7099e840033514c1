// Music position error: how far the order and row that the music layer
// reports lag or lead the audio of that row reaching the output.
//
// The song plays through SDL's `disk` driver into a named pipe read by a
// thread here. The driver writes each 10 ms buffer right after filling it and
// then waits 10 ms, like a device playing it; its stdio buffer reaches the
// pipe in blocks, each ending inside the buffer just written. So every block
// read at time t says: the frame it ends with starts to play at t plus its
// offset in that 10 ms buffer. Between those anchors the output advances at
// the sample rate. The frame at which each row starts comes from libopenmpt
// itself, decoding the same module one frame at a time.
//
// Usage: music_position_error [orders]   (default 16 orders, 12.8 s)

#include "platform/music.h"
#include "tests/test_songs.h"
#include "tools/writers/it_writer.h"
#include "tools/writers/tga_writer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <libopenmpt/libopenmpt.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

using Clock = std::chrono::steady_clock;

static const int rate = 44100;
static const int bufferFrames = 441; // what the music layer asks of the driver

struct Anchor {
    double frame;
    double seconds;
};

struct PipeRecord {
    std::vector<uint8_t> bytes;
    std::vector<Anchor> anchors;
};

static double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

static void readPipe(const std::string& path, Clock::time_point start, PipeRecord* record) {
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return;
    uint8_t block[1 << 16];
    ssize_t got;
    while ((got = read(fd, block, sizeof block)) > 0) {
        const double t = since(start);
        record->bytes.insert(record->bytes.end(), block, block + got);
        const int64_t end = int64_t(record->bytes.size() / 4); // frames handed over
        const int64_t bufferStart = (end - 1) / bufferFrames * bufferFrames;
        record->anchors.push_back({double(end), t + double(end - bufferStart) / rate});
    }
    close(fd);
}

// When `frame` reaches the output, interpolating between anchors.
static double playTime(const std::vector<Anchor>& anchors, double frame) {
    auto after = std::lower_bound(anchors.begin(), anchors.end(), frame,
                                  [](const Anchor& a, double f) { return a.frame < f; });
    if (after == anchors.begin())
        return after->seconds - (after->frame - frame) / rate;
    if (after == anchors.end())
        return anchors.back().seconds + (frame - anchors.back().frame) / rate;
    const Anchor& before = *(after - 1);
    const double share = (frame - before.frame) / (after->frame - before.frame);
    return before.seconds + share * (after->seconds - before.seconds);
}

static double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t rank = std::max<size_t>(1, size_t(std::ceil(p * double(values.size()))));
    return values[std::min(rank, values.size()) - 1];
}

int main(int argc, char** argv) {
    const int orders = argc > 1 ? std::max(1, std::atoi(argv[1])) : 16;
    // Rows of 25 ms (speed 2, tempo 200: ticks of 551.25 frames, so row
    // starts fall between whole frames as in real songs).
    const std::vector<uint8_t> file = encodeIt(makeTestSong(orders, 2, 200));
    const std::string dir = "/tmp/music_position_error_" + std::to_string(getpid());
    mkdir(dir.c_str(), 0700);
    const std::string songPath = dir + "/song.it", pipePath = dir + "/output.raw";
    writeFile(songPath, file);
    mkfifo(pipePath.c_str(), 0600);
    const auto starts = rowStarts(file, rate);

    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", pipePath.c_str(), 1);
    unsetenv("SDL_DISKAUDIODELAY");
    const Clock::time_point start = Clock::now();
    PipeRecord record;
    std::thread reader(readPipe, pipePath, start, &record);
    FSOUND_Init(44100, 32, 0);
    FMUSIC_MODULE* song = FMUSIC_LoadSong(songPath.c_str());
    if (!song)
        return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    FMUSIC_PlaySong(song);

    struct Change {
        double seconds;
        int order, row;
    };
    std::vector<Change> changes;
    int lastOrder = -2, lastRow = -2;
    const auto songLength = starts.rbegin()->second; // about the last row's start
    for (double t = since(start); t < 0.2 + double(songLength) / rate + 1.0; t = since(start)) {
        const int row = FMUSIC_GetRow(song);
        const int order = FMUSIC_GetOrder(song);
        if (order != lastOrder || row != lastRow)
            changes.push_back({since(start), order, row});
        lastOrder = order;
        lastRow = row;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    FMUSIC_StopSong(song);
    FMUSIC_FreeSong(song);
    FSOUND_Close();
    reader.join();
    unlink(pipePath.c_str());
    unlink(songPath.c_str());
    rmdir(dir.c_str());

    // The device ran silent before the song; the song sounds from its first frame.
    int64_t songStart = 0;
    while (size_t(songStart) * 4 + 3 < record.bytes.size() &&
           !(record.bytes[size_t(songStart) * 4] | record.bytes[size_t(songStart) * 4 + 1] |
             record.bytes[size_t(songStart) * 4 + 2] | record.bytes[size_t(songStart) * 4 + 3]))
        songStart++;

    std::vector<double> errors, magnitudes;
    size_t unknown = 0;
    for (const Change& change : changes) {
        auto found = starts.find({change.order, change.row});
        if (found == starts.end() || (change.order == 0 && change.row == 0)) {
            unknown += !(change.order == 0 && change.row == 0);
            continue;
        }
        const double audible = playTime(record.anchors, double(songStart + found->second));
        errors.push_back((change.seconds - audible) * 1000);
        magnitudes.push_back(std::fabs(errors.back()));
    }
    if (errors.empty()) {
        std::printf("no position changes seen\n");
        return 1;
    }
    std::printf("song: %d orders, %zu rows of 25 ms, %zu output blocks timed\n", orders,
                starts.size(), record.anchors.size());
    std::printf("row changes seen: %zu of %zu (unknown positions: %zu)\n", errors.size(),
                starts.size() - 1, unknown);
    std::printf("reported minus audible (ms): median %+.2f, min %+.2f, max %+.2f\n",
                percentile(errors, 0.5), percentile(errors, 0.0), percentile(errors, 1.0));
    std::printf("absolute error (ms): median %.2f, p99 %.2f, max %.2f (target p99 <= 16.7)\n",
                percentile(magnitudes, 0.5), percentile(magnitudes, 0.99),
                percentile(magnitudes, 1.0));
    return 0;
}
