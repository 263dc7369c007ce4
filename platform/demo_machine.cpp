#include "demo_machine.h"

#include "dos_attributes.h"
#include "error.h"
#include "host_file.h"
#include "machine.h"
#include "registry.h"

#include <random>

namespace fs = std::filesystem;

namespace w98 {
namespace {

constexpr std::uint8_t kHsr = attr::kHidden | attr::kSystem | attr::kReadOnly;
constexpr const char* kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";

const char* const kMachineIni = "; The stand-in Windows 98 machine.\n"
                                "[machine]\n"
                                "windows=C:\\WINDOWS\n"
                                "shortdate=yy-M-d\n"
                                "longtime=H:mm:ss\n"
                                "bios=Award Modular BIOS v4.51PG, An Energy Star Ally\n"
                                "\n"
                                "[drives]\n"
                                "A=removable\n"
                                "C=fixed\n"
                                "D=cdrom\n";

// The stand-in only needs program files to exist; each holds a small MZ stub naming itself.
std::string programStub(const std::string& name) {
    std::string s = "MZ";
    s += std::string(62, '\0');
    s += "Windows 98 program " + name + " (run by the w98 stand-in)\r\n";
    return s;
}

void seedRegistry(Machine& m) {
    Registry& r = m.registry();
    auto str = [&](RegRoot root, const std::string& key, const std::string& name, const std::string& text) {
        r.setValue(root, key, RegValue{name, reg_type::kSz, regStringData(text)});
    };
    auto dword = [&](RegRoot root, const std::string& key, const std::string& name, std::uint32_t v) {
        r.setValue(root, key, RegValue{name, reg_type::kDword, regDwordData(v)});
    };
    const std::string cv = kCurrentVersion;
    str(kHkeyLocalMachine, cv, "SystemRoot", "C:\\WINDOWS");
    str(kHkeyLocalMachine, cv, "ProgramFilesDir", "C:\\Program Files");
    str(kHkeyLocalMachine, cv, "ProductName", "Microsoft Windows 98");
    str(kHkeyLocalMachine, cv, "Version", "Windows 98");
    str(kHkeyLocalMachine, cv, "VersionNumber", "4.10.2222");
    str(kHkeyLocalMachine, cv, "SubVersionNumber", " A ");
    str(kHkeyLocalMachine, cv, "ProductKey", "HCQ9D-TVCWX-X9QRG-J4B2Y-GR2TT");
    str(kHkeyLocalMachine, cv, "RegisteredOwner", "用户");
    str(kHkeyLocalMachine, cv + "\\Setup", "SourcePath", "D:\\WIN98\\");
    str(kHkeyLocalMachine, cv + "\\Setup", "BootDir", "C:\\");
    str(kHkeyLocalMachine, cv + "\\Setup\\Updates", "Updates", "Windows 98 Second Edition");
    r.createKey(kHkeyLocalMachine, cv + "\\Run");
    r.createKey(kHkeyLocalMachine, "Software\\Classes");
    r.createKey(kHkeyUsers, ".DEFAULT\\Control Panel\\Desktop");
    dword(kHkeyUsers, ".DEFAULT\\SoftWare\\Microsoft\\Windows\\CurrentVersion\\Policies\\WinOldApp", "Disabled", 0);
}

void seedFiles(Machine& m) {
    const std::string win = "C:\\WINDOWS";
    for (const char* dir : {"C:\\WINDOWS", "C:\\WINDOWS\\COMMAND", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\TEMP",
                            "C:\\WINDOWS\\SYSBCKUP", "C:\\My Documents", "C:\\Program Files"})
        m.createDirectories(dir);

    m.writeTextLines("C:\\AUTOEXEC.BAT", {"@ECHO OFF", "SET BLASTER=A220 I5 D1 H5 P330 T6", "PATH C:\\WINDOWS;C:\\WINDOWS\\COMMAND"});
    m.writeTextLines("C:\\CONFIG.SYS", {"DEVICE=C:\\WINDOWS\\HIMEM.SYS", "DOS=HIGH,UMB", "FILES=40"});
    m.writeTextLines("C:\\MSDOS.SYS",
                     {"[Paths]", "WinDir=C:\\WINDOWS", "WinBootDir=C:\\WINDOWS", "HostWinBootDrv=C", "",
                      "[Options]", "BootMulti=1", "BootGUI=1", "DoubleBuffer=1", "AutoScan=1", "WinVer=4.10.2222",
                      ";", ";The following lines are required for compatibility with other programs.",
                      ";Do not remove them (MSDOS.SYS needs to be >1024 bytes).",
                      ";xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxa",
                      ";xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxb",
                      ";xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxc"});
    m.setAttributes("C:\\MSDOS.SYS", kHsr);
    m.writeFile("C:\\IO.SYS", programStub("IO.SYS"), kHsr);
    m.writeFile("C:\\COMMAND.COM", programStub("COMMAND.COM"));
    m.writeFile(win + "\\COMMAND.COM", programStub("COMMAND.COM"));
    m.writeFile(win + "\\WIN.COM", programStub("WIN.COM"));
    m.writeFile(win + "\\EXPLORER.EXE", programStub("EXPLORER.EXE"));
    m.writeFile(win + "\\REGEDIT.EXE", programStub("REGEDIT.EXE"));
    m.writeFile(win + "\\SCANREGW.EXE", programStub("SCANREGW.EXE"));
    for (const char* tool : {"ATTRIB.EXE", "EXTRACT.EXE", "SCANREG.EXE", "SMARTDRV.EXE", "XCOPY.EXE"})
        m.writeFile(win + "\\COMMAND\\" + tool, programStub(tool));
    m.writeFile(win + "\\SYSTEM\\INTERNAT.EXE", programStub("INTERNAT.EXE"));
    m.writeFile(win + "\\SYSTEM\\SFC.EXE", programStub("SFC.EXE"));

    m.writeTextLines(win + "\\WIN.INI",
                     {"[windows]", "load=", "run=", "NullPort=None", "device=", "", "[Desktop]", "Wallpaper=(无)",
                      "TileWallpaper=0", "WallpaperStyle=0", "", "[intl]", "iCountry=86", "sShortDate=yy-M-d",
                      "sTimeFormat=H:mm:ss", "", "[fonts]", "", "[mci extensions]", "wav=waveaudio"});
    m.writeTextLines(win + "\\SYSTEM.INI",
                     {"[boot]", "shell=Explorer.exe", "system.drv=system.drv", "", "[386Enh]", "woafont=dosapp.fon",
                      "", "[drivers]", "wave=mmsystem.dll", "timer=timer.drv"});
    m.writeTextLines(win + "\\CONTROL.INI", {"[current]", "color schemes=Windows 标准", "", "[Screen Saver]"});
    m.writeTextLines(win + "\\PROTOCOL.INI", {"[ndishlp$]", "DriverName=ndishlp$"});
    m.writeTextLines(win + "\\DESKTOP.INI", {"[.ShellClassInfo]", "IconFile=%SystemRoot%\\system\\shell32.dll"});
    m.setAttributes(win + "\\DESKTOP.INI", attr::kHidden | attr::kSystem);

    seedRegistry(m);
    m.setAttributes(win + "\\SYSTEM.DAT", kHsr);
    m.setAttributes(win + "\\USER.DAT", kHsr);

    m.createDirectories("D:\\WIN98");
}

} // namespace

void createDemoMachine(const fs::path& root) {
    std::error_code ec;
    const fs::path parent = root.has_parent_path() ? root.parent_path() : fs::path(".");
    fs::create_directories(parent, ec);
    const fs::path building = parent / ("." + root.filename().string() + ".building-" +
                                        std::to_string(std::random_device{}() % 1000000));
    try {
        fs::create_directories(building / "drive_c");
        fs::create_directories(building / "drive_d");
        replaceHostFile(building / "machine.ini", kMachineIni, (building / "machine.ini").string());
        Machine m(building);
        seedFiles(m);
    } catch (const std::exception& e) {
        fs::remove_all(building, ec);
        throw Error("The demo machine could not be created in " + root.string() + ": " + e.what());
    } catch (...) {
        fs::remove_all(building, ec);
        throw;
    }
    fs::rename(building, root, ec);
    if (ec) {
        fs::remove_all(building, ec);
        if (!fs::is_directory(root))
            throw Error("The demo machine could not be created in " + root.string());
    }
}

void ensureMachine(const fs::path& root) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(root, ec)))
        createDemoMachine(root);
}

} // namespace w98
