// The restore-point table on the first page: what start-up lists, hovering and clicking a row,
// dragging a row, and making a restore point on demand.
#include "base/host_file.h"
#include "demo/demo_image.h"
#include "platform/cabinet.h"
#include "platform/clock.h"
#include "registry/registry.h"
#include "registry/registry_file.h"
#include "restore/restore_check.h"
#include "restore/restore_point.h"
#include "restore/restore_table.h"
#include "sysaccess/registry_values.h"
#include "tests/app/window_harness.h"
#include "tests/support/fat_tools.h"
#include "tests/support/tool_process.h"
#include "ui/action_commit.h"
#include "ui/busy_window.h"
#include "ui/command_label.h"
#include "ui/memo.h"
#include "ui/text_grid.h"

#include <QAccessible>
#include <QtTest>
#include <cstdlib>
#include <optional>

using namespace korvane;
using namespace korvane::test;

namespace {

// A registry checker's cabinet: the two registry files, as the restore's check wants them.
void cabinet(w98::Machine& m, const std::string& path, w98::DateTime t) {
    const std::string empty = "REGEDIT4\r\n\r\n";
    m.writeFile(path, w98::buildCabinet({{"system.dat", empty, 0x20, t}, {"user.dat", empty, 0x20, t}}));
    m.setLastWriteTime(path, t);
}

// A machine whose backup folder holds two daily cabinets and one made before a restore.
void seed(TempMachine& tm) {
    auto& m = tm.machine();
    m.createDirectories("C:\\WINDOWS\\SYSBCKUP\\restore");
    cabinet(m, "C:\\WINDOWS\\SYSBCKUP\\rb000.cab", {2002, 5, 15, 8, 0, 0});
    cabinet(m, "C:\\WINDOWS\\SYSBCKUP\\rb001.cab", {2002, 5, 16, 8, 0, 0});
    cabinet(m, "C:\\WINDOWS\\SYSBCKUP\\restore\\rb000.cab", {2010, 1, 3, 8, 0, 0}); // dated in the future
    m.writeFile("C:\\WINDOWS\\COMMAND\\SCANREG.EXE", "MZ");
    m.writeTextLines("C:\\WINDOWS\\WIN.INI", {"[windows]"});
}

QPoint rowCentre(ui::TextGrid* grid, int row) {
    return {grid->columnViewportPosition(1) + 10, grid->rowViewportPosition(row) + grid->rowHeight(row) / 2};
}

// Queues a mouse event as the display delivers one: after whatever runs now.
void post(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
    QCoreApplication::postEvent(
        w, new QMouseEvent(type, pos, w->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier));
}

// A whole double click: press, release, the second press, release.
void postDoubleClick(QWidget* w, QPoint pos) {
    post(w, QEvent::MouseButtonPress, pos, Qt::LeftButton);
    post(w, QEvent::MouseButtonRelease, pos, Qt::NoButton);
    post(w, QEvent::MouseButtonDblClick, pos, Qt::LeftButton);
    post(w, QEvent::MouseButtonRelease, pos, Qt::NoButton);
}

// The text of the accessible element named name, found from the window down as a screen reader
// walks the tree.
QString accessibleText(QAccessibleInterface* at, const QString& name) {
    if (!at)
        return {};
    if (at->text(QAccessible::Name) == name)
        return at->text(QAccessible::Value);
    for (int i = 0; i < at->childCount(); ++i)
        if (QString found = accessibleText(at->child(i), name); !found.isNull())
            return found;
    return {};
}

QString preview(QWidget* window) {
    return accessibleText(QAccessible::queryAccessibleInterface(window), u8("还原点会改变什么"));
}

std::size_t cabinetsIn(w98::Machine& m, const char* folder) {
    return m.list(folder, "*.cab").size();
}

// A system.dat and a user.dat of the given form with a value in each, as a point carries them.
std::pair<std::string, std::string> registryFiles(w98::HiveForm form) {
    const std::filesystem::path folder = makeTempFolder("korvane-pair");
    const auto system = folder / "system.dat", user = folder / "user.dat";
    w98::replaceHostFile(system, w98::emptyHiveBytes(form, "HKEY_LOCAL_MACHINE"), "system.dat");
    w98::replaceHostFile(user, w98::emptyHiveBytes(form, "HKEY_USERS"), "user.dat");
    {
        w98::Registry reg(system, "system.dat", user, "user.dat");
        reg.setValue(w98::kHkeyLocalMachine, "Software\\Test",
                     {"v", w98::reg_type::kSz, w98::regStringData("system")});
        reg.setValue(
            w98::kHkeyUsers, ".Default\\Software\\Test",
            {"v", w98::reg_type::kSz, w98::regStringData("a value long enough for the cut to go through")});
    }
    std::pair<std::string, std::string> out{w98::readHostFile(system, "system.dat"),
                                            w98::readHostFile(user, "user.dat")};
    std::filesystem::remove_all(folder);
    return out;
}

int rowOf(const TextTable& t, const std::string& folder, const std::string& file) {
    for (int r = 1; r < t.rowCount(); ++r)
        if (w98::equalsNoCase(t.cell(restore_col::kFolder, r), folder) &&
            w98::equalsNoCase(t.cell(restore_col::kFileName, r), file))
            return r;
    return -1;
}

// The demo machine on a disk of its own (a raw image, or the same in a VirtualBox container),
// worked on through a cache of the test's own, as the owner of a virtual PC opens it.
struct DemoDisk {
    std::filesystem::path folder = makeTempFolder("korvane-disk-window");
    std::filesystem::path disk;
    std::optional<std::string> oldCache;
    explicit DemoDisk(const QString& container) {
        if (const char* c = std::getenv("XDG_CACHE_HOME"))
            oldCache = c;
        ::setenv("XDG_CACHE_HOME", (folder / "cache").c_str(), 1);
        disk = folder / "c.img";
        w98::createDemoImage(disk);
        if (!container.isEmpty()) {
            const auto raw = disk;
            disk = folder / ("c." + container.toStdString());
            runTool({"qemu-img", "convert", "-f", "raw", "-O", container.toStdString(), raw.string(),
                     disk.string()});
            std::filesystem::remove(raw);
        }
    }
    ~DemoDisk() {
        runTool({"chattr", "-i", disk.string()}); // one a test made immutable
        if (oldCache)
            ::setenv("XDG_CACHE_HOME", oldCache->c_str(), 1);
        else
            ::unsetenv("XDG_CACHE_HOME");
        std::filesystem::remove_all(folder);
    }
    // A file of drive C: as mtools reads it from the disk now, past whatever holds it.
    std::string file(const std::string& dosPath) const {
        std::filesystem::path raw = disk;
        if (disk.extension() != ".img") {
            raw = folder / "view.img";
            runTool({"qemu-img", "convert", "-U", "-O", "raw", disk.string(), raw.string()});
        }
        const auto out = folder / "out.bin";
        std::filesystem::remove(out);
        runTool({"mcopy", "-n", "-i", mtoolsVolume(raw), "::" + dosPath, out.string()});
        return readBytes(out);
    }
};

// The window on a disk, as the program opens one: every action's changes go into it.
struct DiskWindow {
    std::unique_ptr<w98::Machine> machine;
    w98::SystemClock clock;
    RecordingShell shell;
    RecordingPower power;
    ui::ScriptedDialogs dialogs;
    std::unique_ptr<System> system;
    std::unique_ptr<TForm1> window;
    explicit DiskWindow(const std::filesystem::path& disk) : machine(std::make_unique<w98::Machine>(disk)) {
        ui::afterEachAction() = [this] { machine->commit(); };
        system = std::make_unique<System>(System{*machine, clock, shell, power});
        window = std::make_unique<TForm1>(*system, dialogs);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qFatal("the window did not show");
    }
    // Closing, then what the program does after its window closed on a disk.
    void close() {
        window->close();
        window.reset();
        ui::afterEachAction() = nullptr;
        machine->commit();
        machine.reset();
    }
    ~DiskWindow() { ui::afterEachAction() = nullptr; }
};

} // namespace

class RestorePageTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void startUpListsNewestFirstAndMovesFutureCabinets() {
        WindowHarness h;
        seed(h.tm);
        h.open();
        auto* grid = h.find<ui::TextGrid>("StringGrid1");
        const TextTable& t = grid->table();
        QCOMPARE(t.rowCount(), 4);
        QCOMPARE(QString::fromStdString(t.cell(0, 0)), u8("可选项"));
        QCOMPARE(QString::fromStdString(t.cell(1, 1)), u8("2010-1-3 8:00:00"));
        QCOMPARE(QString::fromStdString(t.cell(2, 1)), u8(notes::kMovedNow));
        QCOMPARE(QString::fromStdString(t.cell(1, 2)), u8("2002-5-16 8:00:00"));
        QCOMPARE(QString::fromStdString(t.cell(0, 3)), u8("3"));
        for (int c = 3; c < 7; ++c)
            QVERIFY(!grid->isColumnShown(c));
        QVERIFY(h.tm.machine().isFile("C:\\WINDOWS\\sysbckup\\restore\\old\\rb000.cab"));
        // The settings file is the template, and the newest point is not from today.
        QVERIFY(h.tm.machine().readTextLines("C:\\WINDOWS\\scanreg.ini").size() == 49);
        QCOMPARE(QString::fromStdString(ReadRegStr(h.tm.machine(), w98::kHkeyLocalMachine,
                                                   "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                                   "ScanRegistry")),
                 u8("C:\\WINDOWS\\scanregw.exe /autorun"));
        QVERIFY(h.dialogs.messages().empty());
    }

    void theRowUnderThePointerIsTheOneAClickRestores() {
        WindowHarness h;
        seed(h.tm);
        h.open();
        auto* grid = h.find<ui::TextGrid>("StringGrid1");
        hover(grid->viewport(), rowCentre(grid, 3));
        hover(grid->viewport(), rowCentre(grid, 2));
        QCOMPARE(grid->selection()->top, 2);
        QCOMPARE(grid->selection()->right, 6);
        click(grid->viewport(), rowCentre(grid, 2));
        QCOMPARE(h.power.calls.size(), size_t(1));
        const auto job = h.tm.machine().readTextLines("C:\\dosrun.bat");
        QCOMPARE(QString::fromStdString(job[6]),
                 u8("%winbootdir%\\COMMAND\\extract /y /e /L C:\\WINDOWS\\TEMP\\RESTORE1 "
                    "C:\\WINDOWS\\SYSBCKUP\\RB001.CAB"));
        auto* memo = h.find<ui::Memo>("Memo4");
        QCOMPARE(memo->lines().value(1), u8(" 请少侯1分钟..."));
    }

    void aDamagedCabinetIsRefusedAndMarkedBeforeAnythingIsWritten() {
        WindowHarness h;
        seed(h.tm);
        auto& m = h.tm.machine();
        const std::string cab = "C:\\WINDOWS\\SYSBCKUP\\rb001.cab";
        const std::string whole = m.readFile(cab);
        m.writeFile(cab, whole.substr(0, whole.size() / 2)); // cut short, as a full disk leaves it
        m.setLastWriteTime(cab, {2002, 5, 16, 8, 0, 0});
        h.open();
        const std::string system = h.tm.bytes("C:\\WINDOWS\\SYSTEM.DAT"),
                          user = h.tm.bytes("C:\\WINDOWS\\USER.DAT");
        h.dialogs.clear();

        auto* grid = h.find<ui::TextGrid>("StringGrid1");
        QCOMPARE(grid->table().cell(5, 2), std::string("rb001.cab"));
        hover(grid->viewport(), rowCentre(grid, 2));
        click(grid->viewport(), rowCentre(grid, 2));

        QVERIFY(h.power.calls.empty());
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        const QString text = h.dialogs.messages()[0].text;
        QVERIFY2(
            text.startsWith(u8("还原点的备份文件 C:\\WINDOWS\\SYSBCKUP\\rb001.cab 已经损坏，无法解开（")),
            qPrintable(text));
        QVERIFY2(text.endsWith(u8("。\n系统没有作任何改动，请选择其它的还原点。")), qPrintable(text));
        QCOMPARE(QString::fromStdString(grid->table().cell(2, 2)), u8("无法还原：备份文件已损坏"));
        // Nothing was saved, armed or written: not the policy value, not a backup, not a job.
        QCOMPARE(h.tm.bytes("C:\\WINDOWS\\SYSTEM.DAT"), system);
        QCOMPARE(h.tm.bytes("C:\\WINDOWS\\USER.DAT"), user);
        for (const char* absent :
             {"C:\\dosrun.bat", "C:\\scanreg.bei", "C:\\WINDOWS\\scRegbei.bat", "C:\\WINDOWS\\scanrun.reg",
              "C:\\WINDOWS\\korvane.rst", "C:\\AUTOEXEC.BAT", "C:\\autoexec.txt"})
            QVERIFY2(!m.exists(absent), absent);
        QVERIFY(m.list("C:\\WINDOWS\\SYSBCKUP\\restore", "*.cab").empty());
        QVERIFY(h.find<ui::Memo>("Memo4")->lines().value(1) != u8(" 请少侯1分钟..."));

        // The row below it still restores.
        hover(grid->viewport(), rowCentre(grid, 3));
        click(grid->viewport(), rowCentre(grid, 3));
        QCOMPARE(h.power.calls.size(), size_t(1));
    }

    // Only user.dat is damaged: the check must read both files, in either form, from a
    // cabinet and from a file pair.
    void aPointWhoseUserDatIsDamagedIsRefusedAtTheClickInEitherRegistryForm() {
        for (const auto form : {w98::HiveForm::Text, w98::HiveForm::Binary}) {
            const bool binary = form == w98::HiveForm::Binary;
            WindowHarness h;
            seed(h.tm);
            auto& m = h.tm.machine();
            const auto [system, user] = registryFiles(form);
            QCOMPARE(user.starts_with("CREG"), binary);
            struct Damage {
                const char* name;
                std::string bytes;
                const char* folder; // where a pair with it lies
                const char* extension;
            };
            const std::vector<Damage> damages = {
                {"cut", user.substr(0, user.size() * 2 / 3), "C:\\WINDOWS", ".da0"},
                {"zeroed", std::string(user.size(), '\0'), "C:\\WINDOWS\\REGOPT", ".dat"},
                {"not a registry", "not a registry\r\n", "C:\\WINDOWS\\REGOPT", ".da"}};
            m.createDirectories("C:\\WINDOWS\\REGOPT");
            std::vector<std::pair<std::string, std::string>> points; // folder, file
            int n = 0;
            for (const auto& d : damages) {
                const std::string cab = "rb01" + std::to_string(n) + ".cab";
                const w98::DateTime t{2002, 5, 10 + n++, 8, 0, 0};
                m.writeFile(
                    "C:\\WINDOWS\\SYSBCKUP\\" + cab,
                    w98::buildCabinet({{"system.dat", system, 0x20, t}, {"user.dat", d.bytes, 0x20, t}}));
                m.setLastWriteTime("C:\\WINDOWS\\SYSBCKUP\\" + cab, t);
                points.emplace_back("C:\\WINDOWS\\SYSBCKUP", cab);
                m.writeFile(std::string(d.folder) + "\\system" + d.extension, system);
                m.writeFile(std::string(d.folder) + "\\user" + d.extension, d.bytes);
                points.emplace_back(d.folder, std::string("system") + d.extension);
            }
            h.open();
            auto* grid = h.find<ui::TextGrid>("StringGrid1");
            const auto files = [&] {
                std::vector<std::string> out;
                for (const char* f :
                     {"C:\\WINDOWS\\SYSTEM.DAT", "C:\\WINDOWS\\USER.DAT", "C:\\WINDOWS\\scanreg.ini"})
                    out.push_back(h.tm.bytes(f));
                return out;
            };
            const auto before = files();
            for (std::size_t i = 0; i < points.size(); ++i) {
                const auto& [folder, file] = points[i];
                const std::string what =
                    std::string(binary ? "binary " : "text ") + damages[i / 2].name + " " + file;
                const int row = rowOf(grid->table(), folder, file);
                QVERIFY2(row > 0, what.c_str());
                h.dialogs.clear();
                hover(grid->viewport(), rowCentre(grid, row));
                click(grid->viewport(), rowCentre(grid, row));
                QVERIFY2(h.power.calls.empty(), what.c_str());
                QCOMPARE(h.dialogs.messages().size(), size_t(1));
                const QString text = h.dialogs.messages()[0].text;
                const QString userDat = file.ends_with(".cab")
                                            ? u8("中的 user.dat")
                                            : QString::fromStdString(folder + "\\user" + file.substr(6));
                QVERIFY2(text.startsWith(u8("还原点中的注册表文件无法读取（")) && text.contains(userDat),
                         qPrintable(QString::fromStdString(what + ": ") + text));
                QVERIFY2(text.endsWith(u8("。\n系统没有作任何改动，请选择其它的还原点。")), qPrintable(text));
                QCOMPARE(QString::fromStdString(grid->table().cell(restore_col::kNote, row)),
                         u8("无法还原：注册表文件已损坏"));
                QVERIFY2(files() == before, what.c_str());
                for (const char* absent :
                     {"C:\\dosrun.bat", "C:\\scanreg.bei", "C:\\WINDOWS\\scRegbei.bat",
                      "C:\\WINDOWS\\korvane.rst", "C:\\AUTOEXEC.BAT", "C:\\autoexec.txt"})
                    QVERIFY2(!m.exists(absent), (what + ": " + absent).c_str());
                QVERIFY2(m.list("C:\\WINDOWS\\SYSBCKUP\\restore", "*.cab").empty(), what.c_str());
            }
        }
    }

    void theStartAfterARestoreTellsOnceWhetherItTookPlace() {
        WindowHarness h;
        seed(h.tm);
        auto& m = h.tm.machine();
        const auto record = [&](const std::string& mark) {
            m.writeTextLines("C:\\WINDOWS\\korvane.rst",
                             {"[Korvane]", "point=C:\\WINDOWS\\SYSBCKUP\\rb001.cab", "date=2002-5-16 8:00:00",
                              "backup=1", "mark=" + mark, "bootlog=0"});
        };
        WriteRegStr(m, w98::kHkeyCurrentUser, "Control Panel\\Desktop", "Wallpaper", "");
        // The mark the arming left is gone from the registry: restored.
        record("0123456789abcdef");
        h.open();
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        QCOMPARE(h.dialogs.messages()[0].title, u8("系统还原"));
        QCOMPARE(h.dialogs.messages()[0].text,
                 u8("上次的系统还原已经完成：系统已还原到 2002-5-16 8:00:00 的还原点。\n"
                    "还原前的系统已保存在列表中附加说明为“系统还原前的备份”的还原点里，点击那一行即可撤销这次"
                    "还原。"));
        QVERIFY(!m.exists("C:\\WINDOWS\\korvane.rst"));

        // Told once.
        h.dialogs.clear();
        h.window.reset();
        h.open();
        QVERIFY(h.dialogs.messages().empty());

        // The mark still in the registry, and no start since: not restored.
        h.window.reset();
        record("fedcba9876543210");
        WriteRegStr(m, w98::kHkeyLocalMachine, "Software\\Korvane", "RestoreArmed", "fedcba9876543210");
        h.dialogs.clear();
        h.open();
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        QCOMPARE(h.dialogs.messages()[0].text,
                 u8("上次的系统还原没有完成：系统没有还原到 2002-5-16 8:00:00 的还原点。\n"
                    "原因：电脑重新启动时没有执行还原任务。\n"
                    "还原前的系统已保存在列表中附加说明为“系统还原前的备份”的还原点里，点击那一行即可撤销这次"
                    "还原。"));
        QVERIFY(!m.exists("C:\\WINDOWS\\korvane.rst"));
    }

    void thePointerOnARowShowsWhatItsRestoreWouldChange() {
        WindowHarness h;
        seed(h.tm);
        auto& m = h.tm.machine();
        // The older daily point knew a program since removed.
        const std::string then =
            "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion"
            "\\Uninstall\\WinZip]\r\n\"DisplayName\"=\"WinZip 8.0\"\r\n\r\n";
        const w98::DateTime t{2002, 5, 15, 8, 0, 0};
        m.writeFile(
            "C:\\WINDOWS\\SYSBCKUP\\rb000.cab",
            w98::buildCabinet({{"system.dat", then, 0x20, t}, {"user.dat", "REGEDIT4\r\n\r\n", 0x20, t}}));
        m.setLastWriteTime("C:\\WINDOWS\\SYSBCKUP\\rb000.cab", t);
        h.open();
        auto* grid = h.find<ui::TextGrid>("StringGrid1");
        QCOMPARE(preview(h.window.get()),
                 u8("把鼠标移到上表的一行上，这里会显示还原到那个还原点会改变什么。"));

        const QString run =
            u8("【随Windows启动的程序】\n"
               "  不再自动启动 1 个：ScanRegistry：C:\\WINDOWS\\scanregw.exe /autorun（Run）");
        hover(grid->viewport(), rowCentre(grid, 3));
        QTRY_COMPARE(preview(h.window.get()), u8("还原到 2002-5-15 8:00:00 的还原点，与现在相比：\n"
                                                 "【程序】\n"
                                                 "  此后卸载的 1 个程序将回到注册表中：WinZip 8.0\n") +
                                                  run);
        hover(grid->viewport(), rowCentre(grid, 2));
        QTRY_COMPARE(preview(h.window.get()), u8("还原到 2002-5-16 8:00:00 的还原点，与现在相比：\n") + run);
        // The pointer over the headers keeps the preview there to read.
        hover(grid->viewport(), rowCentre(grid, 0));
        QCOMPARE(preview(h.window.get()), u8("还原到 2002-5-16 8:00:00 的还原点，与现在相比：\n") + run);

        // The keyboard selects a row, and its preview is the same text.
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Up);
        QCOMPARE(grid->selection()->top, 1);
        QTRY_COMPARE(preview(h.window.get()), u8("还原到 2010-1-3 8:00:00 的还原点，与现在相比：\n") + run);
        QTest::keyClick(grid, Qt::Key_Down);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(grid->selection()->top, 3);
        QTRY_COMPARE(preview(h.window.get()), u8("还原到 2002-5-15 8:00:00 的还原点，与现在相比：\n"
                                                 "【程序】\n"
                                                 "  此后卸载的 1 个程序将回到注册表中：WinZip 8.0\n") +
                                                  run);

        // A click still restores at once, and once.
        hover(grid->viewport(), rowCentre(grid, 2));
        click(grid->viewport(), rowCentre(grid, 2));
        QCOMPARE(h.power.calls.size(), size_t(1));
        QCOMPARE(QString::fromStdString(h.tm.machine().readTextLines("C:\\dosrun.bat")[6]),
                 u8("%winbootdir%\\COMMAND\\extract /y /e /L C:\\WINDOWS\\TEMP\\RESTORE1 "
                    "C:\\WINDOWS\\SYSBCKUP\\RB001.CAB"));
        QVERIFY(h.dialogs.messages().empty());
    }

