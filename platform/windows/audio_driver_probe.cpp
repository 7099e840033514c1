#include "platform/sdl/audio_driver_probe.h"

#include <atomic>

// Windows's drivers neither crash nor wait for ever on opening, so they are
// tried in the program itself: there is no process to keep, only the word
// that the program is ending.
struct AudioProber {
    std::atomic<bool> interrupted{false};
};

AudioProber* startAudioProber(std::string*) {
    return new AudioProber;
}

void stopAudioProber(AudioProber*) {}

void interruptAudioProber(AudioProber* prober) {
    prober->interrupted = true;
}

void freeAudioProber(AudioProber* prober) {
    delete prober;
}

bool findPlayingDriver(AudioProber* prober, const std::vector<std::string>& drivers,
                       const SDL_AudioSpec& want, AudioProbeTest test, std::string* driver,
                       std::string* reason) {
    reason->clear();
    if (drivers.empty()) {
        *reason = "SDL has no sound driver";
        return false;
    }
    if (prober->interrupted)
        return false;
    std::string list;
    for (const std::string& name : drivers)
        list += (list.empty() ? "" : ",") + name;
    // SDL walks the list itself on opening and says why the last one failed.
    if (test == AudioProbeTest::opens || !SDL_WasInit(SDL_INIT_AUDIO)) {
        *driver = list;
        return true;
    }
    // A device that has stopped taking sound stays; a fresh one beside it
    // shows whether its endpoint takes sound again (or another has become
    // the default) before it replaces it.
    SoundTrial trial;
    if (!startSoundTrial(&trial, want, reason))
        return false;
    const bool takes = soundTrialTakesSound(trial, want.freq, &prober->interrupted);
    SDL_CloseAudioDevice(trial.device);
    if (!takes && !prober->interrupted)
        *reason = "the sound device takes no sound";
    *driver = list;
    return takes;
}
