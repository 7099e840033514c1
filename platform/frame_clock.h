// The monotonic clock the frames are paced by.
#pragma once

#include <cstdint>

// Nanoseconds on a clock that never jumps; its zero is arbitrary.
int64_t monotonicNanoseconds();
// Sleeps until the clock reads `deadline`; returns at once when it has.
void sleepUntilNanoseconds(int64_t deadline);
