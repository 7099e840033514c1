// The whole demo as built, on the generator's files, each run on an Xvfb of
// its own: screenshots told apart by scene, keys sent with xdotool, and what
// it prints and how it ends, with every asset file in place, missing or
// broken in turn.
#include "tests/demo_assets.h"
#include "tests/demo_scenes.h"
#include "tests/private_display.h"
#include "tests/test_pictures.h"
#include "tests/test_songs.h"
#include "tools/writers/it_writer.h"
#include "tools/writers/tga_writer.h"

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// The generated models and the texture files their materials name, in the
// order start-up loads them.
struct ModelFile {
    const char* name;
    std::vector<const char*> textures;
};
const ModelFile modelFiles[] = {
    {"presents.3ds", {}},
    {"logo.3ds", {"logo.JPG", "ola.bmp"}},
    {"txiringo.3DS", {"sand.jpg", "wood.bmp", "thatch.BMP", "sign.bmp"}},
};

const std::string windowLine = "Window Changed to (x,y): 1024, 768\n";

// The texture lines of start-up: every model but `brokenModel`, every
// texture "Done." but `texture`, which ends with `status`. With an empty
// status the output stops right after that texture's "...".
std::string loadingLines(const std::string& brokenModel = "", const std::string& texture = "",
                         const std::string& status = "") {
    std::string lines;
    for (const ModelFile& model : modelFiles) {
        if (model.name == brokenModel)
            continue;
        for (const char* name : model.textures) {
            lines += std::string("Loading Texture: ") + name + "...";
            if (name != texture) {
                lines += "Done.\n";
            } else if (status.empty()) {
                return lines;
            } else {
                lines += status + "\n";
            }
        }
    }
    return lines;
}

// What the demo wrote to standard error, without the notices freeglut and
// Mesa give about the virtual display (it cannot switch video modes).
std::string demoErrors(const std::string& err) {
    std::istringstream in(err);
    std::string line, kept;
    while (std::getline(in, line))
        if (line.rfind("freeglut ", 0) != 0 && line.rfind("libGL ", 0) != 0 &&
            line.rfind("MESA", 0) != 0)
            kept += line + "\n";
    return kept;
}

