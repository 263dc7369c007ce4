// The driver repair: 98bug.bat for each setup source, and the drivers really extracted from the
// demo machine's cabinets through the extractor, with the second pass and the bad cabinets.
#include "maintenance_machine.h"

#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/text.h"
#include "maintenance/driver_repair.h"
#include "maintenance/setup_source.h"
#include "platform/cabinet.h"
#include "sysaccess/registry_values.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::DemoMachine;
using korvane::test::RecordingUi;

namespace {

using Lines = std::vector<std::string>;
const Lines kDrivers = {"configmg.vxd", "vcomm.vxd",  "vdmad.vxd", "vdd.vxd",
                        "vmouse.vxd",   "ntkern.vxd", "vflatd.vxd"};
const std::string kSix = "vcomm.vxd vdmad.vxd vdd.vxd vmouse.vxd ntkern.vxd vflatd.vxd";
const std::string kExtract = "%winbootdir%\\COMMAND\\extract /y /a /l ";
const std::string kCabs = "C:\\WINDOWS\\OPTIONS\\CABS\\";
const std::string kWait = "请少侯，不到一分钟...喝茶...";
const std::string kRestartHint = "要想让此功能立即生效，请按下面的〔重新启动电脑〕键，否则，干别的去吧...";

void setSourcePath(w98::Machine& m, const std::string& path) {
    WriteRegStr(m, w98::kHkeyLocalMachine, kSetupKey, "SourcePath", path);
}

// The driver as the cabinet holds it.
std::string inCabinet(w98::Machine& m, const std::string& cabinet, const std::string& name) {
    for (const auto& e : w98::readCabinet(m.readFile(cabinet), cabinet))
        if (w98::equalsNoCase(e.name, name))
            return e.data;
    return "<not in " + cabinet + ">";
}

int driversIn(w98::Machine& m, const std::string& folder) {
    int n = 0;
    for (const auto& d : kDrivers)
        n += m.isFile(folder + "\\" + d);
    return n;
}

void replaceCabinet(w98::Machine& m, const std::string& path, const std::string& bytes) {
    if (m.exists(path))
        m.setAttributes(path, 0);
    m.writeFile(path, bytes);
}

std::string cabinetOf(const Lines& names) {
    std::vector<w98::CabEntry> entries;
    for (const auto& n : names)
        entries.push_back({n, "other " + n, w98::attr::kArchive, {1999, 4, 23, 22, 22, 0}});
    return w98::buildCabinet(entries);
}

} // namespace

TEST(DriverRepair, BatchLinesForEachSource) {
    EXPECT_EQ(DriverRepairLines("C:\\WINDOWS", DiskCabinets(kCabs)),
              (Lines{kExtract + "C:\\WINDOWS\\system " + kCabs + "win98_47.cab configmg.vxd",
                     kExtract + "C:\\WINDOWS\\system " + kCabs + "win98_48.cab " + kSix,
                     kExtract + "C:\\WINDOWS\\system\\vmm32 " + kCabs + "win98_47.cab configmg.vxd",
                     kExtract + "C:\\WINDOWS\\system\\vmm32 " + kCabs + "win98_48.cab " + kSix}));
    EXPECT_EQ(DriverRepairLines("C:\\WINDOWS", DiskCabinets("C:\\WINDOWS\\OPTIONS\\CABS"))[0],
              kExtract + "C:\\WINDOWS\\system C:\\WINDOWS\\OPTIONS\\CABSwin98_47.cab configmg.vxd");
    const Lines second = DriverRepairLines("D:\\WIN98", SecondPassCabinets("E:\\setup\\"));
    EXPECT_EQ(second[1], kExtract + "D:\\WIN98\\system E:\\setup\\win98_22.cab " + kSix);
    EXPECT_EQ(second[2], kExtract + "D:\\WIN98\\system\\vmm32 E:\\setup\\win98_22.cab configmg.vxd");
    EXPECT_EQ(DriverRepairLines("C:\\WINDOWS", CdCabinets("E:\\"))[3],
              kExtract + "C:\\WINDOWS\\system\\vmm32 E:\\win98\\win98_48.cab " + kSix);
    EXPECT_EQ(DriverRepairLines("C:\\WINDOWS", CdCabinets("0"))[0],
              kExtract + "C:\\WINDOWS\\system 0win98\\win98_47.cab configmg.vxd");
    EXPECT_EQ(DriverRepairLines("C:\\WINDOWS", DiskCabinets("D:\\Win98 SE\\"))[0],
              kExtract + "C:\\WINDOWS\\system \"D:\\Win98 SE\\win98_47.cab\" configmg.vxd");
    EXPECT_THROW(DriverRepairLines("C:\\WINDOWS", DiskCabinets("C:\\X\r\ndel c:\\*.*\r\n")), w98::Error);
}

