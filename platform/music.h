// The music library the shell calls: plays one tracker module and reports
// the order and row now audible. The desktop's and Windows's are built on
// libopenmpt and SDL2 audio (platform/sdl), the web's on libopenmpt in an
// audio worklet (platform/web).
#pragma once

#include <cstdint>

struct FMUSIC_MODULE;

// Output kinds for FSOUND_SetOutput, called before FSOUND_Init.
enum FSOUND_OUTPUTTYPES {
    FSOUND_OUTPUT_AUTODETECT, // a sound device, else silence at the song's pace
    FSOUND_OUTPUT_NOSOUND,    // no device: silence at the song's pace, no message
    FSOUND_OUTPUT_STEPPED,    // no device and no clock: FSOUND_Step advances the song
};
signed char FSOUND_SetOutput(int outputType);

// Starts opening the sound output and returns at once, so no sound set-up
// can hold the show up: the song plays silently at its pace until a device
// takes sound, and one line on standard error says so when none can be
// opened. Where the device stops or goes away, the song goes on silently and
// another is sought about once a second.
signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags);
// Stops every callback before anything it uses is freed; a quarter of a
// second at most, whatever the device does.
void FSOUND_Close();
// With the stepped output: renders the next `frames` stereo frames of the
// playing song into `stereo`; the song's position is then the one audible
// at the first of them. Step after step, the frames are the soundtrack.
void FSOUND_Step(int frames, int16_t* stereo);

// Null, after one line on standard error naming the file and the reason,
// when the file is missing, empty, unreadable or not a module.
FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);
// All of these accept null; order and row of a null song are -1.
// PlaySong gives a device being opened a moment (a quarter of a second from
// FSOUND_Init at most), so the song starts on it rather than silently.
signed char FMUSIC_PlaySong(FMUSIC_MODULE* mod);
signed char FMUSIC_StopSong(FMUSIC_MODULE* mod);
// Before FMUSIC_PlaySong: the song starts at the first row of this order.
// False for a playing song or an order that is not in the song.
signed char FMUSIC_SetOrder(FMUSIC_MODULE* mod, int order);
signed char FMUSIC_FreeSong(FMUSIC_MODULE* mod);
int FMUSIC_GetOrder(FMUSIC_MODULE* mod);
int FMUSIC_GetRow(FMUSIC_MODULE* mod);
// True once the song, played to its last row, has been heard to its end.
signed char FMUSIC_IsFinished(FMUSIC_MODULE* mod);
// Before FMUSIC_PlaySong: the seconds from the start of the song to the first
// row of `order`; the song's length for an order it never reaches. Negative
// for a null or playing song.
double FMUSIC_GetOrderTime(FMUSIC_MODULE* mod, int order);
