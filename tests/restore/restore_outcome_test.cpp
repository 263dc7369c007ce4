// A restore point is checked before anything is armed, and the start after the restart tells
// whether it was restored: through the real w98 programs, the boot and its log.
#include "base/dos_attributes.h"
#include "base/host_file.h"
#include "demo/demo_machine.h"
#include "platform/cabinet.h"
#include "platform/clock.h"
#include "platform/machine_programs.h"
#include "platform/registry_checker.h"
#include "registry/registry.h"
#include "registry/registry_file.h"
#include "restore/boot_log.h"
#include "restore/catalogue.h"
#include "restore/restore_check.h"
#include "restore/restore_execution.h"
#include "restore/restore_mark.h"
#include "restore/restore_outcome.h"
#include "restore/restore_record.h"
#include "restore/restore_table.h"
#include "restore/scanreg_ini.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system.h"
#include "tests/restore/restore_demo.h"
#include "tests/support/fakes.h"
#include "tests/support/restore_click.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
namespace fs = std::filesystem;

namespace {

constexpr auto HKLM = w98::kHkeyLocalMachine;
constexpr const char* kKey = "Software\\Korvane Test";
constexpr const char* kUndo =
    "\n还原前的系统已保存在列表中附加说明为“系统还原前的备份”的还原点里，点击那一行即可撤销这次还原。";

struct Demo : test::RestoreDemo {
    Demo() : RestoreDemo("korvane-outcome") {}

    // The registry in the given form (the demo machine's is binary, a hand-made one's text),
    // holding what it held.
    void useForm(w98::HiveForm form) {
        const std::string text = m->registry().exportText();
        for (auto [file, root] : {std::pair{"C:\\WINDOWS\\SYSTEM.DAT", "HKEY_LOCAL_MACHINE"},
                                  std::pair{"C:\\WINDOWS\\USER.DAT", "HKEY_USERS"}}) {
            const std::uint8_t attributes = m->attributes(file);
            m->setAttributes(file, w98::attr::kArchive);
            m->writeFile(file, w98::emptyHiveBytes(form, root), attributes);
        }
        m->registry().importText(text, "export");
        const bool binary = form == w98::HiveForm::Binary;
        ASSERT_EQ(bytes("C:\\WINDOWS\\SYSTEM.DAT").starts_with("CREG"), binary);
        ASSERT_EQ(bytes("C:\\WINDOWS\\USER.DAT").starts_with("CREG"), binary);
    }

    void setState(const std::string& state) { WriteRegStr(*m, HKLM, kKey, "State", state); }
    std::string state() { return ReadRegStr(*m, HKLM, kKey, "State"); }

    // A registry checker's cabinet of the present state, dated in the past so that the
    // restore job ends with the registry import that re-arms the daily backup.
    std::string backup(const std::string& state) {
        setState(state);
        const std::string cab = w98::backupRegistry(*m);
        m->setLastWriteTime(cab, {2002, 5, 16, 7, 0, 0});
        return cab;
    }

    TextTable table() {
        TextTable t;
        FillRestoreTable(t, ScanAllRestorePoints(*m, "C:\\WINDOWS", "C:\\WINDOWS\\SYSBCKUP"), *m,
                         clock.now().year);
        return t;
    }
    static int rowOf(const TextTable& t, const std::string& path) {
        for (int r = 1; r < t.rowCount(); ++r)
            if (w98::equalsNoCase(t.cell(restore_col::kFolder, r) + "\\" + t.cell(restore_col::kFileName, r),
                                  path))
                return r;
        return -1;
    }

    std::string bytes(const std::string& path) { return m->readFile(path); }
    std::vector<std::string> files() {
        std::vector<std::string> out;
        for (const char* f : {"C:\\WINDOWS\\SYSTEM.DAT", "C:\\WINDOWS\\USER.DAT", "C:\\AUTOEXEC.BAT",
                              "C:\\WINDOWS\\scanreg.ini"})
            out.push_back(bytes(f));
        out.push_back(std::to_string(m->list("C:\\WINDOWS\\SYSBCKUP\\restore", "*.cab").size()));
        return out;
    }

