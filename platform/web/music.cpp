// The music layer of the web build, behind the desktop's header: the song
// file is read here, as on the desktop, and handed to libopenmpt in the page
// (platform/web/music.js), which plays it in an audio worklet, renders it
// silently on the wall clock, or steps it.
#include "platform/music.h"

#include "platform/file_mapping.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

extern "C" {
int webMusicOpen(int mode, int rate);
void webMusicClose();
int webMusicLoad(const char* bytes, int length, char* reason, int reasonSize);
void webMusicFree(int id);
int webMusicOrderCount(int id);
double webMusicOrderTime(int id, int order);
void webMusicPlay(int id, int order);
void webMusicStop();
void webMusicPosition(int* order, int* row);
int webMusicFinished();
void webMusicStep(int frames, int16_t* stereo);
}

struct FMUSIC_MODULE {
    int id = 0;
    bool playing = false;
    int firstOrder = 0;
    int heldOrder = 0, heldRow = 0; // reported while not playing
};

// The song being played; written by FMUSIC_PlaySong and detach only.
static FMUSIC_MODULE* playing = nullptr;
static int outputType = FSOUND_OUTPUT_AUTODETECT;

static void detach(FMUSIC_MODULE* song) {
    webMusicPosition(&song->heldOrder, &song->heldRow);
    webMusicStop();
    song->playing = false;
    playing = nullptr;
}

signed char FSOUND_SetOutput(int type) {
    outputType = type;
    return 1;
}

signed char FSOUND_Init(int mixRate, int, unsigned int) {
    const int mode = outputType == FSOUND_OUTPUT_STEPPED   ? 2
                     : outputType == FSOUND_OUTPUT_NOSOUND ? 1
                                                           : 0;
    return webMusicOpen(mode, mixRate);
}

void FSOUND_Close() {
    if (playing)
        detach(playing);
    webMusicClose();
}

void FSOUND_Step(int frames, int16_t* stereo) {
    webMusicStep(frames, stereo);
}

static bool readWholeFile(const char* name, std::vector<char>& bytes, const char** reason) {
    FILE* file = openRegularFile(name);
    if (!file) {
        *reason = std::strerror(errno);
        return false;
    }
    char block[65536];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0)
        bytes.insert(bytes.end(), block, block + got);
    const bool failed = std::ferror(file);
    if (failed)
        *reason = std::strerror(errno);
    std::fclose(file);
    if (!failed && bytes.empty())
        *reason = "the file is empty";
    return !failed && !bytes.empty();
}

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name) {
    if (!name) {
        std::fprintf(stderr, "music: cannot load a song without a file name\n");
        return nullptr;
    }
    std::vector<char> bytes;
    const char* reason = "";
    if (!readWholeFile(name, bytes, &reason)) {
        std::fprintf(stderr, "music: cannot load \"%s\": %s\n", name, reason);
        return nullptr;
    }
    char why[256] = "";
    const int id = webMusicLoad(bytes.data(), int(bytes.size()), why, sizeof why);
    if (id == 0) {
        std::fprintf(stderr, "music: cannot load \"%s\": not a module file (%s)\n", name, why);
        return nullptr;
    }
    FMUSIC_MODULE* song = new (std::nothrow) FMUSIC_MODULE;
    if (!song) {
        webMusicFree(id);
        std::fprintf(stderr, "music: cannot load \"%s\": out of memory\n", name);
        return nullptr;
    }
    song->id = id;
    return song;
}

signed char FMUSIC_PlaySong(FMUSIC_MODULE* song) {
    if (!song)
        return 0;
    if (playing)
        detach(playing);
    playing = song;
    song->playing = true;
    webMusicPlay(song->id, song->firstOrder);
    return 1;
}

signed char FMUSIC_StopSong(FMUSIC_MODULE* song) {
    if (!song)
        return 0;
    if (song->playing)
        detach(song);
    return 1;
}

signed char FMUSIC_FreeSong(FMUSIC_MODULE* song) {
    if (!song)
        return 0;
    FMUSIC_StopSong(song);
    webMusicFree(song->id);
    delete song;
    return 1;
}

signed char FMUSIC_SetOrder(FMUSIC_MODULE* song, int order) {
    if (!song || song->playing || order < 0 || order >= webMusicOrderCount(song->id))
        return 0;
    song->firstOrder = order;
    song->heldOrder = order;
    song->heldRow = 0;
    return 1;
}

int FMUSIC_GetOrder(FMUSIC_MODULE* song) {
    if (!song)
        return -1;
    if (!song->playing)
        return song->heldOrder;
    int order, row;
    webMusicPosition(&order, &row);
    return order;
}

int FMUSIC_GetRow(FMUSIC_MODULE* song) {
    if (!song)
        return -1;
    if (!song->playing)
        return song->heldRow;
    int order, row;
    webMusicPosition(&order, &row);
    return row;
}

signed char FMUSIC_IsFinished(FMUSIC_MODULE* song) {
    return song && song->playing && webMusicFinished();
}

double FMUSIC_GetOrderTime(FMUSIC_MODULE* song, int order) {
    if (!song || song->playing)
        return -1;
    return webMusicOrderTime(song->id, order);
}
