#include "platform/music.h"

#include "platform/file_mapping.h"
#include "platform/sdl/music_output.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <libopenmpt/libopenmpt.h>
#include <new>
#include <string>
#include <vector>

// Where the decoder reached a new order and row, in device frames.
struct PositionMark {
    int64_t frame;
    int order;
    int row;
};

// The decoder runs at most a few device buffers ahead of the speakers, so a
// short history of position changes is enough to answer for any frame that
// can be audible.
static const int markSlots = 64;

struct FMUSIC_MODULE {
    openmpt_module* mod = nullptr;
    bool playing = false;  // the output renders this song
    bool rendered = false; // the decoder has left the start
    bool ended = false;    // the decoder has passed the last row
    int64_t endFrame = 0;  // once ended: the frame after the song's last one
    PositionMark marks[markSlots] = {};
    uint64_t markTotal = 0;        // the newest mark is marks[(markTotal - 1) % markSlots]
    PositionMark held = {0, 0, 0}; // what is reported while not playing
    int firstOrder = 0;            // where playing starts
};

// Runs on the audio thread with the output locked.
static int renderSong(void* source, int64_t frame, int count, int16_t* stereo) {
    FMUSIC_MODULE& song = *static_cast<FMUSIC_MODULE*>(source);
    if (song.ended)
        return 0;
    const size_t got =
        openmpt_module_read_interleaved_stereo(song.mod, musicOutputRate(), size_t(count), stereo);
    song.rendered = true;
    if (got < size_t(count)) {
        // Played once: the order list is exhausted or loops back. The
        // decoder has already rewound its position to the start, and the
        // piece, shorter than a row, holds no new row: keep the last mark.
        song.ended = true;
        song.endFrame = frame + int64_t(got);
        return int(got);
    }
    // A change seen after this piece happened somewhere inside it: dated
    // from its middle, it is off by half a piece (1.5 ms) at most.
    PositionMark now = {frame + count / 2, openmpt_module_get_current_order(song.mod),
                        openmpt_module_get_current_row(song.mod)};
    const PositionMark* last =
        song.markTotal ? &song.marks[(song.markTotal - 1) % markSlots] : nullptr;
    if (!last || last->order != now.order || last->row != now.row)
        song.marks[song.markTotal++ % markSlots] = now;
    return int(got);
}

// With the output locked: the newest mark at or before the audible frame.
static PositionMark audiblePosition(const FMUSIC_MODULE& song) {
    const int64_t audible = musicOutputAudibleFrame();
    const uint64_t oldest = song.markTotal > markSlots ? song.markTotal - markSlots : 0;
    for (uint64_t i = song.markTotal; i > oldest; i--) {
        const PositionMark& mark = song.marks[(i - 1) % markSlots];
        if (mark.frame <= audible)
            return mark;
    }
    if (oldest > 0)
        return song.marks[oldest % markSlots];
    return {0, song.firstOrder, 0}; // the first row has not reached the speakers yet
}

static PositionMark currentPosition(FMUSIC_MODULE* song) {
    if (!song->playing)
        return song->held;
    musicOutputLock();
    PositionMark position = audiblePosition(*song);
    musicOutputUnlock();
    return position;
}

// With the output locked: keeps reporting what was audible when it stopped.
static void detach(FMUSIC_MODULE* song) {
    song->held = audiblePosition(*song);
    song->playing = false;
    musicOutputSetSource(nullptr, nullptr);
}

static int outputType = FSOUND_OUTPUT_AUTODETECT;

signed char FSOUND_SetOutput(int type) {
    outputType = type;
    return 1;
}

signed char FSOUND_Init(int mixRate, int, unsigned int) {
    if (outputType == FSOUND_OUTPUT_STEPPED)
        return musicOutputOpenStepped(mixRate);
    return musicOutputOpen(mixRate, outputType == FSOUND_OUTPUT_NOSOUND);
}

void FSOUND_Step(int frames, int16_t* stereo) {
    musicOutputStep(frames, stereo);
}

void FSOUND_Close() {
    musicOutputLock();
    if (FMUSIC_MODULE* song = static_cast<FMUSIC_MODULE*>(musicOutputSource()))
        detach(song);
    musicOutputUnlock();
    musicOutputClose();
}

