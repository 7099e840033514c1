// The sound output under the music layer: one SDL audio device, 16-bit
// stereo, fed by a render function on SDL's audio thread, and the clock that
// tells which of the frames handed to it is at the speakers now. Or, for a
// recording, no device at all: the caller steps the song and takes what it
// renders.
#pragma once

#include <cstdint>

// Fills `count` frames (a piece shorter than any row) starting at device
// frame `frame`; returns how many it rendered (the rest is silence). Runs on
// SDL's audio thread, with the output locked.
using MusicRenderFunction = int (*)(void* source, int64_t frame, int count, int16_t* stereo);

// Opens the device SDL_AUDIODRIVER or SDL's choice names, else the silent
// real-time `dummy` driver after one line on standard error. Muted, it opens
// the silent driver straight away, without a line.
bool musicOutputOpen(int rate, bool muted = false);
// Opens no device and starts no thread: the song advances only by
// musicOutputStep, as fast or as slow as the caller goes.
bool musicOutputOpenStepped(int rate);
// Stepped output only: renders the next `count` frames into `stereo`
// (silence where the source has none), in the same pieces as the device,
// and makes the first of them the audible frame.
void musicOutputStep(int count, int16_t* stereo);
// Stops the audio thread; nothing is rendered after this returns.
void musicOutputClose();
int musicOutputRate();

// The source and the clock are shared with the audio thread: hold the lock.
void musicOutputLock();
void musicOutputUnlock();
void musicOutputSetSource(MusicRenderFunction render, void* source);
void* musicOutputSource();
// The device frame audible now; negative before the first frame is.
int64_t musicOutputAudibleFrame();
