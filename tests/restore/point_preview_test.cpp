// The preview of a restore point: what restoring it would change against the live machine, for
// cabinets and file pairs, registries in either form, points the click would refuse, the cache,
// and the worker that abandons a preview when another row is chosen.
#include "base/dos_attributes.h"
#include "platform/cabinet.h"
#include "registry/registry.h"
#include "registry/registry_file.h"
#include "restore/catalogue.h"
#include "restore/point_preview.h"
#include "restore/preview_worker.h"
#include "restore/restore_execution.h"
#include "restore/restore_point.h"
#include "restore/restore_table.h"
#include "restore/system_facts.h"
#include "tests/restore/restore_demo.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <map>
#include <mutex>

using namespace korvane;
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

namespace {

constexpr auto HKLM = w98::kHkeyLocalMachine;
constexpr auto HKU = w98::kHkeyUsers;
const std::string kCv = "Software\\Microsoft\\Windows\\CurrentVersion";
const std::string kUser = ".DEFAULT\\";
const std::string kEnum = "Enum\\";
const std::string kClass = "System\\CurrentControlSet\\Services\\Class\\";

RestorePoint pointOf(const char* note, const char* folder, const char* extension, const char* file,
                     const char* date) {
    RestorePoint p;
    p.note = note;
    p.folder = folder;
    p.extension = extension;
    p.fileName = file;
    p.shownDate = date;
    return p;
}
const RestorePoint kCabinetRow =
    pointOf(notes::kDailyBackup, "C:\\WINDOWS\\SYSBCKUP", ".cab", "rb001.cab", "2002-5-16 8:00:00");
const RestorePoint kPairRow = pointOf(notes::kOtherSoftware, "C:\\WINDOWS\\REGOPT", ".dat", "system.dat", "");

// A machine whose restore points (a checker's cabinet and a registry optimiser's pair) were made
// before programs, start-up entries, devices and switches changed.
struct Changed {
    test::TempMachine tm;
    w98::Machine& m = tm.machine();

    void str(w98::RegRoot root, const std::string& key, const std::string& name, const std::string& text) {
        m.registry().setValue(root, key, {name, w98::reg_type::kSz, w98::regStringData(text)});
    }
    void dword(w98::RegRoot root, const std::string& key, const std::string& name, std::uint32_t v) {
        m.registry().setValue(root, key, {name, w98::reg_type::kDword, w98::regDwordData(v)});
    }

    // The registry files rewritten in the given form, holding what they held.
    void useForm(w98::HiveForm form) {
        const std::string text = m.registry().exportText();
        m.writeFile("C:\\WINDOWS\\SYSTEM.DAT", w98::emptyHiveBytes(form, "HKEY_LOCAL_MACHINE"));
        m.writeFile("C:\\WINDOWS\\USER.DAT", w98::emptyHiveBytes(form, "HKEY_USERS"));
        m.registry().importText(text, "export");
        ASSERT_EQ(tm.bytes("C:\\WINDOWS\\SYSTEM.DAT").starts_with("CREG"), form == w98::HiveForm::Binary);
    }