    // The check of a point that must fail: its message, after proving that nothing changed.
    UnusableRestorePoint refused(const TextTable& t, int row) {
        const auto before = files();
        try {
            test::CheckRow(*m, t, row);
        } catch (const UnusableRestorePoint& e) {
            EXPECT_EQ(files(), before);
            EXPECT_FALSE(m->exists("C:\\dosrun.bat"));
            EXPECT_FALSE(m->exists("C:\\WINDOWS\\korvane.rst"));
            return e;
        }
        ADD_FAILURE() << "the point was not refused";
        return UnusableRestorePoint("", "");
    }

    void restoreAndBoot(const TextTable& t, int row) {
        ASSERT_GT(row, 0);
        test::RestoreRow(*system, paths, t, row);
        ASSERT_EQ(power.calls.size(), 1u);
        ASSERT_EQ(w98::runW98(*m, {"boot"}), 0);
    }
};

std::string endOf(const std::string& text, std::size_t n) {
    return text.substr(text.size() > n ? text.size() - n : 0);
}

} // namespace

TEST(RestoreCheck, DamagedOrIncompleteCabinetsAndPairsAreRefusedWithTheirReason) {
    Demo d;
    const std::string cut = d.backup("cut");
    const std::string whole = d.bytes(cut);
    d.m->writeFile(cut, whole.substr(0, whole.size() * 2 / 3));
    d.m->writeFile("C:\\WINDOWS\\SYSBCKUP\\rb090.cab",
                   w98::buildCabinet(
                       {{"user.dat", "REGEDIT4\r\n\r\n", 0x20, {}}, {"win.ini", "[windows]\r\n", 0x20, {}}}));
    d.m->writeFile("C:\\WINDOWS\\SYSBCKUP\\rb091.cab",
                   w98::buildCabinet({{"system.dat", "not a registry\r\n", 0x20, {}},
                                      {"user.dat", "REGEDIT4\r\n\r\n", 0x20, {}}}));
    TextTable t = d.table();
    const char* const nothing = "。\n系统没有作任何改动，请选择其它的还原点。";

    // The table's folder is the scanned one, spelled "SYSBCKUP".
    const std::string listed = "C:\\WINDOWS\\SYSBCKUP" + cut.substr(cut.rfind('\\'));
    UnusableRestorePoint e = d.refused(t, Demo::rowOf(t, cut));
    EXPECT_TRUE(std::string(e.what()).starts_with("还原点的备份文件 " + listed + " 已经损坏，无法解开（"))
        << e.what();
    EXPECT_TRUE(std::string(e.what()).ends_with(nothing)) << e.what();
    EXPECT_EQ(e.mark(), "无法还原：备份文件已损坏");

    e = d.refused(t, Demo::rowOf(t, "C:\\WINDOWS\\SYSBCKUP\\rb090.cab"));
    EXPECT_EQ(std::string(e.what()),
              std::string("还原点的备份文件 C:\\WINDOWS\\SYSBCKUP\\rb090.cab 里没有 system.dat，"
                          "还原不了注册表") +
                  nothing);
    EXPECT_EQ(e.mark(), "无法还原：备份里没有注册表文件");

    e = d.refused(t, Demo::rowOf(t, "C:\\WINDOWS\\SYSBCKUP\\rb091.cab"));
    EXPECT_TRUE(std::string(e.what()).starts_with(
        "还原点中的注册表文件无法读取（C:\\WINDOWS\\SYSBCKUP\\rb091.cab 中的 system.dat"))
        << e.what();
    EXPECT_EQ(e.mark(), "无法还原：注册表文件已损坏");

    // The pair left when Windows was installed: one file gone, then one that is a folder.
    const int pair = Demo::rowOf(t, "C:\\WINDOWS\\system.da0");
    ASSERT_GT(pair, 0);
    EXPECT_NO_THROW(test::CheckRow(*d.m, t, pair));
    d.m->moveFile("C:\\WINDOWS\\user.da0", "C:\\WINDOWS\\user.sav");
    e = d.refused(t, pair);
    EXPECT_EQ(std::string(e.what()), std::string("还原点的文件 C:\\WINDOWS\\user.da0 已经不在了") + nothing);
    EXPECT_EQ(e.mark(), "无法还原：备份文件不在了");
    d.m->createDirectory("C:\\WINDOWS\\user.da0");
    e = d.refused(t, pair);
    EXPECT_TRUE(std::string(e.what()).starts_with("还原点的文件 C:\\WINDOWS\\user.da0 ")) << e.what();
    // An empty system file is no registry.
    d.m->removeDirectory("C:\\WINDOWS\\user.da0");
    d.m->moveFile("C:\\WINDOWS\\user.sav", "C:\\WINDOWS\\user.da0");
    d.m->writeFile("C:\\WINDOWS\\system.da0", "");
    e = d.refused(t, pair);
    EXPECT_EQ(e.mark(), "无法还原：注册表文件已损坏");
}

