// Which of SDL's audio drivers can play on this machine, asked in child
// processes: a driver that crashes on the machine's sound set-up (SDL 2.26's
// PulseAudio driver does on a server without any sink) or waits for ever on
// it (a PipeWire server without a sink) takes only a child down, and the
// sound libraries' complaints go to the child's muted standard error.
//
// The children come from a prober, a process forked once while the program
// still has a single thread: a child forked later from a program whose other
// threads may hold locks (the heap's, the dynamic loader's) could wait on
// them for ever, so every probe is forked from the prober instead.
#pragma once

#include <SDL2/SDL.h>
#include <string>
#include <sys/types.h>
#include <vector>

// The drivers to try, in order: those SDL_AUDIODRIVER lists (separated by
// commas), else every driver SDL would pick by itself.
std::vector<std::string> audioDriverCandidates();

// What a driver must do to pass: open its default device, or also take sound
// from it at the pace of real time (on a suspended or paused sink a device
// opens but takes a buffer or two and then nothing).
enum class AudioProbeTest { opens, takesSound };

struct AudioProber {
    pid_t pid = -1;
    int socket = -1; // requests out, answers in
};

// Forks the prober; call it before the program starts any thread.
bool startAudioProber(AudioProber* prober);
// Ends the prober, which ends its probes; waits a moment at most.
void stopAudioProber(AudioProber* prober);

// The first of `drivers` that passes `test` for a device like `want` (its
// callback aside), each tried for a few seconds at most, the next one as soon
// as the one before fails or beside it once it keeps its answer back for half
// a second: true with its name in *driver, else false with the reason of the
// first one. Gives up, false with an empty reason, once `interrupt` is
// readable.
bool findPlayingDriver(const AudioProber& prober, const std::vector<std::string>& drivers,
                       const SDL_AudioSpec& want, AudioProbeTest test, int interrupt,
                       std::string* driver, std::string* reason);
