// The full-screen display.
#pragma once

// Enters the game mode set by glutGameModeString. Where the mode cannot be
// set, or is said to be set but the screen keeps its size (virtual displays,
// compositors, monitors without it), a 1024x768 window is made full screen
// instead. The pointer is hidden. Asks for vertical sync where GLX offers
// it, since the scenes advance per frame. The mode is given back at exit.
void enterFullScreen();
// A 1024x768 window, with vertical sync where GLX offers it; no mode change.
void openWindow();
// Gives the user's display mode back; nothing outside game mode.
void leaveFullScreen();

// The current window's name, class and process for the desktop: the title
// "Marea de Neon", and the class the menu entry's StartupWMClass names.
void nameWindow();
// The current window's icon (_NET_WM_ICON), scaled down from an RGBA
// picture whose rows run from the bottom.
void setWindowIcon(int width, int height, const unsigned char* rgba);
// True when vertical sync is in force on a display refreshing at 60 Hz, so
// the buffer swaps alone pace the frames at the rate the motion is made for.
bool verticalSyncAt60Hz();
