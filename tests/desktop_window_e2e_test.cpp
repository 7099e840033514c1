// The real demo on a real desktop's X server: Xorg with its dummy driver and
// a real mode list, under the openbox window manager.
#include "tests/child_process.h"
#include "tests/demo_assets.h"
#include "tests/demo_scenes.h"
#include "tests/private_display.h"
#include "tests/test_pictures.h"
#include "tests/test_songs.h"
#include "tools/writers/tga_writer.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>
// Last: Xlib's macros (None, Bool) clash with GoogleTest's names.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/scrnsaver.h>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Pixels of the pointer's current image that are not fully transparent.
int visiblePointerPixels(Display* display) {
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    if (!image)
        return -1;
    int visible = 0;
    for (int i = 0; i < image->width * image->height; i++)
        visible += (image->pixels[i] >> 24) != 0;
    XFree(image);
    return visible;
}

int screenSaverState(Display* display) {
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    XScreenSaverQueryInfo(display, DefaultRootWindow(display), info);
    const int state = info->state;
    XFree(info);
    return state;
}

// The value of the menu entry's StartupWMClass key.
std::string startupWmClass() {
    std::ifstream entry(DEMO_SOURCE_DIR "/packaging/marea-de-neon.desktop");
    std::string line;
    while (std::getline(entry, line))
        if (line.rfind("StartupWMClass=", 0) == 0)
            return line.substr(15);
    return "";
}

// A folder with the generated assets and a test song of 2 s an order; empty
// when one of them cannot be made.
static std::string demoFolder(const char* prefix) {
    const std::string assets =
        generatedAssets(DEMO_BUILD_DIR "/tools/assetgen", DEMO_BUILD_DIR "/demo_e2e_assets");
    const std::string dir = makeTempDir(prefix);
    if (assets.empty() || !copyFiles(assets, dir) ||
        !writeFile(dir + "/Prueba.IT", encodeIt(makeTestSong(24, 3, 120))))
        return "";
    return dir;
}

TEST(DesktopWindow, FullScreenFillsTheScreenWithoutPointerOrScreenSaverAndCarriesItsName) {
    const std::string dir = demoFolder("desktop_window_");
    ASSERT_FALSE(dir.empty()) << "no assets";
    SceneReferences references;
    ASSERT_TRUE(references.load(dir));
    PrivateDisplay desktop;
    ASSERT_TRUE(desktop.startDesktop());
    const std::string on = "DISPLAY=" + desktop.name() + " ";
    ASSERT_EQ(runCommand(on + "xset s 3 3", 10).exitCode, 0);
    Display* display = XOpenDisplay(desktop.name().c_str());
    ASSERT_NE(display, nullptr);

    ChildProcess demo;
    // Scene5 for 4 s, then Scene6 for 12 s.
    ASSERT_TRUE(
        demo.start({DEMO_BINARY, "--from", "15", "--mute"}, dir, {"DISPLAY=" + desktop.name()}));
    ASSERT_TRUE(demo.waitForOutput("Window Changed to (x,y): 1920, 1080", 60)) << demo.out();
    const auto begin = Clock::now();
    // The mode list has 1024x768, but the dummy driver cannot show it: the
    // picture fills the screen's height between black bands.
    Screenshot shot;
    DemoScene seen = DemoScene::none;
    while (demo.running() && seen != DemoScene::scene5 && secondsSince(begin) < 4) {
        if (desktop.capture(shot) && shot.width == 1920)
            seen = classifyScene(scaledTo1024(shot, 240, 0, 1440, 1080), references);
    }
    EXPECT_EQ(seen, DemoScene::scene5);
    EXPECT_EQ(blackColumns(shot, 0, 240), 240);
    EXPECT_EQ(blackColumns(shot, 240, 1680), 0);
    EXPECT_EQ(blackColumns(shot, 1680, 1920), 240);
    EXPECT_EQ(visiblePointerPixels(display), 0);

    ProcessResult clients = runCommand(on + "xprop -root _NET_CLIENT_LIST", 10);
    const size_t id = clients.out.find("0x");
    ASSERT_NE(id, std::string::npos) << "openbox manages no window: " << clients.out;
    std::istringstream window(clients.out.substr(id));
    std::string windowId;
    window >> windowId;
    const std::string xprop = on + "xprop -id " + windowId.substr(0, windowId.find(','));
    ProcessResult props = runCommand(xprop + " WM_NAME _NET_WM_NAME WM_CLASS", 10);
    EXPECT_NE(props.out.find("WM_NAME(STRING) = \"Marea de Neon\""), std::string::npos)
        << props.out;
    EXPECT_NE(props.out.find("_NET_WM_NAME(UTF8_STRING) = \"Marea de Neon\""), std::string::npos)
        << props.out;
    const std::string wmClass = startupWmClass();
    ASSERT_FALSE(wmClass.empty()) << "the menu entry names no StartupWMClass";
    EXPECT_NE(props.out.find("WM_CLASS(STRING) = \"" + wmClass + "\", \"" + wmClass + "\""),
              std::string::npos)
        << props.out;
    // The first icon's size, as numbers.
    ProcessResult icon = runCommand(xprop + " -len 16 -f _NET_WM_ICON 32c _NET_WM_ICON", 10);
    EXPECT_NE(icon.out.find("_NET_WM_ICON(CARDINAL) = 32, 32"), std::string::npos) << icon.out;

    // Into a 3 s screen saver timeout, more than twice over.
    while (demo.running() && secondsSince(begin) < 7)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(demo.running()) << "the song ended before the screen saver was due";
    EXPECT_EQ(screenSaverState(display), ScreenSaverOff);
    // Closed by the window manager (openbox's Alt+F4), it ends as on Esc,
    // with GLUT still holding its display while the desktop is given back.
    ASSERT_EQ(runCommand(on + "xdotool key alt+F4", 10).exitCode, 0);
    EXPECT_TRUE(demo.waitForExit(3));
    EXPECT_EQ(demo.exitCode(), 0) << demo.err();
    XCloseDisplay(display);
    std::filesystem::remove_all(dir);
}

