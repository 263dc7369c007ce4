// The machine's programs killed at random moments while they write into a disk image, some
// while their changes go into the image: the FAT stays sound, every registry file and backup
// cabinet in the image is wholly the old one or a whole new one, and the next program opens
// the image.
#include "demo/demo_machine.h"
#include "tests/support/demo_image.h"
#include "tests/support/temp_machine.h"
#include "tests/support/tool_process.h"

#include "base/error.h"
#include "base/host_process.h"
#include "disk/working/image_mirror.h"
#include "platform/cabinet.h"
#include "platform/machine_programs.h"
#include "registry/registry_file.h"
#include "registry/registry_tree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using korvane::test::FatKind;

namespace {

using Clock = std::chrono::steady_clock;

std::string folded(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The demo machine in an image with a partition table, made and filled by mkfs.fat and mcopy,
// and a folder of its own for the image's working copy (XDG_CACHE_HOME).
class DemoImage {
  public:
    explicit DemoImage(FatKind kind) : folder_(korvane::test::makeTempFolder("korvane-kill")) {
        const char* cache = std::getenv("XDG_CACHE_HOME");
        oldCache_ = cache ? std::optional<std::string>(cache) : std::nullopt;
        ::setenv("XDG_CACHE_HOME", (folder_ / "cache").c_str(), 1);
        w98::createDemoMachine(folder_ / "demo");
        for (const char* round : {"1", "2"}) {
            std::ofstream reg(folder_ / "demo" / "drive_c" / (std::string("KILL") + round + ".REG"),
                              std::ios::binary);
            reg << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Korvane\\Kill]\r\n\"Round\"=\"" << round
                << "\"\r\n\r\n[HKEY_USERS\\.DEFAULT\\Software\\Korvane\\Kill]\r\n\"Round\"=\"" << round
                << "\"\r\n\r\n";
        }
        image_ = folder_ / (kind == FatKind::Fat32 ? "fat32.img" : "fat16.img");
        korvane::test::makeImageOfMachine(image_, kind, kind == FatKind::Fat32 ? 40 : 16, folder_ / "demo");
    }
    ~DemoImage() {
        if (oldCache_)
            ::setenv("XDG_CACHE_HOME", oldCache_->c_str(), 1);
        else
            ::unsetenv("XDG_CACHE_HOME");
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
    DemoImage(const DemoImage&) = delete;
    DemoImage& operator=(const DemoImage&) = delete;

    const fs::path& image() const { return image_; }
    const fs::path& folder() const { return folder_; }

  private:
    fs::path folder_;
    fs::path image_;
    std::optional<std::string> oldCache_;
};

// Adopts the descendants of the programs this test starts, so that a program's own children
// (a nested w98, the writer that puts a journal into the image) are waited for after it is
// killed, and nothing of one round still runs in the next.
class Adopter {
  public:
    Adopter() { ::prctl(PR_SET_CHILD_SUBREAPER, 1); }
    ~Adopter() { ::prctl(PR_SET_CHILD_SUBREAPER, 0); }
    Adopter(const Adopter&) = delete;
    Adopter& operator=(const Adopter&) = delete;
    static void waitForAll() {
        int status = 0;
        while (::waitpid(-1, &status, 0) > 0 || errno == EINTR) {
        }
    }
};

// Starts `w98 args` on the image (`korvane args` when args begin with "korvane"), its output
// going nowhere.
pid_t startW98(const fs::path& image, const std::vector<std::string>& args) {
    const bool korvane = args.front() == "korvane";
    std::vector<std::string> argv = {korvane ? (w98::w98Executable().parent_path() / "korvane").string()
                                             : w98::w98Executable().string()};
    argv.insert(argv.end(), args.begin() + (korvane ? 1 : 0), args.end());
    // A kill during a sanitizer's leak check at exit would read as a report of its own.
    std::vector<std::string> env = w98::environmentNaming(image);
    for (std::string& e : env)
        if (e.starts_with("ASAN_OPTIONS="))
            e += ":detect_leaks=0";
    return w98::startQuietly(argv, env, false);
}

int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Blocks until no program holds the image (the journal's writer keeps it locked while it
// writes), as the next program would wait.
void waitUntilImageFree(const fs::path& image) {
    const int fd = ::open(image.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::flock(fd, LOCK_EX), 0);
    ::close(fd);
}

// The registry files and the backup folder's cabinets as the image holds them, copied out by
// mcopy, keyed by lower-case name.
std::map<std::string, std::string> filesInImage(const fs::path& image, const fs::path& scratch) {
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    const std::vector<std::string> argv = {"mcopy",
                                           "-s",
                                           "-n",
                                           "-i",
                                           korvane::test::mtoolsVolume(image),
                                           "::/WINDOWS/SYSTEM.DAT",
                                           "::/WINDOWS/USER.DAT",
                                           "::/WINDOWS/SYSBCKUP",
                                           scratch.string() + "/"};
    const auto result = korvane::test::runTool(argv, {{"MTOOLS_SKIP_CHECK", "1"},
                                                      {"MTOOLSRC", "/dev/null"},
                                                      {"MTOOLS_NO_VFAT", "0"},
                                                      {"LC_ALL", "C.UTF-8"}});
    if (result.exitCode != 0)
        throw std::runtime_error(korvane::test::describeRun(argv, result));
    std::map<std::string, std::string> files;
    for (const fs::path& folder : {scratch, scratch / "SYSBCKUP", scratch / "sysbckup"})
        if (fs::is_directory(folder))
            for (const auto& e : fs::directory_iterator(folder))
                if (e.is_regular_file())
                    files[folded(e.path().filename().string())] = korvane::test::readBytes(e.path());
    return files;
}

// Why bytes are not a whole registry file or cabinet ("" when they are).
std::string incomplete(const std::string& name, const std::string& bytes) {
    try {
        if (name == "system.dat")
            w98::readHive(bytes, name, "HKEY_LOCAL_MACHINE");
        else if (name == "user.dat")
            w98::readHive(bytes, name, "HKEY_USERS");
        else
            for (const w98::CabEntry& e : w98::readCabinet(bytes, name))
                if (folded(e.name) == "system.dat" || folded(e.name) == "user.dat")
                    w98::readHive(e.data, name + "/" + e.name,
                                  folded(e.name) == "system.dat" ? "HKEY_LOCAL_MACHINE" : "HKEY_USERS");
    } catch (const w98::Error& e) {
        return e.what();
    }
    return "";
}

struct Command {
    std::vector<std::string> args;
    Clock::duration unkilled{};
};

void killAtRandomWhileWriting(FatKind kind, int rounds) {
    DemoImage demo(kind);
    Adopter adopter;
    const fs::path& image = demo.image();
    std::vector<Command> commands = {{{"scanregw", "/backup"}},
                                     {{"regedit", "/s", "C:\\KILL1.REG"}},
                                     {{"attrib", "+r", "C:\\WINDOWS\\WIN.INI"}},
                                     {{"boot"}},
                                     {{"regedit", "/s", "C:\\KILL2.REG"}},
                                     {{"attrib", "-r", "C:\\WINDOWS\\WIN.INI"}},
                                     {{"korvane", "create"}}};
    // How long each takes when it is left alone: the kills are spread over that time, the
    // changes going into the image at its end.
    for (Command& c : commands) {
        const auto start = Clock::now();
        const pid_t pid = startW98(image, c.args);
        ASSERT_GT(pid, 0);
        ASSERT_EQ(waitFor(pid), 0) << c.args.front();
        c.unkilled = Clock::now() - start;
        Adopter::waitForAll();
    }
    ASSERT_EQ(korvane::test::fsckFatProblems(image), "");

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::map<std::string, std::string> before = filesInImage(image, demo.folder() / "out");
    ASSERT_TRUE(before.contains("system.dat") && before.contains("user.dat"));
    int killed = 0, changedAfterKill = 0;
    // A program may end before its kill when the machine is slower than when it was timed
    // (under a sanitizer, or busy): the rounds go on until enough were killed.
    for (int round = 0; killed < rounds && round < 4 * rounds; ++round) {
        const Command& c = commands[static_cast<std::size_t>(round) % commands.size()];
        SCOPED_TRACE("round " + std::to_string(round) + ": w98 " + c.args.front());
        // Every other kill lands in the last part of the run, where the changes go into the image.
        const long whole = std::chrono::duration_cast<std::chrono::microseconds>(c.unkilled).count();
        const auto delay = std::chrono::microseconds(
            std::uniform_int_distribution<long>(round % 2 ? whole / 2 : 0, whole)(random));
        const auto imageTime = fs::last_write_time(image);
        const pid_t pid = startW98(image, c.args);
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(delay);
        ::kill(pid, SIGKILL);
        if (waitFor(pid) == 128 + SIGKILL) {
            ++killed;
            Adopter::waitForAll();
            waitUntilImageFree(image);
            changedAfterKill += fs::last_write_time(image) != imageTime;
        } else {
            Adopter::waitForAll();
            waitUntilImageFree(image);
        }

        // Killed while its changes went in: at most what ScanDisk mends, until the next opening
        // finishes the journal.
        ASSERT_EQ(korvane::test::unmendable(korvane::test::fsckFatProblems(image)), "");
        const std::map<std::string, std::string> now = filesInImage(image, demo.folder() / "out");
        ASSERT_TRUE(now.contains("system.dat") && now.contains("user.dat"));
        for (const auto& [name, bytes] : now) {
            const auto old = before.find(name);
            if (old == before.end() || old->second != bytes) {
                EXPECT_EQ(incomplete(name, bytes), "") << name;
            }
        }
        before = now;
    }
    // Kills before the program wrote anything, and while its changes went into the image.
    ::testing::Test::RecordProperty("killed", killed);
    ::testing::Test::RecordProperty("image_changed_after_kill", changedAfterKill);
    EXPECT_GE(killed, rounds / 2);

    // The image opens again: a journal left behind is dealt with, and the programs work.
    const pid_t reopen = startW98(image, {"attrib", "C:\\*.*"});
    ASSERT_GT(reopen, 0);
    EXPECT_EQ(waitFor(reopen), 0);
    Adopter::waitForAll();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"regedit", "/s", "C:\\KILL1.REG"},
          std::vector<std::string>{"attrib", "-r", "C:\\WINDOWS\\WIN.INI"}}) {
        const pid_t pid = startW98(image, args);
        ASSERT_GT(pid, 0);
        EXPECT_EQ(waitFor(pid), 0) << args.front();
        Adopter::waitForAll();
    }
    EXPECT_EQ(korvane::test::fsckFatProblems(image), "");
    const auto last = filesInImage(image, demo.folder() / "out");
    for (const char* name : {"system.dat", "user.dat"})
        EXPECT_EQ(incomplete(name, last.at(name)), "") << name;
    // The last import is in the image.
    const auto system = w98::readHive(last.at("system.dat"), "SYSTEM.DAT", "HKEY_LOCAL_MACHINE");
    const w98::regtree::Key* kill = w98::regtree::findPath(*system, {"Software", "Korvane", "Kill"});
    ASSERT_NE(kill, nullptr);
    ASSERT_NE(kill->findValue("Round"), nullptr);
    EXPECT_EQ(kill->findValue("Round")->value.data, std::string("1", 2));
    EXPECT_FALSE(fs::exists(w98::disk::ImageMirror::folderFor(image) / "image.journal"));
    // The registry files keep the attributes the demo machine gives them.
    std::map<std::string, int> attributes;
    for (const auto& e : korvane::test::mtoolsListing(image))
        attributes[e.path] = e.attributes;
    EXPECT_EQ(attributes["WINDOWS\\SYSTEM.DAT"], 0x07);
    EXPECT_EQ(attributes["WINDOWS\\USER.DAT"], 0x07);
    EXPECT_EQ(attributes["WINDOWS\\WIN.INI"], 0x20);
}

