#include "platform/music.h"
#include "tests/test_songs.h"
#include "tools/writers/it_writer.h"
#include "tools/writers/tga_writer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;

static std::string tempPath(const std::string& name) {
    return testing::TempDir() + "music_test_" + std::to_string(getpid()) + "_" + name;
}

static std::string writeSong(const ItModule& song, const std::string& name) {
    std::string path = tempPath(name);
    EXPECT_TRUE(writeFile(path, encodeIt(song)));
    return path;
}

// Everything the process writes to standard error while it lives.
struct StderrCapture {
    std::string path = tempPath("stderr");
    int saved;
    StderrCapture() {
        std::fflush(stderr);
        saved = dup(2);
        FILE* file = std::fopen(path.c_str(), "w");
        dup2(fileno(file), 2);
        std::fclose(file);
    }
    std::string text() {
        std::fflush(stderr);
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    ~StderrCapture() {
        std::fflush(stderr);
        dup2(saved, 2);
        close(saved);
        std::remove(path.c_str());
    }
};

static std::vector<std::string> linesWith(const std::string& text, const std::string& word) {
    std::vector<std::string> found;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (line.find(word) != std::string::npos)
            found.push_back(line);
        start = end + 1;
    }
    return found;
}

// Chooses the SDL driver for one test and closes the output after it.
struct AudioDriver {
    explicit AudioDriver(const char* driver, const std::string& file = "", int delayMs = -1) {
        setenv("SDL_AUDIODRIVER", driver, 1);
        if (!file.empty())
            setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
        if (delayMs >= 0)
            setenv("SDL_DISKAUDIODELAY", std::to_string(delayMs).c_str(), 1);
    }
    ~AudioDriver() {
        FSOUND_Close();
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILE");
        unsetenv("SDL_DISKAUDIODELAY");
    }
};

struct Position {
    double seconds;
    int order;
    int row;
};

