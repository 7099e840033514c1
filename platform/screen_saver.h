// Keeps the screen awake while the show plays, as video players do.
#pragma once

// Holds off the X server's screen saver and power saving (the screen saver
// extension) and the desktop's (org.freedesktop.ScreenSaver on the session
// bus, where there is one), until released or the process ends.
void holdScreenSaver();
// Lets them go again; harmless when not held.
void releaseScreenSaver();
