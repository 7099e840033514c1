#include "platform/screen_saver.h"

#include <GL/glx.h>
#include <X11/extensions/scrnsaver.h>
#include <cstdint>
#include <cstdlib>
#include <systemd/sd-bus.h>

// The desktop's service drops an inhibition when its caller's connection
// closes, so the bus stays open while the hold lasts.
static struct {
    Display* display = nullptr; // suspended the X screen saver
    sd_bus* bus = nullptr;      // holds the inhibition `cookie`
    uint32_t cookie = 0;
    bool releasedAtExit = false;
} hold;

// A desktop that does not answer at once must not delay the show.
static const uint64_t busTimeoutMicroseconds = 1000000;

static void inhibitDesktopScreenSaver() {
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0)
        return;
    sd_bus_set_method_call_timeout(bus, busTimeoutMicroseconds);
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    uint32_t cookie = 0;
    if (sd_bus_call_method(bus, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                           "org.freedesktop.ScreenSaver", "Inhibit", &error, &reply, "ss",
                           "Marea de Neon", "Playing the demo") >= 0 &&
        sd_bus_message_read(reply, "u", &cookie) >= 0) {
        hold.bus = bus;
        hold.cookie = cookie;
    } else {
        sd_bus_flush_close_unref(bus);
    }
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
}

void holdScreenSaver() {
    if (hold.display || hold.bus)
        return;
    int event, error;
    Display* display = glXGetCurrentDisplay();
    if (display && XScreenSaverQueryExtension(display, &event, &error)) {
        XScreenSaverSuspend(display, True);
        XFlush(display);
        hold.display = display;
    }
    inhibitDesktopScreenSaver();
    if (!hold.releasedAtExit)
        std::atexit(releaseScreenSaver);
    hold.releasedAtExit = true;
}

void releaseScreenSaver() {
    if (hold.display) {
        XScreenSaverSuspend(hold.display, False);
        XFlush(hold.display);
        hold.display = nullptr;
    }
    if (hold.bus) {
        sd_bus_call_method(hold.bus, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                           "org.freedesktop.ScreenSaver", "UnInhibit", nullptr, nullptr, "u",
                           hold.cookie);
        hold.bus = sd_bus_flush_close_unref(hold.bus);
    }
}
