// Which of SDL's audio drivers can play on this machine, asked where a driver
// that misbehaves cannot take the program with it. Each room that plays
// through SDL has its own way:
//
//   desktop  child processes: a driver that crashes on the machine's sound
//            set-up (SDL 2.26's PulseAudio driver does on a server without
//            any sink) or waits for ever on it (a PipeWire server without a
//            sink) takes only a child down, and the sound libraries'
//            complaints go to the child's muted standard error
//   windows  in the program itself: its drivers neither crash nor wait for
//            ever on opening, and SDL walks their list by itself
#pragma once

#include <SDL2/SDL.h>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// What a driver must do to pass: open its default device, or also take sound
// from it at the pace of real time (on a suspended or paused sink a device
// opens but takes a buffer or two and then nothing).
enum class AudioProbeTest { opens, takesSound };

struct AudioProber;

// Starts the prober; call it before the program starts any thread. Null,
// with the reason, when it cannot start.
AudioProber* startAudioProber(std::string* reason);
// Ends the prober and its trials, waiting a moment at most. It stays valid
// for interruptAudioProber until freed.
void stopAudioProber(AudioProber* prober);
// From any thread: a findPlayingDriver under way gives up, and any later one
// at once.
void interruptAudioProber(AudioProber* prober);
// Once no thread uses it any more.
void freeAudioProber(AudioProber* prober);

// The first of `drivers` that passes `test` for a device like `want` (its
// callback aside), each tried for a few seconds at most: true with its name in
// *driver (where SDL itself walks the list, the list as SDL_AUDIODRIVER takes
// it), else false with the reason of the first one. Gives up, false with an
// empty reason, once interrupted.
bool findPlayingDriver(AudioProber* prober, const std::vector<std::string>& drivers,
                       const SDL_AudioSpec& want, AudioProbeTest test, std::string* driver,
                       std::string* reason);

// For the trials: a device opened beside whatever plays, fed silence, that
// counts the frames it is asked for, to see whether its sink takes sound at
// the pace of real time. The caller closes `device`.
struct SoundTrial {
    SDL_AudioDeviceID device = 0;
    int frameBytes = 4;
    std::atomic<int64_t> requested{0};
};
// Opens and starts the trial device; false, with SDL's reason, when it cannot.
bool startSoundTrial(SoundTrial* trial, SDL_AudioSpec want, std::string* reason);
// Whether the device asks for a fifth of a second of sound beyond what it
// first takes to fill its buffer, before it pauses for half a second. False
// as soon as `interrupted`, unless null, is set.
bool soundTrialTakesSound(const SoundTrial& trial, int rate, const std::atomic<bool>* interrupted);
