// The real demo on the two sound servers of Linux desktops, each started by
// the test: a PulseAudio daemon, and a PipeWire session with its session
// manager and PulseAudio service. Their null sink is stopped, missing or
// gone, or the server restarts, while the show plays.
#include "tests/child_process.h"
#include "tests/demo_assets.h"
#include "tests/demo_scenes.h"
#include "tests/private_display.h"
#include "tests/private_sound_server.h"
#include "tests/test_pictures.h"
#include "tests/test_songs.h"
#include "tools/writers/tga_writer.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

// For the tests' names and messages.
static void PrintTo(SoundServer server, std::ostream* out) {
    *out << (server == SoundServer::pulseAudio ? "PulseAudio" : "PipeWire");
}

namespace {

using Clock = std::chrono::steady_clock;

double secondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

double secondsSince(Clock::time_point start) {
    return secondsBetween(start, Clock::now());
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
double soundingSeconds(const std::vector<int16_t>& stereo) {
    long sounding = 0;
    for (size_t i = 0; i < stereo.size(); i += 2)
        sounding += std::abs(stereo[i]) > 100;
    return double(sounding) / 44100;
}

// The sink's recording, taken on a thread of its own while the test goes on.
class Recorder {
  public:
    ~Recorder() { wait(); }
    void start(const PrivateSoundServer& server, double seconds) {
        reader = std::thread([this, &server, seconds] { recording = server.record(seconds); });
    }
    void wait() {
        if (reader.joinable())
            reader.join();
    }
    SinkRecording recording;

  private:
    std::thread reader;
};

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
    bool startDemo(ChildProcess& demo, const PrivateSoundServer& server, int order,
                   const std::vector<std::string>& more = {}) {
        std::vector<std::string> environment = server.environment();
        environment.push_back("DISPLAY=" + display.name());
        environment.insert(environment.end(), more.begin(), more.end());
        return demo.start({DEMO_BINARY, "--from", std::to_string(order)}, dir, environment) &&
               demo.waitForOutput("Window Changed to (x,y): ", 60);
    }

    std::string dir;
    PrivateDisplay display;
};

TEST_F(DesktopSound, ASuspendedSinkAndThenAVanishedServerNeverHoldTheShowUp) {
    PrivateSoundServer pulse;
    ASSERT_TRUE(pulse.start());
    ChildProcess demo;
    // Orders 12 to 22: 11 s of song.
    ASSERT_TRUE(startDemo(demo, pulse, 12)) << demo.err();
    const auto begin = Clock::now();
    // Under way first: a null sink can take a first buffer and then nothing
    // for two seconds.
    sleepSeconds(3);
    ASSERT_TRUE(pulse.control("suspend-sink demo 1"));
    sleepSeconds(3);
    ASSERT_TRUE(pulse.control("suspend-sink demo 0"));
    // What the sink plays now; a recorder started before the suspension may
    // get nothing from the monitor after it.
    Recorder recorder;
    recorder.start(pulse, 2);
    recorder.wait();
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
    EXPECT_GT(soundingSeconds(recorder.recording.stereo), 1.0);
}

TEST_F(DesktopSound, AServerWithoutASinkPlaysTheShowSilentlyAfterOneLine) {
    PrivateSoundServer pulse;
    ASSERT_TRUE(pulse.start(false));
    ChildProcess demo;
    // Orders 17 to 22: 6 s of song.
    ASSERT_TRUE(startDemo(demo, pulse, 17)) << demo.err();
    const auto begin = Clock::now();
    ASSERT_TRUE(demo.waitForExit(30)) << "still running after the song";
    EXPECT_EQ(demo.exitCode(), 0) << demo.err();
    EXPECT_GT(secondsSince(begin), 5.5);
    EXPECT_LT(secondsSince(begin), 7.5);
    EXPECT_EQ(linesWith(demo.err(), "music:"), 1) << demo.err();
    EXPECT_EQ(linesWith(demo.err(), "music: no sound device ("), 1) << demo.err();
}

// A sink that stops taking sound and never takes it again (PulseAudio's
// suspended, PipeWire's paused, as when the monitor with the speakers goes
// to sleep): SDL's audio thread then waits for it for ever, and nothing
// may wait for that thread.
class StoppedSink : public DesktopSound, public testing::WithParamInterface<SoundServer> {};

TEST_P(StoppedSink, NeitherTheSongsEndNorSigtermNorEscWaitsForIt) {
    PrivateSoundServer server(GetParam());
    ASSERT_TRUE(server.start()) << server.log();
    {
        ChildProcess demo;
        // Orders 15 to 22: 8 s of song, the sink stopped after 3 s.
        ASSERT_TRUE(startDemo(demo, server, 15)) << demo.err();
        const auto begin = Clock::now();
        sleepSeconds(3);
        EXPECT_EQ(linesWith(demo.err(), "music:"), 0) << "said without a fault: " << demo.err();
        ASSERT_TRUE(server.stopSink());
        ASSERT_TRUE(demo.waitForExit(30)) << "still running after the song";
        EXPECT_EQ(demo.exitCode(), 0) << demo.err();
        EXPECT_GT(secondsSince(begin), 7.5);
        EXPECT_LT(secondsSince(begin), 10) << "the end waited for the device";
        EXPECT_EQ(linesWith(demo.err(), "music: the sound device stopped taking sound"), 1)
            << demo.err();
        EXPECT_EQ(linesWith(demo.err(), "music:"), 1) << demo.err();
    }
    for (const std::string way : {"SIGTERM", "Escape"}) {
        SCOPED_TRACE(way);
        ASSERT_TRUE(server.startSink());
        ChildProcess demo;
        // Orders 12 to 22: 11 s of song.
        ASSERT_TRUE(startDemo(demo, server, 12)) << demo.err();
        sleepSeconds(1.5);
        ASSERT_TRUE(server.stopSink());
        sleepSeconds(1);
        const auto asked = Clock::now();
        if (way == "SIGTERM")
            ASSERT_TRUE(demo.sendSignal(SIGTERM));
        else
            ASSERT_TRUE(display.sendKeys("Escape"));
        ASSERT_TRUE(demo.waitForExit(10)) << "still running";
        EXPECT_LT(secondsSince(asked), 1.0);
        if (way == "SIGTERM")
            EXPECT_EQ(demo.endingSignal(), SIGTERM) << demo.err();
        else
            EXPECT_EQ(demo.exitCode(), 0) << demo.err();
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, StoppedSink,
                         testing::Values(SoundServer::pulseAudio, SoundServer::pipeWire),
                         [](const testing::TestParamInfo<SoundServer>& info) {
                             return info.param == SoundServer::pulseAudio ? "PulseAudio"
                                                                          : "PipeWire";
                         });

// PipeWire killed and started again mid-song, as when it crashes or is
// updated, with SDL's own choice of driver (its PulseAudio driver, through
// pipewire-pulse) and with its PipeWire driver.
class RestartedServer : public DesktopSound, public testing::WithParamInterface<std::string> {};

TEST_P(RestartedServer, TheMusicComesBackWithinTwoSecondsWhereTheShowIs) {
    // Each order its own pitch, one second an order.
    ASSERT_TRUE(writeFile(dir + "/Prueba.IT", encodeIt(makeOrderToneSong(24, 3, 240))));
    SceneReferences references;
    ASSERT_TRUE(references.load(dir));
    PrivateSoundServer server(SoundServer::pipeWire);
    ASSERT_TRUE(server.start()) << server.log();
    ChildProcess demo;
    std::vector<std::string> driver;
    if (!GetParam().empty())
        driver.push_back("SDL_AUDIODRIVER=" + GetParam());
    // Orders 10 to 22: 13 s of song.
    ASSERT_TRUE(startDemo(demo, server, 10, driver)) << demo.err();
    const auto songStart = Clock::now();
    sleepSeconds(2);
    server.kill();
    sleepSeconds(2);
    ASSERT_TRUE(server.start()) << server.log();
    const auto back = Clock::now();
    Recorder recorder;
    recorder.start(server, 7);
    // The show turns from Scene5 to Scene6 at order 17, 7 s into the song:
    // between the start of the last capture that shows Scene5 and the end
    // of the first that shows Scene6.
    Clock::time_point scene5Shown, scene6Shown;
    bool scene6 = false;
    while (!scene6 && demo.running() && secondsSince(songStart) < 12) {
        const auto before = Clock::now();
        Screenshot shot;
        if (!display.capture(shot))
            continue;
        const DemoScene scene = classifyScene(shot, references);
        if (scene == DemoScene::scene5)
            scene5Shown = before;
        scene6 = scene == DemoScene::scene6;
        if (scene6)
            scene6Shown = Clock::now();
    }
    recorder.wait();
    ASSERT_TRUE(demo.waitForExit(30)) << "still running after the song";
    EXPECT_EQ(demo.exitCode(), 0) << demo.err();
    // The server's going is said; a stall while the new server sets its
    // sink up may be said too.
    const int said = linesWith(demo.err(), "music: the sound device went away") +
                     linesWith(demo.err(), "music: the sound device stopped taking sound");
    EXPECT_GE(said, 1) << demo.err();
    EXPECT_EQ(linesWith(demo.err(), "music:"), said) << demo.err();
    ASSERT_TRUE(scene6) << "the show never reached Scene6";

    const std::vector<int16_t>& heard = recorder.recording.stereo;
    const size_t frames = heard.size() / 2;
    size_t first = 0;
    while (first < frames && std::abs(heard[2 * first]) <= 100)
        first++;
    ASSERT_LT(first, frames) << "no music after the restart";
    EXPECT_LT(secondsBetween(back, recorder.recording.firstFrame) + double(first) / 44100, 2.0)
        << "seconds from the return to music";
    // Order 17 is heard when the show turns to it; where the music was when
    // the server went, it would come two seconds late. Heard in three
    // windows in a row, so a click is not taken for the note. Within a
    // second: on a busy machine the server holds more sound after each
    // underrun, a delay SDL does not tell.
    const size_t window = 2048, step = 441;
    double turned = -1;
    for (size_t at = first, inARow = 0; at + window <= frames && turned < 0; at += step) {
        inARow = heardOrder(&heard[2 * at], window) >= 17 ? inARow + 1 : 0;
        if (inARow == 3)
            turned = secondsBetween(songStart, recorder.recording.firstFrame) +
                     double(at - 2 * step + window / 2) / 44100;
    }
    ASSERT_GE(turned, 0) << "order 17 never heard";
    EXPECT_GT(turned, secondsBetween(songStart, scene5Shown) - 1);
    EXPECT_LT(turned, secondsBetween(songStart, scene6Shown) + 1);
}

INSTANTIATE_TEST_SUITE_P(Drivers, RestartedServer, testing::Values("", "pipewire"),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return info.param.empty() ? std::string("SdlsChoice")
                                                       : std::string("PipeWireDriver");
                         });

} // namespace
