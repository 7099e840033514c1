// The real demo on a real sound server: a PulseAudio daemon of the test's
// own, whose null sink is suspended, missing or killed while the show plays.
#include "tests/child_process.h"
#include "tests/demo_assets.h"
#include "tests/private_display.h"
#include "tests/private_pulse.h"
#include "tests/test_pictures.h"
#include "tests/test_songs.h"
#include "tools/writers/tga_writer.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void sleepSeconds(double seconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(int(seconds * 1000)));
}

int linesWith(const std::string& text, const std::string& words) {
    int count = 0;
    for (size_t at = text.find(words); at != std::string::npos; at = text.find(words, at + 1))
        count++;
    return count;
}

// Seconds of a 44100 Hz stereo recording in which the music sounds.
double soundingSeconds(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    long sounding = 0;
    for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        const int16_t left = int16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8);
        sounding += std::abs(left) > 100;
    }
    return double(sounding) / 44100;
}

class DesktopSound : public testing::Test {
  protected:
    void SetUp() override {
        std::string assets =
            generatedAssets(DEMO_BUILD_DIR "/tools/assetgen", DEMO_BUILD_DIR "/demo_e2e_assets");
        ASSERT_FALSE(assets.empty()) << "assetgen failed";
        dir = makeTempDir("desktop_sound_");
        ASSERT_FALSE(dir.empty());
        ASSERT_TRUE(copyFiles(assets, dir));
        // 24 orders of 32 rows, 1 s an order.
        ASSERT_TRUE(writeFile(dir + "/Prueba.IT", encodeIt(makeTestSong(24, 3, 240))));
        ASSERT_TRUE(display.start());
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // The demo from `order` on; true once its show (and the song) has begun.
    bool startDemo(int order) {
        std::vector<std::string> environment = pulse.environment();
        environment.push_back("DISPLAY=" + display.name());
        return demo.start({DEMO_BINARY, "--from", std::to_string(order)}, dir, environment) &&
               demo.waitForOutput("Window Changed to (x,y): ", 60);
    }

    std::string dir;
    PrivateDisplay display;
    PrivatePulse pulse;
    ChildProcess demo;
};

TEST_F(DesktopSound, ASuspendedSinkAndThenAVanishedServerNeverHoldTheShowUp) {
    ASSERT_TRUE(pulse.start());
    // Orders 12 to 22: 11 s of song.
    ASSERT_TRUE(startDemo(12)) << demo.err();
    const auto begin = Clock::now();
    sleepSeconds(2);
    ASSERT_TRUE(pulse.control("suspend-sink demo 1"));
    sleepSeconds(3);
    ASSERT_TRUE(pulse.control("suspend-sink demo 0"));
    // What the sink plays now; a recorder started before the suspension may
    // get nothing from the monitor after it.
    const std::string recording = dir + "/heard.raw";
    ChildProcess recorder;
    ASSERT_TRUE(recorder.start({"parec", "-d", "demo.monitor", "--raw", "--latency-msec=20",
                                "--rate=44100", "--channels=2", "--format=s16le", recording},
                               "", pulse.environment()));
    sleepSeconds(2);
    // parec writes what it holds only when it ends in order.
    recorder.sendSignal(SIGTERM);
    EXPECT_TRUE(recorder.waitForExit(10));
    pulse.kill();
    ASSERT_TRUE(demo.waitForExit(30)) << "still running after the song";
    EXPECT_EQ(demo.exitCode(), 0) << demo.err();
    // Held up by the suspended sink, it would have taken 3 s longer.
    EXPECT_LT(secondsSince(begin), 12.5);
    EXPECT_GT(secondsSince(begin), 10.5);
    EXPECT_EQ(linesWith(demo.err(), "music: the sound device stopped taking sound"), 1)
        << demo.err();
    EXPECT_EQ(linesWith(demo.err(), "music: the sound device went away"), 1) << demo.err();
    EXPECT_EQ(linesWith(demo.err(), "music:"), 2) << demo.err();
    // The music is back after the suspension.
    EXPECT_GT(soundingSeconds(recording), 1.0);
}

TEST_F(DesktopSound, AServerWithoutASinkPlaysTheShowSilentlyAfterOneLine) {
    ASSERT_TRUE(pulse.start(false));
    // Orders 17 to 22: 6 s of song.
    ASSERT_TRUE(startDemo(17)) << demo.err();
    const auto begin = Clock::now();
    ASSERT_TRUE(demo.waitForExit(30)) << "still running after the song";
    EXPECT_EQ(demo.exitCode(), 0) << demo.err();
    EXPECT_GT(secondsSince(begin), 5.5);
    EXPECT_LT(secondsSince(begin), 7.5);
    EXPECT_EQ(linesWith(demo.err(), "music:"), 1) << demo.err();
    EXPECT_EQ(linesWith(demo.err(), "music: no sound device ("), 1) << demo.err();
}

} // namespace
