#include "platform/sdl/music_output.h"

#include "platform/frame_clock.h"
#include "platform/sdl/audio_driver_probe.h"

#include <SDL2/SDL.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Frames are counted on the song's time line from the opening of the output.
// The clock: at clockTime, frame clockFrame is audible; from there it
// advances at the sample rate, but never past clockLimit.
//
// The song goes on in one of three ways. A device that takes sound drives it
// by its buffer requests. Where no device takes sound (none is open yet, none
// could be opened, its sink was suspended or its server went away) the keeper
// thread drives it by the wall clock, silently, a little ahead of the clock,
// so the show never waits for the sound; when a device takes sound again it
// goes on from there. Stepped, the caller drives it.
//
// The device thread alone opens, replaces and closes devices, since those
// calls can wait for ever: SDL opens a device on a server that may never
// answer, and closes one by joining its audio thread, which may be waiting
// for a sink that takes no sound. Nobody waits for the device thread for
// long: at the end it has a moment to close the device, and is then left to
// the end of the process.
struct MusicOutput {
    bool open = false;
    bool stepped = false;
    int rate = 44100;
    // The device that drives the song, and the tag its requests carry: those
    // of a device being replaced or closed are answered with silence.
    SDL_AudioDeviceID device = 0;
    intptr_t deviceTag = 0;
    int latencyFrames = 0;
    // The file driver records every frame: a late buffer is waited for,
    // never skipped.
    bool recording = false;
    bool lost = false; // SDL has given the device up
    // The device's requests, in ns: the last one; the first of the run
    // without a stall that it ends; when the silence began (0 while the
    // device takes sound). Steady: it had taken sound for a while before.
    int64_t lastTaken = 0;
    int64_t takingSince = 0;
    int64_t silentSince = 0;
    bool steady = false;
    bool silenceAfterSteady = false; // the silence came after steady sound
    bool silenceTold = false;
    int64_t stallToldAt = INT64_MIN / 2;
    int64_t lossToldAt = INT64_MIN / 2;
    bool following = false; // the wall clock drives the song
    int64_t framesOut = 0;  // rendered so far
    bool clockStarted = false;
    int64_t clockTime = 0;
    int64_t clockFrame = 0;
    int64_t clockLimit = 0;
    int64_t lastAudible = INT64_MIN; // the clock never goes back
    MusicRenderFunction render = nullptr;
    void* source = nullptr;
    int16_t discard[2 * 128]; // at least one piece
};

// What the device thread, the closers of replaced devices and the caller
// share, under outputLock. On the heap: a thread left behind at the end may
// still use it after the process's own objects are gone.
struct DeviceControl {
    std::condition_variable changed;
    bool stop = false;     // close the device and end
    bool leave = false;    // end without another call to SDL
    bool settled = false;  // the first try at a device is over
    bool finished = false; // the device thread has ended
    int closing = 0;       // replaced devices SDL is still closing
    int64_t openedAt = 0;
    bool quietFailure = false; // SDL_AUDIODRIVER offers silence after these
    bool recording = false;    // the file driver alone, which a song waits for
    std::vector<std::string> drivers;
    AudioProber* prober = nullptr;
    // Written by the device thread alone.
    std::string driver; // the one SDL runs
    bool subsystemUp = false;
};

// The audio threads, the keeper, the device thread and the caller share
// `output`: hold the lock. Never hold it while SDL closes, pauses or
// unpauses a device, since SDL then waits for its audio thread, which may be
// waiting for the lock.
static MusicOutput output;
static std::mutex outputLock;
static std::thread keeper;
static std::condition_variable keeperWake;
static bool keeperStop = false;
static std::shared_ptr<DeviceControl> devices;
static std::thread deviceThread;
// Never used twice, not even by a device left behind by an earlier opening.
static std::atomic<intptr_t> lastTag{0};

