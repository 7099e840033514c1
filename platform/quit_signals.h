// Ctrl-C, kill and a closed terminal end the demo in order: the main loop
// gives the user's display mode back and lets the screen saver go first.
#pragma once

// From now on SIGINT, SIGTERM and SIGHUP only note that the demo is to end;
// a second one ends it at once.
void catchQuitSignals();
// The signal that asked the demo to end; 0 while none has.
int quitSignal();
// Ends the process as that signal would have ended it.
[[noreturn]] void endBySignal(int signal);
