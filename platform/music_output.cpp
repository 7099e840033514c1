#include "platform/music_output.h"

#include "platform/audio_driver_probe.h"
#include "platform/frame_clock.h"

#include <SDL2/SDL.h>
#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

// Frames are counted on the song's time line from the opening of the output.
// The clock: at clockTime, frame clockFrame is audible; from there it
// advances at the sample rate, but never past clockLimit.
//
// The song goes on in one of three ways. A device that takes sound drives it
// by its buffer requests. Where no device takes sound (none could be opened,
// or its sink was suspended or its headset unplugged) the keeper thread
// drives it by the wall clock, silently, a little ahead of the clock, so the
// show never waits for the sound; when the device takes sound again it goes
// on from there. Stepped, the caller drives it.
struct MusicOutput {
    bool open = false;
    bool subsystemUp = false;
    SDL_AudioDeviceID device = 0;
    bool stepped = false;
    int rate = 44100;
    int latencyFrames = 0;
    // The file driver records every frame: a late buffer is waited for,
    // never skipped.
    bool recording = false;
    bool following = false; // the wall clock drives the song
    int64_t lastTaken = 0;  // when the device last asked for sound, ns
    int64_t framesOut = 0;  // rendered so far
    bool clockStarted = false;
    int64_t clockTime = 0;
    int64_t clockFrame = 0;
    int64_t clockLimit = 0;
    int64_t lastAudible = INT64_MIN; // the clock never goes back
    bool toldStalled = false;
    bool toldLost = false;
    MusicRenderFunction render = nullptr;
    void* source = nullptr;
    int16_t discard[2 * 128]; // at least one piece
};

// The audio thread, the keeper and the caller share `output`: hold the lock.
// Never hold it while SDL closes, pauses or unpauses a device, since SDL then
// waits for its audio thread, which may be waiting for the lock.
static MusicOutput output;
static std::mutex outputLock;
static std::thread keeper;
static std::condition_variable keeperWake;
static bool keeperStop = false;

// A device asks for a 10 ms buffer every 10 ms; ten times that is no hiccup.
static const int64_t stallNanoseconds = 100000000;
static const auto keeperTick = std::chrono::milliseconds(5);

// Pieces shorter than the shortest row (one tick at the fastest tempo,
// 2.5 / 255 s), so the render function can note where each row begins.
static int pieceFrames(int rate) {
    return std::clamp(rate / 128, 1, 128);
}

static int64_t framesIn(int64_t nanoseconds) {
    return nanoseconds * output.rate / 1000000000;
}

// Renders the next `count` frames into `into`, or into nothing when it is
// null; silence where the source has none.
static void renderPieces(int64_t count, int16_t* into) {
    for (int64_t done = 0; done < count;) {
        const int piece = int(std::min<int64_t>(pieceFrames(output.rate), count - done));
        int16_t* at = into ? into + 2 * done : output.discard;
        const int rendered =
            output.render ? output.render(output.source, output.framesOut, piece, at) : 0;
        std::memset(at + 2 * rendered, 0, size_t(piece - rendered) * 4);
        output.framesOut += piece;
        done += piece;
    }
}

static void setClock(int64_t now, int64_t frame, int64_t limit) {
    output.clockStarted = true;
    output.clockTime = now;
    output.clockFrame = frame;
    output.clockLimit = limit;
}

static int64_t audibleFrame(int64_t now) {
    if (output.stepped)
        return output.clockFrame;
    if (!output.clockStarted)
        return -1;
    int64_t frame =
        std::min(output.clockLimit, output.clockFrame + framesIn(now - output.clockTime));
    frame = std::max(frame, output.lastAudible);
    output.lastAudible = frame;
    return frame;
}

static void SDLCALL fillBuffer(void*, Uint8* stream, int length) {
    std::lock_guard<std::mutex> hold(outputLock);
    if (!output.device) {
        // A lost device on its way out: the song goes on without it.
        std::memset(stream, 0, size_t(length));
        return;
    }
    const int64_t start = output.framesOut;
    renderPieces(length / 4, reinterpret_cast<int16_t*>(stream));
    const int64_t now = monotonicNanoseconds();
    output.lastTaken = now;
    output.following = false;
    setClock(now, start - output.latencyFrames, output.framesOut - output.latencyFrames);
}

