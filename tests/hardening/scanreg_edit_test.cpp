// The program's edit of the registry checker's settings and the checker's own reading of them
// must agree on which lines set a value, whatever blanks a user's editor left around the names.
#include "platform/registry_checker.h"
#include "restore/scanreg_ini.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::TempMachine;

namespace {

const std::string kScanreg = "C:\\WINDOWS\\scanreg.ini";
const std::string kRestore1 = "C:\\WINDOWS\\sysbckup\\restore1";

} // namespace

TEST(BrokenScanregIni, SettingsWithBlanksAroundTheirNamesAreEditedToo) {
    TempMachine tm;
    tm.machine().writeTextLines(kScanreg,
                                {"BackupDirectory=", "MaxBackupCopies=6", "", "  MaxBackupCopies = 12",
                                 "BACKUPDIRECTORY\t=D:\\ELSEWHERE", "Backup=1"});
    EditScanregIni(tm.machine(), kScanreg, 3, kRestore1);
    const w98::CheckerSettings s = w98::readCheckerSettings(tm.machine());
    EXPECT_EQ(s.maxBackupCopies, 3);
    EXPECT_EQ(s.backupFolder, kRestore1);
    EXPECT_EQ(tm.machine().readTextLines(kScanreg),
              (std::vector<std::string>{"BackupDirectory=" + kRestore1, "MaxBackupCopies=3", "",
                                        "MaxBackupCopies=3", "BackupDirectory=" + kRestore1, "Backup=1"}));
}
