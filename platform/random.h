// The demo's own pseudo-random generator: the same sequence on every run and
// every platform, whatever the C library's rand does.
#pragma once

// 0 to 32767; the first values are 41, 18467, 6334, 26500, 19169.
int demoRand();
// Restarts the sequence from the given state (1 at program start).
void demoSrand(unsigned int seed);
// The state the next value comes from, for demoSrand to go back to.
unsigned int demoRandState();