// The name of a window, or of the nearest of its ancestors that has one.
std::string windowName(Display* display, Window window) {
    for (;;) {
        char* name = nullptr;
        if (XFetchName(display, window, &name) && name) {
            std::string found = name;
            XFree(name);
            return found;
        }
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count))
            return "";
        if (children)
            XFree(children);
        if (parent == root || parent == 0)
            return "";
        window = parent;
    }
}

// A kiosk or a bare X session: two monitors side by side on one X screen and
// no window manager to place the window or hand it the keyboard.
TEST(DesktopWindow, WithoutAWindowManagerItCoversTheMonitorUnderThePointerAndHasTheKeyboard) {
    const std::string dir = demoFolder("desktop_monitors_");
    ASSERT_FALSE(dir.empty()) << "no assets";
    SceneReferences references;
    ASSERT_TRUE(references.load(dir));
    PrivateDisplay desktop;
    ASSERT_TRUE(desktop.startDesktop(2, false));
    const std::string on = "DISPLAY=" + desktop.name() + " ";
    ASSERT_EQ(runCommand(on + "xdotool mousemove 2500 500", 10).exitCode, 0);
    Display* display = XOpenDisplay(desktop.name().c_str());
    ASSERT_NE(display, nullptr);

    ChildProcess demo;
    // Scene5 for 4 s.
    ASSERT_TRUE(
        demo.start({DEMO_BINARY, "--from", "15", "--mute"}, dir, {"DISPLAY=" + desktop.name()}));
    ASSERT_TRUE(demo.waitForOutput("Window Changed to (x,y): 1920, 1080", 60)) << demo.out();
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    ASSERT_GT(focus, Window(1)) << "the keyboard goes nowhere";
    EXPECT_EQ(windowName(display, focus), "Marea de Neon");
    // The window covers the right-hand monitor, from its corner.
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(display, focus, &attributes));
    int x = -1, y = -1;
    Window child;
    XTranslateCoordinates(display, focus, attributes.root, 0, 0, &x, &y, &child);
    EXPECT_EQ(x, 1920);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(attributes.width, 1920);
    EXPECT_EQ(attributes.height, 1080);
    // The picture in the middle of that monitor, black bands beside it.
    Screenshot shot;
    DemoScene seen = DemoScene::none;
    const auto begin = Clock::now();
    while (demo.running() && seen != DemoScene::scene5 && secondsSince(begin) < 4) {
        if (desktop.capture(shot) && shot.width == 3840)
            seen = classifyScene(scaledTo1024(shot, 1920 + 240, 0, 1440, 1080), references);
    }
    EXPECT_EQ(seen, DemoScene::scene5);
    EXPECT_EQ(blackColumns(shot, 1920, 1920 + 240), 240);
    EXPECT_EQ(blackColumns(shot, 1920 + 1680, 3840), 240);
    // Esc typed with the pointer on the other monitor still reaches it.
    ASSERT_EQ(runCommand(on + "xdotool mousemove 500 500 key Escape", 10).exitCode, 0);
    EXPECT_TRUE(demo.waitForExit(5)) << "Esc did not reach the demo";
    EXPECT_EQ(demo.exitCode(), 0);
    XCloseDisplay(display);
    std::filesystem::remove_all(dir);
}

} // namespace
