#include "platform/startup.h"

#include <cstdio>

void startPlatform() {}

void tellUser(const char* text, bool error) {
    std::fputs(text, error ? stderr : stdout);
    std::fflush(error ? stderr : stdout);
}
