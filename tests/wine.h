// Windows programs run under Wine 8 for the tests, in one Wine prefix of the
// Windows build's (build-windows/wine), each on the X display and the sound
// server its test gives it.
#pragma once

#include <string>
#include <vector>

// Makes the prefix the first time (about ten seconds; tests started side by
// side wait for each other) and keeps a Wine server running for it, with
// its own services started away from any test's streams. False, with the
// reason, when Wine cannot.
bool prepareWine(std::string* trouble);
// The command that runs `program`, a Windows .exe, with `arguments`.
std::vector<std::string> wineCommand(const std::string& program,
                                     const std::vector<std::string>& arguments = {});
// What a Windows program's environment adds: the prefix, no Mono or Gecko
// to install, no menu entries made, Wine's own messages off, and `display`
// as its X display.
std::vector<std::string> wineEnvironment(const std::string& display);
