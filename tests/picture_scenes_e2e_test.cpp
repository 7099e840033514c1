// The real demo on a display of its own, with the four test pictures, three
// small models and a short song whose orders last about a second: the wave,
// the cubes and the two pictures must follow each other, and the demo must
// end by itself with exit code 0 at order 23.
#include "tests/private_display.h"
#include "tests/test_pictures.h"
#include "tests/test_songs.h"
#include "tools/writers/it_writer.h"
#include "tools/writers/tga_writer.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

enum class Shown { other, wave, cubes, palmera, uf };

static bool nearAt(const Screenshot& shot, int x, int y, Rgb colour) {
    const uint8_t* p = shot.at(x, y);
    return near({p[0], p[1], p[2]}, colour);
}

// The picture whose quadrant colours cover most of the screen.
static Shown classify(const Screenshot& shot) {
    const PicturePalette* palettes[] = {&titulo3Palette, &tiaPalette, &palmeraPalette, &ufPalette};
    int counts[4] = {0, 0, 0, 0};
    for (int y = 0; y < shot.height; y += 4) {
        for (int x = 0; x < shot.width; x += 4) {
            for (int k = 0; k < 4; k++) {
                const PicturePalette& p = *palettes[k];
                for (Rgb c : {p.bottomLeft, p.bottomRight, p.topLeft, p.topRight})
                    counts[k] += nearAt(shot, x, y, c);
            }
        }
    }
    int samples = (shot.width / 4) * (shot.height / 4);
    for (int k = 0; k < 4; k++)
        if (counts[k] > samples * 3 / 5)
            return Shown(k + 1);
    return Shown::other;
}

static int countWhite(const Screenshot& shot) {
    int count = 0;
    for (size_t i = 0; i + 2 < shot.rgb.size(); i += 3)
        count += shot.rgb[i] > 240 && shot.rgb[i + 1] > 240 && shot.rgb[i + 2] > 240;
    return count;
}

// Screenshot rows run top first.
static void expectUpright(const Screenshot& shot, const PicturePalette& palette) {
    EXPECT_TRUE(nearAt(shot, 64, shot.height - 64, palette.bottomLeft));
    EXPECT_TRUE(nearAt(shot, shot.width - 64, shot.height - 64, palette.bottomRight));
    EXPECT_TRUE(nearAt(shot, 64, 64, palette.topLeft));
    EXPECT_TRUE(nearAt(shot, shot.width - 64, 64, palette.topRight));
}

TEST(PictureScenesEndToEnd, DemoShowsWaveCubesAndBothPicturesThenEndsAtOrder23) {
    std::string dir = makeTempDir("picture_scenes_e2e_");
    ASSERT_FALSE(dir.empty());
    ASSERT_TRUE(writePictures(dir));
    ASSERT_TRUE(writePlainModels(dir));
    // 24 orders of 32 rows; a row lasts 3 * 2.5 / 240 s, an order 1 s.
    ASSERT_TRUE(writeFile(dir + "/Prueba.IT", encodeIt(makeTestSong(24, 3, 240))));

    // Screenshots of the shared test display would pick up the windows of
    // tests running beside this one.
    PrivateDisplay display;
    ASSERT_TRUE(display.start());

    ProcessResult demo;
    std::atomic<bool> finished{false};
    std::string command = "cd '" + dir + "' && SDL_AUDIODRIVER=dummy DISPLAY=" + display.name() +
                          " exec '" DEMO_BINARY "'";
    std::thread runner([&] {
        demo = runCommand(command, 120);
        finished = true;
    });

    std::vector<Shown> sequence;
    Screenshot wave, cubes, palmera, uf;
    auto start = Clock::now();
    while (!finished && Clock::now() - start < std::chrono::seconds(120)) {
        Screenshot shot;
        if (display.capture(shot) && shot.width == 1024 && shot.height == 768) {
            Shown shown = classify(shot);
            if (sequence.empty() || sequence.back() != shown)
                sequence.push_back(shown);
            Screenshot* keep[] = {nullptr, &wave, &cubes, &palmera, &uf};
            if (keep[int(shown)])
                *keep[int(shown)] = shot;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    runner.join();
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    EXPECT_EQ(demo.exitCode, 0) << demo.err;
    // The song reaches order 23 after 23 one-second orders.
    EXPECT_GT(seconds, 20.0);

    // Each picture scene appears, in the order of the timeline.
    std::vector<Shown> scenes;
    for (Shown s : sequence)
        if (s != Shown::other)
            scenes.push_back(s);
    const std::vector<Shown> expected = {Shown::wave, Shown::cubes, Shown::palmera, Shown::uf};
    EXPECT_EQ(scenes, expected);

    // Kept for a look when something fails.
    fs::path shots = fs::path(DEMO_BUILD_DIR) / "picture_scenes_e2e";
    fs::create_directories(shots);
    const std::pair<const char*, Screenshot*> named[] = {
        {"wave.ppm", &wave}, {"cubes.ppm", &cubes}, {"palmera.ppm", &palmera}, {"uf.ppm", &uf}};
    for (auto [name, shot] : named)
        if (shot->width)
            savePpm(*shot, (shots / name).string());

    if (wave.width) {
        SCOPED_TRACE("wave");
        EXPECT_EQ(countWhite(wave), 0);
        expectUpright(wave, titulo3Palette);
    }
    if (cubes.width) {
        SCOPED_TRACE("cubes");
        EXPECT_EQ(countWhite(cubes), 0);
        // The wire cube's lines, in tia's band colour, stand right of centre only.
        int left = 0, right = 0;
        for (int y = 0; y < cubes.height; y++)
            for (int x = 0; x < cubes.width; x++)
                (x < cubes.width / 2 ? left : right) += nearAt(cubes, x, y, tiaPalette.band);
        EXPECT_EQ(left, 0);
        EXPECT_GT(right, 500);
    }
    if (palmera.width) {
        SCOPED_TRACE("palmera");
        EXPECT_EQ(countWhite(palmera), 0);
        expectUpright(palmera, palmeraPalette);
    }
    if (uf.width) {
        SCOPED_TRACE("uf");
        EXPECT_EQ(countWhite(uf), 0);
        expectUpright(uf, ufPalette);
        // Scene6 stands farther back and shows the picture's border band.
        EXPECT_TRUE(nearAt(uf, 5, uf.height / 2, ufPalette.band));
        EXPECT_TRUE(nearAt(uf, uf.width - 6, uf.height / 2, ufPalette.band));
    }
    fs::remove_all(dir);
}
