#include "platform/frame_clock.h"

#include <windows.h>

static int64_t counterFrequency() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

int64_t monotonicNanoseconds() {
    static const int64_t frequency = counterFrequency();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    // In two parts, so that a counter of many days does not overflow.
    const int64_t seconds = count.QuadPart / frequency;
    return seconds * 1000000000 + (count.QuadPart % frequency) * 1000000000 / frequency;
}

void sleepUntilNanoseconds(int64_t deadline) {
    // Windows's timer ticks every 15.6 ms unless a program asks for finer
    // ones; asked once, for as long as the program runs.
    static const bool fineTimer = timeBeginPeriod(1) == TIMERR_NOERROR;
    const int64_t millisecond = 1000000;
    for (int64_t left = deadline - monotonicNanoseconds(); left > 0;
         left = deadline - monotonicNanoseconds()) {
        // Sleep may overshoot by a tick: the last stretch is waited out in
        // slices the scheduler gives back at once.
        const int64_t margin = fineTimer ? 2 * millisecond : 16 * millisecond;
        Sleep(left > margin ? DWORD((left - margin) / millisecond) : 0);
    }
}