TEST(RestoreOutcome, AGoodCabinetIsReportedRestoredOnceAfterTheBootInEitherRegistryForm) {
    for (const bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "binary registry" : "text registry");
        Demo d;
        d.useForm(binary ? w98::HiveForm::Binary : w98::HiveForm::Text);
        const std::string cab = d.backup("before");
        d.setState("after");
        TextTable t = d.table();
        const int row = Demo::rowOf(t, cab);
        const std::string date = t.cell(restore_col::kDate, row);
        const CheckedRestorePoint point = test::CheckRow(*d.m, t, row);
        test::RestoreRow(*d.system, d.paths, t, row);
        // The job ends with the registry import, which changes the restored SYSTEM.DAT again.
        ASSERT_EQ(d.m->readTextLines("C:\\dosrun.bat").back(), "regedit C:\\WINDOWS\\SCANRUN.REG");
        ASSERT_EQ(w98::runW98(*d.m, {"boot"}), 0);
        // Windows rewrote both files as it started: neither holds the point's bytes any more.
        EXPECT_NE(d.bytes("C:\\WINDOWS\\SYSTEM.DAT"), point.systemDat);
        EXPECT_NE(d.bytes("C:\\WINDOWS\\USER.DAT"), point.userDat);
        ASSERT_EQ(d.state(), "before");
        EXPECT_EQ(ReadRegStr(*d.m, HKLM, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                             "ScanRegistry系统备份"),
                  "C:\\WINDOWS\\scanregw.exe /autorun");
        EXPECT_EQ(d.bytes("C:\\WINDOWS\\SYSTEM.DAT").starts_with("CREG"), binary);

        auto outcome = TakeRestoreOutcome(*d.m, "C:\\WINDOWS");
        ASSERT_TRUE(outcome);
        EXPECT_TRUE(outcome->restored) << outcome->message;
        EXPECT_EQ(outcome->message, "上次的系统还原已经完成：系统已还原到 " + date + " 的还原点。" + kUndo);
        EXPECT_FALSE(d.m->exists("C:\\WINDOWS\\korvane.rst"));
        EXPECT_FALSE(TakeRestoreOutcome(*d.m, "C:\\WINDOWS"));
        EXPECT_FALSE(d.m->registry().getValue(HKLM, "Software\\Korvane", "RestoreArmed"));
        EXPECT_FALSE(d.m->registry().getValue(w98::kHkeyCurrentUser, "Software\\Korvane", "RestoreArmed"));
    }
}

