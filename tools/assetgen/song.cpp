// "Prueba.IT": three minutes of summer synth-pop in A minor at 125 BPM.
// The order list follows the demo's scenes: an intro by the sea (orders
// 0-2), the build-up (3-6), the main theme (7-10), a variation with a latin
// lilt (11-14), a break that thins out to the waves (15-16) and the finale
// (17-22), whose last chord dies away just before order 23, the silent
// pattern at which the demo ends.

#include "tools/assetgen/song.h"
#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/synth.h"

static const Progression home{chordAm, chordF, chordC, chordG};
static const Progression turn{chordAm, chordF, chordG, chordE};
static const Progression bridge{chordDm, chordF, chordC, chordE};
static const Progression lift{chordF, chordG, chordAm, chordAm};
static const Progression rise{chordF, chordG, chordC, chordE};
static const Progression close{chordAm, chordF, chordG, chordAm};

// The hook, and its answer ending on the dominant.
static const Melody themeA{
    "E5 . . E5 . . D5 . . . C5 . D5 . . .", "C5 . . C5 . . A4 . . . . . G4 . A4 .",
    "E5 . . E5 . . G5 . . . E5 . D5 . . .", "D5 . . . . . B4 . . . G4 . A4 . B4 ."};
static const Melody themeA2{
    "E5 . . E5 . . D5 . . . C5 . D5 . . .", "C5 . . C5 . . A5 . . . . . G5 . F5 .",
    "D5 . . D5 . . G5 . . . F5 . E5 . . .", "E5 . . . . . . . D5 . C5 . B4 . . ."};
static const Melody themeB{
    "F5 . . . E5 . D5 . . . A4 . D5 . . .", "C5 . . . A4 . C5 . . . F5 . E5 . F5 .",
    "G5 . . . . . E5 . . . C5 . E5 . . .", "B4 . . . E5 . . . G#5 . . . B5 . . ."};
static const Melody variation1{
    "A5 . . . . . . . G5 . . . F5 . . .", "G5 . . . . . . . D5 . . . B4 . . .",
    "C5 . . . . . E5 . . . . . A5 . . .", "A5 . . . . . . . - . . . . . . ."};
static const Melody answer1{"", ". . . . . . . . . . . . B5 . D6 .", "",
                            ". . . . . . . . E6 . D6 . C6 . B5 ."};
static const Melody variation2{
    "A5 . . . . . . . C6 . . . A5 . . .", "B5 . . . . . . . G5 . . . D5 . . .",
    "E5 . . . . . G5 . . . . . C6 . . .", "B5 . . . . . . . G#5 . . . E5 . . ."};
static const Melody answer2{"", ". . . . . . . . . . . . G5 . B5 .", "",
                            ". . . . . . . . . . . . B5 . E6 ."};
static const Melody teaser{"E5 . . E5 . . D5 . . . C5 . D5 . . .",
                           "C5 . . C5 . . A4 . . . . . - . . .", "", ""};
static const Melody bells{"E6 . . . . . . . D6 . . . . . . .", "C6 . . . . . . . A5 . . . . . . .",
                          "E6 . . . . . . . G6 . . . . . . .", "D6 . . . . . . . B5 . . . . . . ."};
static const Melody breakLine{
    "E5 . . . . . D5 . . . C5 . D5 . . .", "C5 . . . . . . . A4 . . . . . . .",
    "E5 . . . . . G5 . . . E5 . D5 . . .", "D5 . . . . . . . - . . . . . . ."};
static const Melody farewell{
    "E5 . . E5 . . D5 . . . C5 . D5 . . .", "C5 . . C5 . . A4 . . . . . C5 . . .",
    "B4 . . . . . D5 . . . . . G5 . . .", "A5 . . . . . . . . . . . . . . ."};

static const Drums mainBeat{Kick::fourFloor, Backbeat::clapAndSnare, Hats::openOffbeats, 34};

static Drums withFill(Drums d, int from) {
    d.fill = true;
    d.fillFrom = from;
    return d;
}

static ItPattern intro(int part) {
    ItPattern p = newPattern();
    addPads(p, home, 30 + 3 * part);
    addSurf(p, 40 - 5 * part);
    if (part == 0) {
        addPluckLine(p, bells, 26);
    } else {
        addArp(p, home, part == 1 ? Arp::eighths : Arp::sixteenths, 26);
        addBass(p, home, Bass::held, 40 + 4 * part);
    }
    if (part == 2) {
        addDrums(p, withFill({Kick::barStart, Backbeat::none, Hats::eighths, 20}, 56));
    }
    return p;
}

static ItPattern buildUp(int part) {
    ItPattern p = newPattern();
    addPads(p, home, 34);
    switch (part) {
    case 0:
        addDrums(p, {Kick::fourFloor, Backbeat::none, Hats::offbeats, 30});
        addBass(p, home, Bass::eighths, 48);
        addArp(p, home, Arp::sixteenths, 26);
        break;
    case 1:
        addDrums(p, {Kick::fourFloor, Backbeat::clap, Hats::sixteenths, 28});
        addBass(p, home, Bass::octaves, 50);
        addArp(p, home, Arp::rolling, 26);
        break;
    case 2:
        addDrums(p, {Kick::fourFloor, Backbeat::clap, Hats::openOffbeats, 32});
        addBass(p, home, Bass::octaves, 52);
        addArp(p, home, Arp::rolling, 22);
        addMelody(p, teaser, 36);
        break;
    default:
        // Everything winds up for the theme; the kick holds its breath last.
        addDrums(p, withFill({Kick::fourFloor, Backbeat::clap, Hats::sixteenths, 32}, 48));
        clearRows(p, chKick, 56, p.rows);
        addBass(p, home, Bass::octaves, 52);
        addArp(p, home, Arp::sixteenths, 28);
        addRiser(p, 32, 46);
        break;
    }
    return p;
}

