#include "capture/capture.h"
#include "scenes/scenes.h"
#include "shell/shell.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

static const char usageText[] =
    "Usage: %s [OPTION]... OUT.mp4|OUT.mkv\n"
    "Writes the demo from the files in the current folder as a video file, picture\n"
    "and sound, 60 frames a second, without any display.\n"
    "\n"
    "  --size WxH      the picture's size, even numbers from 16x16 to 7680x4320\n"
    "                  (default 1024x768); off 4:3 the picture gets black bands.\n"
    "                  For video sites: 1920x1080 or 3840x2160 (16:9, with\n"
    "                  bands), 1440x1080 or 2880x2160 (the 4:3 picture alone)\n"
    "  --supersample N draw each frame N times as wide and high (1 to 4) and\n"
    "                  scale it down, so edges show no stair steps; default 2\n"
    "                  for pictures more than 768 lines high, else 1 (none)\n"
    "  --from ORDER    start at order ORDER of the song (0 to 22)\n"
    "  --to ORDER      end before order ORDER (1 to 23, default 23)\n"
    "  --draw-every-frame\n"
    "                  draw and read back every frame in turn, the still\n"
    "                  scenes' too: slower, the same video\n"
    "  --help          show this help and exit\n"
    "  --version       show the version and exit\n"
    "\n"
    "OUT.mp4 holds H.264 with AAC sound, OUT.mkv H.264 with FLAC sound, as video\n"
    "sites recommend for uploads. The bitrate is at least what they recommend for\n"
    "the class they serve the video as, by its height (the tallest class not\n"
    "taller than the picture): 7.5 Mbit/s from 720 lines (1024x768), 12 from 1080\n"
    "(1440x1080 too), 24 from 1440, 53 from 2160; 4 from 480 and 1.5 below that.\n"
    "Needs the ffmpeg program.\n";

static const int maxSupersample = 4;
// The largest surface Mesa's llvmpipe draws on.
static const int maxDrawnSide = 16384;

static int usageError(const char* program, const char* problem, const char* what) {
    std::fprintf(stderr, "%s: %s '%s'\n", program, problem, what);
    std::fprintf(stderr, usageText, program);
    return 2;
}

// yuv420p halves both sides, so they must be even; the upper bound keeps a
// frame within what Mesa's surfaces and x264's levels take.
static bool parseSize(const char* text, int* width, int* height) {
    const char* x = std::strchr(text, 'x');
    if (!x || x == text)
        return false;
    const std::string widthText(text, size_t(x - text));
    if (!std::isdigit(static_cast<unsigned char>(x[1])))
        return false;
    return parseNumber(widthText.c_str(), 16, 7680, width) &&
           parseNumber(x + 1, 16, 4320, height) && *width % 2 == 0 && *height % 2 == 0;
}

static bool endsWith(const std::string& text, const char* ending) {
    const size_t length = std::strlen(ending);
    return text.size() > length && strcasecmp(text.c_str() + text.size() - length, ending) == 0;
}

int parseCaptureOptions(int argc, char** argv, CaptureOptions* options) {
    const char* program = argc > 0 && argv[0] ? argv[0] : "capture";
    for (int i = 1; i < argc; i++) {
        const char* argument = argv[i];
        const char* value = nullptr;
        if (std::strcmp(argument, "--help") == 0) {
            std::printf(usageText, program);
            return 0;
        }
        if (std::strcmp(argument, "--draw-every-frame") == 0) {
            options->drawEveryFrame = true;
            continue;
        }
        if (std::strcmp(argument, "--version") == 0) {
            std::printf("Marea de Neon capture %s\n", DEMO_VERSION);
            return 0;
        }
        const char* names[] = {"--size", "--from", "--to", "--supersample"};
        const char* name = nullptr;
        for (const char* candidate : names)
            if (isLongOption(argument, candidate, &value))
                name = candidate;
        if (name) {
            if (!value && i + 1 < argc)
                value = argv[++i];
            if (!value)
                return usageError(program, "missing value after", argument);
            if (name == names[0] && !parseSize(value, &options->width, &options->height))
                return usageError(program, "--size takes an even WxH from 16x16 to 7680x4320, not",
                                  value);
            if (name == names[1] && !parseNumber(value, 0, 22, &options->fromOrder))
                return usageError(program, "--from takes an order from 0 to 22, not", value);
            if (name == names[2] && !parseNumber(value, 1, 23, &options->toOrder))
                return usageError(program, "--to takes an order from 1 to 23, not", value);
            if (name == names[3] && !parseNumber(value, 1, maxSupersample, &options->supersample))
                return usageError(program, "--supersample takes a number from 1 to 4, not", value);
        } else if (argument[0] == '-' && argument[1] != '\0') {
            return usageError(program, "unknown option", argument);
        } else if (!options->out.empty()) {
            return usageError(program, "one output file only, not also", argument);
        } else {
            options->out = argument;
        }
    }
    if (options->out.empty()) {
        std::fprintf(stderr, "%s: no output file\n", program);
        std::fprintf(stderr, usageText, program);
        return 2;
    }
    if (!endsWith(options->out, ".mp4") && !endsWith(options->out, ".mkv"))
        return usageError(program,
                          "the output file must end in .mp4 or .mkv:", options->out.c_str());
    if (options->supersample == 0)
        options->supersample =
            pictureArea(options->width, options->height).height > madeForLines ? 2 : 1;
    if (options->width * options->supersample > maxDrawnSide ||
        options->height * options->supersample > maxDrawnSide) {
        std::fprintf(stderr,
                     "%s: %dx%d drawn %d times as large is more than %d pixels on a side; "
                     "choose a smaller --supersample\n",
                     program, options->width, options->height, options->supersample, maxDrawnSide);
        std::fprintf(stderr, usageText, program);
        return 2;
    }
    if (options->toOrder <= options->fromOrder) {
        std::fprintf(stderr, "%s: --to %d does not come after --from %d\n", program,
                     options->toOrder, options->fromOrder);
        std::fprintf(stderr, usageText, program);
        return 2;
    }
    return -1;
}