TEST(DriverRepairEndToEnd, FromTheSetupFilesOnDisk) {
    DemoMachine d;
    setSourcePath(d.m, kCabs);
    RecordingUi r;
    JobUi ui = r.ui();
    RepairCoreDrivers(d.system, "C:\\WINDOWS", ui);

    for (const char* folder : {"C:\\WINDOWS\\system", "C:\\WINDOWS\\system\\vmm32"})
        for (const auto& driver : kDrivers) {
            const std::string cab = kCabs + (driver == "configmg.vxd" ? "win98_47.cab" : "win98_48.cab");
            EXPECT_EQ(d.m.readFile(std::string(folder) + "\\" + driver), inCabinet(d.m, cab, driver))
                << driver;
        }
    EXPECT_EQ(d.m.readTextLines("C:\\WINDOWS\\98bug.bat"),
              DriverRepairLines("C:\\WINDOWS", DiskCabinets(kCabs)));
    EXPECT_EQ(r.lines, (Lines{"", kWait, "已完成", kRestartHint}));
    EXPECT_EQ(r.messages, Lines{"ok"});
    EXPECT_TRUE(r.questions.empty());
    EXPECT_EQ(r.repaints, 1);
}

TEST(DriverRepairEndToEnd, TheSecondPassTakesWin98_22WhenTheFirstCabinetsLackTheDrivers) {
    DemoMachine d;
    setSourcePath(d.m, kCabs);
    replaceCabinet(d.m, kCabs + "win98_48.cab", cabinetOf({"VWIN32.VXD", "VDMAD.VXD"}));
    // The damaged drivers are there: their presence alone must not pass for a repair.
    d.m.writeFile("C:\\WINDOWS\\SYSTEM\\CONFIGMG.VXD", "damaged");
    d.m.writeFile("C:\\WINDOWS\\SYSTEM\\VCOMM.VXD", "damaged");
    RecordingUi r;
    JobUi ui = r.ui();
    RepairCoreDrivers(d.system, "C:\\WINDOWS", ui);

    EXPECT_EQ(d.m.readTextLines("C:\\WINDOWS\\98bug.bat"),
              DriverRepairLines("C:\\WINDOWS", SecondPassCabinets(kCabs)));
    for (const auto& driver : kDrivers) {
        EXPECT_EQ(d.m.readFile("C:\\WINDOWS\\system\\" + driver),
                  inCabinet(d.m, kCabs + "win98_22.cab", driver));
        EXPECT_EQ(d.m.readFile("C:\\WINDOWS\\system\\vmm32\\" + driver),
                  inCabinet(d.m, kCabs + "win98_22.cab", driver));
    }
    EXPECT_EQ(r.messages, Lines{"ok"});

    // Setup files without the first cabinets at all; a source named without its final backslash
    // has nothing joined to it, so only the second pass from beside it finds the drivers.
    DemoMachine e;
    e.m.createDirectories("C:\\SETUP");
    e.m.copyFile(kCabs + "win98_22.cab", "C:\\SETUPwin98_22.cab", false);
    setSourcePath(e.m, "C:\\SETUP");
    RecordingUi s;
    JobUi ui2 = s.ui();
    RepairCoreDrivers(e.system, "C:\\WINDOWS", ui2);
    EXPECT_EQ(driversIn(e.m, "C:\\WINDOWS\\system"), 7);
    EXPECT_EQ(e.m.readTextLines("C:\\WINDOWS\\98bug.bat")[0],
              kExtract + "C:\\WINDOWS\\system C:\\SETUPwin98_22.cab configmg.vxd");
}

TEST(DriverRepairEndToEnd, FromTheSetupCd) {
    DemoMachine d; // SourcePath D:\WIN98\ on the CD-ROM drive D:
    setSourcePath(d.m, "d:\\win98");
    RecordingUi r;
    r.answers = {false, true};
    JobUi ui = r.ui();

    RepairCoreDrivers(d.system, "C:\\WINDOWS", ui); // No: the batch stays, nothing else happens
    EXPECT_EQ(d.m.readTextLines("C:\\WINDOWS\\98bug.bat"),
              DriverRepairLines("C:\\WINDOWS", CdCabinets("D:\\")));
    EXPECT_EQ(driversIn(d.m, "C:\\WINDOWS\\system"), 0);
    EXPECT_TRUE(r.lines.empty());

    RepairCoreDrivers(d.system, "C:\\WINDOWS", ui);
    for (const auto& driver : kDrivers)
        EXPECT_EQ(d.m.readFile("C:\\WINDOWS\\system\\" + driver),
                  inCabinet(d.m,
                            driver == "configmg.vxd" ? "D:\\WIN98\\WIN98_47.CAB" : "D:\\WIN98\\WIN98_48.CAB",
                            driver));
    EXPECT_EQ(driversIn(d.m, "C:\\WINDOWS\\system\\vmm32"), 7);
    EXPECT_EQ(r.questions, (Lines{kInsertSetupCd, kInsertSetupCd}));
    EXPECT_EQ(r.lines, (Lines{"", kWait, "", "已完成", kRestartHint}));
    EXPECT_TRUE(r.messages.empty());
}

