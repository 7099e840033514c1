#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

#include "tools/assetgen/song.h"

const Chord chordAm{{57, 60, 64}, 45};
const Chord chordF{{57, 60, 65}, 41};
const Chord chordC{{55, 60, 64}, 48};
const Chord chordG{{55, 59, 62}, 43};
const Chord chordE{{56, 59, 64}, 40};
const Chord chordDm{{57, 62, 65}, 38};

// Left to right: 0x00 to 0xFF.
static const uint8_t channelPan[channelCount] = {
    0x80, 0x78, 0x90, 0xB8, 0x80, 0x40, 0x80, 0xC0, 0x7C, 0x50, 0xA8, 0x70, 0x80,
};

ItPattern newPattern(int rows) {
    ItPattern p;
    p.rows = rows;
    p.cells.assign(size_t(rows), std::vector<ItCell>(channelCount));
    for (int c = 0; c < channelCount; c++) {
        putEffect(p, 0, c, fxPanning, channelPan[c]);
    }
    return p;
}

static ItCell& cellAt(ItPattern& p, int row, int channel) {
    return p.cells[size_t(row)][size_t(channel)];
}

void putNote(ItPattern& p, int row, int channel, int note, SampleId sample, int volume) {
    if (row < 0 || row >= p.rows) {
        return;
    }
    ItCell& c = cellAt(p, row, channel);
    c.note = note;
    c.sample = sample;
    c.volume = std::clamp(volume, 0, 64);
}

void putEffect(ItPattern& p, int row, int channel, uint8_t effect, uint8_t param) {
    if (row < 0 || row >= p.rows) {
        return;
    }
    ItCell& c = cellAt(p, row, channel);
    c.effect = effect;
    c.param = param;
}

void putVolume(ItPattern& p, int row, int channel, int volume) {
    if (row >= 0 && row < p.rows) {
        cellAt(p, row, channel).volume = std::clamp(volume, 0, 64);
    }
}

void putCut(ItPattern& p, int row, int channel) {
    if (row >= 0 && row < p.rows) {
        ItCell& c = cellAt(p, row, channel);
        c.note = itNoteCut;
        c.sample = 0;
        c.volume = itNoVolume;
    }
}

static const int middle = 60;

void addDrums(ItPattern& p, const Drums& d) {
    int stop = d.endRow < 0 ? p.rows : std::min(d.endRow, p.rows);
    int end = d.fill ? d.fillFrom : stop;
    for (int row = 0; row < stop; row++) {
        int step = row % rowsPerBar;
        bool beforeFill = row < end;
        switch (d.kick) {
        case Kick::none:
            break;
        case Kick::barStart:
            if (step == 0) {
                putNote(p, row, chKick, middle, sKick, 52);
            }
            break;
        case Kick::fourFloor:
            if (step % 4 == 0) {
                putNote(p, row, chKick, middle, sKick, 64);
            }
            break;
        case Kick::halfTime:
            if (step == 0 || step == 10) {
                putNote(p, row, chKick, middle, sKick, 64);
            }
            break;
        case Kick::syncopated:
            if (step == 0 || step == 6 || step == 10 || (step == 14 && row % 32 >= 16)) {
                putNote(p, row, chKick, middle, sKick, step == 0 ? 64 : 56);
            }
            break;
        }
        if (beforeFill) {
            switch (d.backbeat) {
            case Backbeat::none:
                break;
            case Backbeat::clap:
                if (step == 4 || step == 12) {
                    putNote(p, row, chClap, middle, sClap, 54);
                }
                break;
            case Backbeat::clapAndSnare:
                if (step == 4 || step == 12) {
                    putNote(p, row, chClap, middle, sClap, 48);
                    putNote(p, row, chSnare, middle, sSnare, 50);
                }
                if (step == 15 && row % 32 == 31) {
                    putNote(p, row, chSnare, middle, sSnare, 26);
                }
                break;
            case Backbeat::halfTime:
                if (step == 8) {
                    putNote(p, row, chSnare, middle, sSnare, 58);
                    putNote(p, row, chClap, middle, sClap, 40);
                }
                break;
            }
        }
        int v = d.hatVolume;
        switch (d.hats) {
        case Hats::none:
            break;
        case Hats::eighths:
            if (step % 2 == 0) {
                putNote(p, row, chHat, middle, sClosedHat, step % 4 == 2 ? v : v * 2 / 3);
            }
            break;
        case Hats::offbeats:
            if (step % 4 == 2) {
                putNote(p, row, chHat, middle, sClosedHat, v);
            }
            break;
        case Hats::sixteenths:
            putNote(p, row, chHat, middle, sClosedHat,
                    step % 4 == 2 ? v : (step % 2 ? v / 2 : v * 2 / 3));
            break;
        case Hats::openOffbeats:
            if (step % 4 == 2) {
                putNote(p, row, chHat, middle, sOpenHat, v);
            } else if (step % 2 == 1) {
                putNote(p, row, chHat, middle, sClosedHat, v / 2);
            }
            break;
        }
    }
    if (d.fill) {
        // Eighths, then sixteenths, growing louder into the next downbeat.
        int span = stop - d.fillFrom;
        for (int row = d.fillFrom; row < stop; row++) {
            int into = row - d.fillFrom;
            bool sixteenth = into >= span / 2;
            if (sixteenth || into % 2 == 0) {
                putNote(p, row, chSnare, middle, sSnare, 30 + 34 * into / std::max(1, span - 1));
            }
        }
    }
}