// From the frame audible now, the song follows the wall clock.
static void startFollowing(int64_t now) {
    const int64_t heard = output.clockStarted ? std::max<int64_t>(audibleFrame(now), 0) : 0;
    output.following = true;
    setClock(now, heard, output.framesOut);
}

static void followWallClock(int64_t now) {
    const int64_t due = output.clockFrame + framesIn(now - output.clockTime);
    // A little ahead, so the song's position is known for every frame that
    // can be asked about before the next tick; at most a quarter of a second
    // a tick after a long pause, so the lock is never held for long.
    const int64_t wanted = due + output.rate / 100 - output.framesOut;
    if (wanted > 0)
        renderPieces(std::min<int64_t>(wanted, output.rate / 4), nullptr);
    output.clockLimit = output.framesOut;
}

static SDL_AudioSpec deviceSpec(int rate) {
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    // 10 ms at 44100 Hz: the file driver paces itself in whole milliseconds
    // per buffer, so this keeps it near real time.
    want.samples = Uint16(std::max(64, rate / 100));
    want.callback = fillBuffer;
    return want;
}

struct OpenedDevice {
    SDL_AudioDeviceID id = 0;
    int latencyFrames = 0;
    bool recording = false;
};

// Opened paused, with no lock held; the caller starts it. No changes allowed:
// SDL converts to what the device needs. (Letting the buffer size change
// overruns the callback's buffer with the dummy driver of SDL 2.26.)
static OpenedDevice openDevice(int rate) {
    const SDL_AudioSpec want = deviceSpec(rate);
    SDL_AudioSpec have{};
    OpenedDevice opened;
    opened.id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    const char* driver = SDL_GetCurrentAudioDriver();
    opened.recording = driver && !std::strcmp(driver, "disk");
    // A real device still holds about one buffer when SDL asks for the next;
    // the file driver takes each buffer as soon as it is filled.
    opened.latencyFrames = opened.recording ? 0 : have.samples;
    return opened;
}

static void useDevice(const OpenedDevice& opened) {
    output.device = opened.id;
    output.latencyFrames = opened.latencyFrames;
    output.recording = opened.recording;
}

static void tellOnce(bool* told, const std::string& line) {
    if (!*told)
        std::fprintf(stderr, "music: %s\n", line.c_str());
    *told = true;
}

// SDL has given up on the device (its server went away, its card was
// removed): SDL's default device now, else silence at the song's pace.
static void replaceLostDevice(std::unique_lock<std::mutex>& hold) {
    const SDL_AudioDeviceID lost = output.device;
    output.device = 0;
    if (!output.following)
        startFollowing(monotonicNanoseconds());
    const int rate = output.rate;
    hold.unlock();
    SDL_CloseAudioDevice(lost);
    const OpenedDevice opened = openDevice(rate);
    const std::string reason = opened.id ? "" : SDL_GetError();
    hold.lock();
    if (!opened.id) {
        tellOnce(&output.toldLost,
                 "the sound device went away (" + reason + "); the song goes on silently");
        return;
    }
    tellOnce(&output.toldLost, "the sound device went away; the song goes on through the "
                               "default device");
    useDevice(opened);
    output.lastTaken = monotonicNanoseconds();
    hold.unlock();
    SDL_PauseAudioDevice(opened.id, 0);
    hold.lock();
}

static void keepGoing() {
    std::unique_lock<std::mutex> hold(outputLock);
    while (!keeperStop) {
        if (output.device && SDL_GetAudioDeviceStatus(output.device) == SDL_AUDIO_STOPPED) {
            replaceLostDevice(hold);
            continue;
        }
        const int64_t now = monotonicNanoseconds();
        if (output.device && !output.recording && !output.following &&
            now - output.lastTaken > stallNanoseconds) {
            startFollowing(now);
            tellOnce(&output.toldStalled, "the sound device stopped taking sound; the song goes "
                                          "on silently until it takes sound again");
        }
        if (output.following)
            followWallClock(now);
        keeperWake.wait_for(hold, keeperTick);
    }
}