TEST(DriverRepairEndToEnd, AMissingOrBadCdCabinetExtractsNothing) {
    DemoMachine d;
    RecordingUi r;
    JobUi ui = r.ui();
    d.m.setAttributes("D:\\WIN98\\WIN98_47.CAB", 0);
    d.m.deleteFile("D:\\WIN98\\WIN98_47.CAB");
    RepairCoreDrivers(d.system, "C:\\WINDOWS", ui);

    d.m.copyFile(kCabs + "win98_47.cab", "D:\\WIN98\\WIN98_47.CAB", false);
    const std::string good48 = d.m.readFile("D:\\WIN98\\WIN98_48.CAB");
    replaceCabinet(d.m, "D:\\WIN98\\WIN98_48.CAB", good48.substr(0, good48.size() / 2));
    RepairCoreDrivers(d.system, "C:\\WINDOWS", ui);

    replaceCabinet(d.m, "D:\\WIN98\\WIN98_48.CAB", cabinetOf({"VCOMM.VXD"})); // the others are not in it
    RepairCoreDrivers(d.system, "C:\\WINDOWS", ui);

    EXPECT_EQ(r.messages, Lines(3, kNoDriversOnCd));
    EXPECT_TRUE(r.lines.empty());
    EXPECT_EQ(driversIn(d.m, "C:\\WINDOWS\\system"), 0);
    EXPECT_EQ(driversIn(d.m, "C:\\WINDOWS\\system\\vmm32"), 0);
}

TEST(DriverRepairEndToEnd, NoCdRomDriveAndASourceHoldingZero) {
    test::TempMachine tm({.drives = "C=fixed\n"});
    test::RecordingShell shell;
    test::RecordingPower power;
    w98::SystemClock clock;
    System system{tm.machine(), clock, shell, power};
    setSourcePath(tm.machine(), "C:\\WIN2000\\");
    RecordingUi r;
    JobUi ui = r.ui();
    RepairCoreDrivers(system, "C:\\WINDOWS", ui);
    EXPECT_EQ(r.questions, Lines{kInsertSetupCd});
    EXPECT_EQ(r.messages, Lines{kNoDriversOnCd});
    EXPECT_EQ(tm.machine().readTextLines("C:\\WINDOWS\\98bug.bat")[0],
              kExtract + "C:\\WINDOWS\\system 0win98\\win98_47.cab configmg.vxd");
}

TEST(DriverRepairEndToEnd, CabinetsWithoutTheDriversAreToldAndNothingIsExtracted) {
    DemoMachine d;
    setSourcePath(d.m, kCabs);
    replaceCabinet(d.m, kCabs + "win98_22.cab", cabinetOf({"CONFIGMG.VXD", "VCOMM.VXD"}));
    replaceCabinet(d.m, kCabs + "win98_48.cab", "MSCF, but no cabinet");
    RecordingUi r;
    JobUi ui = r.ui();
    try {
        RepairCoreDrivers(d.system, "C:\\WINDOWS", ui);
        FAIL() << "no driver could be extracted, yet the repair went on";
    } catch (const w98::Error& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("无法读取安装文件包（" + kCabs + "win98_48.cab"), std::string::npos) << what;
        EXPECT_NE(what.find("里没有 vdmad.vxd vdd.vxd vmouse.vxd ntkern.vxd vflatd.vxd"), std::string::npos)
            << what;
    }
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(r.lines, (Lines{"", kWait}));
    EXPECT_EQ(driversIn(d.m, "C:\\WINDOWS\\system"), 0);
}

TEST(DriverRepairEndToEnd, ADriverThatCannotBeReplacedIsNoSuccess) {
    DemoMachine d;
    setSourcePath(d.m, kCabs);
    d.m.createDirectories("C:\\WINDOWS\\system\\vmm32");
    d.m.writeFile("C:\\WINDOWS\\system\\vmm32\\VDD.VXD", "old", w98::attr::kReadOnly);
    RecordingUi r;
    JobUi ui = r.ui();
    try {
        RepairCoreDrivers(d.system, "C:\\WINDOWS", ui);
        FAIL();
    } catch (const w98::Error& e) {
        EXPECT_NE(std::string(e.what()).find("C:\\WINDOWS\\system\\vmm32\\vdd.vxd"), std::string::npos)
            << e.what();
    }
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(driversIn(d.m, "C:\\WINDOWS\\system"), 7);
}

TEST(DriverRepair, ABadSourcePathWritesNoBatch) {
    DemoMachine d;
    setSourcePath(d.m, "C:\\CABS|del\\");
    RecordingUi r;
    JobUi ui = r.ui();
    EXPECT_THROW(RepairCoreDrivers(d.system, "C:\\WINDOWS", ui), w98::Error);
    EXPECT_FALSE(d.m.exists("C:\\WINDOWS\\98bug.bat"));
}
