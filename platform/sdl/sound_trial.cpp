#include "platform/frame_clock.h"
#include "platform/sdl/audio_driver_probe.h"

#include <algorithm>
#include <cstring>

// A device taking sound asks for more within this; one that does not has
// stopped (a sink suspended or paused takes a buffer or two, then nothing).
static const int64_t requestGapNanoseconds = 500000000;

static void SDLCALL countRequest(void* trial, Uint8* stream, int length) {
    SoundTrial& counting = *static_cast<SoundTrial*>(trial);
    std::memset(stream, 0, size_t(length));
    counting.requested += length / counting.frameBytes;
}

bool startSoundTrial(SoundTrial* trial, SDL_AudioSpec want, std::string* reason) {
    trial->frameBytes = std::max(1, int(want.channels) * int(SDL_AUDIO_BITSIZE(want.format)) / 8);
    want.callback = countRequest;
    want.userdata = trial;
    SDL_AudioSpec have;
    trial->device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (trial->device == 0) {
        *reason = SDL_GetError();
        return false;
    }
    SDL_PauseAudioDevice(trial->device, 0);
    return true;
}

bool soundTrialTakesSound(const SoundTrial& trial, int rate, const std::atomic<bool>* interrupted) {
    const auto stopped = [&] { return interrupted && interrupted->load(); };
    sleepUntilNanoseconds(monotonicNanoseconds() + 50000000);
    const int64_t first = trial.requested;
    int64_t seen = first, lastChange = monotonicNanoseconds();
    while (!stopped()) {
        sleepUntilNanoseconds(monotonicNanoseconds() + 10000000);
        const int64_t now = monotonicNanoseconds(), requested = trial.requested;
        if (requested - first >= rate / 5)
            return true;
        if (requested != seen) {
            seen = requested;
            lastChange = now;
        } else if (now - lastChange > requestGapNanoseconds) {
            return false;
        }
    }
    return false;
}
