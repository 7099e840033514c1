#include "capture/capture.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <unistd.h>

static double nowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void startProgress(Progress* progress, int64_t totalFrames) {
    progress->total = std::max<int64_t>(totalFrames, 1);
    progress->terminal = isatty(STDERR_FILENO);
    progress->tenthsShown = 0;
    progress->startSeconds = nowSeconds();
    progress->lastDrawn = -1;
}

static void drawBar(const Progress& progress, int64_t done, double now) {
    const double elapsed = now - progress.startSeconds;
    const double fps = elapsed > 0 ? double(done) / elapsed : 0;
    const int64_t shown = std::min(done, progress.total);
    const int left = fps > 0 ? int(double(progress.total - shown) / fps + 0.5) : 0;
    const int width = 30;
    const int filled = int(shown * width / progress.total);
    char bar[width + 1];
    for (int i = 0; i < width; i++)
        bar[i] = i < filled ? '#' : '.';
    bar[width] = '\0';
    std::fprintf(stderr, "\r[%s] %lld/%lld frames  %5.1f fps  %d:%02d left ", bar,
                 static_cast<long long>(shown), static_cast<long long>(progress.total), fps,
                 left / 60, left % 60);
    std::fflush(stderr);
}

void showProgress(Progress* progress, int64_t done) {
    if (progress->terminal) {
        // Four times a second is enough for the eye.
        const double now = nowSeconds();
        if (now - progress->lastDrawn >= 0.25) {
            drawBar(*progress, done, now);
            progress->lastDrawn = now;
        }
        return;
    }
    const int tenths = int(std::min<int64_t>(done * 10 / progress->total, 9));
    while (progress->tenthsShown < tenths) {
        progress->tenthsShown++;
        std::fprintf(stderr, "capture: %d%% (%lld of %lld frames)\n", progress->tenthsShown * 10,
                     static_cast<long long>(done), static_cast<long long>(progress->total));
    }
}

void endProgress(Progress* progress, int64_t done) {
    if (progress->terminal) {
        progress->total = done;
        drawBar(*progress, done, nowSeconds());
        std::fprintf(stderr, "\n");
    } else {
        std::fprintf(stderr, "capture: 100%% (%lld frames)\n", static_cast<long long>(done));
    }
}
