#include "platform/music.h"
#include "tests/test_songs.h"
#include "tools/writers/it_writer.h"
#include "tools/writers/tga_writer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
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