    void aRowTheClickWouldRefuseSaysWhyBeforeTheClick() {
        WindowHarness h;
        seed(h.tm);
        auto& m = h.tm.machine();
        const w98::DateTime t{2002, 5, 16, 8, 0, 0};
        m.writeFile("C:\\WINDOWS\\SYSBCKUP\\rb001.cab",
                    w98::buildCabinet({{"system.dat", "REGEDIT4\r\n\r\n", 0x20, t}}));
        m.setLastWriteTime("C:\\WINDOWS\\SYSBCKUP\\rb001.cab", t);
        h.open();
        auto* grid = h.find<ui::TextGrid>("StringGrid1");
        hover(grid->viewport(), rowCentre(grid, 2));
        QTRY_COMPARE(
            preview(h.window.get()),
            u8("2002-5-16 8:00:00 的还原点无法还原，点击它会提示：\n"
               "  还原点的备份文件 C:\\WINDOWS\\SYSBCKUP\\rb001.cab 里没有 user.dat，还原不了注册表。\n"
               "  系统没有作任何改动，请选择其它的还原点。"));
        QVERIFY(h.power.calls.empty());
        QVERIFY(!m.exists("C:\\dosrun.bat"));
    }

    void draggingARowKeepsItsNumberAndClicksNothing() {
        WindowHarness h;
        seed(h.tm);
        h.open();
        auto* grid = h.find<ui::TextGrid>("StringGrid1");
        const QPoint from(grid->columnViewportPosition(0) + 5, rowCentre(grid, 1).y());
        QTest::mousePress(grid->viewport(), Qt::LeftButton, Qt::NoModifier, from);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, Qt::NoModifier, rowCentre(grid, 3));
        QCOMPARE(QString::fromStdString(grid->table().cell(0, 3)), u8("1"));
        QCOMPARE(QString::fromStdString(grid->table().cell(0, 1)), u8("2"));
        QVERIFY(h.power.calls.empty());
        // The row under the pointer is the dragged point: the page's listing moved with the grid.
        const QString dragged = QString::fromStdString(grid->table().cell(restore_col::kDate, 3));
        QVERIFY(!dragged.isEmpty());
        QTRY_VERIFY(preview(h.window.get()).contains(dragged));
    }

    void aRestoreIntoADiskIsInTheDiskWhileItsMessageIsShown_data() {
        QTest::addColumn<QString>("container");
        QTest::newRow("raw image") << QString();
        QTest::newRow("VirtualBox") << u8("vdi");
    }

    void aRestoreIntoADiskIsInTheDiskWhileItsMessageIsShown() {
        QFETCH(QString, container);
        DemoDisk disk(container);
        const std::string userDat = "/WINDOWS/USER.DAT";
        {
            DiskWindow w(disk.disk);
            QCOMPARE(w.dialogs.messages().size(), size_t(0));
            const std::string before = disk.file(userDat);
            std::string whileShown;
            w.dialogs.whileShown = [&](const ui::ScriptedDialogs::Shown&) {
                whileShown = disk.file(userDat);
            };
            auto* grid = w.window->findChild<ui::TextGrid*>(u8("StringGrid1"));
            hover(grid->viewport(), rowCentre(grid, 1));
            click(grid->viewport(), rowCentre(grid, 1));
            QCOMPARE(w.dialogs.messages().size(), size_t(1));
            QCOMPARE(w.dialogs.messages()[0].title, u8("系统还原"));
            QVERIFY(w.dialogs.messages()[0].text.startsWith(u8("系统还原已经完成")));
            QVERIFY(whileShown != before);
            QCOMPARE(whileShown, w.machine->readFile("C:\\WINDOWS\\USER.DAT"));
            // The close ends quietly, and leaves the registry as the point had it.
            w.dialogs.whileShown = nullptr;
            w.close();
            QCOMPARE(w.dialogs.messages().size(), size_t(1));
            QCOMPARE(disk.file(userDat), whileShown);
        }
        QCOMPARE(
            test::fsckFatProblems(disk.disk.extension() == ".img" ? disk.disk : disk.folder / "view.img"),
            std::string());
        // Opened again, the disk lists the state before the restore as a point.
        DiskWindow again(disk.disk);
        const TextTable& t = again.window->findChild<ui::TextGrid*>(u8("StringGrid1"))->table();
        bool listed = false;
        for (int r = 1; r < t.rowCount(); ++r)
            listed = listed || t.cell(restore_col::kNote, r) == notes::kBeforeRestore;
        QVERIFY(listed);
        again.close();
        QCOMPARE(again.dialogs.messages().size(), size_t(0));
    }

    void aDiskThatMayOnlyBeReadIsSaidOnceAndTheCloseIsQuiet() {
        DemoDisk disk({});
        if (runTool({"chattr", "+i", disk.disk.string()}).exitCode != 0)
            QSKIP("this file system keeps no immutable files");
        const std::string before = readBytes(disk.disk);
        {
            DiskWindow w(disk.disk);
            QCOMPARE(w.dialogs.messages().size(), size_t(1));
            QCOMPARE(w.dialogs.messages()[0].text,
                     QString::fromStdString("磁盘映像 " + disk.disk.string() +
                                            " 是只读文件：可以查看，但任何改动都无法写进去"));
            QVERIFY(w.window->findChild<ui::TextGrid*>(u8("StringGrid1"))->table().rowCount() > 1);
            w.close();
            QCOMPARE(w.dialogs.messages().size(), size_t(1));
        }
        runTool({"chattr", "-i", disk.disk.string()});
        QVERIFY(readBytes(disk.disk) == before);
    }

    void makingARestorePointNowShowsItsProgressAndTheNextStartListsIt() {
        WindowHarness h;
        seed(h.tm);
        h.open();
        auto* label = h.find<ui::CommandLabel>("Label21");
        click(label);
        QCOMPARE(label->text(), u8("可随时建立系统还原点...已建立"));
        QCOMPARE(h.tm.machine().list("C:\\WINDOWS\\sysbckup\\restore1", "*.cab").size(), size_t(1));
        h.window.reset();
        h.open();
        // The test's clock stands in 2002, so the new cabinet is also moved aside as future-dated.
        bool listed = false;
        const TextTable& t = h.find<ui::TextGrid>("StringGrid1")->table();
        for (int r = 1; r < t.rowCount(); ++r)
            listed = listed || t.cell(3, r) == "C:\\WINDOWS\\sysbckup\\restore1";
        QVERIFY(listed);
    }

    void aDoubleClickOnARowRestoresOnce() {
        WindowHarness h;
        seed(h.tm);
        h.open();
        auto* grid = h.find<ui::TextGrid>("StringGrid1");
        hover(grid->viewport(), rowCentre(grid, 2));
        postDoubleClick(grid->viewport(), rowCentre(grid, 2));
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(h.power.calls.size(), size_t(1));
        QCOMPARE(cabinetsIn(h.tm.machine(), "C:\\WINDOWS\\SYSBCKUP\\restore"), size_t(1));
        QVERIFY(h.dialogs.messages().empty());
    }

    void aClickWhileTheBackupRunsStartsNothing() {
        WindowHarness h;
        seed(h.tm);
        h.open();
        auto* grid = h.find<ui::TextGrid>("StringGrid1");
        auto* label = h.find<ui::CommandLabel>("Label21");
        hover(grid->viewport(), rowCentre(grid, 2));
        // Impatient clicks, on another row and on the command that makes a restore point, are
        // waiting while the click below saves the present state.
        post(grid->viewport(), QEvent::MouseButtonPress, rowCentre(grid, 3), Qt::LeftButton);
        post(grid->viewport(), QEvent::MouseButtonRelease, rowCentre(grid, 3), Qt::NoButton);
        post(label, QEvent::MouseButtonPress, {4, 4}, Qt::LeftButton);
        post(label, QEvent::MouseButtonRelease, {4, 4}, Qt::NoButton);
        click(grid->viewport(), rowCentre(grid, 2));
        QCoreApplication::processEvents();
        QCOMPARE(h.power.calls.size(), size_t(1));
        QCOMPARE(cabinetsIn(h.tm.machine(), "C:\\WINDOWS\\SYSBCKUP\\restore"), size_t(1));
        QVERIFY(!h.tm.machine().exists("C:\\WINDOWS\\sysbckup\\restore1"));
        QCOMPARE(label->text(), u8("可随时建立系统还原点..."));
        const auto job = h.tm.machine().readTextLines("C:\\dosrun.bat");
        QCOMPARE(QString::fromStdString(job[6]),
                 u8("%winbootdir%\\COMMAND\\extract /y /e /L C:\\WINDOWS\\TEMP\\RESTORE1 "
                    "C:\\WINDOWS\\SYSBCKUP\\RB001.CAB"));
        // Once the handler is over, clicks count again.
        click(label);
        QCOMPARE(label->text(), u8("可随时建立系统还原点...已建立"));
    }

    void aClickMadeBeforeTheWindowCouldTakeItIsNotActedOn() {
        WindowHarness h;
        seed(h.tm);
        h.open();
        auto* grid = h.find<ui::TextGrid>("StringGrid1");
        hover(grid->viewport(), rowCentre(grid, 1));
        post(grid->viewport(), QEvent::MouseButtonPress, rowCentre(grid, 1), Qt::LeftButton);
        post(grid->viewport(), QEvent::MouseButtonRelease, rowCentre(grid, 1), Qt::NoButton);
        ui::SettleNewWindow(h.window.get());
        QCoreApplication::processEvents();
        QVERIFY(h.power.calls.empty());
        QVERIFY(!h.tm.machine().exists("C:\\dosrun.bat"));
        click(grid->viewport(), rowCentre(grid, 1));
        QCOMPARE(h.power.calls.size(), size_t(1));
    }

    void aRowWhoseNameWouldRedirectABatchLineIsExplainedAndNothingIsArmed() {
        WindowHarness h;
        seed(h.tm);
        auto& m = h.tm.machine();
        cabinet(m, "C:\\WINDOWS\\SYSBCKUP\\a >msdos.sys .cab", {2002, 5, 16, 9, 0, 0});
        m.writeFile("C:\\MSDOS.SYS", "[Options]\r\n");
        h.open();
        auto* grid = h.find<ui::TextGrid>("StringGrid1");
        QCOMPARE(QString::fromStdString(grid->table().cell(5, 2)), u8("a >msdos.sys .cab"));
        auto* memo = h.find<ui::Memo>("Memo4");
        const QStringList memoBefore = memo->lines();
        hover(grid->viewport(), rowCentre(grid, 2));
        click(grid->viewport(), rowCentre(grid, 2));
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        QVERIFY2(h.dialogs.messages()[0].text.startsWith(u8("无法在MS-DOS方式下从这个还原点还原")),
                 qPrintable(h.dialogs.messages()[0].text));
        QVERIFY(h.dialogs.messages()[0].text.contains(u8("重定向")));
        QVERIFY(h.power.calls.empty());
        for (const char* none : {"C:\\dosrun.bat", "C:\\WINDOWS\\scRegbei.bat", "c:\\scanreg.bei"})
            QVERIFY2(!m.exists(none), none);
        QCOMPARE(cabinetsIn(m, "C:\\WINDOWS\\SYSBCKUP\\restore"), size_t(0));
        QCOMPARE(ReadRegInt(m, w98::kHkeyCurrentUser,
                            "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Policies\\WinOldApp", "old"),
                 0);
        QCOMPARE(memo->lines(), memoBefore);
        QCOMPARE(m.readFile("C:\\MSDOS.SYS"), std::string("[Options]\r\n"));
    }

    void makingARestorePointWithoutTheCheckerSaysSoAndDoesNotClaimIt() {
        WindowHarness h;
        seed(h.tm);
        h.open();
        h.tm.machine().deleteFile("C:\\WINDOWS\\COMMAND\\SCANREG.EXE");
        auto* label = h.find<ui::CommandLabel>("Label21");
        click(label);
        QCOMPARE(label->text(), u8("可随时建立系统还原点..."));
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        QVERIFY2(h.dialogs.messages()[0].text.startsWith(u8("没有建立还原点")),
                 qPrintable(h.dialogs.messages()[0].text));
        QCOMPARE(h.tm.machine().readTextLines("C:\\WINDOWS\\scanreg.ini").size(), size_t(49));
    }

    void aMissingSettingsFileLeavesTheCaptionWaiting() {
        WindowHarness h;
        seed(h.tm);
        h.open();
        h.tm.machine().deleteFile("C:\\WINDOWS\\scanreg.ini");
        auto* label = h.find<ui::CommandLabel>("Label21");
        click(label);
        QCOMPARE(label->text(), u8("可随时建立系统还原点...少侯10秒..."));
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
    }
};

QTEST_MAIN(RestorePageTest)
#include "restore_page_test.moc"
