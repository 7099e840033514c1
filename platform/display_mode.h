// The full-screen display.
#pragma once

// Enters the game mode set by glutGameModeString. Where the mode cannot be
// set (virtual displays, compositors, monitors without it) a 1024x768 window
// is made full screen instead. Asks for vertical sync where GLX offers it,
// since the scenes advance per frame.
void enterFullScreen();
// A 1024x768 window, with vertical sync where GLX offers it; no mode change.
void openWindow();
// True when vertical sync is in force on a display refreshing at 60 Hz, so
// the buffer swaps alone pace the frames at the rate the motion is made for.
bool verticalSyncAt60Hz();
