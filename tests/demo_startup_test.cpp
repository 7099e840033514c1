// The real demo binary on a display of its own, in a folder of its own.
#include "tests/private_display.h"
#include "tests/test_songs.h"
#include "tools/writers/chunk_writer.h"
#include "tools/writers/tga_writer.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class DemoRun : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/demo_run_XXXXXX";
        dir = mkdtemp(pattern);
        ASSERT_TRUE(display.start());
        // Empty but readable models: a missing one would hold start-up in its
        // message box.
        for (const char* model : {"presents.3ds", "logo.3ds", "txiringo.3DS"})
            ASSERT_TRUE(writeFile((dir / model).string(), encode3ds(Scene3ds{})));
    }
    void TearDown() override { fs::remove_all(dir); }

    void writePicture(const char* name) {
        std::vector<uint8_t> rgba;
        for (int i = 0; i < 16 * 16; i++)
            rgba.insert(rgba.end(), {200, 40, 40, 255});
        ASSERT_TRUE(writeFile((dir / name).string(), encodeTga(16, 16, rgba.data())));
    }
    void writeSong(const ItModule& module) {
        ASSERT_TRUE(writeFile((dir / "Prueba.IT").string(), encodeIt(module)));
    }
    // Starts the demo, runs `whileRunning` (shell commands) after it, then
    // waits for the demo and prints its exit status last.
    ProcessResult run(const std::string& whileRunning, double timeout) {
        std::string command = "export DISPLAY=" + display.name() + "; cd '" + dir.string() +
                              "' && SDL_AUDIODRIVER=dummy '" + DEMO_BINARY + "' & demo=$!; " +
                              whileRunning + "; wait $demo; echo \"exit=$?\"";
        return runCommand(command, timeout);
    }
    fs::path dir;
    PrivateDisplay display;
};

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

TEST_F(DemoRun, WithoutAnyPictureItEndsRightAfterOpeningItsWindow) {
    ProcessResult result = run("true", 60);
    EXPECT_EQ(result.out, "exit=0\n") << result.err; // no reshape, no texture lines
    // The missing song is reported once, naming the file.
    EXPECT_NE(result.err.find("Prueba.IT"), std::string::npos) << result.err;
}

TEST_F(DemoRun, LogsTheWindowSizeAndKeysAndQuitsAtOnceOnEsc) {
    writePicture("tia.tga");
    writeSong(makeTestSong(24, 6, 125)); // about 37 s: Esc comes long before the end
    auto start = std::chrono::steady_clock::now();
    ProcessResult result =
        run("sleep 3; xdotool mousemove 512 384 key --delay 100 v Q space; sleep 1; "
            "xdotool key Escape",
            60);
    EXPECT_LT(secondsSince(start), 20);
    EXPECT_EQ(result.out, "Window Changed to (x,y): 1024, 768\n"
                          "Keypress Occured: v\n"
                          "Keypress Occured: Q\n"
                          "Keypress Occured:  \n"
                          "exit=0\n")
        << result.err;
}

TEST_F(DemoRun, EndsByItselfWithStatusZeroAtOrder23) {
    writePicture("uf.tga");
    // 32 rows of 10 ms: order 23 begins after 7.36 s.
    writeSong(makeTestSong(26, 1, 250));
    auto start = std::chrono::steady_clock::now();
    ProcessResult result = run("true", 60);
    double took = secondsSince(start);
    EXPECT_EQ(result.out, "Window Changed to (x,y): 1024, 768\nexit=0\n") << result.err;
    EXPECT_GT(took, 7.0);
    EXPECT_LT(took, 30.0);
}
