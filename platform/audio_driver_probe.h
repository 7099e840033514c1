// Which of SDL's audio drivers can play on this machine, asked in a child
// process: a driver that crashes on the machine's sound set-up (SDL 2.26's
// PulseAudio driver does on a server without any sink) takes only the child
// down, and the sound libraries' complaints go to the child's muted standard
// error instead of the demo's.
#pragma once

#include <SDL2/SDL.h>
#include <string>
#include <vector>

// The drivers to try, in order: those SDL_AUDIODRIVER lists (separated by
// commas), else every driver SDL would pick by itself.
std::vector<std::string> audioDriverCandidates();

// True when `driver` starts and opens its default device for `want` in a
// child process; else false with the reason (SDL's, or how the child ended).
bool audioDriverPlays(const std::string& driver, const SDL_AudioSpec& want, std::string* reason);
