// Deterministic randomness for the generator: every asset must come out
// byte-identical on every run, so nothing here reads the clock or the C
// library's generator.
#pragma once

#include <cstdint>

// xorshift32 with a fixed seed per use.
struct Rng {
    uint32_t state;
    uint32_t next();
    float unit();       // [0, 1)
    float signedUnit(); // [-1, 1)
};

uint32_t hash32(uint32_t x);
// A repeatable value in [0, 1) for an integer lattice point.
float latticeValue(int x, int y, uint32_t seed);
// Smooth value noise in [0, 1); `period` > 0 makes it tile every `period`
// units, periodY (if given) across y.
float valueNoise(float x, float y, uint32_t seed, int period = 0, int periodY = -1);
// Sum of `octaves` noise layers, each twice the frequency and half the weight.
float fractalNoise(float x, float y, int octaves, uint32_t seed, int period = 0, int periodY = -1);