    void then() {
        str(HKLM, kCv + "\\Uninstall\\WinZip", "DisplayName", "WinZip 8.0");
        str(HKLM, kCv + "\\Uninstall\\Office", "DisplayName", "Microsoft Office 2000");
        str(HKLM, kCv + "\\Uninstall\\NoName", "UninstallString", "C:\\NONAME\\UNINST.EXE");
        for (const char* runtime : {"VC6Runtime", "VC6RuntimeSp5"}) // called alike, on both sides
            str(HKLM, kCv + "\\Uninstall\\" + runtime, "DisplayName", "Microsoft Visual C++ 运行库");
        str(HKLM, kCv + "\\Run", "SysTray", "C:\\WINDOWS\\SYSTEM\\SysTray.Exe");
        str(HKLM, kCv + "\\Run", "WinZip", "C:\\PROGRA~1\\WINZIP\\WZQKPICK.EXE");
        str(HKLM, kEnum + "Root\\*PNP0C01\\0000", "DeviceDesc", "系统主板");
        str(HKLM, kEnum + "PCI\\VEN_10EC&DEV_8139\\BUS_00&DEV_0B&FUNC_00", "DeviceDesc",
            "Realtek RTL8139 网卡");
        str(HKLM, kClass + "Net", "", "网络适配器");
        str(HKLM, kClass + "Net\\0000", "DriverDesc", "Realtek RTL8139 网卡");
        str(HKLM, kClass + "System", "", "系统设备");
        str(HKLM, kClass + "System\\0000", "DriverDesc", "系统主板");
        dword(HKLM, kCv + "\\explorer\\Advanced\\Folder\\Hidden\\SHOWALL", "CheckedValue", 1);
        // The MS-DOS policy in force, as Windows keeps it while the program is closed.
        dword(HKU, kUser + "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Policies\\WinOldApp", "Disabled",
              1);
        str(HKLM, "Software\\Microsoft\\Internet Explorer\\Main", "Window Title",
            "Microsoft Internet Explorer");
        str(HKU, kUser + "Software\\Microsoft\\Internet Explorer\\Main", "Start Page", "about:blank");
        str(HKU, kUser + "Software\\Microsoft\\Internet Explorer\\TypedURLs", "url1",
            "http://www.sina.com.cn/");
        str(HKU, kUser + "Software\\Microsoft\\Internet Explorer\\TypedURLs", "url2", "http://www.163.com/");
        m.writeTextLines("C:\\WINDOWS\\WIN.INI", {"[windows]", "load=", "run=", "NullPort=None"});
        m.writeTextLines("C:\\WINDOWS\\SYSTEM.INI", {"[boot]", "shell=Explorer.exe"});
        m.writeTextLines("C:\\CONFIG.SYS", {"DEVICE=C:\\WINDOWS\\HIMEM.SYS"});
        m.writeTextLines("C:\\MSDOS.SYS", {"[Paths]", "WinDir=C:\\WINDOWS"});
    }

    void makePoints() {
        auto file = [&](const char* name, const std::string& path) {
            return w98::CabEntry{name, tm.bytes(path), 0x20, {2002, 5, 16, 8, 0, 0}};
        };
        m.createDirectories("C:\\WINDOWS\\SYSBCKUP");
        m.writeFile(
            "C:\\WINDOWS\\SYSBCKUP\\rb001.cab",
            w98::buildCabinet(
                {file("system.dat", "C:\\WINDOWS\\SYSTEM.DAT"), file("user.dat", "C:\\WINDOWS\\USER.DAT"),
                 file("system.ini", "C:\\WINDOWS\\SYSTEM.INI"), file("win.ini", "C:\\WINDOWS\\WIN.INI"),
                 file("config.sys", "C:\\CONFIG.SYS"), file("msdos.sys", "C:\\MSDOS.SYS")}));
        // The optimiser's pair carries no win.ini: the restore keeps the live one.
        m.createDirectories("C:\\WINDOWS\\REGOPT");
        m.copyFile("C:\\WINDOWS\\SYSTEM.DAT", "C:\\WINDOWS\\REGOPT\\system.dat", true);
        m.copyFile("C:\\WINDOWS\\USER.DAT", "C:\\WINDOWS\\REGOPT\\user.dat", true);
    }

