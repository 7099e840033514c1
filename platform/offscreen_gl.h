// An OpenGL context without any display: EGL on Mesa's surfaceless platform,
// desktop OpenGL with the compatibility profile (the demo draws in GL 1.1
// immediate mode), current on the calling thread and drawing into an
// offscreen surface of a fixed size with a depth buffer.
#pragma once

#include <string>

// False, with the reason, when no such context can be made.
bool openOffscreenGl(int width, int height, std::string* reason);
void closeOffscreenGl();
