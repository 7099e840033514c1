#include "platform/frame_clock.h"

#include <cerrno>
#include <time.h>

int64_t monotonicNanoseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void sleepUntilNanoseconds(int64_t deadline) {
    const timespec until = {time_t(deadline / 1000000000), long(deadline % 1000000000)};
    // An absolute deadline: a signal that wakes the sleep early adds no drift.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}
