// The full-screen display.
#pragma once

// Enters the game mode set by glutGameModeString. Where the mode cannot be
// set (virtual displays, compositors, monitors without it) a 1024x768 window
// is made full screen instead. Asks for vertical sync where GLX offers it,
// since the scenes advance per frame.
void enterFullScreen();
