// The sound output under the music layer: an SDL audio device, 16-bit
// stereo, fed by a render function on SDL's audio thread, and the clock that
// tells which of the frames handed to it is at the speakers now. Where no
// device takes sound the clock follows the wall clock, silently, and a device
// is sought again about once a second. Or, for a recording, no device at all:
// the caller steps the song and takes what it renders.
#pragma once

#include <cstdint>

// Fills `count` frames (a piece shorter than any row) starting at device
// frame `frame`; returns how many it rendered (the rest is silence). Runs on
// SDL's audio thread, with the output locked.
using MusicRenderFunction = int (*)(void* source, int64_t frame, int count, int16_t* stereo);

// Starts opening the device SDL_AUDIODRIVER or SDL's choice names, and
// returns at once: the clock runs from now, silently until a device takes
// sound. When none can be opened, one line on standard error says why. Muted,
// or with SDL_AUDIODRIVER=dummy, it opens nothing, without a line. Starts the
// prober that tries the drivers (audio_driver_probe.h): call it before
// starting any thread.
bool musicOutputOpen(int rate, bool muted = false);
// Waits until the first try at a device is over, a quarter of a second after
// the opening at most (SDL's file driver, which records every frame, is
// waited for), so a song started now starts on the device.
void musicOutputWaitForDevice();
// Opens no device and starts no thread: the song advances only by
// musicOutputStep, as fast or as slow as the caller goes.
bool musicOutputOpenStepped(int rate);
// Stepped output only: renders the next `count` frames into `stereo`
// (silence where the source has none), in the same pieces as the device,
// and makes the first of them the audible frame.
void musicOutputStep(int count, int16_t* stereo);
// Nothing is rendered after this returns. The device is closed unless SDL
// takes more than a quarter of a second over it (a device waiting on a sink
// that takes no sound can keep it for ever); it is then left to the end of
// the process.
void musicOutputClose();
int musicOutputRate();

// The source and the clock are shared with the audio thread: hold the lock.
void musicOutputLock();
void musicOutputUnlock();
void musicOutputSetSource(MusicRenderFunction render, void* source);
void* musicOutputSource();
// The device frame audible now; negative before the first frame is.
int64_t musicOutputAudibleFrame();
