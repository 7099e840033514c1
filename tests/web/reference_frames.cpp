// The native program's frames for the page's comparison test: the demo's
// start-up on an offscreen surface, then frame after frame with the song
// stepped by one frame's sound, as the capture draws them. Frame n (from 1)
// is written to OUT-n.rgba as it is read back: RGBA, bottom row first.
//   reference_frames WIDTHxHEIGHT FROM_ORDER OUT FRAME...
// Runs in the folder holding the demo's files; status 1 after a message.
#include "image/image.h"
#include "model/model.h"
#include "platform/music.h"
#include "platform/offscreen_gl.h"
#include "shell/shell.h"

#include <GL/gl.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    int width = 0, height = 0, from = 0;
    if (argc < 5 || std::sscanf(argv[1], "%dx%d", &width, &height) != 2 ||
        std::sscanf(argv[2], "%d", &from) != 1) {
        std::fprintf(stderr, "usage: %s WIDTHxHEIGHT FROM_ORDER OUT FRAME...\n", argv[0]);
        return 2;
    }
    std::vector<int> frames;
    for (int i = 4; i < argc; i++)
        frames.push_back(std::atoi(argv[i]));
    FSOUND_SetOutput(FSOUND_OUTPUT_STEPPED);
    FSOUND_Init(44100, 32, 0);
    song = FMUSIC_LoadSong("Prueba.IT");
    std::string reason;
    if (!song || (from != 0 && !FMUSIC_SetOrder(song, from)) ||
        !openOffscreenGl(width, height, OffscreenReadBack::converted, &reason)) {
        std::fprintf(stderr, "reference_frames: no song, no order %d or no OpenGL (%s)\n", from,
                     reason.c_str());
        return 1;
    }
    glClearColor(1, 1, 1, 0.5);
    if (!loadTgaTextures())
        return 1;
    fillGridPoints();
    setGlobalGlState();
    loadPresentsModel();
    loadLogoModel();
    loadTxiringoModel();
    setSurface(width, height);
    FMUSIC_PlaySong(song);

    const int last = *std::max_element(frames.begin(), frames.end());
    std::vector<int16_t> sound(2 * 735);
    std::vector<uint8_t> pixels(size_t(width) * height * 4);
    for (int n = 1; n <= last; n++) {
        FSOUND_Step(735, sound.data());
        const float row = static_cast<float>(FMUSIC_GetRow(song));
        const float order = static_cast<float>(FMUSIC_GetOrder(song));
        if (!drawFrame(row, order)) {
            std::fprintf(stderr, "reference_frames: the show ended before frame %d\n", n);
            return 1;
        }
        if (std::find(frames.begin(), frames.end(), n) == frames.end())
            continue;
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        const std::string name = std::string(argv[3]) + "-" + std::to_string(n) + ".rgba";
        FILE* out = std::fopen(name.c_str(), "wb");
        if (!out || std::fwrite(pixels.data(), 1, pixels.size(), out) != pixels.size()) {
            std::fprintf(stderr, "reference_frames: cannot write %s\n", name.c_str());
            return 1;
        }
        std::fclose(out);
    }
    FMUSIC_FreeSong(song);
    FSOUND_Close();
    closeOffscreenGl();
    return 0;
}