void addBass(ItPattern& p, const Progression& prog, Bass style, int volume) {
    for (int bar = 0; bar < barsPerPattern; bar++) {
        int root = prog[size_t(bar)].root;
        int base = bar * rowsPerBar;
        switch (style) {
        case Bass::held:
            putNote(p, base, chBass, root, sBass, volume);
            break;
        case Bass::eighths:
            for (int s = 0; s < rowsPerBar; s += 2) {
                putNote(p, base + s, chBass, root, sBass, s % 4 == 0 ? volume : volume * 3 / 4);
            }
            break;
        case Bass::octaves:
            for (int s = 0; s < rowsPerBar; s += 2) {
                putNote(p, base + s, chBass, s % 4 == 0 ? root : root + 12, sBass,
                        s % 4 == 0 ? volume : volume * 4 / 5);
                putCut(p, base + s + 1, chBass);
            }
            break;
        case Bass::tresillo: {
            static const int steps[] = {0, 3, 6, 8, 11, 14};
            static const int lift[] = {0, 12, 0, 7, 12, 0};
            for (int i = 0; i < 6; i++) {
                putNote(p, base + steps[i], chBass, root + lift[i], sBass,
                        i == 0 ? volume : volume * 4 / 5);
            }
            break;
        }
        }
    }
}

void addPads(ItPattern& p, const Progression& prog, int volume) {
    for (int bar = 0; bar < barsPerPattern; bar++) {
        const Chord& c = prog[size_t(bar)];
        for (int k = 0; k < 3; k++) {
            putNote(p, bar * rowsPerBar, chPad0 + k, c.notes[k], sPad, volume);
        }
    }
}

void addArp(ItPattern& p, const Progression& prog, Arp style, int volume, int octave) {
    static const int rolling[] = {0, 2, 1, 3, 2, 1, 3, 2};
    for (int bar = 0; bar < barsPerPattern; bar++) {
        const Chord& c = prog[size_t(bar)];
        int tones[4] = {c.notes[0] + 12 * octave, c.notes[1] + 12 * octave,
                        c.notes[2] + 12 * octave, c.notes[0] + 12 * (octave + 1)};
        for (int s = 0; s < rowsPerBar; s++) {
            int row = bar * rowsPerBar + s;
            int accent = s % 4 == 0 ? volume : volume * 3 / 4;
            switch (style) {
            case Arp::eighths:
                if (s % 2 == 0) {
                    putNote(p, row, chPluck, tones[(s / 2) % 4], sPluck, accent);
                }
                break;
            case Arp::sixteenths:
                putNote(p, row, chPluck, tones[s % 4], sPluck, accent);
                break;
            case Arp::rolling:
                putNote(p, row, chPluck, tones[rolling[s % 8]], sPluck, accent);
                break;
            }
        }
    }
}

// "G#4" -> 68; -1 for anything else.
static int parseNote(const std::string& token) {
    static const int semitones[] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    if (token.size() < 2 || token[0] < 'A' || token[0] > 'G') {
        return -1;
    }
    int note = semitones[token[0] - 'A'];
    size_t i = 1;
    if (token[i] == '#') {
        note++;
        i++;
    } else if (token[i] == 'b') {
        note--;
        i++;
    }
    if (i >= token.size() || !std::isdigit(static_cast<unsigned char>(token[i]))) {
        return -1;
    }
    return note + 12 * (std::stoi(token.substr(i)) + 1);
}

