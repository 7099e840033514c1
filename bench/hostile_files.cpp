// Peak memory and time of `inspect` on every hostile file: the crafted ones
// (tests/hostile_files.h) and every file of the fuzz corpora, each of at
// most 1 MB. Each run is a child process; its peak resident size comes from
// the kernel's account of the child.
//
//   hostile_files INSPECT OUT_DIR CORPUS_DIR
//
// Writes the crafted files into OUT_DIR (scripts/hostile-files then puts each
// in the demo's place), prints one line per file and the worst of each
// measure last. Exit status 1 when a file needs 256 MB or more, or 2 s or
// more.
#include "tests/hostile_files.h"
#include "tools/writers/tga_writer.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

struct Run {
    double seconds = 0;
    long peakKb = 0;
    int status = -1;
};

static Run runInspect(const std::string& inspect, const std::string& file) {
    const bool model = file.size() > 4 && file.compare(file.size() - 4, 4, ".3ds") == 0;
    const auto start = std::chrono::steady_clock::now();
    fflush(stdout); // the child would otherwise write what is still buffered
    const pid_t pid = fork();
    if (pid == 0) {
        if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr))
            _exit(127);
        if (model)
            execl(inspect.c_str(), "inspect", "model", file.c_str(), nullptr);
        else
            execl(inspect.c_str(), "inspect", "image", file.c_str(), "/dev/null", nullptr);
        _exit(127);
    }
    Run run;
    int status = 0;
    struct rusage usage {};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakKb = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: hostile_files INSPECT OUT_DIR CORPUS_DIR\n");
        return 2;
    }
    const std::string inspect = argv[1];
    const fs::path out = argv[2];
    fs::create_directories(out / "corpus");
    std::vector<std::string> files;
    for (auto group : {hostileTgaFiles, hostileBmpFiles, hostileJpegFiles, hostile3dsFiles})
        for (const HostileFile& file : group()) {
            writeFile((out / file.name).string(), file.bytes);
            files.push_back((out / file.name).string());
        }
    // Corpus files have no extension; the folder names the reader.
    const char* extensions[][2] = {
        {"tga", ".tga"}, {"bmp", ".bmp"}, {"jpeg", ".jpg"}, {"3ds", ".3ds"}};
    for (auto& [folder, extension] : extensions) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(fs::path(argv[3]) / folder, error)) {
            if (!entry.is_regular_file() || entry.file_size() > (1 << 20))
                continue;
            const fs::path copy =
                out / "corpus" /
                (std::string(folder) + "_" + entry.path().filename().string() + extension);
            fs::copy_file(entry.path(), copy, fs::copy_options::overwrite_existing);
            files.push_back(copy.string());
        }
    }

    Run worstMemory, worstTime;
    std::string worstMemoryFile, worstTimeFile;
    printf("%-60s %10s %8s %6s\n", "file", "peak MB", "seconds", "status");
    for (const std::string& file : files) {
        const Run run = runInspect(inspect, file);
        printf("%-60s %10.1f %8.3f %6d\n", fs::path(file).filename().c_str(), run.peakKb / 1024.0,
               run.seconds, run.status);
        if (run.peakKb > worstMemory.peakKb) {
            worstMemory = run;
            worstMemoryFile = file;
        }
        if (run.seconds > worstTime.seconds) {
            worstTime = run;
            worstTimeFile = file;
        }
    }
    printf("\n%zu files\n", files.size());
    printf("worst peak memory: %.1f MB (%s, %.3f s)\n", worstMemory.peakKb / 1024.0,
           fs::path(worstMemoryFile).filename().c_str(), worstMemory.seconds);
    printf("worst time: %.3f s (%s, %.1f MB)\n", worstTime.seconds,
           fs::path(worstTimeFile).filename().c_str(), worstTime.peakKb / 1024.0);
    return worstMemory.peakKb >= 256 * 1024 || worstTime.seconds >= 2.0 ? 1 : 0;
}
