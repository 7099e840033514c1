// inspect VERB ARGS...: shows what the demo's own readers make of a file.
#include <cstdio>
#include <cstring>

// One function per verb, each in its own inspect_VERB.cpp.
int inspectModel(int argc, char** argv);
int inspectImage(int argc, char** argv);

struct Verb {
    const char* name;
    const char* arguments;
    int (*run)(int argc, char** argv); // argv[0] is the first argument after the verb
    int minArguments;
};

// Add a verb here: one line, and its inspect_VERB.cpp beside this file.
static const Verb verbs[] = {
    {"model", "FILE", inspectModel, 1},
    {"image", "FILE OUT.ppm", inspectImage, 2},
};

static int usage() {
    fprintf(stderr, "usage:\n");
    for (const Verb& verb : verbs)
        fprintf(stderr, "  inspect %s %s\n", verb.name, verb.arguments);
    return 2;
}

int main(int argc, char** argv) {
    if (argc < 2)
        return usage();
    for (const Verb& verb : verbs)
        if (strcmp(argv[1], verb.name) == 0)
            return argc - 2 < verb.minArguments ? usage() : verb.run(argc - 2, argv + 2);
    return usage();
}