    void now() {
        w98::Registry& r = m.registry();
        str(HKLM, kCv + "\\Uninstall\\QQ", "DisplayName", "腾讯QQ 2000c");
        str(HKLM, kCv + "\\Run", "QQ", "C:\\Program Files\\Tencent\\QQ.exe");
        str(HKU, kUser + kCv + "\\Run", "Tray", "tray.exe");
        r.deleteKey(HKLM, kCv + "\\Uninstall\\WinZip");
        r.deleteValue(HKLM, kCv + "\\Run", "WinZip");
        // The network card was swapped, a scanner and four USB devices came.
        r.deleteKey(HKLM, kEnum + "PCI\\VEN_10EC&DEV_8139");
        r.deleteKey(HKLM, kClass + "Net\\0000");
        str(HKLM, kEnum + "PCI\\VEN_8086&DEV_1229\\BUS_00&DEV_0C&FUNC_00", "DeviceDesc", "Intel 8255x 网卡");
        str(HKLM, kClass + "Net\\0001", "DriverDesc", "Intel 8255x 网卡");
        str(HKLM, kClass + "Image", "", "成像设备");
        for (int i = 1; i <= 4; ++i)
            str(HKLM, kEnum + "USB\\DEV_" + std::to_string(i) + "\\0000", "DeviceDesc",
                "USB 设备 " + std::to_string(i));
        dword(HKLM, kCv + "\\explorer\\Advanced\\Folder\\Hidden\\SHOWALL", "CheckedValue", 0);
        dword(HKU, kUser + kCv + "\\Policies\\Explorer", "NoRun", 1);
        m.registry().setValue(HKU, kUser + kCv + "\\Policies\\Explorer",
                              {"NoDrives", w98::reg_type::kBinary, std::string("\x18\x00\x00\x00", 4)});
        // The program runs: it holds the MS-DOS policy lifted, and remembers to set it again.
        dword(HKU, kUser + "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Policies\\WinOldApp", "Disabled",
              0);
        dword(HKU, kUser + "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Policies\\WinOldApp", "old", 1);
        str(HKLM, "Software\\Microsoft\\Internet Explorer\\Main", "Window Title", "被修改的标题");
        str(HKU, kUser + "Software\\Microsoft\\Internet Explorer\\Main", "Start Page",
            "http://www.hijack.com/");
        r.deleteKey(HKU, kUser + "Software\\Microsoft\\Internet Explorer\\TypedURLs");
        m.writeTextLines("C:\\WINDOWS\\WIN.INI",
                         {"[windows]", "load=C:\\PROGRA~1\\NETASS~1\\NaDock.exe", "run=", "NullPort=None"});
        m.writeTextLines("C:\\CONFIG.SYS",
                         {"DEVICE=C:\\WINDOWS\\HIMEM.SYS", "DEVICE=C:\\WINDOWS\\EMM386.EXE"});
    }

    PointPreview preview() { return PointPreview(tm.root(), "C:\\WINDOWS", "C:"); }

    // Every file of the machine folder with its bytes and time.
    std::map<std::string, std::string> everything() {
        std::map<std::string, std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(tm.root()))
            if (e.is_regular_file())
                out[e.path().string()] = test::readBytes(e.path()) + "@" +
                                         std::to_string(e.last_write_time().time_since_epoch().count());
        return out;
    }
};

const Lines kRegistryDifference = {
    "还原到这个还原点，与现在相比：",
    "【程序】",
    "  此后安装的 1 个程序将从注册表中去掉（文件仍留在硬盘上）：腾讯QQ 2000c",
    "  此后卸载的 1 个程序将回到注册表中：WinZip 8.0",
    "【随Windows启动的程序】",
};
const Lines kHardwareAndSettings = {
    "【硬件和驱动程序】",
    "  设备：还原后少 5 个（Intel 8255x 网卡、USB 设备 1、USB 设备 2 等），多 1 个（Realtek RTL8139 网卡）",
    "  设备类别：还原后少 1 个（成像设备）",
    "  驱动程序：还原后少 1 个（Intel 8255x 网卡），多 1 个（Realtek RTL8139 网卡）",
    "【隐私和浏览器设置】",
    "  彻底隐藏文件或文件夹：现在开启，还原后关闭",
    "  地址栏直接输入：现在禁用，还原后启用",
    "  盘符：现在隐藏 D:、E:，还原后都不隐藏",
    "  地址栏列表：现在没有网址，还原后有 2 个网址",
    "  IE标题栏：现在为“被修改的标题”，还原后为“Microsoft Internet Explorer”",
    "  IE首页：现在为“http://www.hijack.com/”，还原后为“about:blank”",
};

