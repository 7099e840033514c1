// The song's building blocks: the channel layout, chords, and the layers
// (drums, bass, pads, arpeggios, melody, sea) that the arrangement stacks
// pattern by pattern. 16 rows make a bar of 4/4; a pattern is four bars.
#pragma once

#include <array>

#include "tools/writers/it_writer.h"

enum SampleId : uint8_t {
    sKick = 1,
    sSnare,
    sClap,
    sClosedHat,
    sOpenHat,
    sCrash,
    sBass,
    sPad,
    sLead,
    sPluck,
    sSurf,
};

enum Channel {
    chKick,
    chSnare,
    chClap,
    chHat,
    chBass,
    chPad0,
    chPad1,
    chPad2,
    chLead,
    chEcho,
    chPluck,
    chCrash,
    chSurf,
    channelCount
};

constexpr int rowsPerBar = 16;
constexpr int barsPerPattern = 4;
constexpr int patternRows = rowsPerBar * barsPerPattern;

// Effect letters as the tracker numbers them.
constexpr uint8_t fxSpeed = 1;    // A
constexpr uint8_t fxVolSlide = 4; // D
constexpr uint8_t fxPortaUp = 6;  // F
constexpr uint8_t fxVibrato = 8;  // H
constexpr uint8_t fxPanning = 24; // X

// A pad voicing (three notes near middle C) and the bass root.
struct Chord {
    int notes[3];
    int root;
};

extern const Chord chordAm, chordF, chordC, chordG, chordE, chordDm;

using Progression = std::array<Chord, barsPerPattern>;

// Four bars of 16 steps each: a note name ("E5", "G#4"), "." to hold, "-" to
// cut. Scientific pitch: A4 is 440 Hz, note 69.
using Melody = std::array<const char*, barsPerPattern>;

// An empty pattern of `rows` rows whose first row sets every channel's place
// in the stereo field.
ItPattern newPattern(int rows = patternRows);

void putNote(ItPattern& p, int row, int channel, int note, SampleId sample, int volume);
void putEffect(ItPattern& p, int row, int channel, uint8_t effect, uint8_t param);
void putVolume(ItPattern& p, int row, int channel, int volume);
void putCut(ItPattern& p, int row, int channel);

enum class Kick { none, barStart, fourFloor, halfTime, syncopated };
enum class Backbeat { none, clap, clapAndSnare, halfTime };
enum class Hats { none, eighths, offbeats, sixteenths, openOffbeats };

struct Drums {
    Kick kick = Kick::none;
    Backbeat backbeat = Backbeat::none;
    Hats hats = Hats::none;
    int hatVolume = 40;
    bool fill = false; // a snare run up to endRow
    int fillFrom = 48; // first row of the run
    int endRow = -1;   // the drums stop here; -1: at the end of the pattern
};

void addDrums(ItPattern& p, const Drums& d);

enum class Bass { held, eighths, octaves, tresillo };
void addBass(ItPattern& p, const Progression& prog, Bass style, int volume);

void addPads(ItPattern& p, const Progression& prog, int volume);

enum class Arp { eighths, sixteenths, rolling };
void addArp(ItPattern& p, const Progression& prog, Arp style, int volume, int octave = 1);

// The lead on chLead, its dotted-eighth echo on chEcho, vibrato on held notes.
void addMelody(ItPattern& p, const Melody& m, int volume, int transpose = 0);
// The same line on the pluck channel.
void addPluckLine(ItPattern& p, const Melody& m, int volume, int transpose = 0);

// Waves on the shore: the surf noise swelling and ebbing every two bars.
void addSurf(ItPattern& p, int peak);
// Rising noise over the rows from `from` to the end of the pattern.
void addRiser(ItPattern& p, int from, int peak);
void addCrash(ItPattern& p, int row, int volume = 64);

// Empties the channel's cells in rows [from, to).
void clearRows(ItPattern& p, int channel, int from, int to);
// Lowers the channel's volume row by row from `volume` to silence over
// rows [from, to), then cuts the note.
void fadeOut(ItPattern& p, int channel, int from, int to, int volume);

// The whole song.
ItModule composeSong();
