#include "platform/random.h"

#include <cstdint>

static uint32_t randState = 1;

int demoRand() {
    randState = randState * 214013u + 2531011u;
    return static_cast<int>((randState >> 16) & 0x7FFF);
}

void demoSrand(unsigned int seed) {
    randState = seed;
}

unsigned int demoRandState() {
    return randState;
}
