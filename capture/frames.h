// The capture's frame loop (capture/ only).
#pragma once

#include "capture/capture.h"

struct FMUSIC_MODULE;
struct VideoEncoder;

// Frames until the song reaches the order not shown, each one handed to the
// encoder with its sound. True once every picture is written; false after a
// message, when the encoder may still hold pictures in the context's pixel
// buffers: it must be abandoned before the context is closed.
bool captureFrames(const CaptureOptions& options, FMUSIC_MODULE* song, VideoEncoder* encoder,
                   Progress* progress, CaptureTimes* times);