// A storage daemon serving the folder's disk, or a mount of it, still there.
bool exportLeftIn(const fs::path& folder) {
    for (const auto& e : fs::directory_iterator("/proc")) {
        const std::string words = korvane::test::readBytes(e.path() / "cmdline");
        if (words.starts_with("qemu-storage-daemon") && words.find(folder.string()) != std::string::npos)
            return true;
    }
    return korvane::test::readBytes("/proc/self/mountinfo").find(folder.string()) != std::string::npos;
}

// The storage daemon serving the folder's disk, once it runs; 0 if none came within 10 s.
pid_t daemonServing(const fs::path& folder) {
    for (int i = 0; i < 10000; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(1)))
        for (const auto& e : fs::directory_iterator("/proc")) {
            const std::string words = korvane::test::readBytes(e.path() / "cmdline");
            if (words.starts_with("qemu-storage-daemon") && words.find(folder.string()) != std::string::npos)
                return std::stoi(e.path().filename().string());
        }
    return 0;
}

// The first child a program started (its export's helper), or 0 once the program ended.
bool startedAChild(pid_t pid) {
    const std::string children = korvane::test::readBytes("/proc/" + std::to_string(pid) + "/task/" +
                                                          std::to_string(pid) + "/children");
    return !children.empty();
}

