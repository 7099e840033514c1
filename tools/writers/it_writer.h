// Impulse Tracker modules: sample-based, packed patterns, no instruments.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ItSample {
    std::string name;         // at most 25 characters are stored
    std::vector<int16_t> pcm; // mono, 16-bit signed
    uint32_t c5Speed = 44100; // playback rate of middle C (note 60)
    uint8_t volume = 64;      // 0-64
    bool loop = false;
    uint32_t loopStart = 0; // in frames
    uint32_t loopEnd = 0;   // in frames, exclusive
};

constexpr int itNoNote = -1; // cell without a note
constexpr int itNoteCut = 254;
constexpr int itNoteOff = 255;
constexpr int itNoVolume = -1;

struct ItCell {
    int note = itNoNote;     // 0-119 (60 = C-5), itNoteCut, itNoteOff or itNoNote
    uint8_t sample = 0;      // 1-based sample number, 0 = none
    int volume = itNoVolume; // 0-64 set volume, or itNoVolume
    uint8_t effect = 0;      // 1 = A (speed), 2 = B (jump), 3 = C (break), ... 0 = none
    uint8_t param = 0;
};

struct ItPattern {
    int rows = 64;                          // 32-200
    std::vector<std::vector<ItCell>> cells; // [row][channel]
};

struct ItModule {
    std::string title;
    uint8_t initialSpeed = 6;   // ticks per row
    uint8_t initialTempo = 125; // BPM; a tick lasts 2.5 / tempo seconds
    uint8_t globalVolume = 128;
    uint8_t mixVolume = 48;
    int channels = 8;            // channels used by the patterns
    std::vector<uint8_t> orders; // pattern numbers; the writer appends the 255 end marker
    std::vector<ItPattern> patterns;
    std::vector<ItSample> samples;
};

// The whole file. Empty when the module cannot be stored: no orders or more
// than 255, an order naming a missing pattern (254 skips), rows outside
// 32-200, a row with more cells than `channels`, a value out of its range,
// a loop outside its sample, or an initial tempo below 32.
std::vector<uint8_t> encodeIt(const ItModule& module);