static void stopKeeper() {
    std::unique_lock<std::mutex> hold(outputLock);
    keeperStop = true;
    keeperWake.notify_all();
    hold.unlock();
    if (keeper.joinable())
        keeper.join();
}

// The demo may end by exit() with the song still playing: the keeper must be
// gone before the objects it uses are destroyed.
static void startKeeper() {
    static bool stoppedAtExit = false;
    if (!stoppedAtExit)
        std::atexit(stopKeeper);
    stoppedAtExit = true;
    keeperStop = false;
    keeper = std::thread(keepGoing);
}

bool musicOutputOpenStepped(int rate) {
    std::lock_guard<std::mutex> hold(outputLock);
    if (output.open)
        return false;
    output.rate = rate > 0 ? rate : 44100;
    output.open = true;
    output.stepped = true;
    return true;
}

void musicOutputStep(int count, int16_t* stereo) {
    std::lock_guard<std::mutex> hold(outputLock);
    // Rendering the frames before asking for the position of the first
    // one: a change is dated within its piece, and the piece holding that
    // frame must be rendered to know whether it starts a new row.
    output.clockFrame = output.framesOut;
    renderPieces(count, stereo);
}

enum class Opened { device, silenceAsked, nothing };

// The first driver that plays, tried in a child process before it is
// started here. "dummy" asks for silence; "disk" writes a file and has no
// device to fail on, so it is started straight away.
static void SDLCALL dropLogLine(void*, int, SDL_LogPriority, const char*) {}

static Opened openFirstDriver(int rate, std::string* reason) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // Ctrl-C and kill are the demo's own
    SDL_LogSetOutputFunction(dropLogLine, nullptr); // standard error is for the demo's lines
    for (const std::string& driver : audioDriverCandidates()) {
        if (driver == "dummy")
            return Opened::silenceAsked;
        std::string why;
        if (driver != "disk" && !audioDriverPlays(driver, deviceSpec(rate), &why)) {
            if (reason->empty())
                *reason = why;
            continue;
        }
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver.c_str(), SDL_HINT_OVERRIDE);
        const bool started = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        SDL_ResetHint(SDL_HINT_AUDIODRIVER);
        if (started) {
            const OpenedDevice opened = openDevice(rate);
            useDevice(opened);
            if (opened.id)
                return Opened::device;
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
        if (reason->empty())
            *reason = SDL_GetError();
    }
    if (reason->empty())
        *reason = "SDL has no sound driver";
    return Opened::nothing;
}

bool musicOutputOpen(int rate, bool muted) {
    std::unique_lock<std::mutex> hold(outputLock);
    if (output.open)
        return true;
    output.rate = rate > 0 ? rate : 44100;
    hold.unlock();
    std::string reason;
    const Opened opened = muted ? Opened::silenceAsked : openFirstDriver(output.rate, &reason);
    hold.lock();
    output.open = true;
    output.subsystemUp = opened == Opened::device;
    const int64_t now = monotonicNanoseconds();
    output.lastTaken = now;
    if (opened != Opened::device) {
        // The song is the demo's clock: without a device it must still advance.
        output.following = true;
        setClock(now, 0, 0);
    }
    if (opened == Opened::nothing)
        std::fprintf(stderr, "music: no sound device (%s), the song plays silently\n",
                     reason.c_str());
    startKeeper();
    const SDL_AudioDeviceID device = output.device;
    hold.unlock();
    if (device)
        SDL_PauseAudioDevice(device, 0);
    return true;
}

void musicOutputClose() {
    stopKeeper();
    // The keeper has ended: nobody else changes the device now.
    if (output.device)
        SDL_CloseAudioDevice(output.device);
    if (output.subsystemUp)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    std::lock_guard<std::mutex> hold(outputLock);
    output = MusicOutput{};
}

int musicOutputRate() {
    return output.rate;
}

void musicOutputLock() {
    outputLock.lock();
}

void musicOutputUnlock() {
    outputLock.unlock();
}

void musicOutputSetSource(MusicRenderFunction render, void* source) {
    output.render = render;
    output.source = source;
}

void* musicOutputSource() {
    return output.source;
}

int64_t musicOutputAudibleFrame() {
    return audibleFrame(monotonicNanoseconds());
}
