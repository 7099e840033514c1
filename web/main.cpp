// The web build's start-up and frame loop. Start-up is the desktop's, in its
// order, on the page's canvas; then a card waits for the click that lets the
// browser play sound. The show's frames follow requestAnimationFrame,
// thinned to the shell's 60 Hz schedule and held back while the GPU still
// draws the last one, until order 23 or Esc brings the
// card back. The page (web/demo.mjs) hands over its URL's options as the
// command line, its keys, clicks and sizes, and reads what is reported.
#include "image/image.h"
#include "model/model.h"
#include "platform/display_mode.h"
#include "platform/music.h"
#include "platform/web/gl/frame_fence.h"
#include "scenes/backdrop.h"
#include "shell/shell.h"

#include <GL/gl.h>
#include <cstdio>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>
#include <vector>

EM_JS(int, webSteppedMode, (), { return Module.stepped ? 1 : 0; });
EM_JS(void, webShowCard, (int again), { Module.showCard(again); });
EM_JS(void, webShowStarted, (), { Module.showStarted(); });
EM_JS(void, webFrameDrawn, (int order), { Module.frameDrawn(order); });

// Frames drawn this much before they are due are taken: less than the
// 8.3 ms between the callbacks of a 120 Hz display, so the one before is
// never taken, and more than the jitter and drift of a 60 Hz one.
static const int64_t earlyNanoseconds = 6000000;
// The sound of one frame at 60 frames a second.
static const int soundFramesPerFrame = 44100 / 60;

// Written by the functions below only.
static struct {
    bool showing = false;
    bool played = false;
    bool uncapped = false;
    int width = 0, height = 0;
    FrameSchedule schedule;
    bool dueKnown = false;
    int64_t due = 0;
    int steppedFrames = 0; // stepped: frames drawn so far
    std::vector<uint8_t> pixels;
} page;

// The title picture behind the card. The texture binding and coordinate
// are put back, so the show starts from the state start-up left.
static void drawCard() {
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    clearOutsidePicture();
    glMatrixMode(GL_MODELVIEW);
    if (texTitulo3)
        drawBackdrop(texTitulo3, -10);
    else
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBindTexture(GL_TEXTURE_2D, GLuint(bound));
    glTexCoord2f(0, 0);
    glFlush();
}

static void endShow() {
    FMUSIC_StopSong(song);
    page.showing = false;
    drawCard();
    webShowCard(1);
}

static EM_BOOL frame(double milliseconds, void*) {
    if (!page.showing || !lastFrameDrawn())
        return EM_TRUE;
    const int64_t now = int64_t(milliseconds * 1e6);
    if (!page.uncapped) {
        if (!page.dueKnown)
            page.due = nextFrameDue(&page.schedule, now);
        page.dueKnown = true;
        if (now < page.due - earlyNanoseconds)
            return EM_TRUE;
        page.dueKnown = false;
    }
    // Row first, then order, as the desktop asks.
    const float row = static_cast<float>(FMUSIC_GetRow(song));
    const float order = static_cast<float>(FMUSIC_GetOrder(song));
    if (!drawFrame(row, order)) {
        endShow();
        return EM_TRUE;
    }
    frameHandedOver();
    webFrameDrawn(int(order));
    return EM_TRUE;
}

extern "C" {

// The click on the card.
EMSCRIPTEN_KEEPALIVE void webStart() {
    if (page.showing)
        return;
    page.showing = true;
    page.schedule = FrameSchedule{};
    page.dueKnown = false;
    FMUSIC_PlaySong(song);
    webShowStarted();
}

// A key as GLUT would give it: Esc and q stop the show, the rest go to the
// shell's keyboard callback, which switches the models on v and logs.
EMSCRIPTEN_KEEPALIVE void webKey(int key) {
    if (key == 27 || key == 'q') {
        if (page.showing)
            endShow();
        return;
    }
    keyboard(static_cast<unsigned char>(key), 0, 0);
}

// The canvas's new size in pixels.
EMSCRIPTEN_KEEPALIVE void webResize(int width, int height) {
    if (width == page.width && height == page.height)
        return;
    page.width = width;
    page.height = height;
    reshape(width, height);
    if (!page.showing)
        drawCard();
}

// Stepped: draws the frames up to `frame` (counted from 1), each with the
// song stepped by one frame's sound, as the capture draws them, and returns
// the last one read back (RGBA, bottom row first), or null once the show
// has ended.
EMSCRIPTEN_KEEPALIVE const uint8_t* webStepTo(int frame) {
    std::vector<int16_t> sound(2 * soundFramesPerFrame);
    for (; page.steppedFrames < frame; page.steppedFrames++) {
        FSOUND_Step(soundFramesPerFrame, sound.data());
        const float row = static_cast<float>(FMUSIC_GetRow(song));
        const float order = static_cast<float>(FMUSIC_GetOrder(song));
        if (!drawFrame(row, order))
            return nullptr;
    }
    page.pixels.resize(size_t(page.width) * size_t(page.height) * 4);
    glReadPixels(0, 0, page.width, page.height, GL_RGBA, GL_UNSIGNED_BYTE, page.pixels.data());
    return page.pixels.data();
}
}

int main(int argc, char** argv) {
    DemoOptions options;
    const int status = parseOptions(&argc, argv, &options);
    if (status >= 0)
        return status;
    const bool stepped = webSteppedMode();
    page.uncapped = options.uncapped;

    if (stepped)
        FSOUND_SetOutput(FSOUND_OUTPUT_STEPPED);
    else if (options.mute)
        FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND);
    FSOUND_Init(44100, 32, 0);
    song = FMUSIC_LoadSong("Prueba.IT");
    if (options.fromOrder != 0 && song && !FMUSIC_SetOrder(song, options.fromOrder))
        std::fprintf(stderr, "music: the song has no order %d; it plays from its start\n",
                     options.fromOrder);

    openWindow();
    // Without WebGL 2 the page says so (openWindow has) and nothing more.
    if (!emscripten_webgl_get_current_context())
        return 1;
    glClearColor(1, 1, 1, 0.5);
    if (!loadTgaTextures()) {
        std::fprintf(stderr, "demo: none of the pictures titulo3.tga, tia.tga, palmera.tga and "
                             "uf.tga could be loaded\n");
        return 0;
    }
    fillGridPoints();
    setGlobalGlState();
    loadPresentsModel();
    loadLogoModel();
    loadTxiringoModel();

    int width = 0, height = 0;
    emscripten_get_canvas_element_size("#canvas", &width, &height);
    if (stepped) {
        page.width = width;
        page.height = height;
        setSurface(width, height);
        FMUSIC_PlaySong(song);
        return 0;
    }
    webResize(width, height);
    webShowCard(0);
    emscripten_request_animation_frame_loop(frame, nullptr);
    return 0;
}
