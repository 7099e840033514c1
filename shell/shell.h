// Start-up, the GLUT callbacks and the timeline.
#pragma once

#include "model/model.h"

#include <cstdint>

struct FMUSIC_MODULE;

// Written once by main; read by display and shutdownDemo.
extern FMUSIC_MODULE* song;
// Written once by main; afterwards Scene2 alone reads it and moves its z values.
extern Vec3 gridPoints[45][45];
// GL_TRIANGLES or GL_LINE_STRIP; toggled by the v key, read by the model draws.
extern int32_t modelPrimitive;
// Handed to every scene; fixed for the run.
extern const int32_t phaseThousandths;

void fillGridPoints();
// The GL state start-up sets once for every frame: texturing, smooth
// shading, the depth test with GL_LEQUAL, the perspective hint.
void setGlobalGlState();

void display();
void idle();
void reshape(int width, int height);
void keyboard(unsigned char key, int x, int y);
[[noreturn]] void shutdownDemo();

using SceneEntry = void (*)(int32_t row, int32_t order, int32_t phaseThousandths);
// The timeline: the scene for an order, or null from order 23 on.
SceneEntry sceneForOrder(float order);
