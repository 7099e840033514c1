// A sound sink suspended while the song plays, as desktops do when another
// output is chosen or a headset leaves: how the position that each frame
// reads moves across the suspension and the resume, and how soon the music
// sounds again once the sink is back.
//
// The music layer plays a test song (rows of 25 ms) on a PulseAudio server
// of its own with a null sink. A loop reads row and order 60 times a second,
// as the demo's frames do; the sink is suspended at 3 s and resumed at 6 s.
// A recorder on the sink's monitor, started during the suspension, times the
// first sound after the resume (its own latency, about 20 ms, included).
//
// Usage: sink_suspend

#include "platform/music.h"
#include "tests/private_pulse.h"
#include "tests/test_songs.h"
#include "tools/writers/it_writer.h"
#include "tools/writers/tga_writer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;

static const int rate = 44100;

static double since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Read {
    double seconds; // when the frame read it
    double song;    // where the song was, in seconds of song
};

// When the monitor first delivers sound, in seconds from `start`.
static void listen(const std::string& command, Clock::time_point start,
                   std::atomic<double>* firstSound) {
    FILE* in = popen(command.c_str(), "r");
    if (!in)
        return;
    int16_t block[2 * 441];
    size_t got;
    while ((got = fread(block, 4, 441, in)) > 0) {
        for (size_t i = 0; i < 2 * got; i++)
            if (std::abs(block[i]) > 100 && *firstSound < 0) {
                *firstSound = since(start);
                break;
            }
    }
    pclose(in);
}

int main() {
    PrivatePulse pulse;
    if (!pulse.start()) {
        std::fprintf(stderr, "sink_suspend: cannot start a PulseAudio server\n");
        return 1;
    }
    std::string environment;
    for (const std::string& variable : pulse.environment()) {
        const size_t equals = variable.find('=');
        setenv(variable.substr(0, equals).c_str(), variable.substr(equals + 1).c_str(), 1);
        environment += variable + " ";
    }
    unsetenv("SDL_AUDIODRIVER");

    const std::vector<uint8_t> file = encodeIt(makeTestSong(16, 2, 200));
    const std::string path = "/tmp/sink_suspend_" + std::to_string(getpid()) + ".it";
    writeFile(path, file);
    const auto starts = rowStarts(file, rate);
    FSOUND_Init(rate, 32, 0);
    FMUSIC_MODULE* song = FMUSIC_LoadSong(path.c_str());
    unlink(path.c_str());
    if (!song)
        return 1;
    FMUSIC_PlaySong(song);
    const Clock::time_point start = Clock::now();

    std::vector<Read> reads;
    std::atomic<double> firstSound{-1};
    std::thread recorder;
    double suspendedAt = -1, resumedAt = -1;
    for (int frame = 0;; frame++) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(frame * 1000000 / 60));
        const int row = FMUSIC_GetRow(song);
        const int order = FMUSIC_GetOrder(song);
        const double now = since(start);
        auto found = starts.find({order, row});
        if (found != starts.end())
            reads.push_back({now, double(found->second) / rate});
        if (suspendedAt < 0 && now >= 3) {
            pulse.control("suspend-sink demo 1");
            suspendedAt = since(start);
        } else if (!recorder.joinable() && now >= 4) {
            recorder =
                std::thread(listen,
                            environment + "timeout 4 parec -d demo.monitor --raw --latency-msec=20 "
                                          "--rate=44100 --channels=2 --format=s16le",
                            start, &firstSound);
        } else if (resumedAt < 0 && now >= 6) {
            pulse.control("suspend-sink demo 0");
            resumedAt = since(start);
        } else if (now >= 9) {
            break;
        }
    }
    recorder.join();
    FMUSIC_FreeSong(song);
    FSOUND_Close();

    // Song time gained over wall time between one frame's read and the next:
    // about zero, a row's length at most, while the song plays on as it should.
    double ahead = 0, behind = 0, back = 0;
    double held = 0, heldSince = reads.front().seconds;
    for (size_t i = 1; i < reads.size(); i++) {
        const double moved = reads[i].song - reads[i - 1].song;
        const double gained = moved - (reads[i].seconds - reads[i - 1].seconds);
        ahead = std::max(ahead, gained);
        behind = std::min(behind, gained);
        back = std::min(back, moved);
        if (moved != 0)
            heldSince = reads[i].seconds;
        held = std::max(held, reads[i].seconds - heldSince);
    }
    // From a frame well before the suspension, once the song is under way.
    const Read& before =
        *std::find_if(reads.begin(), reads.end(), [](const Read& r) { return r.seconds >= 2; });
    const double lost = (reads.back().seconds - before.seconds) - (reads.back().song - before.song);
    std::printf("song: 16 orders, rows of 25 ms; %zu frames read at 60 Hz over %.1f s\n",
                reads.size(), reads.back().seconds);
    std::printf("sink suspended at %.3f s, resumed at %.3f s\n", suspendedAt, resumedAt);
    std::printf("largest jump between two frames: %+.1f ms ahead, %+.1f ms behind real time\n",
                ahead * 1000, behind * 1000);
    std::printf("largest step back: %.1f ms (the position must never go back)\n", back * 1000);
    std::printf("longest hold of one position: %.1f ms (a row is 25 ms)\n", held * 1000);
    std::printf("song time lost to the suspension (from 2 s to the end): %.1f ms\n", lost * 1000);
    if (firstSound < 0)
        std::printf("no sound after the resume\n");
    else
        std::printf("from the resume to sound again: %.1f ms\n", (firstSound - resumedAt) * 1000);
    return 0;
}
