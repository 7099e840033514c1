#include "platform/startup.h"
#include "shell/shell.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static const char usageText[] =
    "Usage: %s [OPTION]...\n"
    "Plays the demo full screen.\n"
    "\n"
    "  --window        a 1024x768 window instead of the full screen\n"
    "  --from ORDER    start the song at order ORDER (0 to 22)\n"
    "  --mute          open no sound device; the song plays silently at its pace\n"
    "  --uncapped      draw frames back to back instead of 60 a second\n"
    "  --help          show this help and exit\n"
    "  --version       show the version and exit\n"
    "\n"
    "GLUT's options -display DISPLAY, -geometry WxH+X+Y, -direct, -indirect, -iconic,\n"
    "-gldebug and -sync are handed to GLUT.\n"
    "Keys: Esc or q quits, v switches the models between filled and line drawing.\n";

// GLUT's own command-line options and whether each takes a value.
static const struct {
    const char* name;
    bool takesValue;
} glutOptions[] = {{"-display", true},   {"-geometry", true}, {"-direct", false},
                   {"-indirect", false}, {"-iconic", false},  {"-gldebug", false},
                   {"-sync", false}};

static std::string usage(const char* program) {
    std::string text(sizeof usageText + std::strlen(program), '\0');
    text.resize(size_t(std::snprintf(&text[0], text.size(), usageText, program)));
    return text;
}

static int usageError(const char* program, const char* problem, const char* what) {
    const std::string text = std::string(program) + ": " + problem + " '" + what + "'\n";
    tellUser((text + usage(program)).c_str(), true);
    return 2;
}

bool isLongOption(const char* argument, const char* name, const char** inlineValue) {
    const size_t length = std::strlen(name);
    if (std::strncmp(argument, name, length) != 0)
        return false;
    if (argument[length] == '\0') {
        *inlineValue = nullptr;
        return true;
    }
    if (argument[length] == '=') {
        *inlineValue = argument + length + 1;
        return true;
    }
    return false;
}

bool parseNumber(const char* text, long low, long high, int* number) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || value < low || value > high)
        return false;
    *number = int(value);
    return true;
}

int parseOptions(int* argc, char** argv, DemoOptions* options) {
    // The program's name as typed, without its folder: a Windows program
    // is given its whole path, which its message box need not show.
    const char* program = argv[0] ? argv[0] : "demo";
    for (const char* at = program; *at; at++)
        if (*at == '/' || *at == '\\')
            program = at + 1;
    int kept = 1;
    for (int i = 1; i < *argc; i++) {
        const char* argument = argv[i];
        const char* value = nullptr;
        if (std::strcmp(argument, "--help") == 0) {
            tellUser(usage(program).c_str(), false);
            return 0;
        }
        if (std::strcmp(argument, "--version") == 0) {
            tellUser("Marea de Neon " DEMO_VERSION "\n", false);
            return 0;
        }
        if (std::strcmp(argument, "--window") == 0) {
            options->window = true;
        } else if (std::strcmp(argument, "--mute") == 0) {
            options->mute = true;
        } else if (std::strcmp(argument, "--uncapped") == 0) {
            options->uncapped = true;
        } else if (isLongOption(argument, "--from", &value)) {
            if (!value && i + 1 < *argc)
                value = argv[++i];
            if (!value)
                return usageError(program, "missing order after", argument);
            if (!parseNumber(value, 0, 22, &options->fromOrder))
                return usageError(program, "--from takes an order from 0 to 22, not", value);
        } else {
            bool glutOption = false;
            for (const auto& option : glutOptions) {
                if (std::strcmp(argument, option.name) != 0)
                    continue;
                glutOption = true;
                argv[kept++] = argv[i];
                if (option.takesValue) {
                    if (i + 1 >= *argc)
                        return usageError(program, "missing value after", argument);
                    argv[kept++] = argv[++i];
                }
            }
            if (!glutOption)
                return usageError(program, "unknown option", argument);
        }
    }
    argv[kept] = nullptr;
    *argc = kept;
    return -1;
}
