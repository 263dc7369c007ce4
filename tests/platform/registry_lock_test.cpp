// Several processes writing the registry at the same time: every change survives, a writer that
// dies while writing blocks nobody, and a writer that never lets go makes the others fail in
// bounded time, with a message naming the file, without changing anything.
#include "base/error.h"
#include "base/file_lock.h"
#include "platform/machine.h"
#include "registry/registry.h"
#include "registry/registry_file.h"
#include "registry/registry_lock.h"
#include "registry/registry_pair.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace w98;
using korvane::test::forkChild;
using korvane::test::StuckLockHolder;
using korvane::test::waitForChild;

using korvane::test::readBytes;

namespace {

const std::string kSystemName = "C:\\WINDOWS\\SYSTEM.DAT";
const std::string kUserName = "C:\\WINDOWS\\USER.DAT";

std::string busyMessage(const std::string& file) {
    return "另一个程序正在改写注册表文件 " + file + "，等了几秒仍未完成，这次什么也没有做。请稍后再试。";
}

// The registry files' forms: each starts as an empty registry of its own form, and must still be
// in that form after the writers are done.
struct HiveForms {
    const char* name;
    std::function<void(const fs::path& system, const fs::path& user)> seed;
    std::function<bool(const std::string& bytes)> isForm;
};

void PrintTo(const HiveForms& form, std::ostream* os) {
    *os << form.name;
}

void writeFile(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

const HiveForms kTextForm{
    "text",
    [](const fs::path& system, const fs::path& user) {
        writeFile(system,
                  "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n\r\n");
        writeFile(user, "REGEDIT4\r\n\r\n[HKEY_USERS]\r\n\r\n[HKEY_USERS\\.DEFAULT]\r\n\r\n");
    },
    [](const std::string& bytes) { return bytes.starts_with("REGEDIT4\r\n"); }};

const HiveForms kBinaryForm{"binary",
                            [](const fs::path& system, const fs::path& user) {
                                writeFile(system, emptyHiveBytes(HiveForm::Binary, "HKEY_LOCAL_MACHINE"));
                                writeFile(user, emptyHiveBytes(HiveForm::Binary, "HKEY_USERS"));
                            },
                            [](const std::string& bytes) { return bytes.starts_with("CREG"); }};

// Restores the lock wait a test shortened.
struct LockWait {
    explicit LockWait(std::chrono::milliseconds wait) : before(registryLockWait()) {
        setRegistryLockWait(wait);
    }
    ~LockWait() { setRegistryLockWait(before); }
    std::chrono::milliseconds before;
};

class RegistryLockTest : public ::testing::TestWithParam<HiveForms> {
  protected:
    void SetUp() override {
        dir_ = korvane::test::makeTempFolder("korvane-registry-lock");
        system_ = dir_ / "SYSTEM.DAT";
        user_ = dir_ / "USER.DAT";
        GetParam().seed(system_, user_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    Registry open() const { return Registry(system_, kSystemName, user_, kUserName); }

    fs::path dir_, system_, user_;
};

std::string text(const std::optional<RegValue>& v) {
    if (!v)
        return "<none>";
    std::string s = v->data;
    while (!s.empty() && s.back() == '\0')
        s.pop_back();
    return s;
}

} // namespace

TEST_P(RegistryLockTest, ProcessesWritingAtTheSameTimeLoseNothing) {
    constexpr int kWriters = 4, kRounds = 30;
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    std::vector<pid_t> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.push_back(forkChild([&, w] {
            ::close(start[1]);
            char c;
            (void)!::read(start[0], &c, 1); // all start together, when the parent closes the pipe
            Registry r = open();
            const std::string me = std::to_string(w);
            for (int round = 0; round < kRounds; ++round) {
                const std::string n = me + "-" + std::to_string(round);
                // The same key as every other writer, a key of its own, and the other file.
                r.setValue(kHkeyLocalMachine, "Software\\Shared",
                           {"v" + n, reg_type::kDword, regDwordData(static_cast<std::uint32_t>(round))});
                r.setValue(kHkeyLocalMachine, "Software\\Writer" + me,
                           {"r" + std::to_string(round), reg_type::kSz, regStringData(n)});
                r.setValue(kHkeyCurrentUser, "Software\\Shared", {"v" + n, reg_type::kSz, regStringData(n)});
                // A value that comes and goes must not come back from another writer's stale copy.
                r.setValue(kHkeyLocalMachine, "Software\\Shared",
                           {"gone" + n, reg_type::kSz, regStringData("x")});
                r.deleteValue(kHkeyLocalMachine, "Software\\Shared", "gone" + n);
                if (round % 5 == 0)
                    r.importText("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Imports]\r\n\"i" + n +
                                     "\"=\"" + n + "\"\r\n\r\n[HKEY_USERS\\.DEFAULT\\Imports]\r\n\"i" + n +
                                     "\"=\"" + n + "\"\r\n",
                                 "C:\\W" + me + ".REG");
            }
        }));
    }
    ::close(start[0]);
    ::close(start[1]);
    for (pid_t pid : writers)
        EXPECT_EQ(waitForChild(pid), 0);

    Registry r = open();
    EXPECT_EQ(r.values(kHkeyLocalMachine, "Software\\Shared").size(),
              static_cast<std::size_t>(kWriters * kRounds));
    EXPECT_EQ(r.values(kHkeyCurrentUser, "Software\\Shared").size(),
              static_cast<std::size_t>(kWriters * kRounds));
    EXPECT_EQ(r.values(kHkeyLocalMachine, "Software\\Imports").size(),
              static_cast<std::size_t>(kWriters * kRounds / 5));
    EXPECT_EQ(r.values(kHkeyUsers, ".DEFAULT\\Imports").size(),
              static_cast<std::size_t>(kWriters * kRounds / 5));
    int missing = 0;
    for (int w = 0; w < kWriters; ++w) {
        EXPECT_EQ(r.values(kHkeyLocalMachine, "Software\\Writer" + std::to_string(w)).size(),
                  static_cast<std::size_t>(kRounds));
        for (int round = 0; round < kRounds; ++round) {
            const std::string n = std::to_string(w) + "-" + std::to_string(round);
            auto v = r.getValue(kHkeyLocalMachine, "Software\\Shared", "v" + n);
            missing += !v || regDwordFromData(v->data) != static_cast<std::uint32_t>(round);
            missing += text(r.getValue(kHkeyCurrentUser, "Software\\Shared", "v" + n)) != n;
            missing += r.getValue(kHkeyLocalMachine, "Software\\Shared", "gone" + n).has_value();
        }
    }
    EXPECT_EQ(missing, 0);
    EXPECT_TRUE(GetParam().isForm(readBytes(system_)));
    EXPECT_TRUE(GetParam().isForm(readBytes(user_)));
}

// Threads of one process that each have a registry of their own wait for each other as
// processes do: holding the lock in one thread does not let another thread in.
TEST_P(RegistryLockTest, ThreadsOfOneProcessWritingAtTheSameTimeLoseNothing) {
    constexpr int kThreads = 3, kRounds = 20;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            try {
                Registry r = open();
                for (int round = 0; round < kRounds; ++round) {
                    const std::string n = std::to_string(t) + "-" + std::to_string(round);
                    r.setValue(kHkeyLocalMachine, "Software\\Shared",
                               {"v" + n, reg_type::kSz, regStringData(n)});
                    r.importText("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Imports]\r\n\"i" + n +
                                     "\"=\"1\"\r\n\r\n[HKEY_USERS\\.DEFAULT\\Imports]\r\n\"i" + n +
                                     "\"=\"1\"\r\n",
                                 "C:\\T.REG");
                }
            } catch (const std::exception&) {
                ++failures;
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    Registry r = open();
    EXPECT_EQ(r.values(kHkeyLocalMachine, "Software\\Shared").size(),
              static_cast<std::size_t>(kThreads * kRounds));
    EXPECT_EQ(r.values(kHkeyLocalMachine, "Software\\Imports").size(),
              static_cast<std::size_t>(kThreads * kRounds));
    EXPECT_EQ(r.values(kHkeyUsers, ".DEFAULT\\Imports").size(), static_cast<std::size_t>(kThreads * kRounds));
}

TEST_P(RegistryLockTest, AWriterKilledWhileHoldingTheLockBlocksNobody) {
    Registry r = open();
    r.setValue(kHkeyLocalMachine, "Software\\Kept", {"Before", reg_type::kSz, regStringData("1")});
    const std::string before = readBytes(system_);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t writer = forkChild([&] {
        ::close(ready[0]);
        HiveFile hive(system_, kSystemName, "HKEY_LOCAL_MACHINE");
        hive.change([&](regtree::Key& tree) {
            bool created = false;
            regtree::createPath(tree, {{"Software", "Software"}, {"Dead", "Dead"}}, created);
            (void)!::write(ready[1], "x", 1);
            for (;;)
                ::pause(); // killed here, half way through its change
            return true;
        });
    });
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    {
        // It really holds the lock: nobody else writes now.
        LockWait shortWait(std::chrono::milliseconds(100));
        EXPECT_THROW(
            r.setValue(kHkeyLocalMachine, "Software\\Kept", {"During", reg_type::kSz, regStringData("2")}),
            Error);
    }
    ::kill(writer, SIGKILL);
    EXPECT_EQ(waitForChild(writer), 128 + SIGKILL);
    EXPECT_EQ(readBytes(system_), before);

    const auto start = std::chrono::steady_clock::now();
    r.setValue(kHkeyLocalMachine, "Software\\Kept", {"After", reg_type::kSz, regStringData("3")});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    Registry other = open();
    EXPECT_EQ(text(other.getValue(kHkeyLocalMachine, "Software\\Kept", "Before")), "1");
    EXPECT_EQ(text(other.getValue(kHkeyLocalMachine, "Software\\Kept", "During")), "<none>");
    EXPECT_EQ(text(other.getValue(kHkeyLocalMachine, "Software\\Kept", "After")), "3");
    EXPECT_FALSE(other.keyExists(kHkeyLocalMachine, "Software\\Dead"));
}

// An import changing both files, killed at each step of their replacement: the next program
// to take the lock finds both files new (once the pair was ready) or both old (before), and
// nothing of the step left beside them.
TEST_P(RegistryLockTest, AnImportKilledBetweenTheTwoReplacementsChangesBothOrNeither) {
    const std::string before[2] = {readBytes(system_), readBytes(user_)};
    for (const char* step : {"prepared", "ready", "between"}) {
        SCOPED_TRACE(step);
        const std::string killedAt = step;
        const pid_t writer = forkChild([&] {
            setHivePairStepHook([&](const std::string& now) {
                if (now == killedAt)
                    ::_exit(9); // as a kill there would
            });
            Registry r = open();
            r.importText("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Pair]\r\n\"Step\"=\"" + killedAt +
                             "\"\r\n\r\n[HKEY_USERS\\.DEFAULT\\Software\\Pair]\r\n\"Step\"=\"" + killedAt +
                             "\"\r\n\r\n",
                         "PAIR.REG");
        });
        ASSERT_EQ(waitForChild(writer), 9);
        const bool made = killedAt != "prepared";
        if (killedAt == "between") {
            // Torn on the disk until the next program takes the lock.
            EXPECT_NE(readBytes(system_), before[0]);
            EXPECT_EQ(readBytes(user_), before[1]);
        }
        {
            RegistryLock next(system_, kSystemName);
            Registry other = open();
            EXPECT_EQ(text(other.getValue(kHkeyLocalMachine, "Software\\Pair", "Step")),
                      made ? killedAt : "<none>");
            EXPECT_EQ(text(other.getValue(kHkeyUsers, ".DEFAULT\\Software\\Pair", "Step")),
                      made ? killedAt : "<none>");
        }
        EXPECT_TRUE(GetParam().isForm(readBytes(system_)));
        EXPECT_TRUE(GetParam().isForm(readBytes(user_)));
        for (const char* left : {".registry.pair", ".SYSTEM.DAT.new", ".USER.DAT.new"})
            EXPECT_FALSE(fs::exists(dir_ / left)) << left;
        if (made) {
            // Undone by hand for the next step, as it found them.
            writeFile(system_, before[0]);
            writeFile(user_, before[1]);
        }
    }
}

TEST_P(RegistryLockTest, ALockThatIsNeverLetGoFailsEveryChangeInBoundedTimeAndChangesNothing) {
    Registry r = open();
    r.setValue(kHkeyLocalMachine, "Software\\Kept", {"Old", reg_type::kSz, regStringData("1")});
    r.setValue(kHkeyUsers, ".DEFAULT\\Kept", {"Old", reg_type::kSz, regStringData("1")});
    const std::string system = readBytes(system_), user = readBytes(user_);

    StuckLockHolder holder(dir_);
    ASSERT_TRUE(holder.held());
    LockWait shortWait(std::chrono::milliseconds(300));
    auto failsWith = [&](const std::function<void()>& change, const std::string& message) {
        const auto start = std::chrono::steady_clock::now();
        try {
            change();
            ADD_FAILURE() << "the change went through a held lock";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, std::chrono::milliseconds(300));
        EXPECT_LT(took, std::chrono::seconds(3));
    };
    failsWith(
        [&] {
            r.setValue(kHkeyLocalMachine, "Software\\Kept", {"New", reg_type::kSz, regStringData("2")});
        },
        busyMessage(kSystemName));
    failsWith([&] { r.deleteValue(kHkeyCurrentUser, "", "Old"); }, busyMessage(kUserName));
    failsWith([&] { r.deleteKey(kHkeyUsers, ".DEFAULT\\Kept"); }, busyMessage(kUserName));
    failsWith([&] { r.createKey(kHkeyLocalMachine, "Software\\New"); }, busyMessage(kSystemName));
    failsWith(
        [&] {
            r.importText("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n\"New\"=\"2\"\r\n\r\n"
                         "[HKEY_USERS\\.DEFAULT\\Kept]\r\n\"New\"=\"2\"\r\n",
                         "C:\\X.REG");
        },
        busyMessage(kSystemName));
    // An export waits too: it must not read the two files halfway through another program's import.
    failsWith([&] { r.exportText(); }, busyMessage(kSystemName));

    EXPECT_EQ(readBytes(system_), system);
    EXPECT_EQ(readBytes(user_), user);
    // What this program sees is what the files hold: none of the failed changes.
    EXPECT_EQ(text(r.getValue(kHkeyLocalMachine, "Software\\Kept", "New")), "<none>");
    EXPECT_EQ(text(r.getValue(kHkeyUsers, ".DEFAULT\\Kept", "Old")), "1");
    EXPECT_FALSE(r.keyExists(kHkeyLocalMachine, "Software\\New"));
    // Reading one value needs no lock.
    EXPECT_EQ(text(r.getValue(kHkeyLocalMachine, "Software\\Kept", "Old")), "1");

    holder.release();
    r.setValue(kHkeyLocalMachine, "Software\\Kept", {"New", reg_type::kSz, regStringData("2")});
    EXPECT_EQ(text(open().getValue(kHkeyLocalMachine, "Software\\Kept", "New")), "2");
}

INSTANTIATE_TEST_SUITE_P(Forms, RegistryLockTest, ::testing::Values(kTextForm, kBinaryForm),
                         [](const auto& form) { return std::string(form.param.name); });

// Files of the machine that are the registry change under its lock too, however they are changed:
// a copy back from a backup must not be undone by a registry write that read the old file.
TEST(RegistryFileOperations, WaitForTheRegistryLockAndOtherFilesDoNot) {
    korvane::test::TempMachine tm;
    Machine& m = tm.machine();
    m.registry().setValue(kHkeyCurrentUser, "Control Panel", {"Kept", reg_type::kSz, regStringData("1")});
    m.createDirectory("C:\\BACKUP");
    m.writeFile("C:\\BACKUP\\system.dat", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n\r\n");
    const std::string system = tm.bytes(kSystemName), user = tm.bytes(kUserName);
    StuckLockHolder holder(m.hostPath("C:\\WINDOWS"));
    ASSERT_TRUE(holder.held());
    LockWait shortWait(std::chrono::milliseconds(100));

    auto expectBusy = [&](const std::function<void()>& operation, const std::string& file) {
        try {
            operation();
            ADD_FAILURE() << "changed " << file << " through a held lock";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), busyMessage(file));
        }
    };
    expectBusy([&] { m.copyFile("C:\\BACKUP\\system.dat", "c:\\windows\\system.dat", true); },
               "c:\\windows\\system.dat");
    expectBusy([&] { m.writeFile(kUserName, "REGEDIT4\r\n"); }, kUserName);
    expectBusy([&] { m.setAttributes(kSystemName, 0); }, kSystemName);
    expectBusy([&] { m.setLastWriteTime(kUserName, {2001, 1, 1, 0, 0, 0}); }, kUserName);
    expectBusy([&] { m.deleteFile(kUserName); }, kUserName);
    expectBusy([&] { m.moveFile(kSystemName, "C:\\WINDOWS\\SYSTEM.OLD"); }, kSystemName);
    EXPECT_EQ(tm.bytes(kSystemName), system);
    EXPECT_EQ(tm.bytes(kUserName), user);

    m.writeFile("C:\\WINDOWS\\WIN.INI", "[windows]\r\n");
    m.copyFile("C:\\BACKUP\\system.dat", "C:\\BACKUP\\system.da0", false);
    holder.release();
    m.copyFile("C:\\BACKUP\\system.dat", "C:\\WINDOWS\\SYSTEM.DAT", true);
    EXPECT_EQ(tm.bytes(kSystemName), tm.bytes("C:\\BACKUP\\system.dat"));
}

// Every lock with a deadline is this one: shared holders share, an exclusive one waits out its
// deadline and no longer, and gets the lock the moment the last holder lets go.
TEST(FileLock, SharedHoldersShareAndAnExclusiveOneWaitsUntilItsDeadline) {
    using namespace std::chrono_literals;
    const fs::path folder = korvane::test::makeTempFolder("korvane-file-lock");
    writeFile(folder / "lock", "");
    const auto opened = [&] { return ::open((folder / "lock").c_str(), O_RDONLY | O_CLOEXEC); };
    const int first = opened(), second = opened(), writer = opened();
    const auto in = [](auto wait) { return std::chrono::steady_clock::now() + wait; };
    EXPECT_EQ(lockBefore(first, LockShare::Shared, in(0ms), 1ms), LockTaken::Held);
    EXPECT_EQ(lockBefore(second, LockShare::Shared, in(0ms), 1ms), LockTaken::Held);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(lockBefore(writer, LockShare::Exclusive, in(100ms), 20ms), LockTaken::Busy);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 100ms);
    EXPECT_LT(waited, 2s);
    ::close(first);
    std::thread letGo([&] {
        std::this_thread::sleep_for(50ms);
        ::close(second);
    });
    EXPECT_EQ(lockBefore(writer, LockShare::Exclusive, in(10s), 1ms), LockTaken::Held);
    letGo.join();
    const int reader = opened();
    EXPECT_EQ(lockBefore(reader, LockShare::Shared, in(0ms), 1ms), LockTaken::Busy);
    ::close(reader);
    ::close(writer);
    fs::remove_all(folder);
}
