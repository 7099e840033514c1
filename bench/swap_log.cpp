// Preloaded into the demo by frame_pacing: notes the monotonic time and the
// process's CPU time at every buffer swap, into the file FRAME_LOG names,
// one "wall_ns cpu_ns" line per swap, written when the process ends.
#include <GL/glx.h>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <time.h>
#include <vector>

struct SwapTimes {
    long long wall, cpu;
};

static std::vector<SwapTimes>* swaps = nullptr;

static long long nanoseconds(clockid_t clock) {
    timespec now;
    clock_gettime(clock, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

static void writeLog() {
    const char* path = std::getenv("FRAME_LOG");
    FILE* file = path ? std::fopen(path, "w") : nullptr;
    if (!file)
        return;
    for (const SwapTimes& swap : *swaps)
        std::fprintf(file, "%lld %lld\n", swap.wall, swap.cpu);
    std::fclose(file);
}

extern "C" void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    using Swap = void (*)(Display*, GLXDrawable);
    static Swap real = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
    real(display, drawable);
    if (!swaps) {
        swaps = new std::vector<SwapTimes>;
        swaps->reserve(1 << 16);
        std::atexit(writeLog);
    }
    swaps->push_back({nanoseconds(CLOCK_MONOTONIC), nanoseconds(CLOCK_PROCESS_CPUTIME_ID)});
}