TEST(RestoreCheck, ABinaryRegistryCutShortInTheCabinetIsRefused) {
    Demo d;
    d.useForm(w98::HiveForm::Binary);
    const std::string system = d.bytes("C:\\WINDOWS\\SYSTEM.DAT"), user = d.bytes("C:\\WINDOWS\\USER.DAT");
    d.m->writeFile("C:\\WINDOWS\\SYSBCKUP\\rb090.cab",
                   w98::buildCabinet({{"system.dat", system.substr(0, system.size() / 2), 0x20, {}},
                                      {"user.dat", user, 0x20, {}}}));
    TextTable t = d.table();
    UnusableRestorePoint e = d.refused(t, Demo::rowOf(t, "C:\\WINDOWS\\SYSBCKUP\\rb090.cab"));
    EXPECT_TRUE(std::string(e.what()).starts_with(
        "还原点中的注册表文件无法读取（C:\\WINDOWS\\SYSBCKUP\\rb090.cab 中的 system.dat"))
        << e.what();
    EXPECT_EQ(e.mark(), "无法还原：注册表文件已损坏");
}

TEST(RestoreOutcome, ACabinetTheBootCouldNotUnpackIsReportedNotRestoredWithTheLogsReason) {
    Demo d;
    const std::string cab = d.backup("before");
    d.setState("after");
    TextTable t = d.table();
    const int row = Demo::rowOf(t, cab);
    const std::string date = t.cell(restore_col::kDate, row);
    test::RestoreRow(*d.system, d.paths, t, row);

    // Armed, but the computer has not restarted: nothing to tell yet, and the record stays.
    EXPECT_FALSE(TakeRestoreOutcome(*d.m, "C:\\WINDOWS"));
    EXPECT_TRUE(d.m->exists("C:\\WINDOWS\\korvane.rst"));

    // The cabinet is damaged between the click and the restart.
    const std::string whole = d.bytes(cab);
    d.m->writeFile(cab, whole.substr(0, whole.size() / 2));
    ASSERT_EQ(w98::runW98(*d.m, {"boot"}), 0);
    ASSERT_EQ(d.state(), "after");

    // Windows rewrote the registry files as it started, and they still hold what they held.
    EXPECT_TRUE(d.m->registry().getValue(HKLM, "Software\\w98", "Starts"));
    auto outcome = TakeRestoreOutcome(*d.m, "C:\\WINDOWS");
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->restored);
    // The mark the arming left goes with the record.
    EXPECT_FALSE(d.m->registry().getValue(HKLM, "Software\\Korvane", "RestoreArmed"));
    EXPECT_FALSE(d.m->registry().getValue(w98::kHkeyCurrentUser, "Software\\Korvane", "RestoreArmed"));
    const std::string head =
        "上次的系统还原没有完成：系统没有还原到 " + date + " 的还原点。\n原因：备份文件无法解开（";
    EXPECT_TRUE(outcome->message.starts_with(head)) << outcome->message;
    EXPECT_NE(outcome->message.find(cab.substr(cab.rfind('\\'))), std::string::npos) << outcome->message;
    EXPECT_EQ(endOf(outcome->message, std::string(kUndo).size() + 6), std::string("）。") + kUndo);
    EXPECT_FALSE(TakeRestoreOutcome(*d.m, "C:\\WINDOWS"));

    // A later restore whose job no restart ran (the start-up file was put back by hand) is not
    // blamed on what that earlier boot printed.
    const std::string again = d.backup("again");
    d.setState("later");
    t = d.table();
    const int second = Demo::rowOf(t, again);
    test::RestoreRow(*d.system, d.paths, t, second);
    d.m->setAttributes("C:\\AUTOEXEC.BAT", w98::attr::kArchive);
    d.m->deleteFile("C:\\AUTOEXEC.BAT");
    outcome = TakeRestoreOutcome(*d.m, "C:\\WINDOWS");
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->restored);
    EXPECT_NE(outcome->message.find("\n原因：电脑重新启动时没有执行还原任务。"), std::string::npos)
        << outcome->message;
}

