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

// Still scenes (Scenes 5 and 6) ignore their arguments and the clock and set
// all the state they draw with. So, on a surface that has not changed, each
// frame of a run of one of them after the first draws the first one's
// picture again and leaves the GL state as that one left it. They do advance
// the clock, though no scene after them reads it: a frame of theirs left
// undrawn calls advanceStillClock instead.
bool isStillScene(void (*scene)(int32_t row, int32_t order, int32_t phaseThousandths));
// A still scene's frame's one effect besides its picture.
void advanceStillClock();

// Line widths and point sizes are in pixels, made for pictures 768 lines
// high. Where the picture is another height (a larger window or screen, a
// video, a supersampled frame), they grow or shrink with it, so every size
// shows the same picture. The shell, which sets the viewport, says how high
// the picture is; the scenes ask for their sizes through picturePixels.
constexpr int madeForLines = 768;
void setPictureHeight(int lines);
// `pixels` at 768 lines, at the picture's height: the same value at 768,
// else rounded to whole pixels, at least one.
float picturePixels(float pixels);

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
