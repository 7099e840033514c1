// A 1024x768 GLUT window on the test display, opened once per test program,
// with the demo's start-up GL state. Tests read pixels back from it.
#pragma once

#include <cstdint>
#include <vector>

void ensureGlWindow();
// RGB bytes of the whole back buffer, bottom row first.
std::vector<uint8_t> readBackBuffer(int width = 1024, int height = 768);