// Killed at the earliest moments on a container: the instant it starts its export's helpers,
// once the daemon runs, and within its first milliseconds. Nothing of the export outlives the
// program, and the container is free for the virtual PC.
TEST(DiskImageKill, AProgramKilledEarlyOnAContainerLeavesNoDaemonNorMount) {
    DemoImage demo(FatKind::Fat16);
    const fs::path vdi = demo.folder() / "c.vdi";
    ASSERT_EQ(korvane::test::runTool(
                  {"qemu-img", "convert", "-f", "raw", "-O", "vdi", demo.image().string(), vdi.string()})
                  .exitCode,
              0);
    const fs::path folder = w98::disk::ImageMirror::folderFor(vdi);
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const pid_t pid = startW98(vdi, {"attrib", "C:\\*.*"});
        ASSERT_GT(pid, 0);
        if (round % 3 == 0) {
            while (!startedAChild(pid) && ::waitpid(pid, nullptr, WNOHANG) == 0) {
            }
        } else if (round % 3 == 1) {
            while (!exportLeftIn(folder) && ::waitpid(pid, nullptr, WNOHANG) == 0)
                std::this_thread::sleep_for(std::chrono::microseconds(100));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5 * round));
        }
        ::kill(pid, SIGKILL);
        waitFor(pid);
        for (int i = 0; i < 1000 && exportLeftIn(folder); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_FALSE(exportLeftIn(folder));
        EXPECT_EQ(korvane::test::runTool({"qemu-img", "check", vdi.string()}).exitCode, 0);
    }
    // A daemon told to end takes its time (held here as it is told): the program waits for it,
    // so that the container is free for the virtual PC the moment the program has ended.
    const pid_t reopen = startW98(vdi, {"attrib", "C:\\*.*"});
    ASSERT_GT(reopen, 0);
    const pid_t daemon = daemonServing(folder);
    ASSERT_GT(daemon, 0);
    ASSERT_EQ(::ptrace(PTRACE_SEIZE, daemon, nullptr, nullptr), 0);
    int status = 0;
    while (::waitpid(daemon, &status, __WALL) == daemon && WIFSTOPPED(status) && WSTOPSIG(status) != SIGTERM)
        ::ptrace(PTRACE_CONT, daemon, nullptr, WSTOPSIG(status));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(::waitpid(reopen, &status, WNOHANG), 0) << "the program ended before its daemon";
    ::ptrace(PTRACE_DETACH, daemon, nullptr, SIGTERM);
    waitFor(reopen);
    EXPECT_FALSE(exportLeftIn(folder));
}

TEST(DiskImageKill, Fat32ImageStaysSoundWhenProgramsAreKilledWhileWriting) {
    killAtRandomWhileWriting(FatKind::Fat32, 30);
}

TEST(DiskImageKill, Fat16ImageStaysSoundWhenProgramsAreKilledWhileWriting) {
    killAtRandomWhileWriting(FatKind::Fat16, 30);
}

} // namespace