Lines cabinetPreview() {
    Lines l = kRegistryDifference;
    l[0] = "还原到 2002-5-16 8:00:00 的还原点，与现在相比：";
    l.push_back("  不再自动启动 3 个：QQ：C:\\Program "
                "Files\\Tencent\\QQ.exe（Run）、Tray：tray.exe（当前用户的Run）、"
                "C:\\PROGRA~1\\NETASS~1\\NaDock.exe（win.ini load=）");
    l.push_back("  重新自动启动 1 个：WinZip：C:\\PROGRA~1\\WINZIP\\WZQKPICK.EXE（Run）");
    l.insert(l.end(), kHardwareAndSettings.begin(), kHardwareAndSettings.end());
    l.push_back("【启动文件】");
    l.push_back("  与现在的不同，将换成还原点里的：config.sys、win.ini");
    return l;
}

// The pair brings no win.ini back: its load= entry stays, and no start-up file is replaced.
Lines pairPreview() {
    Lines l = kRegistryDifference;
    l.push_back("  不再自动启动 2 个：QQ：C:\\Program "
                "Files\\Tencent\\QQ.exe（Run）、Tray：tray.exe（当前用户的Run）");
    l.push_back("  重新自动启动 1 个：WinZip：C:\\PROGRA~1\\WINZIP\\WZQKPICK.EXE（Run）");
    l.insert(l.end(), kHardwareAndSettings.begin(), kHardwareAndSettings.end());
    return l;
}

struct Forms {
    w98::HiveForm point, live;
};

class PointPreviewForms : public testing::TestWithParam<Forms> {};

} // namespace

TEST_P(PointPreviewForms, ListsExactlyWhatTheCabinetAndThePairWouldChange) {
    Changed c;
    c.useForm(GetParam().point);
    c.then();
    c.makePoints();
    if (GetParam().live != GetParam().point)
        c.useForm(GetParam().live);
    c.now();
    const auto before = c.everything();
    PointPreview p = c.preview();
    EXPECT_EQ(p.lines(kCabinetRow), cabinetPreview());
    EXPECT_EQ(p.lines(kPairRow), pairPreview());
    EXPECT_EQ(c.everything(), before) << "the preview changed a file";
}

INSTANTIATE_TEST_SUITE_P(TextBinaryAndMixed, PointPreviewForms,
                         testing::Values(Forms{w98::HiveForm::Text, w98::HiveForm::Text},
                                         Forms{w98::HiveForm::Binary, w98::HiveForm::Binary},
                                         Forms{w98::HiveForm::Text, w98::HiveForm::Binary}));

TEST(PointPreview, APointLikeTheLiveMachineChangesNothing) {
    Changed c;
    c.then();
    c.makePoints();
    PointPreview p = c.preview();
    const Lines same = {"还原到这个还原点：程序、启动项、硬件和驱动程序、设置和启动文件都与现在相同。"};
    EXPECT_EQ(
        p.lines(kCabinetRow),
        Lines{
            "还原到 2002-5-16 8:00:00 的还原点：程序、启动项、硬件和驱动程序、设置和启动文件都与现在相同。"});
    EXPECT_EQ(p.lines(kPairRow), same);
    // The MS-DOS policy the point holds in force is what the switch shows while it is lifted.
    c.dword(HKU, kUser + "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Policies\\WinOldApp", "Disabled", 0);
    EXPECT_EQ(p.lines(kPairRow), (Lines{"还原到这个还原点，与现在相比：", "【隐私和浏览器设置】",
                                        "  MS-DOS：现在启用，还原后禁用"}));
    c.dword(HKU, kUser + "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Policies\\WinOldApp", "old", 1);
    EXPECT_EQ(p.lines(kPairRow), same);
}

