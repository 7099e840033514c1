// The Windows build (./run-windows, in build-windows/) under Wine 8, each
// test on an Xvfb of its own and, where it plays sound, a PulseAudio of its
// own that Wine's driver plays to: the program as the zip holds it, its
// frames against the desktop's, and GDI's bitmaps against the desktop's
// converter.
#include "tests/child_process.h"
#include "tests/demo_assets.h"
#include "tests/private_display.h"
#include "tests/private_sound_server.h"
#include "tests/test_bitmaps.h"
#include "tests/test_pictures.h"
#include "tests/test_songs.h"
#include "tests/wine.h"
#include "tools/writers/tga_writer.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

const std::string exeName = "marea-de-neon.exe";

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The program and the generated files in one folder, as the zip unpacks,
// with a short test song: 24 orders of 32 rows, one second an order.
class WindowsDemo : public testing::Test {
  protected:
    void SetUp() override {
        std::string trouble;
        ASSERT_TRUE(prepareWine(&trouble)) << trouble;
        const std::string exe = WINDOWS_BUILD_DIR "/" + exeName;
        ASSERT_TRUE(std::filesystem::exists(exe)) << exe << ": run ./run-windows first";
        std::string assets =
            generatedAssets(DEMO_BUILD_DIR "/tools/assetgen", DEMO_BUILD_DIR "/demo_e2e_assets");
        ASSERT_FALSE(assets.empty()) << "assetgen failed";
        dir = makeTempDir("windows_demo_");
        elsewhere = makeTempDir("windows_elsewhere_");
        ASSERT_FALSE(dir.empty() || elsewhere.empty());
        ASSERT_TRUE(copyFiles(assets, dir));
        std::filesystem::copy_file(exe, dir + "/" + exeName);
        ASSERT_TRUE(writeFile(dir + "/Prueba.IT", encodeIt(makeTestSong(24, 3, 240))));
        ASSERT_TRUE(display.start());
    }
    void TearDown() override {
        std::filesystem::remove_all(dir);
        std::filesystem::remove_all(elsewhere);
    }

    // Started from another folder than its own, as from a shortcut; true
    // once the show has begun.
    bool startDemo(ChildProcess& demo, const std::vector<std::string>& arguments,
                   const std::vector<std::string>& more = {}) {
        std::vector<std::string> environment = wineEnvironment(display.name());
        environment.insert(environment.end(), more.begin(), more.end());
        return demo.start(wineCommand(dir + "/" + exeName, arguments), elsewhere, environment) &&
               demo.waitForOutput("Window Changed to (x,y): 1024, 768", 60);
    }

    // A Windows test program (of the build's tests, unless a path is given),
    // run in the demo's folder.
    ProcessResult runTool(const std::string& tool, const std::vector<std::string>& arguments,
                          double seconds) {
        ChildProcess child;
        ProcessResult result;
        const std::string path =
            tool.find('/') == std::string::npos ? WINDOWS_BUILD_DIR "/tests/windows/" + tool : tool;
        if (!child.start(wineCommand(path, arguments), dir, wineEnvironment(display.name())))
            return result;
        const bool ended = child.waitForProcessExit(seconds);
        result.exitCode = ended ? child.exitCode() : -1;
        // What it wrote last, which a program of Wine's may hold up a while.
        child.waitForExit(5);
        result.out = child.out();
        result.err = child.err();
        return result;
    }

    std::string dir, elsewhere;
    PrivateDisplay display;
};

TEST(WindowsProgram, IsADesktopProgramThatNeedsOnlyWindowsOwnLibraries) {
    ProcessResult headers =
        runCommand("x86_64-w64-mingw32-objdump -p " WINDOWS_BUILD_DIR "/marea-de-neon.exe", 30);
    ASSERT_EQ(headers.exitCode, 0) << headers.err;
    EXPECT_NE(headers.out.find("Subsystem\t\t00000002\t(Windows GUI)"), std::string::npos);
    const std::set<std::string> system = {
        "ADVAPI32.dll", "GDI32.dll",   "GLU32.dll",    "IMM32.dll",    "KERNEL32.dll",
        "msvcrt.dll",   "ole32.dll",   "OLEAUT32.dll", "OPENGL32.dll", "RPCRT4.dll",
        "SETUPAPI.dll", "SHELL32.dll", "USER32.dll",   "VERSION.dll",  "WINMM.dll"};
    std::istringstream lines(headers.out);
    int imports = 0;
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find("DLL Name: ");
        if (at == std::string::npos)
            continue;
        imports++;
        EXPECT_TRUE(system.count(line.substr(at + 10))) << line;
    }
    EXPECT_GE(imports, 5);
    // Its resources: the manifest that makes it DPI aware, the icon GLUT
    // gives its windows, and the version information (UTF-16).
    const std::string program = readWhole(WINDOWS_BUILD_DIR "/marea-de-neon.exe");
    const auto utf16 = [](const std::string& text) {
        std::string wide;
        for (char c : text)
            wide += std::string{c, '\0'};
        return wide;
    };
    EXPECT_NE(program.find("<dpiAwareness xmlns"), std::string::npos);
    EXPECT_NE(program.find(utf16("GLUT_ICON")), std::string::npos);
    EXPECT_NE(program.find(utf16("ProductVersion") + std::string(2, '\0') + utf16("1.0.0")),
              std::string::npos);
}

