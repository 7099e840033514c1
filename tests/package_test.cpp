// The Debian package as a user gets it: made by cpack from this build,
// checked by lintian, unpacked into a root of its own and its launcher run
// from another folder, so it has to find the installed files by itself.
#include "tests/child_process.h"
#include "tests/private_display.h"
#include "tests/test_pictures.h"
#include "tests/test_songs.h"
#include "tools/writers/it_writer.h"
#include "tools/writers/tga_writer.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const char* const assetNames[] = {
    "Prueba.IT", "presents.3ds", "logo.3ds", "txiringo.3DS", "logo.JPG", "ola.bmp",     "sand.jpg",
    "wood.bmp",  "thatch.BMP",   "sign.bmp", "titulo3.tga",  "tia.tga",  "palmera.tga", "uf.tga",
};

std::string shellQuoted(const std::string& text) {
    return "'" + text + "'";
}

// The one .deb cpack left in `dir`, or empty.
std::string packageIn(const std::string& dir) {
    std::string found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, error))
        if (entry.path().extension() == ".deb")
            found = found.empty() ? entry.path().string() : "more than one";
    return found == "more than one" ? "" : found;
}

// The value of `key` in the [Desktop Entry] group of a desktop file.
std::string desktopValue(const fs::path& file, const std::string& key) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    return "";
}

bool isExecutable(const fs::path& file) {
    std::error_code error;
    return fs::is_regular_file(file, error) &&
           (fs::status(file, error).permissions() & fs::perms::others_exec) != fs::perms::none;
}

bool isNonEmptyFile(const fs::path& file) {
    std::error_code error;
    return fs::is_regular_file(file, error) && fs::file_size(file, error) > 0 && !error;
}

bool startsWith(const fs::path& file, const std::string& magic) {
    std::ifstream in(file, std::ios::binary);
    std::string head(magic.size(), '\0');
    return in.read(&head[0], std::streamsize(head.size())) && head == magic;
}

class Package : public testing::Test {
  protected:
    void TearDown() override {
        launcher.kill();
        if (!dir.empty())
            fs::remove_all(dir);
    }

    std::string dir;
    ChildProcess launcher;
};

} // namespace

TEST_F(Package, UnpackedIntoAnotherRootHoldsTheDemoAndItsLauncherPlaysTheSongToTheEnd) {
    dir = makeTempDir("package_");
    ASSERT_FALSE(dir.empty());
    ProcessResult made =
        runCommand("cpack -G DEB --config " + shellQuoted(DEMO_BUILD_DIR "/CPackConfig.cmake") +
                       " -B " + shellQuoted(dir + "/out"),
                   300);
    ASSERT_EQ(made.exitCode, 0) << made.out << made.err;
    std::string deb = packageIn(dir + "/out");
    ASSERT_FALSE(deb.empty()) << made.out;

    ProcessResult lint = runCommand("lintian --fail-on error " + shellQuoted(deb), 300);
    EXPECT_EQ(lint.exitCode, 0) << lint.out << lint.err;
    // Computed from the libraries the programs link, not listed by hand.
    ProcessResult depends = runCommand("dpkg-deb -f " + shellQuoted(deb) + " Depends", 30);
    EXPECT_NE(depends.out.find("libopenmpt0"), std::string::npos) << depends.out;
    EXPECT_NE(depends.out.find("libjpeg62-turbo"), std::string::npos) << depends.out;

    fs::path root = dir + "/root";
    ProcessResult unpacked =
        runCommand("dpkg-deb -x " + shellQuoted(deb) + " " + shellQuoted(root), 60);
    ASSERT_EQ(unpacked.exitCode, 0) << unpacked.err;
    fs::path usr = root / "usr";
    fs::path command = usr / "games/marea-de-neon";
    ASSERT_TRUE(isExecutable(command));
    EXPECT_TRUE(isExecutable(usr / "lib/games/marea-de-neon/demo"));
    fs::path data = usr / "share/games/marea-de-neon";
    for (const char* name : assetNames)
        EXPECT_TRUE(isNonEmptyFile(data / name)) << name;
    fs::path entry = usr / "share/applications/marea-de-neon.desktop";
    EXPECT_TRUE(isExecutable(usr / "games" / desktopValue(entry, "Exec")));
    EXPECT_TRUE(startsWith(usr / "share/icons/hicolor/256x256/apps" /
                               (desktopValue(entry, "Icon") + ".png"),
                           "\x89PNG\r\n\x1a\n"));
    EXPECT_TRUE(startsWith(usr / "share/man/man6/marea-de-neon.6.gz", "\x1f\x8b"));

    // 24 orders of 32 rows at one tick a row: an order lasts 32 * 2.5 / 240 s.
    std::vector<uint8_t> song = encodeIt(makeTestSong(24, 1, 240));
    ASSERT_FALSE(song.empty());
    ASSERT_TRUE(writeFile((data / "Prueba.IT").string(), song));
    PrivateDisplay display;
    ASSERT_TRUE(display.start());
    // The display comes as X's own option, which must reach the demo.
    auto begin = Clock::now();
    ASSERT_TRUE(launcher.start({command.string(), "-display", display.name()}, dir,
                               {"DISPLAY=", "SDL_AUDIODRIVER=dummy"}));
    ASSERT_TRUE(launcher.waitForExit(60)) << launcher.out() << launcher.err();
    double seconds = std::chrono::duration<double>(Clock::now() - begin).count();

    EXPECT_EQ(launcher.exitCode(), 0) << launcher.err();
    // Order 23 comes after 23 orders of a third of a second.
    EXPECT_GT(seconds, 7.5) << launcher.err();
    EXPECT_EQ(launcher.out(), "Loading Texture: logo.JPG...Done.\n"
                              "Loading Texture: ola.bmp...Done.\n"
                              "Loading Texture: sand.jpg...Done.\n"
                              "Loading Texture: wood.bmp...Done.\n"
                              "Loading Texture: thatch.BMP...Done.\n"
                              "Loading Texture: sign.bmp...Done.\n"
                              "Window Changed to (x,y): 1024, 768\n")
        << launcher.err();
}
