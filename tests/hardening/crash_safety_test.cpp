// The files the program replaces, while the writing process dies at any moment or the disk
// fills: each file is afterwards the old one or the new one, whole.
#include "broken_forms.h"

#include "base/error.h"
#include "desktop/wallpaper_list.h"
#include "dosjob/batch_file.h"
#include "registry/registry.h"
#include "restore/scanreg_ini.h"
#include "startup/startup_removal.h"
#include "sysaccess/registry_values.h"
#include "tests/startup/startup_machine.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <random>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

using namespace korvane;
using korvane::test::TempMachine;

namespace {

struct Writer {
    const char* name;
    std::string file;
    // Makes version 0 or 1 of the file, the way the program replaces it.
    std::function<void(w98::Machine&, int)> write;
};

std::string blob(char fill, std::size_t size) {
    return std::string(size, fill);
}

TextTable pictures(int count, WallpaperStyle style) {
    TextTable t = EmptyWallpaperTable();
    std::vector<PictureEntry> list;
    for (int i = 0; i < count; ++i)
        list.push_back({"C:\\My Documents\\Pictures\\图片" + std::to_string(i) + ".jpg", style});
    InsertPictureRows(t, list);
    return t;
}

std::vector<std::string> lines(const std::string& head, int count) {
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i)
        out.push_back(head + std::to_string(i));
    return out;
}

// Large enough that a replacement takes a while, so that the kills land inside it.
const std::vector<Writer>& writers() {
    static const std::vector<Writer> all = {
        {"SYSTEM.DAT", "C:\\WINDOWS\\SYSTEM.DAT",
         [](w98::Machine& m, int v) {
             m.registry().setValue(w98::kHkeyLocalMachine, "Software\\Crash",
                                   {"Data", w98::reg_type::kBinary, blob(v ? 'b' : 'a', 100000)});
         }},
        {"USER.DAT", "C:\\WINDOWS\\USER.DAT",
         [](w98::Machine& m, int v) {
             WriteRegStr(m, w98::kHkeyCurrentUser, "Control Panel\\desktop", "Wallpaper",
                         blob(v ? 'b' : 'a', 200000));
         }},
        {"win.ini", "C:\\WINDOWS\\win.ini",
         [](w98::Machine& m, int v) {
             if (v == 0)
                 m.writeTextLines("C:\\WINDOWS\\win.ini", lines("load=C:\\AGENT", 20000));
             else
                 EmptyWinIniLoadLines(m, "C:\\WINDOWS\\win.ini");
         }},
        {"scanreg.ini", "C:\\WINDOWS\\scanreg.ini",
         [](w98::Machine& m, int v) {
             if (v == 0)
                 WriteScanregTemplate(m, "C:\\WINDOWS");
             else
                 EditScanregIni(m, "C:\\WINDOWS\\scanreg.ini", 3, "C:\\WINDOWS\\sysbckup\\restore1");
         }},
        {"desk.dsk", kWallpaperListFile,
         [](w98::Machine& m, int v) {
             SaveWallpaperList(m, pictures(5000, v ? WallpaperStyle::Tiled : WallpaperStyle::Stretched));
         }},
        {"dosrun.bat", "C:\\dosrun.bat",
         [](w98::Machine& m, int v) {
             WriteBatchFile(m, "C:\\dosrun.bat", lines(v ? "copy a b" : "del x", 20000));
         }},
    };
    return all;
}

// Both versions of a writer's file, as its writer leaves them.
std::set<std::string> versionsOf(TempMachine& tm, const Writer& w) {
    std::set<std::string> out;
    for (int v : {0, 1}) {
        w.write(tm.machine(), v);
        out.insert(tm.bytes(w.file));
    }
    return out;
}

} // namespace