// A device asks for a 10 ms buffer every 10 ms; ten times that is no hiccup.
static const int64_t stallNanoseconds = 100000000;
// Taking sound for this long without a stall, a device is under way; one
// that stops then has stalled. Before, it may still be starting: a sink
// that was idle can take the first buffer and no more for two seconds.
static const int64_t steadyNanoseconds = 200000000;
// A silence gets its line when it lasts this long after steady sound (a
// busy machine can hold the audio thread up for a moment), or the longer
// time when the device was never under way.
static const int64_t stallLineNanoseconds = 500000000;
static const int64_t quietNanoseconds = 4000000000;
// One line a kind in this time at most.
static const int64_t lineNanoseconds = 5000000000;
// About once a second, while no device takes sound, another is sought.
static const int64_t retryNanoseconds = 1000000000;
// What a song started soon after the opening waits for the first device.
static const int64_t settleNanoseconds = 250000000;
static const int64_t recordingSettleNanoseconds = 5000000000;
// What closing waits for SDL to close the device.
static const auto closeWait = std::chrono::milliseconds(250);
static const auto keeperTick = std::chrono::milliseconds(5);
static const auto deviceTick = std::chrono::milliseconds(100);

static const char* const stallLine =
    "the sound device stopped taking sound; the song goes on silently until it takes sound again";
static const char* const lossLine =
    "the sound device went away; the song goes on silently until a device takes sound again";

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

// One line of a kind, unless one was said lately.
static void tell(int64_t* toldAt, int64_t now, const char* line) {
    if (now - *toldAt >= lineNanoseconds) {
        std::fprintf(stderr, "music: %s\n", line);
        *toldAt = now;
    }
}

static void noteRequest(int64_t now) {
    if (output.silentSince || now - output.lastTaken > stallNanoseconds)
        output.takingSince = now;
    output.lastTaken = now;
    output.silentSince = 0;
    output.silenceTold = false;
    if (now - output.takingSince >= steadyNanoseconds)
        output.steady = true;
}

