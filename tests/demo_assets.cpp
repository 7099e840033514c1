#include "tests/demo_assets.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

std::string generatedAssets(const std::string& assetgen, const std::string& cacheDir) {
    std::error_code error;
    fs::path dir = cacheDir;
    fs::path stamp = dir / ".complete";
    int lock = open((cacheDir + ".lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    if (lock < 0 || flock(lock, LOCK_EX) != 0) {
        if (lock >= 0)
            close(lock);
        return "";
    }
    bool fresh = fs::exists(stamp, error) &&
                 fs::last_write_time(stamp, error) >= fs::last_write_time(assetgen, error);
    if (!fresh) {
        fs::remove_all(dir, error);
        fs::create_directories(dir, error);
        std::string command = "'" + assetgen + "' '" + dir.string() + "'";
        fresh = std::system(command.c_str()) == 0;
        if (fresh) {
            FILE* file = fopen(stamp.c_str(), "w");
            fresh = file && fclose(file) == 0;
        }
    }
    flock(lock, LOCK_UN);
    close(lock);
    return fresh ? dir.string() : std::string();
}

bool copyFiles(const std::string& from, const std::string& to) {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(from, error)) {
        if (!entry.is_regular_file() || entry.path().filename().string()[0] == '.')
            continue;
        if (!fs::copy_file(entry.path(), fs::path(to) / entry.path().filename(),
                           fs::copy_options::overwrite_existing, error))
            return false;
    }
    return !error;
}
