// The MS-DOS job as a list of steps: the clean-up's steps, and what carrying steps out at once
// on a disk leaves, which must be what MS-DOS leaves after running their lines.
#include "base/dos_attributes.h"
#include "dosjob/clean_up_steps.h"
#include "dosjob/steps_at_once.h"
#include "platform/cabinet.h"
#include "registry/registry_lock.h"
#include "registry/registry_pair.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace korvane;
using korvane::test::TempMachine;
namespace attr = w98::attr;

namespace {

constexpr std::uint8_t kHsr = attr::kHidden | attr::kSystem | attr::kReadOnly;

struct StepRow {
    StepKind kind;
    const char* target;
    const char* word;
    const char* source;
    bool atOnce;
};

void carryOut(w98::Machine& m, const std::vector<JobStep>& steps,
              std::vector<std::string>* notPutBack = nullptr) {
    StepsAtOnce atOnce(m, steps);
    for (const JobStep& s : steps)
        atOnce.carryOut(s);
    if (notPutBack)
        *notPutBack = atOnce.notPutBack();
}

} // namespace

TEST(JobSteps, TheCleanUpDeletesOnlyWhatAnArmedJobLeavesWhenCarriedOutAtOnce) {
    const std::vector<StepRow> rows = {
        {StepKind::Line, "", "", "", true},
        {StepKind::Line, "", "", "", true},
        {StepKind::Line, "", "", "", true},
        {StepKind::Delete, "C:\\autoexec.txt", "autoexec.txt", "", false},
        {StepKind::Delete, "D:\\WIN\\prodos.bat", "", "", false},
        {StepKind::Delete, "D:\\WIN\\scRegbei.bat", "", "", false},
        {StepKind::Delete, "D:\\WIN\\scanrun.reg", "", "", false},
        {StepKind::Delete, "C:\\dosrun.bat", "dosrun.bat", "", false},
        {StepKind::Delete, "C:\\AUTOEXEC.BAT", "c:\\autoexec.bat", "", false},
        {StepKind::Delete, "C:\\autoexec.bei", "autoexec.bei", "", false},
        {StepKind::SetSystemFile, "C:\\MSDOS.SYS", "c:\\msdos.sys", "", true},
        {StepKind::SetSystemFile, "C:\\IO.SYS", "c:\\io.sys", "", true},
        {StepKind::RenameWhenMissing, "C:\\Msdos.sys", "Msdos.sys", "C:\\Msdos.bei", true},
        {StepKind::Delete, "C:\\Msdos.bei", "Msdos.bei", "", true},
        {StepKind::ChangeToFolder, "D:\\WIN\\temp\\restore1", "", "", true},
        {StepKind::HandOver, "C:\\AUTOEXEC.BAT", "c:\\", "D:\\WIN\\temp\\restore1\\Autoexec.bat", true},
        {StepKind::ChangeToFolder, "D:\\WIN", "", "", true},
        {StepKind::Line, "", "", "", true}};
    const std::vector<JobStep> steps = CleanUpSteps("D:\\WIN");
    ASSERT_EQ(steps.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(steps[i].kind, rows[i].kind);
        EXPECT_EQ(steps[i].target.path, rows[i].target);
        EXPECT_EQ(steps[i].target.word, rows[i].word);
        EXPECT_EQ(steps[i].source.path, rows[i].source);
        EXPECT_EQ(steps[i].atOnce, rows[i].atOnce);
    }
    EXPECT_EQ(steps[0].text, std::vector<std::string>{"@ECHO OFF"});
    EXPECT_EQ(steps[17].text, std::vector<std::string>{"win"});
    EXPECT_TRUE(steps[15].replace);
}

TEST(JobSteps, TheCleanUpAtOnceHidesTheSystemFilesAndPutsMsdosSysBack) {
    for (const bool msdosThere : {true, false}) {
        SCOPED_TRACE(msdosThere);
        TempMachine tm;
        auto& m = tm.machine();
        if (msdosThere)
            m.writeFile("C:\\MSDOS.SYS", "msdos", attr::kArchive);
        m.writeFile("C:\\IO.SYS", "io", 0);
        m.writeFile("C:\\Msdos.bei", "saved", attr::kArchive);
        m.writeFile("C:\\AUTOEXEC.BAT", "mine\r\n", attr::kReadOnly | attr::kHidden);
        m.writeFile("C:\\dosrun.bat", "job");
        m.writeFile("C:\\WINDOWS\\prodos.bat", "arming");
        // Left by an earlier job: no cabinet was unpacked now, so the start-up file stays the user's.
        m.createDirectories("C:\\WINDOWS\\temp\\restore1");
        m.writeFile("C:\\WINDOWS\\temp\\restore1\\Autoexec.bat", "stale\r\n");
        carryOut(m, CleanUpSteps("C:\\WINDOWS"));
        EXPECT_EQ(m.readFile("C:\\MSDOS.SYS"), msdosThere ? "msdos" : "saved");
        // Put back after the attributes were set, as MS-DOS runs the lines.
        EXPECT_EQ(m.attributes("C:\\MSDOS.SYS"), msdosThere ? attr::kArchive | kHsr : attr::kArchive);
        EXPECT_EQ(m.attributes("C:\\IO.SYS"), kHsr);
        EXPECT_FALSE(m.exists("C:\\Msdos.bei"));
        EXPECT_EQ(m.readFile("C:\\AUTOEXEC.BAT"), "mine\r\n");
        EXPECT_EQ(m.attributes("C:\\AUTOEXEC.BAT"), attr::kArchive);
        EXPECT_TRUE(m.exists("C:\\dosrun.bat"));
        EXPECT_TRUE(m.exists("C:\\WINDOWS\\prodos.bat"));
    }
}