struct MelodyEvent {
    int row;
    int note; // itNoteCut for a rest
    int length;
};

static std::vector<MelodyEvent> melodyEvents(const Melody& m) {
    std::vector<MelodyEvent> events;
    for (int bar = 0; bar < barsPerPattern; bar++) {
        std::string text = m[size_t(bar)];
        size_t pos = 0;
        int step = 0;
        while (pos < text.size() && step < rowsPerBar) {
            size_t next = text.find(' ', pos);
            if (next == std::string::npos) {
                next = text.size();
            }
            std::string token = text.substr(pos, next - pos);
            pos = next + 1;
            if (token.empty()) {
                continue;
            }
            int row = bar * rowsPerBar + step++;
            if (token == ".") {
                if (!events.empty()) {
                    events.back().length++;
                }
            } else if (token == "-") {
                events.push_back({row, itNoteCut, 1});
            } else if (int note = parseNote(token); note >= 0) {
                events.push_back({row, note, 1});
            }
        }
    }
    return events;
}

void addMelody(ItPattern& p, const Melody& m, int volume, int transpose) {
    const int echoDelay = 3;
    for (const MelodyEvent& e : melodyEvents(m)) {
        if (e.note == itNoteCut) {
            putCut(p, e.row, chLead);
            putCut(p, e.row + echoDelay, chEcho);
            continue;
        }
        putNote(p, e.row, chLead, e.note + transpose, sLead, volume);
        putNote(p, e.row + echoDelay, chEcho, e.note + transpose, sLead, volume * 3 / 8);
        // A held note starts plain and warms up with a gentle vibrato.
        for (int r = e.row + 4; r < e.row + e.length; r++) {
            putEffect(p, r, chLead, fxVibrato, 0x42);
        }
    }
}

void addPluckLine(ItPattern& p, const Melody& m, int volume, int transpose) {
    for (const MelodyEvent& e : melodyEvents(m)) {
        if (e.note != itNoteCut) {
            putNote(p, e.row, chPluck, e.note + transpose, sPluck, volume);
        }
    }
}

void addSurf(ItPattern& p, int peak) {
    for (int wave = 0; wave * 32 < p.rows; wave++) {
        int start = wave * 32;
        putNote(p, start, chSurf, 55 - wave % 2 * 2, sSurf, 0);
        for (int r = 1; r < 32 && start + r < p.rows; r++) {
            // Quick swell as the wave breaks, long ebb as it runs back.
            float level = r < 6 ? float(r) / 6 : 1.0f - float(r - 6) / 26;
            putVolume(p, start + r, chSurf, int(float(peak) * level * level + 0.5f));
        }
    }
}

void addRiser(ItPattern& p, int from, int peak) {
    putNote(p, from, chSurf, 67, sSurf, 2);
    int span = p.rows - from;
    // About fourteen semitones up over the span: linear slides move by
    // sixteenths of a semitone, on the five ticks after each row's first.
    int slide = std::max(1, int(std::lround(14.0 * 16 / (5.0 * (span - 1)))));
    for (int r = from + 1; r < p.rows; r++) {
        float t = float(r - from) / float(span - 1);
        putVolume(p, r, chSurf, int(float(peak) * t * t + 0.5f));
        putEffect(p, r, chSurf, fxPortaUp, uint8_t(slide));
    }
}

void addCrash(ItPattern& p, int row, int volume) {
    putNote(p, row, chCrash, middle, sCrash, volume);
}

void clearRows(ItPattern& p, int channel, int from, int to) {
    for (int r = std::max(from, 0); r < std::min(to, p.rows); r++) {
        cellAt(p, r, channel) = ItCell{};
    }
}

void fadeOut(ItPattern& p, int channel, int from, int to, int volume) {
    int span = std::max(1, to - from);
    for (int r = from; r < to; r++) {
        float left = 1.0f - float(r - from + 1) / float(span);
        putVolume(p, r, channel, int(float(volume) * left * left + 0.5f));
    }
    putCut(p, to, channel);
}