TEST(CrashSafety, AWriterKilledAtAnyMomentLeavesTheOldFileOrTheNewOne) {
    std::mt19937 random(20020517);
    int interrupted = 0;
    for (const Writer& w : writers()) {
        SCOPED_TRACE(w.name);
        TempMachine tm;
        tm.machine().writeTextLines("C:\\WINDOWS\\win.ini", {"[windows]"});
        WriteScanregTemplate(tm.machine(), "C:\\WINDOWS");
        const auto start = std::chrono::steady_clock::now();
        const std::set<std::string> versions = versionsOf(tm, w);
        ASSERT_EQ(versions.size(), 2u);
        const auto oneWrite = std::max<long>(
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start)
                    .count() /
                2,
            1000);
        for (int round = 0; round < 25; ++round) {
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                try {
                    auto m = tm.reopen(); // a process of its own sees the machine afresh
                    for (int v = round % 2;; v ^= 1)
                        w.write(*m, v);
                } catch (const std::exception& e) {
                    std::fprintf(stderr, "the writer failed: %s\n", e.what());
                }
                ::_exit(3);
            }
            ::usleep(static_cast<useconds_t>(std::uniform_int_distribution<long>(0, 3 * oneWrite)(random)));
            ::kill(child, SIGKILL);
            int status = 0;
            ::waitpid(child, &status, 0);
            ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";
            const std::string now = tm.bytes(w.file);
            EXPECT_TRUE(versions.count(now)) << "round " << round << ": " << now.size() << " bytes";
        }
        // A temporary file left behind is a kill that landed inside a replacement.
        interrupted += test::leftoverTemporaries(tm.machine().hostPath(w.file).parent_path());
        // The old file reads as it was.
        EXPECT_NO_THROW(w.write(*tm.reopen(), 0));
    }
    EXPECT_GT(interrupted, 0) << "no kill landed inside a replacement";
}

TEST(CrashSafety, AFullDiskLeavesTheOldFileWholeAndNoTemporaryFile) {
    for (const Writer& w : writers()) {
        SCOPED_TRACE(w.name);
        TempMachine tm;
        tm.machine().writeTextLines("C:\\WINDOWS\\win.ini", {"[windows]"});
        WriteScanregTemplate(tm.machine(), "C:\\WINDOWS");
        w.write(tm.machine(), 0);
        const std::string old = tm.bytes(w.file);
        {
            test::WritesFail full;
            EXPECT_THROW(w.write(tm.machine(), 1), w98::Error);
        }
        EXPECT_EQ(tm.bytes(w.file), old);
        EXPECT_EQ(test::leftoverTemporaries(tm.machine().hostPath(w.file).parent_path()), 0);
        // Once there is room again, the same writer succeeds.
        w.write(tm.machine(), 1);
        EXPECT_NE(tm.bytes(w.file), old);
    }
}

TEST(CrashSafety, AnImportThatCannotWriteItsSecondFileTakesBackTheFirst) {
    TempMachine tm;
    auto& r = tm.machine().registry();
    r.setValue(w98::kHkeyUsers, ".DEFAULT\\Big", {"Data", w98::reg_type::kBinary, blob('u', 1000)});
    const std::string system = tm.bytes("C:\\WINDOWS\\SYSTEM.DAT");
    const std::string user = tm.bytes("C:\\WINDOWS\\USER.DAT");
    // The user hive grows by far more than the machine hive: only its write meets the limit.
    {
        test::WritesFail full;
        struct rlimit limit {};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = static_cast<rlim_t>(std::max(system.size(), user.size()) + 200);
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::string bytes;
        for (int i = 0; i < 3000; ++i)
            bytes += i ? ",11" : "11";
        EXPECT_THROW(r.importText("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\A]\r\n\"x\"=\"1\"\r\n\r\n"
                                  "[HKEY_USERS\\.DEFAULT\\Big]\r\n\"More\"=hex:" +
                                      bytes + "\r\n",
                                  "C:\\X.REG"),
                     w98::Error);
    }
    EXPECT_EQ(tm.bytes("C:\\WINDOWS\\SYSTEM.DAT"), system);
    EXPECT_EQ(tm.bytes("C:\\WINDOWS\\USER.DAT"), user);
    EXPECT_FALSE(r.keyExists(w98::kHkeyLocalMachine, "Software\\A"));
}
