// The demo's options and its picture on screens that are not 4:3, each run
// of the real binary on an Xvfb of its own.
#include "tests/child_process.h"
#include "tests/demo_assets.h"
#include "tests/demo_scenes.h"
#include "tests/private_display.h"
#include "tests/test_pictures.h"
#include "tests/test_songs.h"
#include "tools/writers/tga_writer.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class DemoScreens : public testing::Test {
  protected:
    void SetUp() override {
        std::string assets =
            generatedAssets(DEMO_BUILD_DIR "/tools/assetgen", DEMO_BUILD_DIR "/demo_e2e_assets");
        ASSERT_FALSE(assets.empty()) << "assetgen failed";
        dir = makeTempDir("demo_screens_");
        ASSERT_FALSE(dir.empty());
        ASSERT_TRUE(copyFiles(assets, dir));
        ASSERT_TRUE(references.load(dir));
        // 24 orders of 32 rows; a row lasts 3 * 2.5 / 240 s, an order 1 s.
        ASSERT_TRUE(writeFile(dir + "/Prueba.IT", encodeIt(makeTestSong(24, 3, 240))));
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Screenshots until one shows `scene` in the rectangle; false when the
    // demo ended or 20 s passed first.
    bool waitForScene(const PrivateDisplay& display, ChildProcess& demo, DemoScene scene, int x0,
                      int y0, int width, int height, Screenshot& shot) {
        auto begin = Clock::now();
        while (demo.running() && secondsSince(begin) < 20) {
            if (display.capture(shot) && shot.width >= x0 + width &&
                classifyScene(scaledTo1024(shot, x0, y0, width, height), references) == scene)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
        return false;
    }

    std::string dir;
    SceneReferences references;
};

TEST(DemoOptions, HelpVersionAndBadOptionsNeedNoDisplay) {
    ProcessResult help = runCommand("env -u DISPLAY " DEMO_BINARY " --help", 10);
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"--window", "--from ORDER", "--mute", "--uncapped", "--version"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    ProcessResult version = runCommand("env -u DISPLAY " DEMO_BINARY " --version", 10);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_NE(version.out.find("Marea de Neon "), std::string::npos);
    for (const char* bad : {"--windowed", "--from", "--from 23", "--from=-1", "--from x", "-x",
                            "extra", "-display"}) {
        ProcessResult result = runCommand(std::string("env -u DISPLAY " DEMO_BINARY " ") + bad, 10);
        EXPECT_EQ(result.exitCode, 2) << bad;
        EXPECT_EQ(result.out, "") << bad;
        EXPECT_NE(result.err.find("Usage: "), std::string::npos) << bad;
    }
}

TEST_F(DemoScreens, FromOrder17PlaysTheRemainingOrdersAndEndsByItself) {
    PrivateDisplay display;
    ASSERT_TRUE(display.start());
    ChildProcess demo;
    auto begin = Clock::now();
    ASSERT_TRUE(
        demo.start({DEMO_BINARY, "--from", "17", "--mute"}, dir, {"DISPLAY=" + display.name()}));
    Screenshot shot;
    EXPECT_TRUE(waitForScene(display, demo, DemoScene::scene6, 0, 0, 1024, 768, shot));
    ASSERT_TRUE(demo.waitForExit(30)) << "still running after the song";
    EXPECT_EQ(demo.exitCode(), 0) << demo.err();
    // Orders 17 to 22 take 6 s.
    EXPECT_GT(secondsSince(begin), 5.5);
    EXPECT_EQ(demo.err().find("music:"), std::string::npos) << demo.err();
}

// On Xvfb freeglut's full-screen window stands at (1, 1) and a window,
// without a window manager, at (-1, -1): a pixel of slack is left at every
// edge.
TEST_F(DemoScreens, A16By9ScreenShowsTheCentred4By3PictureAndAWindowShowsNoBand) {
    PrivateDisplay display;
    ASSERT_TRUE(display.start(1920, 1080));
    {
        ChildProcess demo;
        ASSERT_TRUE(demo.start({DEMO_BINARY, "--from", "15", "--mute"}, dir,
                               {"DISPLAY=" + display.name()}));
        Screenshot shot;
        ASSERT_TRUE(waitForScene(display, demo, DemoScene::scene5, 240, 0, 1440, 1080, shot));
        EXPECT_EQ(blackColumns(shot, 0, 240), 240);
        EXPECT_EQ(blackColumns(shot, 1682, 1920), 1920 - 1682);
        // The picture reaches both bands, the top and the bottom.
        EXPECT_EQ(blackColumns(shot, 242, 1680), 0);
        EXPECT_EQ(blackRows(shot, 242, 1680, 2, 1080), 0);
        EXPECT_NE(demo.out().find("Window Changed to (x,y): 1920, 1080\n"), std::string::npos);
        EXPECT_TRUE(display.sendKeys("Escape") && demo.waitForExit(10));
    }
    ChildProcess demo;
    ASSERT_TRUE(demo.start({DEMO_BINARY, "--window", "--from", "15", "--mute"}, dir,
                           {"DISPLAY=" + display.name()}));
    Screenshot shot;
    ASSERT_TRUE(waitForScene(display, demo, DemoScene::scene5, 0, 0, 1024, 768, shot));
    EXPECT_NE(demo.out().find("Window Changed to (x,y): 1024, 768\n"), std::string::npos);
    EXPECT_EQ(demo.out().find("1920"), std::string::npos) << demo.out();
    EXPECT_EQ(blackColumns(shot, 2, 1022), 0);
    EXPECT_EQ(blackRows(shot, 2, 1022, 2, 766), 0);
    // Beyond the window the screen keeps its own background.
    EXPECT_EQ(blackColumns(shot, 1030, 1920), 1920 - 1030);
    demo.kill();
}

} // namespace
