#include "demo_machine.h"

#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/host_file.h"
#include "base/machine_ini.h"
#include "demo/demo_media.h"
#include "demo/demo_setup_source.h"
#include "platform/machine.h"
#include "platform/registry_checker.h"
#include "registry/registry.h"
#include "registry/registry_file.h"

#include <ctime>

#include <random>

namespace fs = std::filesystem;

namespace w98 {
namespace {

void seedBackups(Machine& m);

constexpr std::uint8_t kHsr = attr::kHidden | attr::kSystem | attr::kReadOnly;
constexpr const char* kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";

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
    dword(kHkeyUsers, ".DEFAULT\\SoftWare\\Microsoft\\Windows\\CurrentVersion\\Policies\\WinOldApp",
          "Disabled", 0);

    // The hardware found at set-up, with its drivers, and a program installed since.
    const std::string enumKey = "Enum\\", classKey = "System\\CurrentControlSet\\Services\\Class\\";
    str(kHkeyLocalMachine, enumKey + "Root\\*PNP0C01\\0000", "DeviceDesc", "系统主板");
    str(kHkeyLocalMachine, enumKey + "PCI\\VEN_8086&DEV_7190&SUBSYS_00000000&REV_03\\BUS_00&DEV_00&FUNC_00",
        "DeviceDesc", "Intel 82443BX Pentium(r) II Processor to AGP Controller");
    str(kHkeyLocalMachine, enumKey + "PCI\\VEN_10EC&DEV_8139&SUBSYS_813910EC&REV_10\\BUS_00&DEV_0B&FUNC_00",
        "DeviceDesc", "Realtek RTL8139(A) PCI Fast Ethernet Adapter");
    str(kHkeyLocalMachine, classKey + "System", "", "系统设备");
    str(kHkeyLocalMachine, classKey + "System\\0000", "DriverDesc", "系统主板");
    str(kHkeyLocalMachine, classKey + "Net", "", "网络适配器");
    str(kHkeyLocalMachine, classKey + "Net\\0000", "DriverDesc",
        "Realtek RTL8139(A) PCI Fast Ethernet Adapter");
    str(kHkeyLocalMachine, cv + "\\Uninstall\\WinZip", "DisplayName", "WinZip 8.0");
    str(kHkeyLocalMachine, cv + "\\Uninstall\\WinZip", "UninstallString",
        "\"C:\\PROGRA~1\\WINZIP\\WINZIP32.EXE\" /uninstall");
}

// What the user did between two daily backups: a dictionary and a USB scanner installed.
void installSince(Machine& m) {
    Registry& r = m.registry();
    auto str = [&](const std::string& key, const std::string& name, const std::string& text) {
        r.setValue(kHkeyLocalMachine, key, RegValue{name, reg_type::kSz, regStringData(text)});
    };
    str(std::string(kCurrentVersion) + "\\Uninstall\\XDict", "DisplayName", "金山词霸 2002");
    str("Enum\\USB\\VID_04A9&PID_2206\\5&1A2B3C4D&0&1", "DeviceDesc", "Canon CanoScan N650U");
    str("System\\CurrentControlSet\\Services\\Class\\Image", "", "成像设备");
    str("System\\CurrentControlSet\\Services\\Class\\Image\\0000", "DriverDesc", "Canon CanoScan N650U");
}

// A shell link (.lnk) as Windows 98 writes one: the header, then where the target lives
// (a local path on a fixed drive), no further strings.
std::string shellLink(const std::string& targetBytes, std::uint32_t targetSize) {
    auto u32 = [](std::string& out, std::uint32_t v) { out += regDwordData(v); };
    std::string link;
    u32(link, 0x4C);
    link += std::string("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
    u32(link, 0x02); // has link info
    u32(link, attr::kArchive);
    link += std::string(24, '\0'); // creation, access and write times
    u32(link, targetSize);
    u32(link, 0);                  // icon index
    u32(link, 1);                  // show normal
    link += std::string(12, '\0'); // hot key and reserved
    const std::uint32_t volumeSize = 16 + 1;
    const std::uint32_t pathOffset = 0x1C + volumeSize;
    const auto infoSize = static_cast<std::uint32_t>(pathOffset + targetBytes.size() + 1 + 1);
    for (std::uint32_t v : {infoSize, 0x1Cu, 1u, 0x1Cu, pathOffset, 0u, infoSize - 1})
        u32(link, v);
    for (std::uint32_t v : {volumeSize, 3u, 0x1A2B3C4Du, 0x10u})
        u32(link, v);
    link += '\0';               // no volume label
    link += targetBytes + '\0'; // the local path
    link += '\0';               // no common path suffix
    u32(link, 0);               // no extra data
    return link;
}

// What Windows 98 SE and a few installed programs start by themselves: the run keys, the
// "load=" line of win.ini and a shortcut in the Start menu's startup folder.
void seedStartupPrograms(Machine& m) {
    const std::string win = "C:\\WINDOWS";
    const std::string runKey = std::string(kCurrentVersion) + "\\Run";
    auto run = [&](const std::string& key, const std::string& name, const std::string& text) {
        m.registry().setValue(kHkeyLocalMachine, key, RegValue{name, reg_type::kSz, regStringData(text)});
    };
    run(runKey, "ScanRegistry", win + "\\scanregw.exe /autorun");
    run(runKey, "SysTray", win + "\\SYSTEM\\SysTray.Exe");
    run(runKey, "TaskMonitor", win + "\\taskmon.exe");
    run(runKey, "LoadPowerProfile", "Rundll32.exe powrprof.dll,LoadCurrentPwrScheme");
    run(runKey, "internat.exe", "internat.exe");
    run(runKey, "NetAssist", "C:\\Program Files\\NetAssist\\NetAssist.exe /tray");
    run(std::string(kCurrentVersion) + "\\RunServices", "SchedulingAgent", win + "\\SYSTEM\\mstask.exe");

    m.createDirectories("C:\\Program Files\\NetAssist");
    m.createDirectories("C:\\Program Files\\DeskCal");
    for (const char* program :
         {"C:\\WINDOWS\\SYSTEM\\SYSTRAY.EXE", "C:\\WINDOWS\\TASKMON.EXE", "C:\\WINDOWS\\RUNDLL32.EXE",
          "C:\\WINDOWS\\SYSTEM\\POWRPROF.DLL", "C:\\WINDOWS\\SYSTEM\\MSTASK.EXE",
          "C:\\Program Files\\NetAssist\\NetAssist.exe", "C:\\Program Files\\NetAssist\\NaDock.exe",
          "C:\\Program Files\\DeskCal\\DeskCal.exe"})
        m.writeFile(program, programStub(program));

    std::vector<std::string> winIni = m.readTextLines(win + "\\WIN.INI");
    for (std::string& line : winIni)
        if (line == "load=")
            line = "load=C:\\PROGRA~1\\NETASS~1\\NaDock.exe";
    m.writeTextLines(win + "\\WIN.INI", winIni);

    const std::string target = "C:\\Program Files\\DeskCal\\DeskCal.exe";
    const std::string startup = win + "\\Start Menu\\Programs\\启动";
    m.createDirectories(startup);
    m.writeFile(startup + "\\桌面日历.lnk",
                shellLink(target, static_cast<std::uint32_t>(m.fileSize(target))));
}

// Wallpapers of several sizes and shapes in the Windows folder and My Documents, one of them a
// small tile, and the system sounds with the start-up sound chosen.
void seedDesktop(Machine& m) {
    using namespace demo;
    const std::string win = "C:\\WINDOWS", docs = "C:\\My Documents";
    m.writeFile(win + "\\Clouds.bmp", MakeBmp(640, 480, SkyPainter()));
    m.writeFile(win + "\\Red Blocks.bmp", MakeBmp(32, 32, BrickPainter()));
    m.writeFile(win + "\\Circles.bmp", MakeBmp(400, 400, RingsPainter()));
    m.writeFile(win + "\\Setup.jpg", MakeJpeg(1024, 768, 85, SunsetPainter()));
    m.writeFile(docs + "\\sea.jpg", MakeJpeg(800, 600, 85, SeaPainter()));
    m.writeFile(docs + "\\panorama.jpg", MakeJpeg(1920, 1080, 80, SkyPainter()));
    m.writeFile(docs + "\\portrait.jpg", MakeJpeg(600, 900, 85, SunsetPainter()));
    m.writeFile(docs + "\\tile.jpg", MakeJpeg(120, 90, 75, BrickPainter()));
    m.writeFile(docs + "\\wide.bmp", MakeBmp(1000, 600, SeaPainter()));
    m.writeTextLines(docs + "\\readme.txt", {"我的图片和声音"});
    m.createDirectories(docs + "\\My Pictures");

    const std::string media = win + "\\MEDIA";
    m.createDirectories(media);
    m.writeFile(media + "\\The Microsoft Sound.wav", MakeWav(2.5, {392.0, 523.25, 659.25, 783.99}));
    m.writeFile(media + "\\Chimes.wav", MakeWav(1.2, {1046.5, 1318.5}));
    m.writeFile(media + "\\Ding.wav", MakeWav(0.6, {880.0}));
    m.writeFile(media + "\\Tada.wav", MakeWav(1.5, {523.25, 659.25, 783.99}));
    m.writeFile(media + "\\hello.wav", MakeWav(0.9, {440.0, 554.37}));
    const std::string start = "AppEvents\\Schemes\\Apps\\.Default\\SystemStart\\.Current";
    // The current user is the default profile: one key serves both.
    m.registry().setValue(kHkeyUsers, ".DEFAULT\\" + start,
                          RegValue{"", reg_type::kSz, regStringData(media + "\\The Microsoft Sound.wav")});
}

// What the settings switches read, as a fresh Windows 98 SE with a few weeks of browsing has it:
// the explorer's "show all files" option, the .reg file class, the shell policies, the desktop's
// hang settings, and the browser's title and typed addresses.
void seedSwitches(Machine& m) {
    Registry& r = m.registry();
    auto str = [&](RegRoot root, const std::string& key, const std::string& name, const std::string& text) {
        r.setValue(root, key, RegValue{name, reg_type::kSz, regStringData(text)});
    };
    auto dword = [&](RegRoot root, const std::string& key, const std::string& name, std::uint32_t v) {
        r.setValue(root, key, RegValue{name, reg_type::kDword, regDwordData(v)});
    };
    const std::string hidden = std::string(kCurrentVersion) + "\\explorer\\Advanced\\Folder\\Hidden";
    str(kHkeyLocalMachine, hidden, "Text", "隐藏文件");
    str(kHkeyLocalMachine, hidden, "Type", "group");
    const std::string showAll = hidden + "\\SHOWALL";
    str(kHkeyLocalMachine, showAll, "RegPath",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced");
    str(kHkeyLocalMachine, showAll, "Text", "显示所有文件");
    str(kHkeyLocalMachine, showAll, "Type", "radio");
    dword(kHkeyLocalMachine, showAll, "CheckedValue", 1);
    str(kHkeyLocalMachine, showAll, "ValueName", "Hidden");
    dword(kHkeyLocalMachine, showAll, "DefaultValue", 2);
    dword(kHkeyLocalMachine, showAll, "HKeyRoot", 0x80000001u);

    const std::string classes = "Software\\Classes";
    str(kHkeyLocalMachine, classes + "\\.reg", "", "regfile");
    str(kHkeyLocalMachine, classes + "\\regfile", "", "注册表项");
    str(kHkeyLocalMachine, classes + "\\regfile\\shell\\open\\command", "", "regedit.exe \"%1\"");
    str(kHkeyLocalMachine, classes + "\\.txt", "", "txtfile");
    str(kHkeyLocalMachine, classes + "\\txtfile", "", "文本文档");
    str(kHkeyLocalMachine, classes + "\\txtfile\\shell\\open\\command", "", "C:\\WINDOWS\\NOTEPAD.EXE %1");

    // AutoRun is off for unknown and network drives; no drive is hidden.
    r.setValue(kHkeyUsers, ".DEFAULT\\" + std::string(kCurrentVersion) + "\\Policies\\Explorer",
               RegValue{"NoDriveTypeAutoRun", reg_type::kBinary, std::string("\x95\x00\x00\x00", 4)});
    str(kHkeyUsers, ".DEFAULT\\Control Panel\\Desktop", "WaitToKillAppTimeOut", "20000");
    str(kHkeyUsers, ".DEFAULT\\Control Panel\\Desktop", "HungAppTimeout", "5000");

    str(kHkeyLocalMachine, "Software\\Microsoft\\Internet Explorer\\Main", "Window Title",
        "Microsoft Internet Explorer");
    const std::string typed = ".DEFAULT\\Software\\Microsoft\\Internet Explorer\\TypedURLs";
    int n = 0;
    for (const char* url : {"http://www.sina.com.cn/", "http://www.163.com/", "http://www.sohu.com/",
                            "http://www.yesky.com/", "http://bbs.pconline.com.cn/"})
        str(kHkeyUsers, typed, "url" + std::to_string(++n), url);
}

void seedFiles(Machine& m) {
    const std::string win = "C:\\WINDOWS";
    for (const char* dir : {"C:\\WINDOWS", "C:\\WINDOWS\\COMMAND", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\TEMP",
                            "C:\\WINDOWS\\SYSBCKUP", "C:\\My Documents", "C:\\Program Files"})
        m.createDirectories(dir);

    m.writeTextLines("C:\\AUTOEXEC.BAT", {"@ECHO OFF", "SET BLASTER=A220 I5 D1 H5 P330 T6",
                                          "PATH C:\\WINDOWS;C:\\WINDOWS\\COMMAND"});
    m.writeTextLines("C:\\CONFIG.SYS", {"DEVICE=C:\\WINDOWS\\HIMEM.SYS", "DOS=HIGH,UMB", "FILES=40"});
    m.writeTextLines("C:\\MSDOS.SYS",
                     {"[Paths]", "WinDir=C:\\WINDOWS", "WinBootDir=C:\\WINDOWS", "HostWinBootDrv=C", "",
                      "[Options]", "BootMulti=1", "BootGUI=1", "DoubleBuffer=1", "AutoScan=1",
                      "WinVer=4.10.2222", ";",
                      ";The following lines are required for compatibility with other programs.",
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

    m.writeTextLines(win + "\\WIN.INI", {"[windows]",
                                         "load=",
                                         "run=",
                                         "NullPort=None",
                                         "device=",
                                         "",
                                         "[Desktop]",
                                         "Wallpaper=(无)",
                                         "TileWallpaper=0",
                                         "WallpaperStyle=0",
                                         "",
                                         "[intl]",
                                         "iCountry=86",
                                         "sShortDate=yy-M-d",
                                         "sTimeFormat=H:mm:ss",
                                         "",
                                         "[fonts]",
                                         "",
                                         "[mci extensions]",
                                         "wav=waveaudio"});
    m.writeTextLines(win + "\\SYSTEM.INI",
                     {"[boot]", "shell=Explorer.exe", "system.drv=system.drv", "", "[386Enh]",
                      "woafont=dosapp.fon", "", "[drivers]", "wave=mmsystem.dll", "timer=timer.drv"});
    m.writeTextLines(win + "\\CONTROL.INI",
                     {"[current]", "color schemes=Windows 标准", "", "[Screen Saver]"});
    m.writeTextLines(win + "\\PROTOCOL.INI", {"[ndishlp$]", "DriverName=ndishlp$"});
    m.writeTextLines(win + "\\DESKTOP.INI",
                     {"[.ShellClassInfo]", "IconFile=%SystemRoot%\\system\\shell32.dll"});
    m.setAttributes(win + "\\DESKTOP.INI", attr::kHidden | attr::kSystem);

    // SYSTEM.DAT and USER.DAT in Windows 98's own binary form, as a real installation has them;
    // everything the registry gets from here on (and every backup of it) stays in that form.
    m.writeFile(win + "\\SYSTEM.DAT", emptyHiveBytes(HiveForm::Binary, "HKEY_LOCAL_MACHINE"));
    m.writeFile(win + "\\USER.DAT", emptyHiveBytes(HiveForm::Binary, "HKEY_USERS"));
    seedRegistry(m);
    seedDesktop(m);
    seedStartupPrograms(m);
    seedSwitches(m);
    m.setAttributes(win + "\\SYSTEM.DAT", kHsr);
    m.setAttributes(win + "\\USER.DAT", kHsr);

    seedSetupSource(m);
    seedBackups(m);
}

// The registry checker's settings as a fresh Windows 98 SE leaves them, with the start-up
// and shell files in every cabinet.
std::vector<std::string> checkerSettings(const std::string& backupDirectory) {
    return {"[ScanReg]",
            "Backup=1",
            "Optimize=1",
            "ScanregVersion=0.0001",
            "MaxBackupCopies=6",
            "BackupDirectory=" + backupDirectory,
            "Files=30,config.sys,msdos.sys,io.sys,command.com,autoexec.bat",
            "Files=10,Protocol.ini,Control.ini,Desktop.ini,WIN.COM,Explorer.exe"};
}

DateTime daysAgo(int days, int hour, int minute) {
    DateTime t = localDateTime(std::time(nullptr) - static_cast<std::time_t>(days) * 86400);
    t.hour = hour;
    t.minute = minute;
    t.second = 14;
    return t;
}

// One backup as the registry checker makes it, dated as if made that day. A registry value
// records which day's state the backup holds, so that restoring it can be seen.
void backupOn(Machine& m, const std::string& folder, int days, int hour, int minute) {
    const std::string win = "C:\\WINDOWS";
    m.writeTextLines(win + "\\scanreg.ini", checkerSettings(folder));
    DateTime when = daysAgo(days, hour, minute);
    m.registry().setValue(
        kHkeyLocalMachine, "Software\\Korvane Demo",
        {"State", reg_type::kSz, regStringData(formatDateTimePicture("yyyy-MM-dd HH:mm", when))});
    const std::string cab = backupRegistry(m);
    m.setLastWriteTime(cab, when);
}

void seedBackups(Machine& m) {
    const std::string win = "C:\\WINDOWS";
    // The state Windows was installed with.
    m.createDirectories(win + "\\REGOPT");
    for (const auto& [from, to] :
         std::vector<std::pair<std::string, std::string>>{{"SYSTEM.DAT", "system.da0"},
                                                          {"USER.DAT", "user.da0"},
                                                          {"WIN.INI", "win.in0"},
                                                          {"SYSTEM.INI", "system.in0"}}) {
        m.copyFile(win + "\\" + from, win + "\\" + to, true);
        m.setAttributes(win + "\\" + to, attr::kArchive);
        m.setLastWriteTime(win + "\\" + to, daysAgo(40, 10, 12));
    }
    // A registry optimiser's pair.
    m.copyFile(win + "\\SYSTEM.DAT", win + "\\REGOPT\\system.dat", true);
    m.copyFile(win + "\\USER.DAT", win + "\\REGOPT\\user.dat", true);
    m.setAttributes(win + "\\REGOPT\\system.dat", attr::kArchive);
    m.setAttributes(win + "\\REGOPT\\user.dat", attr::kArchive);
    m.setLastWriteTime(win + "\\REGOPT\\system.dat", daysAgo(20, 21, 40));

    // The checker's daily backups, one of them kept as the copy of a damaged registry.
    for (const auto& [days, hour] : std::vector<std::pair<int, int>>{{9, 8}, {6, 9}, {3, 8}, {1, 19}}) {
        backupOn(m, "", days, hour, 3 + days);
        // Restoring an older backup takes these back: the preview of a restore has something to say.
        if (days == 6)
            installSince(m);
        if (days == 3)
            m.registry().deleteKey(kHkeyLocalMachine, std::string(kCurrentVersion) + "\\Uninstall\\WinZip");
    }
    m.copyFile(win + "\\SYSBCKUP\\rb001.cab", win + "\\SYSBCKUP\\RBBAD.CAB", true);
    m.setLastWriteTime(win + "\\SYSBCKUP\\RBBAD.CAB", daysAgo(5, 7, 58));
    // A backup made just before an earlier restore, and one the user made by hand.
    backupOn(m, win + "\\sysbckup\\restore", 4, 14, 31);
    backupOn(m, win + "\\sysbckup\\restore1", 2, 16, 2);
    m.writeTextLines(win + "\\scanreg.ini", checkerSettings(""));
    m.registry().setValue(kHkeyLocalMachine, "Software\\Korvane Demo",
                          {"State", reg_type::kSz, regStringData("today")});
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
        const std::string ini = machine_ini::text("The stand-in Windows 98 machine.",
                                                  {"windows=" + std::string(machine_ini::kWindows)},
                                                  {"A=removable", "C=fixed", "D=cdrom"});
        replaceHostFile(building / "machine.ini", ini, (building / "machine.ini").string());
        Machine m(building);
        seedFiles(m);
    } catch (const std::exception& e) {
        fs::remove_all(building, ec);
        throw Error("无法在 " + root.string() + " 建立演示机器：" + e.what());
    } catch (...) {
        fs::remove_all(building, ec);
        throw;
    }
    fs::rename(building, root, ec);
    if (ec) {
        fs::remove_all(building, ec);
        if (!fs::is_directory(root))
            throw Error("无法在 " + root.string() + " 建立演示机器");
    }
}

namespace {

// Names that stand for a disk, not a folder: a device node, or a disk image by its extension.
bool namesADisk(const fs::path& root) {
    const std::string path = fs::absolute(root).lexically_normal().string();
    for (const char* system : {"/dev/", "/proc/", "/sys/"})
        if (path.starts_with(system))
            return true;
    std::string ext = root.extension().string();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* image : {".img", ".ima", ".raw", ".bin", ".dsk", ".hdd", ".hds", ".vfd", ".flp", ".vdi",
                              ".vhd", ".vhdx", ".vmdk", ".qcow", ".qcow2", ".qed", ".iso"})
        if (ext == image)
            return true;
    return false;
}

} // namespace

void ensureMachine(const fs::path& root) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(root, ec)))
        return;
    // A mistyped disk or a device not there yet is not a new machine folder to be made.
    if (namesADisk(root))
        throw Error("找不到 " + root.string() +
                    "：没有这个磁盘映像或设备。请检查路径；不存在的文件夹才会新建为演示机器");
    createDemoMachine(root);
}

} // namespace w98
