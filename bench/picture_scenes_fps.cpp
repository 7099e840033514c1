// Frames per second of the picture scenes at 1024x768 with real 512x512
// pictures. A frame is what the display callback does: clear, identity,
// the scene, the swap, then glFinish so the time covers the drawing.
// Run under a display, e.g. DISPLAY=:NN LIBGL_ALWAYS_SOFTWARE=1.
#include "image/image.h"
#include "scenes/scenes.h"
#include "shell/shell.h"
#include "tools/writers/tga_writer.h"

#include <GL/glut.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

static void openWindow(int* argc, char** argv) {
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(1024, 768);
    glutCreateWindow("picture_scenes_fps");
    glClearColor(1, 1, 1, 0.5);
    setGlobalGlState();
    glViewport(0, 0, 1024, 768);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-2, 2, -2, 2, 5, 100);
}

// A 512x512 picture with detail everywhere, so texturing does real work.
static std::vector<uint8_t> picture(int seed) {
    const int size = 512;
    std::vector<uint8_t> rgba(size_t(size) * size * 4);
    for (int y = 0; y < size; y++) {
        for (int x = 0; x < size; x++) {
            uint8_t* p = &rgba[(size_t(y) * size + x) * 4];
            p[0] = uint8_t(x + seed * 40);
            p[1] = uint8_t(y * 2 + seed * 70);
            p[2] = uint8_t(128 + 127 * std::sin((x ^ y) * 0.05 + seed));
            p[3] = 255;
        }
    }
    return rgba;
}

static bool loadPictures() {
    fs::path dir = fs::temp_directory_path() / "picture_scenes_fps";
    fs::create_directories(dir);
    const char* names[] = {"titulo3.tga", "tia.tga", "palmera.tga", "uf.tga"};
    for (int i = 0; i < 4; i++) {
        std::vector<uint8_t> rgba = picture(i);
        if (!writeFile((dir / names[i]).string(), encodeTga(512, 512, rgba.data())))
            return false;
    }
    fs::path previous = fs::current_path();
    fs::current_path(dir);
    bool ok = loadTgaTextures();
    fs::current_path(previous);
    fs::remove_all(dir);
    return ok;
}

// The frame without a scene: the clear and the swap every scene pays for.
static void emptyScene(int32_t, int32_t, int32_t) {}

struct Result {
    double medianMs, meanMs, submitMs; // submitMs: until the scene call returns
};

static double median(std::vector<double> times) {
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

static Result measure(void (*scene)(int32_t, int32_t, int32_t), int32_t order, int frames) {
    std::vector<double> times, submits;
    for (int i = 0; i < frames + 30; i++) {
        auto start = std::chrono::steady_clock::now();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        scene(0, order, phaseThousandths);
        auto submitted = std::chrono::steady_clock::now();
        glutSwapBuffers();
        glFinish();
        std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        std::chrono::duration<double, std::milli> submit = submitted - start;
        if (i >= 30) { // the first frames warm caches and the driver up
            times.push_back(took.count());
            submits.push_back(submit.count());
        }
    }
    double mean = 0;
    for (double t : times)
        mean += t;
    mean /= double(times.size());
    return {median(times), mean, median(submits)};
}

int main(int argc, char** argv) {
    int frames = 400;
    if (argc > 1)
        frames = std::max(300, std::atoi(argv[1]));
    openWindow(&argc, argv);
    if (!loadPictures()) {
        std::fprintf(stderr, "the pictures did not load\n");
        return 1;
    }
    fillGridPoints();
    std::printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    struct Entry {
        const char* name;
        void (*scene)(int32_t, int32_t, int32_t);
        int32_t order;
    };
    const Entry entries[] = {{"empty", emptyScene, 0},
                             {"Scene2", Scene2, 3},
                             {"Scene4", Scene4, 11},
                             {"Scene5", Scene5, 15},
                             {"Scene6", Scene6, 17}};
    for (const Entry& entry : entries) {
        Result r = measure(entry.scene, entry.order, frames);
        std::printf("%-7s %d frames: median %.2f ms (%.1f fps), mean %.2f ms (%.1f fps), "
                    "median submit %.2f ms\n",
                    entry.name, frames, r.medianMs, 1000.0 / r.medianMs, r.meanMs,
                    1000.0 / r.meanMs, r.submitMs);
    }
    return 0;
}
