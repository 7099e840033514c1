// An Xvfb of its own for one test: screenshots show only what that test put
// on it and keys reach only its windows, so tests that run the demo can run
// side by side.
#pragma once

#include "tests/screen_capture.h"

#include <string>
#include <sys/types.h>

class PrivateDisplay {
  public:
    PrivateDisplay() = default;
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;
    ~PrivateDisplay();

    // A screen of this size (24-bit) on the first free display number from
    // a start that depends on the process id; true once clients can connect.
    // The server ends with the thread that started it, at the latest.
    bool start(int width = 1024, int height = 768);
    // A real desktop's server instead: Xorg with its dummy driver (a
    // 1920x1080 screen that also lists 1024x768, RandR, XF86VidMode) under
    // the openbox window manager; true once openbox manages the screen.
    // With two monitors, the screen is 3840x1080 and RandR has a 1920x1080
    // monitor on each half; without a window manager, nobody manages it.
    bool startDesktop(int monitors = 1, bool withWindowManager = true);
    // ":N"; empty before start().
    std::string name() const;
    bool capture(Screenshot& shot) const;
    // xdotool, pointer at the centre first so the full-screen window under it
    // has the keyboard: sendKeys("Escape"), sendKeys("v Q space").
    bool sendKeys(const std::string& keys) const;

  private:
    int number = -1;
    pid_t pid = -1;
    pid_t windowManager = -1;
    std::string folder; // the desktop's configuration and log
};
