// The indicator, the file checker and setup record what the user would have seen; the demo
// machine carries the setup cabinets where Windows 98 has them, and goes into a disk image whole.
#include "dos_machine.h"

#include "demo/demo_image.h"
#include "demo/demo_machine.h"
#include "tests/support/fat_tools.h"

#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/host_file.h"
#include "base/short_names.h"
#include "platform/cabinet.h"
#include "registry/registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using korvane::test::DosMachine;
namespace fs = std::filesystem;

namespace {

std::string programsLog(DosMachine& d) {
    std::error_code ec;
    const fs::path log = d.temp().root() / "programs.log";
    return fs::exists(log, ec) ? w98::readHostFile(log, "programs.log") : std::string();
}

std::vector<std::string> namesIn(w98::Machine& m, const std::string& cabinet) {
    std::vector<std::string> names;
    for (const auto& e : w98::readCabinet(m.readFile(cabinet), cabinet))
        names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(WindowsPrograms, EachRecordsWhatItDid) {
    DosMachine d;
    auto& m = d.m();
    d.addDrive('d');
    m.createDirectories("C:\\WINDOWS\\SYSTEM");
    m.createDirectories("D:\\WIN98");
    for (const char* p :
         {"C:\\WINDOWS\\SYSTEM\\INTERNAT.EXE", "C:\\WINDOWS\\SYSTEM\\SFC.EXE", "D:\\WIN98\\SETUP.EXE"})
        m.writeFile(p, "MZ");

    EXPECT_EQ(d.type("C:\\WINDOWS\\SYSTEM\\Internat.exe"), "Input-method indicator started.\n");
    EXPECT_EQ(d.type("C:\\WINDOWS\\system\\sfc.exe"), "System File Checker started.\n");
    EXPECT_EQ(d.runBatch({"@ECHO OFF", "Smartdrv 10240 10240", "D:\\WIN98\\setup /is /iq", ""}),
              "Disk cache: 10240 KB under MS-DOS, 10240 KB under Windows.\n"
              "Windows 98 Setup: Windows was reinstalled in C:\\WINDOWS.\n");
    EXPECT_EQ(d.type("D:\\WIN98\\setup msbatch.inf"),
              "Setup cannot use the file msbatch.inf: no setup script is needed here\n");

    const std::string log = programsLog(d);
    EXPECT_NE(log.find(" Internat.exe: the input-method indicator is in the task bar\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find(" sfc.exe: the System File Checker window opened\n"), std::string::npos);
    EXPECT_NE(log.find(" setup /is /iq: Windows 98 reinstalled over C:\\WINDOWS\n"), std::string::npos);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 3);

    // A machine without the program cannot run it.
    m.deleteFile("C:\\WINDOWS\\SYSTEM\\SFC.EXE");
    EXPECT_EQ(d.type("C:\\WINDOWS\\system\\sfc.exe"), "Bad command or file name\n");
}

TEST(DemoMachine, CarriesTheSetupSource) {
    const fs::path folder = korvane::test::makeTempFolder("korvane-demo-setup");
    w98::createDemoMachine(folder / "m");
    {
        w98::Machine m(folder / "m");
        const std::vector<std::string> all = {"CONFIGMG.VXD", "NTKERN.VXD", "VCOMM.VXD", "VDD.VXD",
                                              "VDMAD.VXD",    "VFLATD.VXD", "VMOUSE.VXD"};
        for (const std::string source : {"C:\\WINDOWS\\OPTIONS\\CABS\\", "D:\\WIN98\\"}) {
            const auto in22 = namesIn(m, source + "win98_22.cab");
            EXPECT_TRUE(std::includes(in22.begin(), in22.end(), all.begin(), all.end())) << source;
            const auto in47 = namesIn(m, source + "win98_47.cab");
            EXPECT_TRUE(std::binary_search(in47.begin(), in47.end(), "CONFIGMG.VXD"));
            const auto in48 = namesIn(m, source + "win98_48.cab");
            EXPECT_TRUE(std::includes(in48.begin(), in48.end(), all.begin() + 1, all.end())) << source;
            EXPECT_FALSE(std::binary_search(in48.begin(), in48.end(), "CONFIGMG.VXD"));
        }
        EXPECT_TRUE(m.isFile("D:\\WIN98\\setup.exe"));
        EXPECT_EQ(m.driveType("D:\\"), w98::DriveType::CdRom);
        EXPECT_TRUE(m.attributes("D:\\WIN98\\WIN98_47.CAB") & w98::attr::kReadOnly);
        EXPECT_TRUE(m.isDirectory("C:\\WINDOWS\\Start Menu\\Programs\\启动"));
        auto source = m.registry().getValue(
            w98::kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Setup", "SourcePath");
        ASSERT_TRUE(source.has_value());
        EXPECT_EQ(source->data, w98::regStringData("D:\\WIN98\\"));
    }
    std::error_code ec;
    fs::remove_all(folder, ec);
}

TEST(DemoImage, HoldsTheDemoDriveCAsOtherToolsReadIt) {
    const fs::path folder = korvane::test::makeTempFolder("korvane-demo-image");
    ::setenv("XDG_CACHE_HOME", (folder / "cache").c_str(), 1);
    const fs::path image = folder / "demo98.img";
    w98::createDemoImage(image);
    EXPECT_EQ(fs::file_size(image), 128u * 1024 * 1024);
    EXPECT_EQ(korvane::test::fsckFatProblems(image), "");
    EXPECT_EQ(korvane::test::fatVolumeOffset(image), 63u * 512);
    EXPECT_TRUE(fs::is_empty(folder / "cache" / "korvane" / "disks"))
        << "the mirror it was filled through is gone";

    // Every file and folder of a demo machine made beside it, with its long and short names,
    // attributes and size, as mtools lists the image.
    w98::createDemoMachine(folder / "m");
    const fs::path driveC = folder / "m" / "drive_c";
    std::vector<korvane::test::FatListedEntry> expected;
    for (const auto& e : fs::recursive_directory_iterator(driveC)) {
        std::string path;
        for (const auto& part : fs::relative(e.path(), driveC))
            path += (path.empty() ? "" : "\\") + part.string();
        expected.push_back({path, w98::short_names::of(e.path()), w98::readDosAttributes(e.path(), path),
                            e.is_regular_file() ? e.file_size() : 0});
    }
    std::sort(expected.begin(), expected.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
    EXPECT_GT(expected.size(), 80u);
    EXPECT_EQ(korvane::test::mtoolsListing(image), expected);

    EXPECT_THROW(w98::createDemoImage(image, w98::disk::FatType::Fat16), w98::Error);
    EXPECT_EQ(fs::file_size(image), 128u * 1024 * 1024) << "an existing file is never replaced";
    ::unsetenv("XDG_CACHE_HOME");
    std::error_code ec;
    fs::remove_all(folder, ec);
}