static bool readWholeFile(const char* name, std::vector<char>& bytes, std::string& reason) {
    FILE* file = openRegularFile(name); // a FIFO or a device would block or never end
    if (!file) {
        reason = std::strerror(errno);
        return false;
    }
    char block[65536];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0)
        bytes.insert(bytes.end(), block, block + got);
    const bool failed = std::ferror(file);
    if (failed)
        reason = std::strerror(errno);
    std::fclose(file);
    if (!failed && bytes.empty())
        reason = "the file is empty";
    return !failed && !bytes.empty();
}

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name) {
    if (!name) {
        std::fprintf(stderr, "music: cannot load a song without a file name\n");
        return nullptr;
    }
    std::vector<char> bytes;
    std::string reason;
    if (!readWholeFile(name, bytes, reason)) {
        std::fprintf(stderr, "music: cannot load \"%s\": %s\n", name, reason.c_str());
        return nullptr;
    }
    // "stop" ends the song where its order list ends instead of fading out or
    // starting over. No dither: the song sounds the same on every run.
    const openmpt_module_initial_ctl settings[] = {
        {"play.at_end", "stop"}, {"dither", "0"}, {nullptr, nullptr}};
    int error = 0;
    const char* message = nullptr;
    openmpt_module* mod = openmpt_module_create_from_memory2(
        bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_store,
        nullptr, &error, &message, settings);
    if (!mod) {
        std::fprintf(stderr, "music: cannot load \"%s\": not a module file (%s)\n", name,
                     message ? message : "unknown format");
        openmpt_free_string(message);
        return nullptr;
    }
    openmpt_free_string(message);
    openmpt_module_set_repeat_count(mod, 0);
    FMUSIC_MODULE* song = new (std::nothrow) FMUSIC_MODULE;
    if (!song) {
        std::fprintf(stderr, "music: cannot load \"%s\": out of memory\n", name);
        openmpt_module_destroy(mod);
        return nullptr;
    }
    song->mod = mod;
    return song;
}

signed char FMUSIC_PlaySong(FMUSIC_MODULE* song) {
    if (!song)
        return 0;
    musicOutputWaitForDevice();
    musicOutputLock();
    if (FMUSIC_MODULE* other = static_cast<FMUSIC_MODULE*>(musicOutputSource()))
        detach(other);
    if (song->rendered || song->firstOrder != 0)
        openmpt_module_set_position_order_row(song->mod, song->firstOrder, 0);
    song->rendered = false;
    song->ended = false;
    song->markTotal = 0;
    song->playing = true;
    musicOutputSetSource(renderSong, song);
    musicOutputUnlock();
    return 1;
}

signed char FMUSIC_StopSong(FMUSIC_MODULE* song) {
    if (!song)
        return 0;
    if (song->playing) {
        musicOutputLock();
        detach(song);
        musicOutputUnlock();
    }
    return 1;
}

signed char FMUSIC_FreeSong(FMUSIC_MODULE* song) {
    if (!song)
        return 0;
    FMUSIC_StopSong(song);
    openmpt_module_destroy(song->mod);
    delete song;
    return 1;
}

signed char FMUSIC_SetOrder(FMUSIC_MODULE* song, int order) {
    if (!song || song->playing || order < 0 || order >= openmpt_module_get_num_orders(song->mod))
        return 0;
    song->firstOrder = order;
    song->held = {0, order, 0};
    return 1;
}

int FMUSIC_GetOrder(FMUSIC_MODULE* song) {
    return song ? currentPosition(song).order : -1;
}

int FMUSIC_GetRow(FMUSIC_MODULE* song) {
    return song ? currentPosition(song).row : -1;
}

signed char FMUSIC_IsFinished(FMUSIC_MODULE* song) {
    if (!song || !song->playing)
        return 0;
    musicOutputLock();
    const bool finished = song->ended && musicOutputAudibleFrame() >= song->endFrame;
    musicOutputUnlock();
    return finished;
}

double FMUSIC_GetOrderTime(FMUSIC_MODULE* song, int order) {
    if (!song || song->playing)
        return -1;
    double seconds = openmpt_module_get_duration_seconds(song->mod);
    if (order >= 0 && order < openmpt_module_get_num_orders(song->mod))
        seconds = std::min(seconds, openmpt_module_set_position_order_row(song->mod, order, 0));
    // Moved: playing starts by going back to where it should.
    song->rendered = true;
    return seconds;
}