// Heard on the sink, then the server dies: the show still ends at order 23
// on time, with status 0.
TEST_F(WindowsDemo, PlaysHeardOnTheSinkAndEndsOnTimeWhenTheSoundServerDies) {
    PrivateSoundServer pulse;
    ASSERT_TRUE(pulse.start()) << pulse.log();
    ChildProcess demo;
    // Orders 14 to 22: 9 s of song.
    ASSERT_TRUE(startDemo(demo, {"--from", "14"}, pulse.environment())) << demo.err();
    const auto shown = Clock::now();
    // A fresh stream of Wine's takes a first buffer, then nothing for a
    // second or two: the sound is listened to once it is under way.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const SinkRecording heard = pulse.record(2);
    pulse.kill();
    ASSERT_TRUE(demo.waitForProcessExit(30)) << "still running after the song";
    const double show = secondsSince(shown);
    EXPECT_EQ(demo.exitCode(), 0) << demo.err();
    // A fresh stream may hold the song's start a moment.
    EXPECT_GT(show, 8.5);
    EXPECT_LT(show, 11.0);
    long sounding = 0;
    for (size_t i = 0; i < heard.stereo.size(); i += 2)
        sounding += std::abs(heard.stereo[i]) > 100;
    EXPECT_GT(double(sounding) / 44100, 1.0) << "seconds of music in 2 s of the sink";
    demo.waitForExit(5);
    // Its files were found beside it, though it was started elsewhere.
    EXPECT_NE(demo.out().find("Loading Texture: logo.JPG...Done."), std::string::npos)
        << demo.out();
    // One line, the loss's, and nothing before it.
    const std::string err = demo.err();
    const size_t lost = err.find("music: the sound device went away");
    EXPECT_NE(lost, std::string::npos) << err;
    EXPECT_EQ(err.find("music:"), lost) << err;
    EXPECT_EQ(err.rfind("music:"), lost) << err;
}

TEST_F(WindowsDemo, EscAndAltF4EndItWithin1sWithStatus0) {
    for (const char* key : {"Escape", "alt+F4"}) {
        SCOPED_TRACE(key);
        ChildProcess demo;
        ASSERT_TRUE(startDemo(demo, {"--mute"})) << demo.err();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        ASSERT_TRUE(display.sendKeys(key));
        const auto pressed = Clock::now();
        ASSERT_TRUE(demo.waitForProcessExit(10));
        EXPECT_LT(secondsSince(pressed), 1.0);
        EXPECT_EQ(demo.exitCode(), 0);
    }
}

TEST_F(WindowsDemo, ADamaged3dsFileShowsTheReadersBoxAndTheShowGoesOnOnceItIsClosed) {
    // Not a 3DS file: its first chunk is no main chunk.
    std::string logo = readWhole(dir + "/logo.3ds");
    ASSERT_GT(logo.size(), 2u);
    logo[0] = 'X';
    ASSERT_TRUE(writeFile(dir + "/logo.3ds", std::vector<uint8_t>(logo.begin(), logo.end())));
    ChildProcess demo;
    ASSERT_TRUE(demo.start(wineCommand(dir + "/" + exeName, {"--from", "21", "--mute"}), elsewhere,
                           wineEnvironment(display.name())));
    ASSERT_TRUE(demo.waitForOutput("Error: Unable to load PRIMARY", 60, true)) << demo.err();
    // The box holds start-up up: the show has not begun while it is open.
    const ProcessResult box = runTool("message_box_reader.exe", {"Error", "30"}, 40);
    ASSERT_EQ(box.exitCode, 0) << box.err;
    EXPECT_EQ(box.out, "Unable to load PRIMARY chuck from file: logo.3ds!\r\n");
    EXPECT_EQ(demo.out().find("Window Changed"), std::string::npos);
    EXPECT_TRUE(demo.waitForOutput("Window Changed to (x,y): 1024, 768", 30)) << demo.err();
    ASSERT_TRUE(demo.waitForProcessExit(30));
    EXPECT_EQ(demo.exitCode(), 0);
    demo.waitForExit(5);
}

TEST_F(WindowsDemo, HelpAndAWrongOptionShowTheirTextInABoxWithoutAConsole) {
    // Started as a double click starts it, without a console or streams.
    for (const char* option : {"--help", "--windowed"}) {
        SCOPED_TRACE(option);
        const ProcessResult box =
            runTool("message_box_reader.exe", {"Marea de Neon", "30", exeName, option}, 40);
        EXPECT_EQ(box.exitCode, std::string(option) == "--help" ? 0 : 2) << box.err;
        EXPECT_NE(box.out.find("Usage: marea-de-neon.exe [OPTION]..."), std::string::npos)
            << box.out;
    }
}