static ItPattern theme(const Progression& prog, const Melody& lead, bool crash, bool fill,
                       int transpose = 0) {
    ItPattern p = newPattern();
    addDrums(p, fill ? withFill(mainBeat, 56) : mainBeat);
    addBass(p, prog, Bass::octaves, 46);
    addPads(p, prog, 30);
    addMelody(p, lead, transpose ? 50 : 56, transpose);
    if (transpose) {
        addPluckLine(p, lead, 30);
    } else {
        addArp(p, prog, Arp::sixteenths, 16, 2);
    }
    if (crash) {
        addCrash(p, 0);
    }
    return p;
}

static ItPattern variation(int part) {
    ItPattern p = newPattern();
    bool second = part % 2 == 1;
    const Progression& prog = second ? rise : lift;
    Drums beat = part < 2 ? Drums{Kick::halfTime, Backbeat::halfTime, Hats::sixteenths, 28}
                          : Drums{Kick::syncopated, Backbeat::clapAndSnare, Hats::openOffbeats, 32};
    addDrums(p, part == 3 ? withFill(beat, 48) : beat);
    addBass(p, prog, Bass::tresillo, 48);
    addPads(p, prog, 32);
    addMelody(p, second ? variation2 : variation1, 52);
    addPluckLine(p, second ? answer2 : answer1, 40);
    if (part % 2 == 0) {
        addCrash(p, 0, part == 0 ? 64 : 48);
    }
    return p;
}

static ItPattern breakdown(int part) {
    ItPattern p = newPattern();
    addPads(p, home, 36 - 2 * part);
    addSurf(p, 36 + 4 * part);
    if (part == 0) {
        addArp(p, home, Arp::eighths, 30);
        addBass(p, home, Bass::held, 40);
        addDrums(p, {Kick::none, Backbeat::none, Hats::offbeats, 18});
    } else {
        addMelody(p, breakLine, 36);
        addDrums(p, withFill({}, 56));
        addRiser(p, 48, 44);
    }
    return p;
}

// The last four bars: the hook once more, a slowing turn, and the final
// chord, which fades out and leaves a moment of silence.
static ItPattern ending() {
    const int finalRow = 48, lastRow = 76;
    ItPattern p = newPattern(80);
    Drums beat = withFill(mainBeat, 40);
    beat.endRow = finalRow;
    addDrums(p, beat);
    addBass(p, close, Bass::octaves, 46);
    clearRows(p, chBass, finalRow, p.rows);
    addPads(p, close, 32);
    addMelody(p, farewell, 56);
    putEffect(p, 40, chCrash, fxSpeed, 7);
    putEffect(p, 44, chCrash, fxSpeed, 8);

    addCrash(p, finalRow);
    putNote(p, finalRow, chKick, 60, sKick, 64);
    putNote(p, finalRow, chBass, chordAm.root - 12, sBass, 60);
    putNote(p, finalRow, chPluck, 81, sPluck, 44);
    for (int k = 0; k < 3; k++) {
        putVolume(p, finalRow, chPad0 + k, 44);
    }
    fadeOut(p, chBass, finalRow + 2, lastRow - 8, 60);
    for (int k = 0; k < 3; k++) {
        fadeOut(p, chPad0 + k, finalRow + 2, lastRow, 44);
    }
    fadeOut(p, chLead, finalRow + 4, lastRow, 56);
    fadeOut(p, chEcho, finalRow + 6, lastRow, 21);
    return p;
}

static ItPattern silence() {
    ItPattern p = newPattern(32);
    for (int c = 0; c < channelCount; c++) {
        putCut(p, 0, c);
    }
    return p;
}

ItModule composeSong() {
    ItModule m;
    m.title = std::string(demoTitle);
    m.initialSpeed = 6;
    m.initialTempo = 125; // 882 frames per tick at 44.1 kHz
    m.globalVolume = 128;
    m.mixVolume = 56;
    m.channels = channelCount;
    m.samples = {synthKick(),    synthSnare(), synthClap(), synthClosedHat(),
                 synthOpenHat(), synthCrash(), synthBass(), synthPad(),
                 synthLead(),    synthPluck(), synthSurf()};

    std::vector<ItPattern>& ps = m.patterns;
    for (int i = 0; i < 3; i++) {
        ps.push_back(intro(i));
    }
    for (int i = 0; i < 4; i++) {
        ps.push_back(buildUp(i));
    }
    ps.push_back(theme(home, themeA, true, false));
    ps.push_back(theme(turn, themeA2, false, false));
    ps.push_back(theme(home, themeA, true, false));
    ps.push_back(theme(bridge, themeB, false, true));
    for (int i = 0; i < 4; i++) {
        ps.push_back(variation(i));
    }
    for (int i = 0; i < 2; i++) {
        ps.push_back(breakdown(i));
    }
    ps.push_back(theme(home, themeA, true, false));
    ps.push_back(theme(turn, themeA2, false, false));
    ps.push_back(theme(home, themeA, true, false, 12));
    ps.push_back(theme(turn, themeA2, false, false, 12));
    ps.push_back(theme(bridge, themeB, true, true));
    ps.push_back(ending());
    ps.push_back(silence());
    for (size_t i = 0; i < ps.size(); i++) {
        m.orders.push_back(uint8_t(i));
    }
    return m;
}

bool writeSong(const std::string& dir) {
    return writeAsset(dir, "Prueba.IT", encodeIt(composeSong()));
}
