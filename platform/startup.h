// What a program asks of its platform before anything else, and the text it
// shows the person who started it.
#pragma once

// Readies the process. Windows: the console the program was started from,
// if any, takes its lines; the program's own folder becomes the current one,
// since its files lie beside it; GLUT is kept from an X display that the
// environment may name. Elsewhere nothing: the desktop's launcher starts
// the program in its data folder.
void startPlatform();

// The help, the version or a usage error, for the person who started the
// program: on standard output, or standard error for an error; where neither
// can be seen (a Windows program started from the desktop), in a message box.
void tellUser(const char* text, bool error);