TEST(RestoreOutcome, APreRestoreBackupOffersNoUndoAndAPairMissingAtTheBootIsNamed) {
    Demo d;
    d.setState("after");
    TextTable t = d.table();
    int row = -1;
    for (int r = 1; r < t.rowCount() && row < 0; ++r)
        if (t.cell(restore_col::kNote, r) == "系统还原前的备份")
            row = r;
    ASSERT_GT(row, 0) << "the demo machine has a pre-restore backup";
    d.restoreAndBoot(t, row);
    auto outcome = TakeRestoreOutcome(*d.m, "C:\\WINDOWS");
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->restored);
    EXPECT_EQ(outcome->message.find("撤销"), std::string::npos);

    // A pair whose user file disappears before the restart.
    Demo p;
    TextTable pt = p.table();
    const int pair = Demo::rowOf(pt, "C:\\WINDOWS\\system.da0");
    test::RestoreRow(*p.system, p.paths, pt, pair);
    p.m->deleteFile("C:\\WINDOWS\\user.da0");
    ASSERT_EQ(w98::runW98(*p.m, {"boot"}), 0);
    outcome = TakeRestoreOutcome(*p.m, "C:\\WINDOWS");
    ASSERT_TRUE(outcome);
    EXPECT_FALSE(outcome->restored);
    EXPECT_NE(outcome->message.find("原因：注册表文件没能复制到位（"), std::string::npos) << outcome->message;
    EXPECT_NE(outcome->message.find("USER.DA0"), std::string::npos) << outcome->message;

    // Without the registry checker the restore goes on, but the present state was not saved:
    // no pre-restore backup is offered to undo it.
    Demo q;
    const std::string cab = q.backup("before");
    q.setState("after");
    q.m->deleteFile("C:\\WINDOWS\\COMMAND\\SCANREG.EXE");
    const auto saved = q.m->list("C:\\WINDOWS\\SYSBCKUP\\restore", "*.cab").size();
    TextTable qt = q.table();
    q.restoreAndBoot(qt, Demo::rowOf(qt, cab));
    EXPECT_EQ(q.m->list("C:\\WINDOWS\\SYSBCKUP\\restore", "*.cab").size(), saved);
    outcome = TakeRestoreOutcome(*q.m, "C:\\WINDOWS");
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->restored) << outcome->message;
    EXPECT_EQ(outcome->message.find("撤销"), std::string::npos) << outcome->message;
}