// A file name as part of a test name.
std::string testName(std::string name) {
    for (char& c : name)
        if (!isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool near(const uint8_t* p, int r, int g, int b) {
    return std::abs(p[0] - r) < 8 && std::abs(p[1] - g) < 8 && std::abs(p[2] - b) < 8;
}

// A message box drawn in the window: the light body in the middle, a blue
// caption bar above it, dark text in it, and the dark backdrop around it.
bool showsMessageBox(const Screenshot& shot) {
    if (shot.width != 1024 || shot.height != 768)
        return false;
    int caption = 0, text = 0;
    for (int y = 300; y < 384; y++)
        caption += near(shot.at(512, y), 40, 80, 150);
    for (int y = 350; y < 400; y++)
        for (int x = 300; x < 724; x++)
            text += near(shot.at(x, y), 20, 20, 20);
    return near(shot.at(512, 400), 236, 236, 236) && near(shot.at(100, 100), 26, 26, 31) &&
           caption > 10 && text > 20;
}

// Scene1's models: the PRESENTS letters across the top, the emblem in the
// middle; both warm against the cyan tiles.
int presentsPixels(const Screenshot& shot) {
    return countWarm(shot, 0, 0, 1024, 200);
}
int emblemPixels(const Screenshot& shot) {
    return countWarm(shot, 240, 200, 800, 660);
}

class DemoE2E : public testing::Test {
  protected:
    void SetUp() override {
        std::string assets =
            generatedAssets(DEMO_BUILD_DIR "/tools/assetgen", DEMO_BUILD_DIR "/demo_e2e_assets");
        ASSERT_FALSE(assets.empty()) << "assetgen failed";
        dir = makeTempDir("demo_e2e_");
        ASSERT_FALSE(dir.empty());
        ASSERT_TRUE(copyFiles(assets, dir));
        ASSERT_TRUE(references.load(dir));
        ASSERT_TRUE(display.start());
    }
    void TearDown() override {
        demo.kill();
        fs::remove_all(dir);
    }

    void start() {
        ASSERT_TRUE(
            demo.start({DEMO_BINARY}, dir, {"DISPLAY=" + display.name(), "SDL_AUDIODRIVER=dummy"}));
    }

    // Screenshots until one shows `scene`; false when the demo ended or the
    // time ran out first.
    bool waitForScene(DemoScene scene, double seconds, Screenshot* shown = nullptr) {
        auto begin = Clock::now();
        while (demo.running() && secondsSince(begin) < seconds) {
            Screenshot shot;
            if (display.capture(shot) && shot.width == 1024 &&
                classifyScene(shot, references) == scene) {
                if (shown)
                    *shown = std::move(shot);
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
        return false;
    }

    bool waitForBox(double seconds, Screenshot& shot) {
        auto begin = Clock::now();
        while (demo.running() && secondsSince(begin) < seconds) {
            if (display.capture(shot) && showsMessageBox(shot))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    // Sends the key and waits for the end: the exit status, or -2 when the
    // demo still runs after `seconds`.
    int quitWith(const char* key, double seconds = 5) {
        if (!display.sendKeys(key))
            return -3;
        return demo.waitForExit(seconds) ? demo.exitCode() : -2;
    }

    // Kept under the build folder for a look, whether the test passes or not.
    void keep(const Screenshot& shot, const std::string& what) {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        std::string name =
            testName(std::string(info->test_suite_name()) + "." + info->name()) + "." + what;
        fs::path shots = fs::path(DEMO_BUILD_DIR) / "demo_e2e";
        fs::create_directories(shots);
        savePpm(shot, (shots / (name + ".ppm")).string());
    }

    std::string dir;
    SceneReferences references;
    PrivateDisplay display;
    ChildProcess demo;
};

} // namespace

TEST_F(DemoE2E, ShowsTheSixScenesInTimelineOrderThenEndsByItselfAtOrder23) {
    // 24 orders of 32 rows; a row lasts 3 * 2.5 / 240 s, an order 1 s.
    ASSERT_TRUE(writeFile(dir + "/Prueba.IT", encodeIt(makeTestSong(24, 3, 240))));
    auto begin = Clock::now();
    start();

    std::vector<DemoScene> seen;
    std::string log;
    Screenshot last[7];
    while (demo.running() && secondsSince(begin) < 90) {
        Screenshot shot;
        if (display.capture(shot) && shot.width == 1024) {
            SceneScores scores = scoreScene(shot, references);
            DemoScene scene = classifyScene(scores);
            if (scene != DemoScene::none) {
                if (seen.empty() || seen.back() != scene) {
                    seen.push_back(scene);
                    log += std::to_string(secondsSince(begin)) + " s: " + sceneName(scene) + ", " +
                           describe(scores) + "\n";
                }
                last[int(scene)] = std::move(shot);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }
    ASSERT_TRUE(demo.waitForExit(10));
    double seconds = secondsSince(begin);

    EXPECT_EQ(demo.exitCode(), 0);
    // Order 23 comes after 23 orders of a second each.
    EXPECT_GT(seconds, 22.5);
    EXPECT_LT(seconds, 60);
    const std::vector<DemoScene> timeline = {DemoScene::scene1, DemoScene::scene2,
                                             DemoScene::scene3, DemoScene::scene4,
                                             DemoScene::scene5, DemoScene::scene6};
    EXPECT_EQ(seen, timeline) << log;
    EXPECT_EQ(demo.out(), loadingLines() + windowLine);
    EXPECT_EQ(demoErrors(demo.err()), "");

    for (int i = 1; i <= 6; i++)
        if (last[i].width)
            keep(last[i], sceneName(DemoScene(i)));
    if (last[1].width) {
        EXPECT_GT(presentsPixels(last[1]), 10000);
        EXPECT_GT(emblemPixels(last[1]), 30000);
    }
    if (last[4].width) {
        // Right of centre the cubes hide the backdrop; left of it the
        // backdrop is all there is.
        BlockImage blocks = blockMeans(last[4]);
        EXPECT_GT(blockDifference(blocks, references.portrait, 50, 64, 12, 32), 20);
        EXPECT_LT(blockDifference(blocks, references.portrait, 0, 35, 0, 48), 15);
    }
}

TEST_F(DemoE2E, LogsKeysAfterTheLoadingLinesAndVTurnsTheModelsIntoLines) {
    start();
    Screenshot filled, outlined;
    ASSERT_TRUE(waitForScene(DemoScene::scene1, 30, &filled)) << demo.err();
    ASSERT_TRUE(display.sendKeys("v x"));
    ASSERT_TRUE(demo.waitForOutput("Keypress Occured: x\n", 10)) << demo.out();
    ASSERT_TRUE(waitForScene(DemoScene::scene1, 10, &outlined));
    keep(filled, "triangles");
    keep(outlined, "lines");
    // Line strips leave most of the emblem's surface to the tiles.
    EXPECT_LT(emblemPixels(outlined), emblemPixels(filled) / 2);
    EXPECT_EQ(quitWith("Escape"), 0);
    EXPECT_EQ(demo.out(),
              loadingLines() + windowLine + "Keypress Occured: v\nKeypress Occured: x\n");
    EXPECT_EQ(demoErrors(demo.err()), "");
}

class DemoQuitKey : public DemoE2E, public testing::WithParamInterface<const char*> {};

// The real song lasts minutes: the demo ends because of the key alone.
TEST_P(DemoQuitKey, EndsAtOnceWithStatusZeroInScene1) {
    start();
    Screenshot shot;
    ASSERT_TRUE(waitForScene(DemoScene::scene1, 30, &shot)) << demo.err();
    keep(shot, "scene1");
    EXPECT_GT(presentsPixels(shot), 10000);
    EXPECT_GT(emblemPixels(shot), 30000);
    auto pressed = Clock::now();
    EXPECT_EQ(quitWith(GetParam()), 0);
    EXPECT_LT(secondsSince(pressed), 3);
    // Neither quit key writes a line.
    EXPECT_EQ(demo.out(), loadingLines() + windowLine);
    EXPECT_EQ(demoErrors(demo.err()), "");
}

INSTANTIATE_TEST_SUITE_P(EscAndQ, DemoQuitKey, testing::Values("Escape", "q"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return testName(info.param);
                         });

struct BrokenModel {
    const char* file;
    bool corrupt; // else missing
};

class DemoBrokenModel : public DemoE2E, public testing::WithParamInterface<BrokenModel> {};

TEST_P(DemoBrokenModel, ShowsTheReadersBoxThenPlaysWithoutThatModel) {
    const BrokenModel broken = GetParam();
    std::string path = dir + "/" + broken.file;
    if (broken.corrupt)
        ASSERT_TRUE(writeFile(path, {'N', 'o', 't', ' ', 'a', ' ', 'm', 'o', 'd', 'e', 'l', '\n'}));
    else
        ASSERT_TRUE(fs::remove(path));
    std::string message = std::string("Error: ") +
                          (broken.corrupt ? "Unable to load PRIMARY chuck from file: "
                                          : "Unable to find the file: ") +
                          broken.file + "!\n";
    start();
    ASSERT_TRUE(demo.waitForOutput(message, 30, true)) << demo.err();
    Screenshot box;
    ASSERT_TRUE(waitForBox(10, box)) << demo.err();
    keep(box, "box");
    // The box holds start-up: the main loop has not begun.
    EXPECT_EQ(demo.out().find("Window"), std::string::npos);

    ASSERT_TRUE(display.sendKeys("Return"));
    Screenshot shot;
    ASSERT_TRUE(waitForScene(DemoScene::scene1, 30, &shot)) << demo.err();
    keep(shot, "scene1");
    bool presents = std::string(broken.file) != "presents.3ds";
    bool logo = std::string(broken.file) != "logo.3ds";
    if (presents) {
        EXPECT_GT(presentsPixels(shot), 10000);
    }
    if (logo) {
        EXPECT_GT(emblemPixels(shot), 30000);
    }
    if (!presents) {
        EXPECT_LT(presentsPixels(shot), 1000);
    }
    if (!logo) {
        EXPECT_LT(emblemPixels(shot), 3000);
    }
    EXPECT_EQ(quitWith("Escape"), 0);
    EXPECT_EQ(demo.out(), loadingLines(broken.file) + windowLine);
    EXPECT_EQ(demoErrors(demo.err()), message);
}

INSTANTIATE_TEST_SUITE_P(
    EachModel, DemoBrokenModel,
    testing::Values(BrokenModel{"presents.3ds", false}, BrokenModel{"presents.3ds", true},
                    BrokenModel{"logo.3ds", false}, BrokenModel{"logo.3ds", true},
                    BrokenModel{"txiringo.3DS", false}, BrokenModel{"txiringo.3DS", true}),
    [](const testing::TestParamInfo<BrokenModel>& info) {
        return testName(std::string(info.param.corrupt ? "corrupt_" : "missing_") +
                        info.param.file);
    });

class DemoTexture : public DemoE2E, public testing::WithParamInterface<const char*> {
  protected:
    bool isJpeg() const {
        std::string name = GetParam();
        return name.find(".jpg") != std::string::npos || name.find(".JPG") != std::string::npos;
    }
};

TEST_P(DemoTexture, MissingIsReportedAndTheDemoPlaysOn) {
    ASSERT_TRUE(fs::remove(dir + "/" + GetParam()));
    start();
    ASSERT_TRUE(waitForScene(DemoScene::scene1, 30)) << demo.out() << demo.err();
    EXPECT_EQ(quitWith("Escape"), 0);
    EXPECT_EQ(demo.out(),
              loadingLines("", GetParam(), "Failed!!! - File does not exist") + windowLine);
    EXPECT_EQ(demoErrors(demo.err()), "");
}

// A broken bitmap shows the reader's box and fails; a broken JPEG ends the
// whole demo through the JPEG library's error handling, with status 1.
TEST_P(DemoTexture, CorruptShowsTheBitmapBoxOrEndsTheDemoOnAJpeg) {
    ASSERT_TRUE(writeFile(dir + "/" + GetParam(),
                          {'T', 'h', 'i', 's', ' ', 'i', 's', ' ', 't', 'e', 'x', 't', '\n'}));
    start();
    if (isJpeg()) {
        ASSERT_TRUE(demo.waitForExit(30));
        EXPECT_EQ(demo.exitCode(), 1);
        EXPECT_EQ(demo.out(), loadingLines("", GetParam()));
        EXPECT_EQ(demoErrors(demo.err()), "Not a JPEG file: starts with 0x54 0x68\n");
        return;
    }
    const std::string message = "Error: Unknown DIB file format.\n";
    ASSERT_TRUE(demo.waitForOutput(message, 30, true)) << demo.err();
    Screenshot box;
    ASSERT_TRUE(waitForBox(10, box)) << demo.err();
    keep(box, "box");
    ASSERT_TRUE(display.sendKeys("Return"));
    ASSERT_TRUE(waitForScene(DemoScene::scene1, 30)) << demo.err();
    EXPECT_EQ(quitWith("Escape"), 0);
    EXPECT_EQ(demo.out(), loadingLines("", GetParam(), "Failed!!!") + windowLine);
    EXPECT_EQ(demoErrors(demo.err()), message);
}

INSTANTIATE_TEST_SUITE_P(EachTexture, DemoTexture,
                         testing::Values("logo.JPG", "ola.bmp", "sand.jpg", "wood.bmp",
                                         "thatch.BMP", "sign.bmp"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return testName(info.param);
                         });

// Without a song the order stays -1, which is Scene1's, until a quit key.
TEST_F(DemoE2E, WithoutItsSongItStaysInScene1UntilEsc) {
    ASSERT_TRUE(fs::remove(dir + "/Prueba.IT"));
    start();
    ASSERT_TRUE(waitForScene(DemoScene::scene1, 30)) << demo.err();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    Screenshot shot;
    ASSERT_TRUE(waitForScene(DemoScene::scene1, 5, &shot));
    keep(shot, "scene1");
    EXPECT_EQ(quitWith("Escape"), 0);
    EXPECT_EQ(demo.out(), loadingLines() + windowLine);
    // The music layer names the file it could not load.
    EXPECT_NE(demoErrors(demo.err()).find("Prueba.IT"), std::string::npos) << demo.err();
}
