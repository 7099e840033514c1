#include "tests/stepped_frames.h"

#include "image/image.h"
#include "model/model.h"
#include "platform/music.h"
#include "shell/shell.h"

#include <GL/gl.h>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

bool writeSteppedFrames(int width, int height, int fromOrder, const std::string& out,
                        const std::vector<int>& frames) {
    FSOUND_SetOutput(FSOUND_OUTPUT_STEPPED);
    FSOUND_Init(44100, 32, 0);
    song = FMUSIC_LoadSong("Prueba.IT");
    if (!song || (fromOrder != 0 && !FMUSIC_SetOrder(song, fromOrder))) {
        std::fprintf(stderr, "stepped frames: no song, or no order %d\n", fromOrder);
        return false;
    }
    glClearColor(1, 1, 1, 0.5);
    if (!loadTgaTextures())
        return false;
    fillGridPoints();
    setGlobalGlState();
    loadPresentsModel();
    loadLogoModel();
    loadTxiringoModel();
    setSurface(width, height);
    FMUSIC_PlaySong(song);

    const int last = frames.empty() ? 0 : *std::max_element(frames.begin(), frames.end());
    std::vector<int16_t> sound(2 * 735);
    std::vector<uint8_t> pixels(size_t(width) * height * 4);
    for (int n = 1; n <= last; n++) {
        FSOUND_Step(735, sound.data());
        const float row = static_cast<float>(FMUSIC_GetRow(song));
        const float order = static_cast<float>(FMUSIC_GetOrder(song));
        if (!drawFrame(row, order)) {
            std::fprintf(stderr, "stepped frames: the show ended before frame %d\n", n);
            return false;
        }
        if (std::find(frames.begin(), frames.end(), n) == frames.end())
            continue;
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        const std::string name = out + "-" + std::to_string(n) + ".rgba";
        FILE* file = std::fopen(name.c_str(), "wb");
        const bool written =
            file && std::fwrite(pixels.data(), 1, pixels.size(), file) == pixels.size();
        if (file)
            std::fclose(file);
        if (!written) {
            std::fprintf(stderr, "stepped frames: cannot write %s\n", name.c_str());
            return false;
        }
    }
    FMUSIC_FreeSong(song);
    FSOUND_Close();
    return true;
}

bool readSteppedFramesRequest(int argc, char** argv, SteppedFramesRequest* request) {
    if (argc < 5 || std::sscanf(argv[1], "%dx%d", &request->width, &request->height) != 2 ||
        std::sscanf(argv[2], "%d", &request->fromOrder) != 1) {
        std::fprintf(stderr, "usage: %s WIDTHxHEIGHT FROM_ORDER OUT FRAME...\n", argv[0]);
        return false;
    }
    request->out = argv[3];
    for (int i = 4; i < argc; i++)
        request->frames.push_back(std::atoi(argv[i]));
    return true;
}
