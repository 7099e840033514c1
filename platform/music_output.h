// The sound output under the music layer: one SDL audio device, 16-bit
// stereo, fed by a render function on SDL's audio thread, and the clock that
// tells which of the frames handed to it is at the speakers now.
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
