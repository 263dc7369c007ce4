// The files the maintenance jobs write, byte for byte as the jobs write them, and what MS-DOS
// makes of them: the registry export batch and rebuild job, 98.bat in both its forms and
// 98bug.bat.
#include "maintenance_machine.h"

#include "maintenance/driver_repair.h"
#include "maintenance/registry_rebuild.h"
#include "maintenance/reinstall.h"
#include "maintenance/setup_source.h"
#include "sysaccess/registry_values.h"
#include "tools/dos/batch_interpreter.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace korvane;
using korvane::test::DemoMachine;
using korvane::test::RecordingUi;

namespace {

std::string crlf(std::initializer_list<const char*> lines) {
    std::string out;
    for (const char* l : lines)
        out += std::string(l) + "\r\n";
    return out;
}

void setSourcePath(w98::Machine& m, const std::string& path) {
    WriteRegStr(m, w98::kHkeyLocalMachine, kSetupKey, "SourcePath", path);
}

} // namespace

TEST(GeneratedFiles, TheRegistryRebuildWritesItsTwoBatchFiles) {
    DemoMachine d;
    RebuildRegistry(d.system, d.paths, {});
    EXPECT_EQ(d.m.readFile("C:\\WINDOWS\\reg.bat"), "regedit /e c:\\reg.reg\r\n");
    EXPECT_EQ(d.m.readFile("C:\\dosrun.bat"),
              crlf({"@ECHO OFF", "smartdrv 20480 20480", "regedit /c  c:\\reg.reg", "del c:\\reg.reg",
                    "del C:\\WINDOWS\\REG.BAT"}));
    EXPECT_EQ(d.m.readFile("C:\\AUTOEXEC.BAT"),
              crlf({"@ECHO OFF", "call C:\\dosrun.bat", "call C:\\WINDOWS\\DOSTOWIN.BAT"}));
}

TEST(GeneratedFiles, NinetyEightBatInBothFormsRunsSetupWhenTheUserTypes98) {
    DemoMachine d; // SourcePath D:\WIN98\ with setup on the CD
    WriteStartupReinstallBatch(d.m, "C:\\WINDOWS");
    EXPECT_EQ(d.m.readFile("C:\\WINDOWS\\98.bat"),
              "@ECHO OFF\r\nSmartdrv 10240 10240\r\nD:\\WIN98\\SETUP /is /iq\r\n\r\n");
    {
        std::ostringstream out;
        w98::DosSession msDos(d.m);
        msDos.setMsDosMode(true);
        w98::BatchInterpreter dos(msDos, out);
        dos.runCommandLine("98");
        EXPECT_NE(out.str().find("Windows was reinstalled in C:\\WINDOWS"), std::string::npos) << out.str();
    }

    // The click writes the form the explanation's three steps lead to: typed at the prompt of
    // MS-DOS mode (short names only), it runs setup too, and does not leave MS-DOS first.
    std::vector<std::string> shown;
    ExplainReinstall(d.m, "C:\\WINDOWS", "十分钟重装系统...",
                     [&](const std::vector<std::string>& l) { shown = l; });
    EXPECT_EQ(d.m.readFile("C:\\WINDOWS\\98.bat"),
              "@ECHO OFF\r\nSmartdrv 10240 10240\r\nD:\\WIN98\\SETUP /is /iq\r\n");
    EXPECT_EQ(shown.at(11), "三、在DOS窗口输入：98，然后按回车键〔Enter〕即可");
    std::ostringstream out;
    w98::DosSession msDos(d.m);
    msDos.setMsDosMode(true);
    w98::BatchInterpreter dos(msDos, out);
    dos.runCommandLine("98");
    EXPECT_FALSE(dos.exited());
    EXPECT_NE(out.str().find("Windows was reinstalled in C:\\WINDOWS"), std::string::npos) << out.str();
    std::size_t runs = 0;
    const std::string log = d.hostText("programs.log");
    for (std::size_t at = log.find("setup /is /iq"); at != std::string::npos;
         at = log.find("setup /is /iq", at + 1))
        ++runs;
    EXPECT_EQ(runs, 2u) << log;
}

TEST(GeneratedFiles, NinetyEightBugBatNamesBothFoldersAndTheCdCabinets) {
    DemoMachine d; // SourcePath D:\WIN98\, D: the CD
    RecordingUi r;
    JobUi ui = r.ui();
    RepairCoreDrivers(d.system, "C:\\WINDOWS", ui);
    EXPECT_EQ(
        d.m.readFile("C:\\WINDOWS\\98bug.bat"),
        crlf({"%winbootdir%\\COMMAND\\extract /y /a /l C:\\WINDOWS\\system D:\\win98\\win98_47.cab "
              "configmg.vxd",
              "%winbootdir%\\COMMAND\\extract /y /a /l C:\\WINDOWS\\system D:\\win98\\win98_48.cab "
              "vcomm.vxd vdmad.vxd vdd.vxd vmouse.vxd ntkern.vxd vflatd.vxd",
              "%winbootdir%\\COMMAND\\extract /y /a /l C:\\WINDOWS\\system\\vmm32 D:\\win98\\win98_47.cab "
              "configmg.vxd",
              "%winbootdir%\\COMMAND\\extract /y /a /l C:\\WINDOWS\\system\\vmm32 D:\\win98\\win98_48.cab "
              "vcomm.vxd vdmad.vxd vdd.vxd vmouse.vxd ntkern.vxd vflatd.vxd"}));
    EXPECT_EQ(r.lines.back(), "要想让此功能立即生效，请按下面的〔重新启动电脑〕键，否则，干别的去吧...");
}

TEST(GeneratedFiles, ASetupPathWithARedirectionWritesNoBatchAndSaysWhy) {
    DemoMachine d;
    setSourcePath(d.m, "C:\\CABS>C:\\MSDOS.SYS\\");
    d.m.writeFile("C:\\WINDOWS\\98.bat", "REM earlier\r\n");
    const std::string before = d.m.readFile("C:\\WINDOWS\\98.bat");
    try {
        WriteStartupReinstallBatch(d.m, "C:\\WINDOWS");
        ADD_FAILURE() << "written";
    } catch (const w98::Error& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("SourcePath"), std::string::npos) << what;
        EXPECT_NE(what.find("C:\\CABS>C:\\MSDOS.SYS\\setup"), std::string::npos) << what;
    }
    EXPECT_EQ(d.m.readFile("C:\\WINDOWS\\98.bat"), before);
}