static void SDLCALL fillBuffer(void* tag, Uint8* stream, int length) {
    std::lock_guard<std::mutex> hold(outputLock);
    if (!output.device || reinterpret_cast<intptr_t>(tag) != output.deviceTag) {
        // Not the device that drives the song: it is on its way out.
        std::memset(stream, 0, size_t(length));
        return;
    }
    const int64_t start = output.framesOut;
    renderPieces(length / 4, reinterpret_cast<int16_t*>(stream));
    const int64_t now = monotonicNanoseconds();
    noteRequest(now);
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

static void beginSilence(int64_t now) {
    if (!output.following)
        startFollowing(now);
    if (!output.silentSince) {
        output.silentSince = now;
        output.silenceAfterSteady = output.steady;
    }
    output.steady = false;
}

// A device that makes no request for a while leaves the song to the wall
// clock. Its silence gets a line soon if it was under way, after a while if
// it never was; a device SDL gives up gets a line of its own.
static void watchDevice(int64_t now) {
    if (!output.device || output.recording || output.lost)
        return;
    if (SDL_GetAudioDeviceStatus(output.device) == SDL_AUDIO_STOPPED) {
        output.lost = true;
        beginSilence(now);
        tell(&output.lossToldAt, now, lossLine);
        output.silenceTold = true;
        if (devices)
            devices->changed.notify_all();
        return;
    }
    if (now - output.lastTaken <= stallNanoseconds)
        return;
    beginSilence(now);
    const int64_t silent = now - output.silentSince;
    if (!output.silenceTold &&
        silent > (output.silenceAfterSteady ? stallLineNanoseconds : quietNanoseconds)) {
        tell(&output.stallToldAt, now, stallLine);
        output.silenceTold = true;
    }
}

static void keepGoing() {
    std::unique_lock<std::mutex> hold(outputLock);
    while (!keeperStop) {
        const int64_t now = monotonicNanoseconds();
        watchDevice(now);
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

static SDL_AudioSpec deviceSpec(int rate, intptr_t tag) {
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    // 10 ms at 44100 Hz: the file driver paces itself in whole milliseconds
    // per buffer, so this keeps it near real time.
    want.samples = Uint16(std::max(64, rate / 100));
    want.callback = fillBuffer;
    want.userdata = reinterpret_cast<void*>(tag);
    return want;
}

struct OpenedDevice {
    SDL_AudioDeviceID id = 0;
    intptr_t tag = 0;
    int latencyFrames = 0;
    bool recording = false;
};

// Opened paused, with no lock held; the caller starts it. No changes allowed:
// SDL converts to what the device needs. (Letting the buffer size change
// overruns the callback's buffer with the dummy driver of SDL 2.26.)
static OpenedDevice openDevice(int rate, intptr_t tag) {
    const SDL_AudioSpec want = deviceSpec(rate, tag);
    SDL_AudioSpec have{};
    OpenedDevice opened;
    opened.id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    opened.tag = tag;
    const char* driver = SDL_GetCurrentAudioDriver();
    opened.recording = driver && !std::strcmp(driver, "disk");
    // A real device still holds about one buffer when SDL asks for the next;
    // the file driver takes each buffer as soon as it is filled.
    opened.latencyFrames = opened.recording ? 0 : have.samples;
    return opened;
}

// With the lock held: the device drives the song from its first request.
// Until then the clock waits for it, and the keeper takes over again if it
// makes no request.
static void useDevice(const OpenedDevice& opened, int64_t now) {
    output.device = opened.id;
    output.deviceTag = opened.tag;
    output.latencyFrames = opened.latencyFrames;
    output.recording = opened.recording;
    output.lost = false;
    output.lastTaken = now;
    output.takingSince = 0;
    output.silentSince = now;
    output.steady = false;
    output.silenceAfterSteady = false;
    output.silenceTold = false;
    if (output.following) {
        output.following = false;
        output.clockLimit = output.framesOut;
    }
}

// Closed on a thread of its own, since SDL may take for ever over it.
static void closeReplaced(const std::shared_ptr<DeviceControl>& control, SDL_AudioDeviceID old) {
    std::lock_guard<std::mutex> hold(outputLock);
    control->closing++;
    std::thread([control, old] {
        SDL_CloseAudioDevice(old);
        std::lock_guard<std::mutex> closed(outputLock);
        control->closing--;
        control->changed.notify_all();
    }).detach();
}

enum class Need { nothing, first, another, taking };

// With the lock held: what the device thread is to look for now.
static Need neededDevice(const DeviceControl& control, int64_t now) {
    if (!control.settled)
        return Need::first;
    if (control.driver == "disk")
        return Need::nothing;
    if (!output.device || output.lost)
        return Need::another;
    // The sink may take sound again by itself; if another device takes it
    // sooner (the server has come back, another output is chosen), it takes
    // over.
    if (output.silentSince && now - output.silentSince >= retryNanoseconds)
        return Need::taking;
    return Need::nothing;
}

// Looks for a driver that plays, starts SDL on it the first time, opens
// its default device and hands the song to it. Without the lock.
static void seekDevice(const std::shared_ptr<DeviceControl>& control, Need need, int rate) {
    const std::vector<std::string> drivers =
        control->driver.empty() ? control->drivers : std::vector<std::string>{control->driver};
    const intptr_t tag = ++lastTag;
    std::string driver, reason;
    // "disk" writes a file and has no device to fail on.
    bool plays = drivers.size() == 1 && drivers.front() == "disk";
    if (plays)
        driver = "disk";
    else
        plays = findPlayingDriver(control->prober, drivers, deviceSpec(rate, tag),
                                  need == Need::taking ? AudioProbeTest::takesSound
                                                       : AudioProbeTest::opens,
                                  &driver, &reason);
    OpenedDevice opened;
    if (plays && !control->subsystemUp) {
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver.c_str(), SDL_HINT_OVERRIDE);
        control->subsystemUp = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        SDL_ResetHint(SDL_HINT_AUDIODRIVER);
        // The one of the list SDL settled on, where it was given a list.
        if (control->subsystemUp)
            control->driver = SDL_GetCurrentAudioDriver();
        else
            reason = SDL_GetError();
    }
    if (plays && control->subsystemUp) {
        opened = openDevice(rate, tag);
        if (!opened.id)
            reason = SDL_GetError();
    }
    std::unique_lock<std::mutex> hold(outputLock);
    if (control->stop) {
        hold.unlock();
        if (opened.id && !control->leave)
            SDL_CloseAudioDevice(opened.id);
        return;
    }
    if (!opened.id) {
        if (!control->settled && !control->quietFailure && !reason.empty())
            std::fprintf(stderr, "music: no sound device (%s), the song plays silently\n",
                         reason.c_str());
        control->settled = true;
        control->changed.notify_all();
        return;
    }
    const SDL_AudioDeviceID replaced = output.device;
    useDevice(opened, monotonicNanoseconds());
    control->settled = true;
    control->changed.notify_all();
    hold.unlock();
    SDL_PauseAudioDevice(opened.id, 0);
    if (replaced)
        closeReplaced(control, replaced);
}

static void SDLCALL dropLogLine(void*, int, SDL_LogPriority, const char*) {}

static void runDevices(std::shared_ptr<DeviceControl> control, int rate) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // Ctrl-C and kill are the demo's own
    SDL_LogSetOutputFunction(dropLogLine, nullptr); // standard error is for the demo's lines
    std::unique_lock<std::mutex> hold(outputLock);
    int64_t nextTry = 0;
    while (!control->stop) {
        const int64_t now = monotonicNanoseconds();
        const Need need = neededDevice(*control, now);
        if (need == Need::nothing || now < nextTry) {
            control->changed.wait_for(hold, deviceTick);
            continue;
        }
        if (output.lost) {
            const SDL_AudioDeviceID lost = output.device;
            output.device = 0;
            hold.unlock();
            closeReplaced(control, lost);
        } else {
            hold.unlock();
        }
        seekDevice(control, need, rate);
        hold.lock();
        nextTry = monotonicNanoseconds() + retryNanoseconds;
    }
    if (!control->leave) {
        const SDL_AudioDeviceID last = output.device;
        output.device = 0;
        hold.unlock();
        if (last)
            SDL_CloseAudioDevice(last);
        hold.lock();
        // A replaced device SDL is still closing keeps SDL's audio up.
        if (!control->leave && control->subsystemUp && control->closing == 0) {
            hold.unlock();
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            hold.lock();
        }
    }
    hold.unlock();
    stopAudioProber(control->prober);
    hold.lock();
    control->finished = true;
    control->changed.notify_all();
}

// Ends the device thread, waiting for it `wait` at most; with the lock held.
static void stopDevices(std::unique_lock<std::mutex>& hold, std::chrono::milliseconds wait) {
    if (!devices)
        return;
    std::shared_ptr<DeviceControl> control = devices;
    control->stop = true;
    control->changed.notify_all();
    interruptAudioProber(control->prober);
    const bool finished = control->changed.wait_for(hold, wait, [&] { return control->finished; });
    if (!finished)
        control->leave = true;
    hold.unlock();
    if (finished) {
        deviceThread.join();
        freeAudioProber(control->prober);
    } else {
        deviceThread.detach();
    }
    hold.lock();
    devices.reset();
}

// The process may end by exit() with the song playing (Esc, no pictures):
// nothing is rendered from then on, the keeper is gone before the objects
// it uses are destroyed, and the device thread is told to leave SDL alone.
static void quietAtExit() {
    stopKeeper();
    std::unique_lock<std::mutex> hold(outputLock);
    output.render = nullptr;
    output.source = nullptr;
    output.device = 0;
    if (devices)
        devices->leave = true;
    stopDevices(hold, std::chrono::milliseconds(0));
}

static void startKeeper() {
    static bool quietedAtExit = false;
    if (!quietedAtExit)
        std::atexit(quietAtExit);
    quietedAtExit = true;
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

// The drivers to try, in order: those SDL_AUDIODRIVER lists (separated by
// commas), else every driver SDL would pick by itself.
static std::vector<std::string> audioDriverCandidates() {
    std::vector<std::string> drivers;
    if (const char* listed = SDL_GetHint(SDL_HINT_AUDIODRIVER); listed && *listed) {
        std::string list = listed;
        for (size_t start = 0; start <= list.size();) {
            size_t end = list.find(',', start);
            if (end == std::string::npos)
                end = list.size();
            if (end > start)
                drivers.push_back(list.substr(start, end - start));
            start = end + 1;
        }
        return drivers;
    }
    // The file and silent drivers are SDL's only on demand.
    for (int i = 0; i < SDL_GetNumAudioDrivers(); i++) {
        const std::string name = SDL_GetAudioDriver(i);
        if (name != "disk" && name != "dummy")
            drivers.push_back(name);
    }
    return drivers;
}

// The drivers to try; "dummy" asks for silence, so none after it.
static std::vector<std::string> driversBeforeSilence(bool* silenceAsked) {
    std::vector<std::string> drivers = audioDriverCandidates();
    const auto dummy = std::find(drivers.begin(), drivers.end(), "dummy");
    *silenceAsked = dummy != drivers.end();
    drivers.erase(dummy, drivers.end());
    return drivers;
}

bool musicOutputOpen(int rate, bool muted) {
    std::unique_lock<std::mutex> hold(outputLock);
    if (output.open)
        return true;
    output.rate = rate > 0 ? rate : 44100;
    output.open = true;
    const int64_t now = monotonicNanoseconds();
    // The song is the demo's clock: without a device it must still advance.
    output.following = true;
    setClock(now, 0, 0);
    bool silenceAsked = false;
    const std::vector<std::string> drivers =
        muted ? std::vector<std::string>{} : driversBeforeSilence(&silenceAsked);
    if (drivers.empty() && !muted && !silenceAsked)
        std::fprintf(stderr, "music: no sound device (SDL has no sound driver), the song plays "
                             "silently\n");
    if (!drivers.empty()) {
        auto control = std::make_shared<DeviceControl>();
        control->drivers = drivers;
        control->quietFailure = silenceAsked;
        control->recording = drivers == std::vector<std::string>{"disk"};
        control->openedAt = now;
        // Started first, while this thread may still be the only one.
        std::string reason;
        control->prober = startAudioProber(&reason);
        if (control->prober) {
            devices = control;
            deviceThread = std::thread(runDevices, control, output.rate);
        } else {
            std::fprintf(stderr, "music: no sound device (%s), the song plays silently\n",
                         reason.c_str());
        }
    }
    startKeeper();
    return true;
}

void musicOutputWaitForDevice() {
    std::unique_lock<std::mutex> hold(outputLock);
    if (!devices)
        return;
    std::shared_ptr<DeviceControl> control = devices;
    // A recording must hold the song from its first frame, and the file
    // driver has no server to wait for.
    const int64_t wait = control->recording ? recordingSettleNanoseconds : settleNanoseconds;
    const int64_t left = control->openedAt + wait - monotonicNanoseconds();
    if (left > 0)
        control->changed.wait_for(hold, std::chrono::nanoseconds(left),
                                  [&] { return control->settled; });
}

void musicOutputClose() {
    stopKeeper();
    std::unique_lock<std::mutex> hold(outputLock);
    stopDevices(hold, closeWait);
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
    // While the wall clock drives the song, what is due now is rendered
    // first, however late the keeper is: a song started now starts now.
    if (output.following) {
        const int64_t now = monotonicNanoseconds();
        const int64_t due = output.clockFrame + framesIn(now - output.clockTime);
        if (due > output.framesOut) {
            renderPieces(due - output.framesOut, nullptr);
            output.clockLimit = output.framesOut;
        }
    }
    output.render = render;
    output.source = source;
}

void* musicOutputSource() {
    return output.source;
}

int64_t musicOutputAudibleFrame() {
    return audibleFrame(monotonicNanoseconds());
}
