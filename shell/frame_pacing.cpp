#include "platform/display_mode.h"
#include "platform/frame_clock.h"
#include "shell/shell.h"

static const int64_t second = 1000000000;
static const int64_t framesPerSecond = 60;
// Later than this behind the schedule, it starts again from now instead of
// rushing the frames it missed.
static const int64_t stallFrames = 4;
// Vertical sync that lets more than half of these frames through faster
// than this is not pacing anything (virtual displays accept the interval).
static const int syncCheckFrames = 20;
static const int64_t syncFastInterval = 14 * second / 1000;

static int64_t frameDue(const FrameSchedule& schedule) {
    return schedule.start + schedule.frames * second / framesPerSecond;
}

int64_t nextFrameDue(FrameSchedule* schedule, int64_t now) {
    if (schedule->started) {
        schedule->frames++;
        if (now - frameDue(*schedule) <= stallFrames * second / framesPerSecond)
            return frameDue(*schedule);
    }
    schedule->started = true;
    schedule->start = now;
    schedule->frames = 0;
    return now;
}

// Written by setFramePacing and waitForNextFrame only.
static struct {
    enum { Uncapped, VerticalSync, Schedule } mode = Uncapped;
    FrameSchedule schedule;
    int64_t lastFrame = 0;
    int syncFrames = 0; // frames measured under vertical sync
    int syncFast = 0;   // of which came too fast
} pacer;

void setFramePacing(FramePacing pacing) {
    pacer = {};
    if (pacing == FramePacing::Steady)
        pacer.mode = verticalSyncAt60Hz() ? pacer.VerticalSync : pacer.Schedule;
}

void waitForNextFrame() {
    const int64_t now = monotonicNanoseconds();
    if (pacer.mode == pacer.VerticalSync && pacer.lastFrame != 0) {
        pacer.syncFast += now - pacer.lastFrame < syncFastInterval;
        if (++pacer.syncFrames == syncCheckFrames && pacer.syncFast * 2 > syncCheckFrames)
            pacer.mode = pacer.Schedule;
    }
    pacer.lastFrame = now;
    if (pacer.mode == pacer.Schedule)
        sleepUntilNanoseconds(nextFrameDue(&pacer.schedule, now));
}