TEST(PointPreview, TheDemoMachinesOldestDailyBackupPredatesADictionaryAndAScanner) {
    test::RestoreDemo d("korvane-preview-demo");
    TextTable t;
    FillRestoreTable(t, ScanAllRestorePoints(*d.m, "C:\\WINDOWS", "C:\\WINDOWS\\SYSBCKUP"), *d.m, 2026);
    int oldest = -1, newest = -1;
    for (int r = 1; r < t.rowCount(); ++r)
        if (t.cell(restore_col::kNote, r) == notes::kDailyBackup) {
            oldest = r;
            newest = newest < 0 ? r : newest;
        }
    ASSERT_GT(oldest, newest);
    PointPreview p(d.folder / "m", "C:\\WINDOWS", "C:");
    const std::string date = t.cell(restore_col::kDate, oldest);
    EXPECT_EQ(p.lines(RestorePointAt(t, oldest)),
              (Lines{"还原到 " + date + " 的还原点，与现在相比：", "【程序】",
                     "  此后安装的 1 个程序将从注册表中去掉（文件仍留在硬盘上）：金山词霸 2002",
                     "  此后卸载的 1 个程序将回到注册表中：WinZip 8.0", "【硬件和驱动程序】",
                     "  设备：还原后少 1 个（Canon CanoScan N650U）", "  设备类别：还原后少 1 个（成像设备）",
                     "  驱动程序：还原后少 1 个（Canon CanoScan N650U）"}));
    EXPECT_EQ(p.lines(RestorePointAt(t, newest)),
              Lines{"还原到 " + t.cell(restore_col::kDate, newest) +
                    " 的还原点：程序、启动项、硬件和驱动程序、设置和启动文件都与现在相同。"});
}