// RGBA, mean absolute difference per channel.
double meanDifference(const std::string& a, const std::string& b) {
    double sum = 0;
    for (size_t i = 0; i + 3 < a.size() && i + 3 < b.size(); i += 4)
        for (int c = 0; c < 3; c++)
            sum += std::abs(int(uint8_t(a[i + c])) - int(uint8_t(b[i + c])));
    return sum / double(a.size() / 4 * 3);
}

TEST_F(WindowsDemo, EachScenesFrameMatchesTheDesktopsFrame) {
    // The real song, for the scenes as they are made.
    std::filesystem::copy_file(DEMO_BUILD_DIR "/demo_e2e_assets/Prueba.IT", dir + "/Prueba.IT",
                               std::filesystem::copy_options::overwrite_existing);
    // Beside the files it reads, as the demo.
    std::filesystem::copy_file(WINDOWS_BUILD_DIR "/tests/windows/window_frames.exe",
                               dir + "/window_frames.exe");
    // The first order of each scene, and a frame well inside it.
    for (int from : {0, 3, 7, 11, 15, 17}) {
        SCOPED_TRACE("order " + std::to_string(from));
        const std::string desktop = "desktop-" + std::to_string(from);
        const std::string windows = "windows-" + std::to_string(from);
        const ProcessResult reference =
            runCommand("cd '" + dir + "' && " REFERENCE_FRAMES " 1024x768 " + std::to_string(from) +
                           " '" + desktop + "' 40",
                       120);
        ASSERT_EQ(reference.exitCode, 0) << reference.err;
        const ProcessResult drawn = runTool(dir + "/window_frames.exe",
                                            {"1024x768", std::to_string(from), windows, "40"}, 120);
        ASSERT_EQ(drawn.exitCode, 0) << drawn.err;
        const std::string native = readWhole(dir + "/" + desktop + "-40.rgba");
        const std::string wine = readWhole(dir + "/" + windows + "-40.rgba");
        ASSERT_EQ(native.size(), size_t(1024 * 768 * 4));
        ASSERT_EQ(wine.size(), native.size());
        EXPECT_LT(meanDifference(wine, native), 3.0);
    }
}

TEST_F(WindowsDemo, GdiConvertsEveryTestBitmapAsTheDesktopsConverterDoes) {
    std::vector<NamedBitmap> files = readableTestBitmaps();
    // And the textures of the demo's models.
    for (const char* texture : {"ola.bmp", "wood.bmp", "thatch.BMP", "sign.bmp"}) {
        const std::string bytes = readWhole(dir + "/" + texture);
        files.push_back({texture, std::vector<uint8_t>(bytes.begin(), bytes.end())});
    }
    const std::string bitmaps = dir + "/bitmaps";
    std::filesystem::create_directory(bitmaps);
    // One Windows program reads them all, one after the other.
    std::string inspect = "Z:" WINDOWS_BUILD_DIR "/inspect.exe", batch = "@echo off\r\n";
    for (char& c : inspect)
        c = c == '/' ? '\\' : c;
    for (const NamedBitmap& file : files) {
        SCOPED_TRACE(file.name);
        const std::string path = bitmaps + "/" + file.name;
        ASSERT_TRUE(writeFile(path, file.file));
        const ProcessResult desktop = runCommand(
            DEMO_BUILD_DIR "/inspect image '" + path + "' '" + path + ".desktop.ppm'", 30);
        ASSERT_EQ(desktop.exitCode, 0) << desktop.err;
        batch += inspect + " image " + file.name + " " + file.name + ".gdi.ppm\r\n" +
                 "if errorlevel 1 exit /b 1\r\n";
    }
    ASSERT_TRUE(
        writeFile(bitmaps + "/convert.bat", std::vector<uint8_t>(batch.begin(), batch.end())));
    ChildProcess windows;
    ASSERT_TRUE(windows.start(wineCommand("cmd", {"/c", "convert.bat"}), bitmaps,
                              wineEnvironment(display.name())));
    ASSERT_TRUE(windows.waitForProcessExit(120));
    ASSERT_EQ(windows.exitCode(), 0) << windows.err();
    for (const NamedBitmap& file : files) {
        SCOPED_TRACE(file.name);
        const std::string path = bitmaps + "/" + file.name;
        const std::string gdi = readWhole(path + ".gdi.ppm");
        const std::string converted = readWhole(path + ".desktop.ppm");
        ASSERT_EQ(gdi.size(), converted.size());
        if (file.name != "rle8_wide.bmp") {
            EXPECT_TRUE(gdi == converted);
            continue;
        }
        // Wine's GDI ends a row at an absolute run of 255 pixels, the longest
        // RLE8 has, and leaves the rest of the row black: the long run's row
        // is compared up to it, the other row whole.
        const size_t header = gdi.size() - 600 * 2 * 3;
        EXPECT_EQ(gdi.compare(header, 255 * 3, converted, header, 255 * 3), 0);
        EXPECT_EQ(gdi.compare(header + 600 * 3, 600 * 3, converted, header + 600 * 3, 600 * 3), 0);
    }
}

} // namespace
