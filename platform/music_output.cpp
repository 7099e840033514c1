#include "platform/music_output.h"

#include <SDL2/SDL.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

// Frames are counted from the opening of the device. A buffer handed to SDL
// at bufferTicks starts to sound latencyFrames later and then advances at the
// sample rate.
struct MusicOutput {
    bool subsystemUp = false;
    SDL_AudioDeviceID device = 0;
    int rate = 44100;
    int bufferFrames = 0;
    int latencyFrames = 0;
    int64_t framesOut = 0;
    int64_t bufferStart = 0;
    uint64_t bufferTicks = 0; // 0 until the first buffer is handed over
    MusicRenderFunction render = nullptr;
    void* source = nullptr;
};

static MusicOutput output;

static void SDLCALL fillBuffer(void*, Uint8* stream, int length) {
    int16_t* stereo = reinterpret_cast<int16_t*>(stream);
    const int frames = length / 4;
    // Small pieces, so the render function can note where each row begins.
    const int piece = 128;
    for (int done = 0; done < frames; done += piece) {
        const int count = std::min(piece, frames - done);
        int rendered = 0;
        if (output.render)
            rendered =
                output.render(output.source, output.framesOut + done, count, stereo + 2 * done);
        std::memset(stereo + 2 * (done + rendered), 0, size_t(count - rendered) * 4);
    }
    output.bufferStart = output.framesOut;
    output.framesOut += frames;
    output.bufferTicks = SDL_GetPerformanceCounter();
}

static bool openDevice(int rate) {
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    // 10 ms at 44100 Hz: the file and silent drivers pace themselves in whole
    // milliseconds per buffer, so this keeps them on time.
    want.samples = Uint16(std::max(64, rate / 100));
    want.callback = fillBuffer;
    SDL_AudioSpec have{};
    output.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (output.device == 0)
        return false;
    output.rate = rate;
    output.bufferFrames = have.samples;
    // A real device still holds about one buffer when SDL asks for the next;
    // the file and silent drivers take each buffer as soon as it is filled.
    const char* driver = SDL_GetCurrentAudioDriver();
    const bool immediate =
        driver && (!std::strcmp(driver, "disk") || !std::strcmp(driver, "dummy"));
    output.latencyFrames = immediate ? 0 : have.samples;
    SDL_PauseAudioDevice(output.device, 0);
    return true;
}

bool musicOutputOpen(int rate) {
    if (output.device)
        return true;
    if (rate <= 0)
        rate = 44100;
    std::string reason;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        output.subsystemUp = true;
        if (openDevice(rate))
            return true;
        reason = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        output.subsystemUp = false;
    } else {
        reason = SDL_GetError();
    }
    // The song is the demo's clock: without a device it must still advance.
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    output.subsystemUp = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    const bool opened = output.subsystemUp && openDevice(rate);
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (opened) {
        std::fprintf(stderr, "music: no sound device (%s), the song plays silently\n",
                     reason.c_str());
        return true;
    }
    std::fprintf(stderr, "music: no sound device (%s) and no silent output (%s)\n", reason.c_str(),
                 SDL_GetError());
    if (output.subsystemUp)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    output = MusicOutput{};
    return false;
}

void musicOutputClose() {
    if (output.device)
        SDL_CloseAudioDevice(output.device);
    if (output.subsystemUp)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    output = MusicOutput{};
}

int musicOutputRate() {
    return output.rate;
}

void musicOutputLock() {
    if (output.device)
        SDL_LockAudioDevice(output.device);
}

void musicOutputUnlock() {
    if (output.device)
        SDL_UnlockAudioDevice(output.device);
}

void musicOutputSetSource(MusicRenderFunction render, void* source) {
    output.render = render;
    output.source = source;
}

void* musicOutputSource() {
    return output.source;
}

int64_t musicOutputAudibleFrame() {
    if (output.bufferTicks == 0)
        return -1;
    const double seconds = double(SDL_GetPerformanceCounter() - output.bufferTicks) /
                           double(SDL_GetPerformanceFrequency());
    // A late callback must not let the clock run past the buffer it handed over.
    const int64_t progress = std::min(int64_t(seconds * output.rate), int64_t(output.bufferFrames));
    return output.bufferStart + progress - output.latencyFrames;
}