TEST(PointPreview, APointTheClickWouldRefuseGivesTheClicksReason) {
    Changed c;
    c.then();
    c.makePoints();
    const std::string cab = "C:\\WINDOWS\\SYSBCKUP\\rb002.cab";
    c.m.writeFile(cab, w98::buildCabinet({{"system.dat", c.tm.bytes("C:\\WINDOWS\\SYSTEM.DAT"), 0x20, {}}}));
    PointPreview p = c.preview();
    EXPECT_EQ(p.lines(pointOf(notes::kDailyBackup, "C:\\WINDOWS\\SYSBCKUP", ".cab", "rb002.cab", "")),
              (Lines{"这个还原点无法还原，点击它会提示：",
                     "  还原点的备份文件 C:\\WINDOWS\\SYSBCKUP\\rb002.cab 里没有 user.dat，还原不了注册表。",
                     "  系统没有作任何改动，请选择其它的还原点。"}));
    EXPECT_EQ(p.lines(pointOf(notes::kDailyBackup, "C:\\WINDOWS\\SYSBCKUP", ".cab", "rb404.cab",
                              "2002-5-17 8:00:00")),
              (Lines{"2002-5-17 8:00:00 的还原点无法还原，点击它会提示：",
                     "  还原点的备份文件 C:\\WINDOWS\\SYSBCKUP\\rb404.cab 已经不在了。",
                     "  系统没有作任何改动，请选择其它的还原点。"}));
    c.m.writeFile("C:\\WINDOWS\\REGOPT\\user.dat", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n");
    const auto pair = p.lines(kPairRow);
    ASSERT_TRUE(pair);
    ASSERT_EQ(pair->size(), 3u);
    EXPECT_TRUE((*pair)[1].starts_with("  还原点中的注册表文件无法读取（C:\\WINDOWS\\REGOPT\\user.dat"))
        << (*pair)[1];
    // A name MS-DOS cannot take as itself: the click's first check.
    c.m.writeFile("C:\\WINDOWS\\SYSBCKUP\\a >msdos.sys .cab", c.tm.bytes("C:\\WINDOWS\\SYSBCKUP\\rb001.cab"));
    const auto dos =
        p.lines(pointOf(notes::kDailyBackup, "C:\\WINDOWS\\SYSBCKUP", ".cab", "a >msdos.sys .cab", ""));
    ASSERT_TRUE(dos);
    EXPECT_EQ(dos->at(1), "  无法在MS-DOS方式下从这个还原点还原：");
    EXPECT_EQ(dos->back(), "  本程序没有做任何改动：没有备份当前系统，没有写任何文件，也不会重新启动电脑。");
}

TEST(PointPreview, IsKeptUntilAFileItWasMadeFromChanges) {
    Changed c;
    c.then();
    c.makePoints();
    PointPreview p = c.preview();
    const auto first = p.lines(kCabinetRow);
    p.lines(kCabinetRow);
    EXPECT_EQ(p.madeCount(), 1u);
    p.lines(kPairRow);
    EXPECT_EQ(p.madeCount(), 2u);

    c.str(HKLM, kCv + "\\Uninstall\\QQ", "DisplayName", "腾讯QQ 2000c");
    const auto second = p.lines(kCabinetRow);
    EXPECT_EQ(p.madeCount(), 3u);
    EXPECT_NE(first, second);
    c.m.writeTextLines("C:\\CONFIG.SYS", {"REM changed"});
    p.lines(kCabinetRow);
    EXPECT_EQ(p.madeCount(), 4u);
    c.m.setLastWriteTime("C:\\WINDOWS\\SYSBCKUP\\rb001.cab", {2002, 5, 17, 8, 0, 0});
    p.lines(kCabinetRow);
    EXPECT_EQ(p.madeCount(), 5u);
    p.lines(kCabinetRow);
    EXPECT_EQ(p.madeCount(), 5u);

    // An abandoned preview gives nothing and keeps nothing.
    c.m.writeTextLines("C:\\CONFIG.SYS", {"REM changed again"});
    EXPECT_FALSE(p.lines(kCabinetRow, [] { return true; }));
    EXPECT_TRUE(p.lines(kCabinetRow));
    EXPECT_EQ(p.madeCount(), 7u);
}

TEST(PointPreview, WinIniStartupEntriesAreTheProgramsOfLoadAndRunInTheWindowsSection) {
    EXPECT_EQ(WinIniStartupEntries({"[Desktop]", "load=desk.exe", "[windows]", "Load = a.exe b.exe,c.exe",
                                    "run=", "RUN=d.exe", "loader=x.exe", "[fonts]", "run=font.exe"}),
              (Lines{"a.exe（win.ini load=）", "b.exe（win.ini load=）", "c.exe（win.ini load=）",
                     "d.exe（win.ini run=）"}));
}

// A point whose every start-up file differs from the live one: the preview names exactly the
// files the job copies, registry files aside, for a cabinet and for a pair.
TEST(PointPreview, TheFilesNamedAreThoseTheRestoreJobCopies) {
    Changed c;
    c.then();
    auto& m = c.m;
    const Lines cabNames = {"msdos.sys",   "command.com",  "config.sys",   "Control.ini", "io.sys",
                            "Desktop.ini", "Explorer.exe", "Protocol.ini", "system.dat",  "system.ini",
                            "user.dat",    "win.ini",      "win.com"};
    std::vector<w98::CabEntry> entries;
    for (const std::string& name : cabNames)
        entries.push_back({name,
                           name == "system.dat" ? c.tm.bytes("C:\\WINDOWS\\SYSTEM.DAT")
                           : name == "user.dat" ? c.tm.bytes("C:\\WINDOWS\\USER.DAT")
                                                : "point " + name + "\r\n",
                           0x20,
                           {2002, 5, 16, 8, 0, 0}});
    m.createDirectories("C:\\WINDOWS\\SYSBCKUP");
    m.writeFile("C:\\WINDOWS\\SYSBCKUP\\rb001.cab", w98::buildCabinet(entries));
    m.createDirectories("C:\\WINDOWS\\REGOPT");
    m.copyFile("C:\\WINDOWS\\SYSTEM.DAT", "C:\\WINDOWS\\REGOPT\\system.dat", true);
    m.copyFile("C:\\WINDOWS\\USER.DAT", "C:\\WINDOWS\\REGOPT\\user.dat", true);
    m.writeFile("C:\\WINDOWS\\REGOPT\\win.ini", "[windows]\r\n");
    m.writeFile("C:\\WINDOWS\\REGOPT\\system.ini", "[boot]\r\n");

    struct Case {
        RestorePoint point;
        Lines copies;
        std::string named;
    };
    const Case cases[] = {
        {pointOf(notes::kDailyBackup, "C:\\WINDOWS\\SYSBCKUP", ".cab", "rb001.cab", ""),
         {"copy msdos.sys c:\\ /Y", "copy command.com c:\\ /Y", "copy config.sys c:\\ /Y",
          "copy Control.ini %winbootdir% /Y", "copy io.sys c:\\ /Y", "copy Desktop.ini %winbootdir% /Y",
          "copy Explorer.exe %winbootdir% /Y", "copy Protocol.ini %winbootdir% /Y",
          "copy system.dat %winbootdir% /Y", "copy system.ini %winbootdir% /Y",
          "copy user.dat %winbootdir% /Y", "copy win.ini %winbootdir% /Y", "copy win.com %winbootdir% /Y"},
         "  "
         "与现在的不同，将换成还原点里的：msdos.sys、command.com、config.sys、Control.ini、io.sys、Desktop."
         "ini、"
         "Explorer.exe、Protocol.ini、system.ini、win.ini、win.com"},
        {pointOf(notes::kOtherSoftware, "C:\\WINDOWS\\REGOPT", ".dat", "system.dat", ""),
         {"copy C:\\WINDOWS\\REGOPT\\SYSTEM.DAT C:\\WINDOWS\\SYSTEM.DAT",
          "copy C:\\WINDOWS\\REGOPT\\USER.DAT C:\\WINDOWS\\USER.DAT",
          "copy C:\\WINDOWS\\REGOPT\\WIN.INI C:\\WINDOWS\\WIN.INI",
          "copy C:\\WINDOWS\\REGOPT\\SYSTEM.INI C:\\WINDOWS\\SYSTEM.INI"},
         "  与现在的不同，将换成还原点里的：win.ini、system.ini"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.point.extension);
        Lines copies;
        for (const std::string& line :
             RestoreJobLines(m, CheckRestorableIn(m, "C:\\WINDOWS", "C:", k.point), ""))
            if (line.starts_with("copy "))
                copies.push_back(line);
        EXPECT_EQ(copies, k.copies);
        const auto lines = c.preview().lines(k.point);
        ASSERT_TRUE(lines);
        EXPECT_EQ(lines->back(), k.named);
    }
}

TEST(PreviewWorker, DeliversOnlyTheLatestRequest) {
    Changed c;
    c.then();
    c.makePoints();
    c.now();
    std::mutex mutex;
    std::condition_variable delivered;
    std::vector<std::pair<std::uint64_t, Lines>> got;
    std::promise<void> inHand, movedOn; // the first preview is taken up; the pointer moved on
    std::once_flag once;
    auto preview = std::make_unique<PointPreview>(c.tm.root(), "C:\\WINDOWS", "C:");
    const PointPreview& made = *preview;
    PreviewWorker worker(
        std::move(preview),
        [&](std::uint64_t ticket, Lines lines) {
            std::lock_guard lock(mutex);
            got.emplace_back(ticket, std::move(lines));
            delivered.notify_all();
        },
        [&](const RestorePoint&) {
            std::call_once(once, [&] {
                inHand.set_value();
                movedOn.get_future().wait();
            });
        });
    const std::uint64_t first = worker.request(kCabinetRow);
    inHand.get_future().wait();
    const std::uint64_t second = worker.request(kPairRow);
    movedOn.set_value();
    EXPECT_FALSE(worker.isLatest(first));
    std::unique_lock lock(mutex);
    ASSERT_TRUE(delivered.wait_for(lock, std::chrono::seconds(30), [&] { return !got.empty(); }));
    const std::uint64_t third = worker.request(kCabinetRow);
    ASSERT_TRUE(delivered.wait_for(lock, std::chrono::seconds(30), [&] { return got.size() == 2; }));
    EXPECT_EQ(got, (std::vector<std::pair<std::uint64_t, Lines>>{{second, pairPreview()},
                                                                 {third, cabinetPreview()}}));
    EXPECT_EQ(made.madeCount(), 3u); // the abandoned preview stopped and kept nothing
}
