// scripts/setup.sh's install_missing, as ./run-demo runs it, against the
// machine's own dpkg: another process holds the package manager's lock, as
// the daily upgrade of a fresh system does, and the set-up waits for it. The
// package it installs is the test's own, from a folder of its own, and is
// purged again.
#include "tests/child_process.h"
#include "tests/test_pictures.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const char* const probePackage = "marea-de-neon-lock-probe";
const char* const dpkgFrontendLock = "/var/lib/dpkg/lock-frontend";

// The fcntl write lock apt and dpkg take on a lock file, held by the test's
// own process (the set-up runs in another), until released.
class LockHolder {
  public:
    ~LockHolder() { release(); }
    // True once the lock is held.
    bool hold(const char* file) {
        fd = open(file, O_RDWR | O_CLOEXEC);
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        return fd >= 0 && fcntl(fd, F_SETLK, &lock) == 0;
    }
    void release() {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }

  private:
    int fd = -1;
};

bool installed(const std::string& package) {
    return runCommand("dpkg-query -W -f='${Status}' " + package, 10).out == "install ok installed";
}

bool writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path);
    return bool(out << text);
}

class Setup : public testing::Test {
  protected:
    void SetUp() override {
        if (geteuid() != 0)
            GTEST_SKIP() << "holding dpkg's lock and installing need root";
        dir = makeTempDir("setup_");
        ASSERT_FALSE(dir.empty());
        // apt fetches as its own user, who must read the folder.
        fs::permissions(dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
        purgeProbe();
    }
    void TearDown() override {
        setup.kill();
        holder.release();
        if (!dir.empty()) {
            purgeProbe();
            fs::remove_all(dir);
        }
    }
    static void purgeProbe() { runCommand(std::string("dpkg --purge ") + probePackage, 60); }

    // A package of nothing, in a repository that apt reads through the
    // configuration file returned: the machine's dpkg, with the lists, the
    // downloads and the logs in `dir`, so the machine's apt is left as it was.
    std::string makeRepository() {
        const std::string package = dir + "/package", repository = dir + "/repository";
        fs::create_directories(package + "/DEBIAN");
        fs::create_directories(repository);
        for (const char* folder :
             {"/sources.list.d", "/state/lists/partial", "/cache/archives/partial", "/log"})
            fs::create_directories(dir + folder);
        if (!writeText(package + "/DEBIAN/control",
                       std::string("Package: ") + probePackage +
                           "\nVersion: 1.0\nArchitecture: all\n"
                           "Maintainer: Marea de Neon tests <tests@localhost>\n"
                           "Description: nothing, installed while another process waited\n"
                           " Installed and purged by the tests of the set-up.\n"))
            return "";
        ProcessResult built = runCommand("dpkg-deb --root-owner-group --build '" + package + "' '" +
                                             repository + "/probe.deb'",
                                         60);
        ProcessResult indexed =
            runCommand("cd '" + repository + "' && dpkg-scanpackages . /dev/null > Packages", 60);
        if (built.exitCode != 0 || indexed.exitCode != 0)
            return "";
        if (!writeText(dir + "/sources.list", "deb [trusted=yes] file:" + repository + " ./\n"))
            return "";
        const std::pair<const char*, const char*> folders[] = {
            {"Dir::Etc::SourceList", "/sources.list"},
            {"Dir::Etc::SourceParts", "/sources.list.d"},
            {"Dir::State", "/state"},
            {"Dir::Cache", "/cache"},
            {"Dir::Log", "/log"}};
        std::string settings;
        for (const auto& [name, path] : folders)
            settings += std::string(name) + " \"" + dir + path + "\";\n";
        const std::string config = dir + "/apt.conf";
        if (!writeText(config, settings))
            return "";
        return config;
    }

    std::string dir;
    LockHolder holder;
    ChildProcess setup;
};

} // namespace

// While the lock is held the set-up says once who holds it and waits, then
// installs as soon as the lock is freed.
TEST_F(Setup, WaitsWhileAnotherProcessHoldsThePackageManagerAndInstallsOnceItIsFreed) {
    const std::string config = makeRepository();
    ASSERT_FALSE(config.empty());
    ASSERT_FALSE(installed(probePackage));
    ASSERT_TRUE(holder.hold(dpkgFrontendLock)) << "another program holds " << dpkgFrontendLock;
    ASSERT_TRUE(setup.start({"bash", "-c",
                             std::string("source scripts/setup.sh && PACKAGES=(") + probePackage +
                                 ") && install_missing"},
                            DEMO_SOURCE_DIR, {"APT_CONFIG=" + config}));
    std::ifstream comm("/proc/self/comm");
    std::string name;
    std::getline(comm, name);
    const std::string waiting = "Waiting for the package manager, held by process " +
                                std::to_string(getpid()) + " (" + name + "), for up to ";
    ASSERT_TRUE(setup.waitForOutput(waiting, 60)) << setup.out() << setup.err();

    std::this_thread::sleep_for(std::chrono::seconds(3));
    EXPECT_TRUE(setup.running()) << setup.out() << setup.err();
    EXPECT_FALSE(installed(probePackage));

    holder.release();
    const Clock::time_point freed = Clock::now();
    ASSERT_TRUE(setup.waitForExit(120));
    EXPECT_EQ(setup.exitCode(), 0) << setup.out() << setup.err();
    // apt looks at the lock again every second.
    EXPECT_LT(Clock::now() - freed, std::chrono::seconds(20));
    EXPECT_TRUE(installed(probePackage));
    const std::string out = setup.out();
    EXPECT_EQ(out.find("Waiting for"), out.rfind("Waiting for")) << out;
}
