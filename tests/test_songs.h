// Short songs for the music tests and the position bench, written with the
// module writer so every test runs against a real module file.
#pragma once

#include "tools/writers/it_writer.h"

#include <cmath>
#include <cstdint>
#include <libopenmpt/libopenmpt.h>
#include <map>
#include <utility>
#include <vector>

// A looped saw wave whose middle C lasts 100 frames at 44100 Hz.
inline ItSample testSaw() {
    ItSample saw;
    saw.name = "saw";
    for (int i = 0; i < 4400; i++)
        saw.pcm.push_back(int16_t((i % 100) * 600 - 30000));
    saw.loop = true;
    saw.loopStart = 0;
    saw.loopEnd = 4400;
    return saw;
}

// orderCount orders over four distinct patterns of `rows` rows. A row lasts
// speed * 2.5 / tempo seconds; with tempo 250 a tick is exactly 441 frames.
// Channel 1 plays a note every fourth row, channel 2 a quieter one every
// eighth, so every order sounds different and starts with a note.
inline ItModule makeTestSong(int orderCount, int speed, int tempo, int rows = 32) {
    ItModule song;
    song.title = "test song";
    song.initialSpeed = uint8_t(speed);
    song.initialTempo = uint8_t(tempo);
    song.channels = 2;
    song.samples.push_back(testSaw());
    for (int p = 0; p < 4; p++) {
        ItPattern pattern;
        pattern.rows = rows;
        pattern.cells.assign(size_t(rows), std::vector<ItCell>(2));
        for (int r = 0; r < rows; r += 4) {
            ItCell& lead = pattern.cells[size_t(r)][0];
            lead.note = 48 + p * 3 + (r / 4) % 7;
            lead.sample = 1;
            if (r % 8 == 0) {
                ItCell& bass = pattern.cells[size_t(r)][1];
                bass.note = 36 + p;
                bass.sample = 1;
                bass.volume = 32;
            }
        }
        song.patterns.push_back(pattern);
    }
    for (int o = 0; o < orderCount; o++)
        song.orders.push_back(uint8_t(o % 4));
    return song;
}

// orderCount orders of `rows` rows, each one held note o semitones above the
// saw's C-4 (whose period is 200 frames at 44100 Hz) in order o: the order a
// recording plays is told by its pitch alone (see heardOrder).
inline ItModule makeOrderToneSong(int orderCount, int speed, int tempo, int rows = 32) {
    ItModule song;
    song.title = "order tones";
    song.initialSpeed = uint8_t(speed);
    song.initialTempo = uint8_t(tempo);
    song.channels = 1;
    song.samples.push_back(testSaw());
    for (int o = 0; o < orderCount; o++) {
        ItPattern pattern;
        pattern.rows = rows;
        pattern.cells.assign(size_t(rows), std::vector<ItCell>(1));
        pattern.cells[0][0].note = 48 + o;
        pattern.cells[0][0].sample = 1;
        song.patterns.push_back(pattern);
        song.orders.push_back(uint8_t(o));
    }
    return song;
}

// The order of a makeOrderToneSong song that `frames` stereo frames at 44100
// Hz play, from the period of the left channel's strongest repetition; -1
// in silence.
inline int heardOrder(const int16_t* stereo, size_t frames) {
    const size_t shortest = 40, longest = 250; // periods of orders 39 to -4
    if (frames < 2 * longest)
        return -1;
    double energy = 0;
    for (size_t i = 0; i < frames; i++)
        energy += double(stereo[2 * i]) * stereo[2 * i];
    if (energy / double(frames) < 100.0 * 100.0)
        return -1;
    size_t best = 0;
    double bestScore = 0;
    for (size_t lag = shortest; lag <= longest; lag++) {
        double score = 0;
        for (size_t i = 0; i + lag < frames; i++)
            score += double(stereo[2 * i]) * stereo[2 * (i + lag)];
        score /= double(frames - lag);
        // The shortest lag of the strongest: a multiple of the period
        // scores about as high as the period itself.
        if (score > bestScore * 1.05) {
            bestScore = score;
            best = lag;
        }
    }
    return best ? int(std::lround(12 * std::log2(200.0 / double(best)))) : -1;
}

// The first frame of every (order, row) of a module, from libopenmpt decoding
// it one frame at a time at `rate`.
inline std::map<std::pair<int, int>, int64_t> rowStarts(const std::vector<uint8_t>& file,
                                                        int rate) {
    std::map<std::pair<int, int>, int64_t> starts;
    const openmpt_module_initial_ctl settings[] = {{"play.at_end", "stop"}, {nullptr, nullptr}};
    openmpt_module* mod = openmpt_module_create_from_memory2(
        file.data(), file.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
        nullptr, nullptr, nullptr, settings);
    int16_t frame[2];
    for (int64_t f = 0; openmpt_module_read_interleaved_stereo(mod, rate, 1, frame) == 1; f++)
        starts.emplace(std::make_pair(openmpt_module_get_current_order(mod),
                                      openmpt_module_get_current_row(mod)),
                       f);
    openmpt_module_destroy(mod);
    return starts;
}