TEST(RestoreRecord, RoundTripAndRecordsThatCannotBeUnderstoodAreDroppedSilently) {
    test::TempMachine tm;
    auto& m = tm.machine();
    RestoreRecord r;
    r.point = "C:\\WINDOWS\\SYSBCKUP\\rb002.cab";
    r.date = "2002-5-17 8:05:12";
    r.backupMade = true;
    r.mark = "0123456789abcdef";
    r.bootLogOffset = 1234;
    WriteRestoreRecord(m, "C:\\WINDOWS", r);
    EXPECT_EQ(tm.bytes("C:\\WINDOWS\\korvane.rst"),
              "[Korvane]\r\npoint=C:\\WINDOWS\\SYSBCKUP\\rb002.cab\r\ndate=2002-5-17 8:05:12\r\nbackup=1\r\n"
              "mark=0123456789abcdef\r\nbootlog=1234\r\n");
    auto back = ReadRestoreRecord(m, "C:\\WINDOWS");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->point, r.point);
    EXPECT_EQ(back->date, r.date);
    EXPECT_TRUE(back->backupMade);
    EXPECT_EQ(back->mark, r.mark);
    EXPECT_EQ(back->bootLogOffset, 1234u);

    // The mark decides: in either registry file, the restore did not take place; another
    // mark (an earlier job's, or one the point itself carries) is no sign of this one.
    r.bootLogOffset = 0;
    for (const auto root : {HKLM, w98::kHkeyCurrentUser}) {
        WriteRestoreRecord(m, "C:\\WINDOWS", r);
        WriteRegStr(m, root, "Software\\Korvane", "RestoreArmed", r.mark);
        auto outcome = TakeRestoreOutcome(m, "C:\\WINDOWS");
        ASSERT_TRUE(outcome);
        EXPECT_FALSE(outcome->restored) << root;
        EXPECT_FALSE(m.registry().getValue(root, "Software\\Korvane", "RestoreArmed"));
    }
    WriteRestoreRecord(m, "C:\\WINDOWS", r);
    WriteRegStr(m, HKLM, "Software\\Korvane", "RestoreArmed", "fedcba9876543210");
    auto outcome = TakeRestoreOutcome(m, "C:\\WINDOWS");
    ASSERT_TRUE(outcome);
    EXPECT_TRUE(outcome->restored);
    EXPECT_EQ(ReadRegStr(m, HKLM, "Software\\Korvane", "RestoreArmed"), "fedcba9876543210");
    EXPECT_NE(NewRestoreMark(), NewRestoreMark());

    for (const std::string& broken :
         {std::string("[Korvane]\r\npoint=x\r\n"), std::string("system=1:0000000000000000\r\n"),
          std::string("[Korvane]\r\npoint=p\r\ndate=d\r\nbackup=1\r\nmark=0123456789abcdeZ\r\nbootlog=0\r\n"),
          std::string(
              "[Korvane]\r\npoint=p\r\ndate=d\r\nbackup=1\r\nmark=0123456789abcdef0\r\nbootlog=0\r\n"),
          std::string("[Korvane]\r\npoint=p\r\ndate=d\r\nbackup=1\r\nsystem=1:0000000000000000\r\n"
                      "user=1:0000000000000000\r\nbootlog=0\r\n"),
          std::string("\xff\xfe\x00garbage", 10), std::string(20000, 'x')}) {
        m.writeFile("C:\\WINDOWS\\korvane.rst", broken);
        EXPECT_FALSE(ReadRestoreRecord(m, "C:\\WINDOWS"));
        EXPECT_FALSE(TakeRestoreOutcome(m, "C:\\WINDOWS"));
        EXPECT_FALSE(m.exists("C:\\WINDOWS\\korvane.rst"));
    }
}

TEST(BootLog, TheReasonNamesWhatFailed) {
    EXPECT_EQ(
        RestoreFailureFromLog("--- Start 2002-05-17 08:00:00 ---\n"
                              "C:\\WINDOWS\\SYSBCKUP\\rb002.cab: damaged cabinet\nNothing was extracted.\n"
                              "File not found - system.dat\n"),
        "备份文件无法解开（C:\\WINDOWS\\SYSBCKUP\\rb002.cab: damaged cabinet）");
    EXPECT_EQ(RestoreFailureFromLog("Cannot find the cabinet file C:\\WINDOWS\\SYSBCKUP\\rb009.cab\r\n"),
              "找不到备份文件（Cannot find the cabinet file C:\\WINDOWS\\SYSBCKUP\\rb009.cab）");
    // Files a cabinet does not hold are not the reason; the registry file is.
    EXPECT_EQ(
        RestoreFailureFromLog("File not found - Explorer.exe\nFile not found - C:\\WINDOWS\\user.da0\n"),
        "注册表文件没能复制到位（File not found - C:\\WINDOWS\\user.da0）");
    EXPECT_EQ(RestoreFailureFromLog("Cannot import C:\\WINDOWS\\scanregrun.reg, line 3: bad\n"),
              "注册表导入失败（Cannot import C:\\WINDOWS\\scanregrun.reg, line 3: bad）");
    EXPECT_EQ(RestoreFailureFromLog("无法导入 C:\\WINDOWS\\SCANRUN.REG 第 3 行：bad\n"),
              "注册表导入失败（无法导入 C:\\WINDOWS\\SCANRUN.REG 第 3 行：bad）");
    EXPECT_EQ(RestoreFailureFromLog("Starting Windows 98...\nWindows started.\n"), "");
    const std::string longLine = "File not found - system.dat " + std::string(300, 'x');
    EXPECT_EQ(RestoreFailureFromLog(longLine),
              "注册表文件没能复制到位（" + longLine.substr(0, 200) + "...）");
}