TEST(JobSteps, CopiesAtOnceTakeTheUnpackedEntryAndLeaveWhatCopyCannotReplace) {
    TempMachine tm;
    auto& m = tm.machine();
    w98::CabEntry win;
    win.name = "WIN.INI";
    win.data = "from the cabinet";
    win.time = {2024, 5, 6, 7, 8, 10};
    m.createDirectories("C:\\WINDOWS\\SYSBCKUP");
    m.writeFile("C:\\WINDOWS\\SYSBCKUP\\rb001.cab", w98::buildCabinet({win}));
    const std::string unpack = "C:\\WINDOWS\\temp\\restore1";
    m.createDirectories(unpack);
    m.writeFile(unpack + "\\system.ini", "left in the folder");
    m.writeFile("C:\\WINDOWS\\SYSTEM.INI", "live system");
    m.writeFile("C:\\CONFIG.SYS", "live config", attr::kReadOnly);
    m.writeFile("C:\\WINDOWS\\pair.in0", "from the pair");
    auto copy = [&](const std::string& from, const std::string& to) {
        return MakeStep(StepKind::Copy, {to, ""}, {from, ""});
    };
    std::vector<std::string> notPutBack;
    carryOut(m,
             {MakeStep(StepKind::Extract, {unpack, ""}, {"C:\\WINDOWS\\SYSBCKUP\\rb001.cab", ""}),
              copy(unpack + "\\win.ini", "C:\\WINDOWS\\WIN.INI"),
              copy(unpack + "\\system.ini", "C:\\WINDOWS\\SYSTEM.INI"),
              copy("C:\\WINDOWS\\pair.in0", "C:\\CONFIG.SYS"),
              copy("C:\\WINDOWS\\pair.in0", "C:\\WINDOWS\\PAIR.INI")},
             &notPutBack);
    EXPECT_EQ(m.readFile("C:\\WINDOWS\\WIN.INI"), "from the cabinet");
    EXPECT_EQ(m.attributes("C:\\WINDOWS\\WIN.INI"), attr::kArchive);
    EXPECT_EQ(m.lastWriteTime("C:\\WINDOWS\\WIN.INI"), (w98::DateTime{2024, 5, 6, 7, 8, 10}));
    EXPECT_EQ(m.readFile("C:\\WINDOWS\\SYSTEM.INI"), "live system"); // not in the cabinet
    EXPECT_EQ(m.readFile("C:\\CONFIG.SYS"), "live config");
    EXPECT_EQ(m.readFile("C:\\WINDOWS\\PAIR.INI"), "from the pair");
    EXPECT_EQ(notPutBack, std::vector<std::string>{"C:\\CONFIG.SYS"});
    EXPECT_FALSE(m.exists(unpack + "\\win.ini"));
}

// A restore at once killed while SYSTEM.DAT and USER.DAT go in: once the next program takes
// the registry lock, both are the backup's or both as they were, never one of each.
TEST(JobSteps, TheRegistryPairCopiedAtOnceIsWhollyOldOrWhollyNewWhenKilledInBetween) {
    for (const std::string killedAt : {"prepared", "ready", "between"}) {
        SCOPED_TRACE(killedAt);
        TempMachine tm;
        auto& m = tm.machine();
        std::vector<JobStep> copies;
        for (const std::string file : {"C:\\WINDOWS\\SYSTEM.", "C:\\WINDOWS\\USER."}) {
            m.writeFile(file + "DAT", "old ");
            m.writeFile(file + "DA0", "backup ");
            copies.push_back(MakeStep(StepKind::Copy, {file + "DAT", ""}, {file + "DA0", ""}));
        }
        const pid_t restorer = korvane::test::forkChild([&] {
            w98::setHivePairStepHook([&](const std::string& now) {
                if (now == killedAt)
                    ::_exit(9); // as a kill there would
            });
            carryOut(m, copies);
        });
        ASSERT_EQ(korvane::test::waitForChild(restorer), 9);
        { w98::RegistryLock next(m.hostPath("C:\\WINDOWS\\SYSTEM.DAT"), "C:\\WINDOWS\\SYSTEM.DAT"); }
        EXPECT_EQ(m.readFile("C:\\WINDOWS\\SYSTEM.DAT") + m.readFile("C:\\WINDOWS\\USER.DAT"),
                  killedAt == "prepared" ? "old old " : "backup backup ");
    }
}
