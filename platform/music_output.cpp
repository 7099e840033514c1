#include "platform/music_output.h"

#include <SDL2/SDL.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

// Frames are counted on the song's time line from the opening of the device.
// The clock: at clockTicks, frame clockFrame is audible; from there it
// advances at the sample rate, but never past clockLimit, the end of what has
// been handed over.
struct MusicOutput {
    bool subsystemUp = false;
    SDL_AudioDeviceID device = 0;
    int rate = 44100;
    int latencyFrames = 0;
    // SDL's silent driver: nothing is heard, and it asks for buffers late on
    // a busy machine, so it follows the wall clock instead.
    bool silent = false;
    bool stepped = false; // no device: musicOutputStep moves the clock
    uint64_t openTicks = 0;
    int64_t framesOut = 0;
    uint64_t clockTicks = 0; // 0 until the first buffer is handed over
    int64_t clockFrame = 0;
    int64_t clockLimit = 0;
    MusicRenderFunction render = nullptr;
    void* source = nullptr;
    int16_t discard[2 * 128]; // at least one piece
};

static MusicOutput output;

// Pieces shorter than the shortest row (one tick at the fastest tempo,
// 2.5 / 255 s), so the render function can note where each row begins.
static int pieceFrames(int rate) {
    return std::clamp(rate / 128, 1, 128);
}

static double secondsBetween(uint64_t from, uint64_t to) {
    return double(to - from) / double(SDL_GetPerformanceFrequency());
}

static void SDLCALL fillBuffer(void*, Uint8* stream, int length) {
    int16_t* stereo = reinterpret_cast<int16_t*>(stream);
    const int64_t frames = length / 4;
    int64_t advance = frames;
    if (output.silent) {
        // Keep one buffer ahead of the wall clock; catch up at most a few.
        const uint64_t now = SDL_GetPerformanceCounter();
        const int64_t due = int64_t(secondsBetween(output.openTicks, now) * output.rate);
        advance = std::clamp<int64_t>(due + frames - output.framesOut, 0, 4 * frames);
    }
    // The buffer gets the first `advance` frames, silence after them; frames
    // beyond the buffer are decoded into nothing.
    for (int64_t done = 0; done < std::max(frames, advance);) {
        const bool inBuffer = done < frames;
        const int count =
            int(std::min<int64_t>(pieceFrames(output.rate), (inBuffer ? frames : advance) - done));
        int16_t* into = inBuffer ? stereo + 2 * done : output.discard;
        const int wanted = int(std::clamp<int64_t>(advance - done, 0, count));
        int rendered = 0;
        if (output.render && wanted > 0)
            rendered = output.render(output.source, output.framesOut + done, wanted, into);
        if (inBuffer)
            std::memset(into + 2 * rendered, 0, size_t(count - rendered) * 4);
        done += count;
    }
    const int64_t bufferStart = output.framesOut;
    output.framesOut += advance;
    output.clockTicks = SDL_GetPerformanceCounter();
    output.clockLimit = output.framesOut - output.latencyFrames;
    if (output.silent)
        output.clockFrame =
            std::min(output.clockLimit,
                     int64_t(secondsBetween(output.openTicks, output.clockTicks) * output.rate));
    else
        output.clockFrame = bufferStart - output.latencyFrames;
}

bool musicOutputOpenStepped(int rate) {
    if (output.device || output.stepped)
        return false;
    output.rate = rate > 0 ? rate : 44100;
    output.stepped = true;
    return true;
}

void musicOutputStep(int count, int16_t* stereo) {
    // Rendering the frames before asking for the position of the first
    // one: a change is dated within its piece, and the piece holding that
    // frame must be rendered to know whether it starts a new row.
    output.clockFrame = output.framesOut;
    for (int done = 0; done < count;) {
        const int piece = std::min(pieceFrames(output.rate), count - done);
        int16_t* into = stereo + 2 * done;
        const int rendered =
            output.render ? output.render(output.source, output.framesOut, piece, into) : 0;
        std::memset(into + 2 * rendered, 0, size_t(piece - rendered) * 4);
        output.framesOut += piece;
        done += piece;
    }
}

static bool openDevice(int rate) {
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    // 10 ms at 44100 Hz: the file driver paces itself in whole milliseconds
    // per buffer, so this keeps it near real time.
    want.samples = Uint16(std::max(64, rate / 100));
    want.callback = fillBuffer;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to what the device needs. (Letting the
    // buffer size change overruns the callback's buffer with the dummy driver
    // of SDL 2.26.)
    output.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (output.device == 0)
        return false;
    output.rate = rate;
    // A real device still holds about one buffer when SDL asks for the next;
    // the file and silent drivers take each buffer as soon as it is filled.
    const char* driver = SDL_GetCurrentAudioDriver();
    output.silent = driver && !std::strcmp(driver, "dummy");
    const bool immediate = output.silent || (driver && !std::strcmp(driver, "disk"));
    output.latencyFrames = immediate ? 0 : have.samples;
    output.openTicks = SDL_GetPerformanceCounter();
    SDL_PauseAudioDevice(output.device, 0);
    return true;
}

// The sound libraries SDL probes (ALSA above all) write their own complaints
// to standard error on machines without a sound card; SDL_GetError keeps the
// reason, which the one line below gives.
static int muteStandardError() {
    std::fflush(stderr);
    int saved = dup(STDERR_FILENO);
    int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, STDERR_FILENO);
        close(null);
    }
    return saved;
}

static void restoreStandardError(int saved) {
    std::fflush(stderr);
    if (saved >= 0) {
        dup2(saved, STDERR_FILENO);
        close(saved);
    }
}

static bool openAnyDevice(int rate, std::string* reason) {
    const int saved = muteStandardError();
    bool opened = false;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        output.subsystemUp = true;
        opened = openDevice(rate);
        if (!opened) {
            *reason = SDL_GetError();
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            output.subsystemUp = false;
        }
    } else {
        *reason = SDL_GetError();
    }
    restoreStandardError(saved);
    return opened;
}

bool musicOutputOpen(int rate, bool muted) {
    if (output.device || output.stepped)
        return true;
    if (rate <= 0)
        rate = 44100;
    std::string reason;
    if (!muted && openAnyDevice(rate, &reason))
        return true;
    // The song is the demo's clock: without a device it must still advance.
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    output.subsystemUp = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    const bool opened = output.subsystemUp && openDevice(rate);
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (opened) {
        if (!muted)
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
    if (output.stepped)
        return output.clockFrame;
    if (output.clockTicks == 0)
        return -1;
    const double seconds = secondsBetween(output.clockTicks, SDL_GetPerformanceCounter());
    return std::min(output.clockLimit, output.clockFrame + int64_t(seconds * output.rate));
}
