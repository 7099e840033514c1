// The six scenes of the timeline and the clock they share.
#pragma once

#include <cstdint>

// Animation clock: every scene routine adds 0.1 per call; Scene2 reseeds it.
extern float sceneTime;

void Scene1(int32_t row, int32_t order, int32_t phaseThousandths);
void Scene2(int32_t row, int32_t order, int32_t phaseThousandths);
void Scene3(int32_t row, int32_t order, int32_t phaseThousandths);
void Scene4(int32_t row, int32_t order, int32_t phaseThousandths);
void Scene5(int32_t row, int32_t order, int32_t phaseThousandths);
void Scene6(int32_t row, int32_t order, int32_t phaseThousandths);

// The scenes' own routines, public so tests can drive them one at a time.
void Scene1Tiles();
void Scene2Wave();
void Scene3Ripple();
void Scene4Backdrop();
void Scene4Cubes();
void Scene5Backdrop();
void Scene6Backdrop();

// Paces the roll of the wave heights; Scene2Wave only.
extern int32_t waveFrameCount;

struct RippleDot {
    float x, y, z, blue, green;
};
// Scene3Ripple's per-frame working table.
extern RippleDot rippleDots[50][50];
