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

// The command line: the demo's own long options; GLUT's X options pass on.
struct DemoOptions {
    bool window = false;   // a 1024x768 window, no full screen
    bool mute = false;     // no sound device
    bool uncapped = false; // frames back to back
    int fromOrder = 0;     // the order the song starts at
};
// Takes the demo's options out of argv, leaving GLUT's. -1 to go on; else
// the exit status, after the help or version (0) or the usage on standard
// error (2).
int parseOptions(int* argc, char** argv, DemoOptions* options);
// Long options in the two GNU forms: true when `argument` is "--name" (the
// value, if any, is the next argument: *inlineValue null) or "--name=value".
bool isLongOption(const char* argument, const char* name, const char** inlineValue);
// A whole decimal number from low to high.
bool parseNumber(const char* text, long low, long high, int* number);

void fillGridPoints();
// The GL state start-up sets once for every frame: texturing, smooth
// shading, the depth test with GL_LEQUAL, the perspective hint.
void setGlobalGlState();

// The largest centred area of a surface with the pictures' 4:3 shape; the
// whole surface when it is 4:3.
struct PictureArea {
    int x, y, width, height;
};
PictureArea pictureArea(int width, int height);

// What reshape sets for a surface of this size, without its console line:
// the viewport on the picture area and the fixed projection. Off 4:3 the
// frames are also clipped to that area and the bands beside it kept black.
void setSurface(int width, int height);
// The fixed projection, in the projection matrix; left the current mode.
void setProjection();
// Blackens the bands of a surface that is not 4:3; nothing on one that is.
void clearOutsidePicture();

// Draws every scene once into the back buffer, unseen, so that the driver
// makes its code for each scene's GL state before the show rather than in
// the frame a scene begins in. Then puts back the GL state, the clock, the
// wave's heights and the random sequence as they were: the show's frames
// draw as if it had never run.
void prepareScenes();

// One frame of the show at this song position: everything display does
// between asking the song and swapping the buffers. False, after the clear,
// from order 23 on, when there is nothing more to show.
bool drawFrame(float row, float order);

// Fixed 60 Hz deadlines on the monotonic clock, in nanoseconds: frame n of
// a run is due at start + n/60 s, so no error adds up over the song.
struct FrameSchedule {
    int64_t start = 0;  // when the run's first frame was due
    int64_t frames = 0; // frames of the run since then
    bool started = false;
};
// When the next frame is due, the previous one being done at `now`: now for
// the first frame, and after a stall of more than a few frames, which
// starts a new run; otherwise the schedule's time, even when already past.
int64_t nextFrameDue(FrameSchedule* schedule, int64_t now);

// Steady: 60 frames a second, by vertical sync on a 60 Hz display, by the
// schedule everywhere else. Uncapped: back to back.
enum class FramePacing { Steady, Uncapped };
void setFramePacing(FramePacing pacing);
// Called between frames: sleeps until the next frame is due.
void waitForNextFrame();

void display();
void idle();
void reshape(int width, int height);
void keyboard(unsigned char key, int x, int y);
[[noreturn]] void shutdownDemo();

using SceneEntry = void (*)(int32_t row, int32_t order, int32_t phaseThousandths);
// The timeline: the scene for an order, or null from order 23 on.
SceneEntry sceneForOrder(float order);
