// A sound sink stopped while the song plays, as desktops do when the monitor
// with the speakers goes to sleep, another output is chosen or a headset
// leaves, and then its server killed and started again, as when it crashes
// or is updated: how the position that each frame reads moves across them,
// how soon the music sounds again once the sink and then the server are
// back, and whether what sounds then is where the show is.
//
// The music layer plays a test song, each order one held note of its own
// pitch, a second an order, on a server of its own with a null sink. A loop
// reads row and order 60 times a second, as the demo's frames do. The sink
// is stopped at 3 s (PulseAudio suspends it, PipeWire pauses its node) and
// started again at 6 s; the server is killed at 9 s and started again at
// 11 s. Recorders on the sink's monitor, started during the stop and as soon
// as the server is back, time the first sound (their own latency, about
// 20 ms, included) and tell the order it plays.
//
// Usage: sink_suspend [pulseaudio|pipewire] [SDL driver]

#include "platform/music.h"
#include "tests/private_sound_server.h"
#include "tests/test_songs.h"
#include "tools/writers/it_writer.h"
#include "tools/writers/tga_writer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
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
    int order;
};

// What the monitor delivered, dated in seconds from the start of the run.
struct Recording {
    std::vector<int16_t> stereo;
    double firstFrame = 1e9;
};

static void record(const PrivateSoundServer& server, double seconds, Clock::time_point start,
                   Recording* into) {
    const SinkRecording recording = server.record(seconds);
    into->stereo = recording.stereo;
    if (!recording.stereo.empty())
        into->firstFrame = std::chrono::duration<double>(recording.firstFrame - start).count();
}

// When the recording first sounds, in seconds from the start of the run;
// negative when it never does.
static double firstSound(const Recording& recording) {
    for (size_t i = 0; i < recording.stereo.size(); i += 2)
        if (std::abs(recording.stereo[i]) > 100)
            return recording.firstFrame + double(i / 2) / rate;
    return -1;
}

// The first time after `from` at which the frames read `order`, and at which
// the recording plays it; negative when it never does.
static double readAt(const std::vector<Read>& reads, int order, double from) {
    for (const Read& read : reads)
        if (read.seconds >= from && read.order >= order)
            return read.seconds;
    return -1;
}

// Three windows in a row, so a click at the return is not taken for a note.
static double heardAt(const Recording& recording, int order, double from) {
    const size_t window = 2048, step = 220;
    int inARow = 0;
    for (size_t at = 0; at + window <= recording.stereo.size() / 2; at += step) {
        const double seconds = recording.firstFrame + double(at + window / 2) / rate;
        const bool heard =
            seconds >= from && heardOrder(&recording.stereo[2 * at], window) >= order;
        inARow = heard ? inARow + 1 : 0;
        if (inARow == 3)
            return seconds - 2.0 * step / rate;
    }
    return -1;
}

int main(int argc, char** argv) {
    const bool pipeWire = argc > 1 && !std::strcmp(argv[1], "pipewire");
    PrivateSoundServer server(pipeWire ? SoundServer::pipeWire : SoundServer::pulseAudio);
    if (!server.start()) {
        std::fprintf(stderr, "sink_suspend: cannot start the sound server\n%s",
                     server.log().c_str());
        return 1;
    }
    for (const std::string& variable : server.environment()) {
        const size_t equals = variable.find('=');
        setenv(variable.substr(0, equals).c_str(), variable.substr(equals + 1).c_str(), 1);
    }
    if (argc > 2)
        setenv("SDL_AUDIODRIVER", argv[2], 1);
    else
        unsetenv("SDL_AUDIODRIVER");

    const std::vector<uint8_t> file = encodeIt(makeOrderToneSong(20, 3, 240));
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
    Recording afterResume, afterReturn;
    std::thread resumeRecorder, returnRecorder;
    double stoppedAt = -1, resumedAt = -1, killedAt = -1, backAt = -1;
    for (int frame = 0;; frame++) {
        std::this_thread::sleep_until(start + std::chrono::microseconds(frame * 1000000 / 60));
        const int row = FMUSIC_GetRow(song);
        const int order = FMUSIC_GetOrder(song);
        const double now = since(start);
        auto found = starts.find({order, row});
        if (found != starts.end())
            reads.push_back({now, double(found->second) / rate, order});
        if (stoppedAt < 0 && now >= 3) {
            server.stopSink();
            stoppedAt = since(start);
        } else if (!resumeRecorder.joinable() && now >= 4) {
            resumeRecorder = std::thread(record, std::cref(server), 4.0, start, &afterResume);
        } else if (resumedAt < 0 && now >= 6) {
            server.startSink();
            resumedAt = since(start);
        } else if (killedAt < 0 && now >= 9) {
            server.kill();
            killedAt = since(start);
        } else if (!returnRecorder.joinable() && now >= 11) {
            // Started on a thread of its own: the frames go on meanwhile.
            returnRecorder = std::thread([&] {
                server.start();
                backAt = since(start);
                record(server, 4.0, start, &afterReturn);
            });
        } else if (now >= 16) {
            break;
        }
    }
    resumeRecorder.join();
    returnRecorder.join();
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
    // From a frame well before the stop, once the song is under way.
    const Read& before =
        *std::find_if(reads.begin(), reads.end(), [](const Read& r) { return r.seconds >= 2; });
    const double lost = (reads.back().seconds - before.seconds) - (reads.back().song - before.song);
    std::printf("%s, SDL driver %s; song: 20 orders of 1 s, rows of 31 ms; %zu frames read at "
                "60 Hz over %.1f s\n",
                pipeWire ? "PipeWire" : "PulseAudio", argc > 2 ? argv[2] : "of SDL's choice",
                reads.size(), reads.back().seconds);
    std::printf("sink stopped at %.3f s, started again at %.3f s; server killed at %.3f s, back "
                "at %.3f s\n",
                stoppedAt, resumedAt, killedAt, backAt);
    std::printf("largest jump between two frames: %+.1f ms ahead, %+.1f ms behind real time\n",
                ahead * 1000, behind * 1000);
    std::printf("largest step back: %.1f ms (the position must never go back)\n", back * 1000);
    std::printf("longest hold of one position: %.1f ms (a row is 31 ms)\n", held * 1000);
    std::printf("song time lost (from 2 s to the end): %.1f ms\n", lost * 1000);
    const double resumed = firstSound(afterResume), returned = firstSound(afterReturn);
    if (resumed < 0)
        std::printf("no sound after the sink started again\n");
    else
        std::printf("from the sink's start to sound again: %.1f ms\n",
                    (resumed - resumedAt) * 1000);
    if (returned < 0) {
        std::printf("no sound after the server's return\n");
        return 0;
    }
    std::printf("from the server's return to sound again: %.1f ms\n", (returned - backAt) * 1000);
    // The first order change heard after the return, against the frames.
    const int next = reads.back().order;
    int order = -1;
    for (const Read& read : reads)
        if (read.seconds >= returned + 0.1 && order < 0)
            order = read.order + 1;
    const double heard = heardAt(afterReturn, order, returned);
    const double shown = readAt(reads, order, returned);
    if (order < 0 || order > next || heard < 0 || shown < 0)
        std::printf("no order change heard after the return\n");
    else
        std::printf("order %d after the return: heard %+.1f ms from the frames' reading it\n",
                    order, (heard - shown) * 1000);
    return 0;
}