// Samples the reported position every millisecond, the row read before the
// order as the demo does.
static std::vector<Position> watch(FMUSIC_MODULE* song, double seconds,
                                   Clock::time_point start = Clock::now()) {
    std::vector<Position> seen;
    for (;;) {
        int row = FMUSIC_GetRow(song);
        int order = FMUSIC_GetOrder(song);
        double t = std::chrono::duration<double>(Clock::now() - start).count();
        seen.push_back({t, order, row});
        if (t >= seconds)
            return seen;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

static int songPosition(const Position& p) {
    return p.order * 1000 + p.row;
}

static void expectNeverGoesBack(const std::vector<Position>& seen) {
    for (size_t i = 1; i < seen.size(); i++)
        ASSERT_GE(songPosition(seen[i]), songPosition(seen[i - 1]))
            << "at " << seen[i].seconds << " s: " << seen[i].order << ":" << seen[i].row
            << " after " << seen[i - 1].order << ":" << seen[i - 1].row;
}

static double firstSeen(const std::vector<Position>& seen, int order) {
    for (const Position& p : seen)
        if (p.order >= order)
            return p.seconds;
    return -1;
}

static std::vector<int16_t> readSamples(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

// libopenmpt's own rendering of the whole song, once through.
static std::vector<int16_t> renderDirectly(const std::vector<uint8_t>& file) {
    const openmpt_module_initial_ctl settings[] = {
        {"play.at_end", "stop"}, {"dither", "0"}, {nullptr, nullptr}};
    openmpt_module* mod = openmpt_module_create_from_memory2(
        file.data(), file.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
        nullptr, nullptr, nullptr, settings);
    std::vector<int16_t> pcm;
    if (!mod)
        return pcm;
    int16_t block[2 * 1000];
    size_t got;
    while ((got = openmpt_module_read_interleaved_stereo(mod, 44100, 1000, block)) > 0)
        pcm.insert(pcm.end(), block, block + 2 * got);
    openmpt_module_destroy(mod);
    return pcm;
}

static size_t firstSound(const std::vector<int16_t>& pcm) {
    size_t i = 0;
    while (i < pcm.size() && pcm[i] == 0)
        i++;
    return i / 2;
}

TEST(MusicLoad, NullSongIsAcceptedEverywhereAndReportsMinusOne) {
    EXPECT_EQ(FMUSIC_GetOrder(nullptr), -1);
    EXPECT_EQ(FMUSIC_GetRow(nullptr), -1);
    EXPECT_EQ(FMUSIC_PlaySong(nullptr), 0);
    EXPECT_EQ(FMUSIC_StopSong(nullptr), 0);
    EXPECT_EQ(FMUSIC_FreeSong(nullptr), 0);
    AudioDriver driver("dummy");
    ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
    EXPECT_EQ(FMUSIC_PlaySong(nullptr), 0);
    EXPECT_EQ(FMUSIC_GetOrder(nullptr), -1);
    EXPECT_EQ(FMUSIC_GetRow(nullptr), -1);
}

TEST(MusicLoad, UnusableFilesGiveNullAndOneLineNamingTheFile) {
    std::string empty = tempPath("empty.it");
    std::string garbage = tempPath("garbage.it");
    std::string text = tempPath("text.it");
    writeFile(empty, {});
    std::vector<uint8_t> noise(5000);
    for (size_t i = 0; i < noise.size(); i++)
        noise[i] = uint8_t(i * 7919 >> 3);
    writeFile(garbage, noise);
    std::string words = "IMPM but not really a module at all\n";
    writeFile(text, std::vector<uint8_t>(words.begin(), words.end()));
    std::string unreadable = tempPath("unreadable.it");
    writeFile(unreadable, encodeIt(makeTestSong(1, 1, 250)));
    chmod(unreadable.c_str(), 0);
    const bool root = access(unreadable.c_str(), R_OK) == 0; // root reads anything

    struct Case {
        std::string path, reason;
    };
    std::vector<Case> cases = {{tempPath("missing.it"), "No such file"},
                               {empty, "empty"},
                               {garbage, "not a module"},
                               {text, "not a module"},
                               {testing::TempDir(), "directory"}};
    if (!root)
        cases.push_back({unreadable, "Permission denied"});
    for (const Case& c : cases) {
        StderrCapture capture;
        EXPECT_EQ(FMUSIC_LoadSong(c.path.c_str()), nullptr) << c.path;
        std::string said = capture.text();
        EXPECT_EQ(linesWith(said, "").size(), 1u) << said;
        EXPECT_NE(said.find(c.path), std::string::npos) << said;
        EXPECT_NE(said.find(c.reason), std::string::npos) << said;
    }
    for (const std::string& path : {empty, garbage, text, unreadable})
        std::remove(path.c_str());
}

TEST(MusicLoad, LoadedSongReportsTheStartUntilPlayedAndRestartsWhenPlayedAgain) {
    std::string path = writeSong(makeTestSong(4, 1, 250), "start.it");
    AudioDriver driver("disk", tempPath("start.raw"), 1); // ten times real time
    ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
    FMUSIC_MODULE* song = FMUSIC_LoadSong(path.c_str());
    ASSERT_NE(song, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(FMUSIC_GetOrder(song), 0);
    EXPECT_EQ(FMUSIC_GetRow(song), 0);

    FMUSIC_PlaySong(song);
    std::vector<Position> seen = watch(song, 0.1);
    EXPECT_GE(seen.back().order, 1);
    FMUSIC_StopSong(song);
    const int order = FMUSIC_GetOrder(song), row = FMUSIC_GetRow(song);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(FMUSIC_GetOrder(song), order) << "a stopped song holds its position";
    EXPECT_EQ(FMUSIC_GetRow(song), row);

    FMUSIC_PlaySong(song);
    EXPECT_EQ(FMUSIC_GetOrder(song), 0);
    EXPECT_LT(FMUSIC_GetRow(song), 4);
    seen = watch(song, 0.03);
    EXPECT_EQ(seen.back().order, 0);
    EXPECT_GT(seen.back().row, 0);
    FMUSIC_FreeSong(song);
    std::remove(path.c_str());
    std::remove(tempPath("start.raw").c_str());
}

TEST(MusicPlayback, RecordedOutputIsTheSongItselfThenSilence) {
    const std::vector<uint8_t> file = encodeIt(makeTestSong(4, 1, 250));
    const std::string path = tempPath("recorded.it"), raw = tempPath("recorded.raw");
    writeFile(path, file);
    {
        AudioDriver driver("disk", raw, 1);
        ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
        FMUSIC_MODULE* song = FMUSIC_LoadSong(path.c_str());
        ASSERT_NE(song, nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        FMUSIC_PlaySong(song);
        auto start = Clock::now();
        while (FMUSIC_GetOrder(song) * 1000 + FMUSIC_GetRow(song) < 3031 &&
               Clock::now() - start < std::chrono::seconds(5))
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        FSOUND_Close();
        FMUSIC_FreeSong(song);
    }
    const std::vector<int16_t> expected = renderDirectly(file);
    const std::vector<int16_t> recorded = readSamples(raw);
    ASSERT_EQ(expected.size(), 2u * 128 * 441) << "128 rows of one 441-frame tick";
    ASSERT_EQ(firstSound(expected), 0u);
    const size_t offset = firstSound(recorded); // the device ran before the song started
    ASSERT_GE(recorded.size(), 2 * offset + expected.size() + 2 * 441);
    // libopenmpt rounds a few samples differently when read in other piece
    // sizes: off by one at most, and rarely. A lost, repeated or shifted piece
    // would differ by far more.
    size_t differing = 0;
    int worst = 0;
    for (size_t i = 0; i < expected.size(); i++) {
        const int difference = std::abs(recorded[2 * offset + i] - expected[i]);
        differing += difference != 0;
        worst = std::max(worst, difference);
    }
    EXPECT_LE(worst, 1);
    EXPECT_LT(differing, expected.size() / 100);
    for (size_t i = 2 * offset + expected.size(); i < recorded.size(); i++)
        ASSERT_EQ(recorded[i], 0) << "silence after the end, sample " << i;
    std::remove(path.c_str());
    std::remove(raw.c_str());
}

TEST(MusicPlayback, ReportedOrderFollowsRealTimeAndHoldsAfterTheEnd) {
    // Four orders of 0.32 s each.
    const std::string path = writeSong(makeTestSong(4, 1, 250), "timing.it");
    AudioDriver driver("dummy");
    ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
    FMUSIC_MODULE* song = FMUSIC_LoadSong(path.c_str());
    ASSERT_NE(song, nullptr);
    const auto start = Clock::now();
    FMUSIC_PlaySong(song);
    const std::vector<Position> seen = watch(song, 1.9, start);
    expectNeverGoesBack(seen);
    for (int order = 1; order < 4; order++) {
        // Late by at most the output buffer and scheduling on a busy machine;
        // never early by more than one rendering piece.
        EXPECT_GT(firstSeen(seen, order), 0.32 * order - 0.005) << "order " << order;
        EXPECT_LT(firstSeen(seen, order), 0.32 * order + 0.25) << "order " << order;
    }
    for (const Position& p : seen)
        if (p.seconds > 1.28 + 0.3) {
            ASSERT_EQ(p.order, 3) << p.seconds;
            ASSERT_EQ(p.row, 31) << p.seconds;
        }
    FMUSIC_FreeSong(song);
    std::remove(path.c_str());
}

TEST(MusicPlayback, SongThatJumpsBackEndsAtItsLastPlayedRow) {
    ItModule module = makeTestSong(3, 1, 250);
    module.patterns[2].cells[15][1].effect = 2; // B00: back to the first order
    const std::string path = writeSong(module, "jump.it"), raw = tempPath("jump.raw");
    AudioDriver driver("disk", raw, 1);
    ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
    FMUSIC_MODULE* song = FMUSIC_LoadSong(path.c_str());
    ASSERT_NE(song, nullptr);
    FMUSIC_PlaySong(song);
    const std::vector<Position> seen = watch(song, 0.4);
    expectNeverGoesBack(seen);
    EXPECT_EQ(seen.back().order, 2);
    EXPECT_EQ(seen.back().row, 15);
    FMUSIC_FreeSong(song);
    std::remove(path.c_str());
    std::remove(raw.c_str());
}

TEST(MusicPlayback, FreeingOrClosingWhilePlayingIsSafe) {
    const std::string path = writeSong(makeTestSong(4, 1, 250), "free.it");
    const std::string raw = tempPath("free.raw");
    AudioDriver driver("disk", raw, 1);
    ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
    FMUSIC_MODULE* first = FMUSIC_LoadSong(path.c_str());
    FMUSIC_MODULE* second = FMUSIC_LoadSong(path.c_str());
    ASSERT_TRUE(first && second);
    FMUSIC_PlaySong(first);
    watch(first, 0.05);
    EXPECT_EQ(FMUSIC_FreeSong(first), 1);
    FMUSIC_PlaySong(second);
    std::vector<Position> seen = watch(second, 0.05);
    EXPECT_GT(songPosition(seen.back()), 0);
    FSOUND_Close();
    const int order = FMUSIC_GetOrder(second), row = FMUSIC_GetRow(second);
    EXPECT_GE(order * 1000 + row, songPosition(seen.back()));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(FMUSIC_GetOrder(second), order) << "held once the output is closed";
    EXPECT_EQ(FMUSIC_GetRow(second), row);
    EXPECT_EQ(FMUSIC_FreeSong(second), 1);
    std::remove(path.c_str());
    std::remove(raw.c_str());
}

TEST(MusicFallback, TheSoundLibrariesComplaintsStayOffTheConsole) {
    const std::string path = writeSong(makeTestSong(1, 1, 250), "complaints.it");
    // ALSA without a sound card writes its own lines while SDL probes it.
    AudioDriver driver("alsa");
    StderrCapture capture;
    ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
    // The device is settled by the time a song starts.
    FMUSIC_MODULE* song = FMUSIC_LoadSong(path.c_str());
    ASSERT_NE(song, nullptr);
    FMUSIC_PlaySong(song);
    FMUSIC_FreeSong(song);
    std::remove(path.c_str());
    const std::string said = capture.text();
    if (linesWith(said, "music:").empty())
        GTEST_SKIP() << "this machine has a sound device";
    EXPECT_EQ(linesWith(said, "").size(), 1u) << said;
    EXPECT_NE(said.find("ALSA"), std::string::npos) << "SDL's reason names the driver: " << said;
}

TEST(MusicFallback, UnopenableDriverPlaysSilentlyInRealTimeAfterOneLine) {
    const std::string path = writeSong(makeTestSong(2, 1, 250), "fallback.it");
    AudioDriver driver("nosuchdriver");
    StderrCapture capture;
    ASSERT_TRUE(FSOUND_Init(44100, 32, 0));
    FMUSIC_MODULE* song = FMUSIC_LoadSong(path.c_str());
    ASSERT_NE(song, nullptr);
    const auto start = Clock::now();
    FMUSIC_PlaySong(song);
    // Said by the time the song starts.
    const std::string said = capture.text();
    const std::vector<std::string> ours = linesWith(said, "music:");
    ASSERT_EQ(ours.size(), 1u) << said;
    EXPECT_NE(ours[0].find("silently"), std::string::npos) << said;
    EXPECT_NE(ours[0].find("nosuchdriver"), std::string::npos) << "SDL's reason: " << said;
    const std::vector<Position> seen = watch(song, 0.5, start);
    EXPECT_GT(firstSeen(seen, 1), 0.3);
    EXPECT_LT(firstSeen(seen, 1), 0.42);
    FMUSIC_FreeSong(song);
    EXPECT_EQ(linesWith(capture.text(), "music:").size(), 1u);
    std::remove(path.c_str());
}
