// An OpenGL context without any display: EGL on Mesa's surfaceless platform,
// desktop OpenGL with the compatibility profile (the demo draws in GL 1.1
// immediate mode), current on the calling thread and drawing into an
// offscreen surface of a fixed size with a depth buffer.
#pragma once

#include "platform/video_encoder.h"

#include <cstdint>
#include <string>

// Converted: the deepest colour EGL offers (10 bits on Mesa), without
// alpha, read back as RGBA bytes that the driver converts. AsHeld: a surface
// of the same colour depth with an alpha channel that nothing reads, so the
// pixel buffers take the pixels as they are held (pixelBufferLayout says
// how) and the same colours are drawn. EightBitsAsHeld: 8-bit colour with
// alpha, held and read as BGRA bytes, which llvmpipe draws about a third
// faster than 10-bit colour: for frames that are averaged down afterwards,
// where the last bits of each drawn pixel do not show.
enum class OffscreenReadBack { converted, asHeld, eightBitsAsHeld };
// False, with the reason, when no such context can be made.
bool openOffscreenGl(int width, int height, OffscreenReadBack readBack, std::string* reason);
// Frees the pixel buffers too.
void closeOffscreenGl();

// Pixel buffer objects, each holding one frame read back, the bottom row
// first: as RGBA bytes, or packed when the surface is read as held. Reading
// into one only queues the copy where the driver can; a frame later, mapping
// it finds the copy done without waiting. The buffer binding is back to
// none after each call. False, with the reason, when the context has none.
bool makePixelBuffers(int count, std::string* reason);
PixelLayout pixelBufferLayout();
// Buffer `index` must not be mapped.
void readIntoPixelBuffer(int index);
// The pixels stay readable, from any thread, until the buffer is unmapped.
const uint8_t* mapPixelBuffer(int index);
void unmapPixelBuffer(int index);
