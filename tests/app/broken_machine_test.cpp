// The whole window on machines that a crash, a full disk or another program left broken: the
// window opens, each broken step shows at most one message, which names what is broken, and
// nothing on the machine is lost.
#include "app/startup.h"
#include "base/cp936.h"
#include "base/dos_attributes.h"
#include "registry/registry.h"
#include "registry/registry_binary_format.h"
#include "sysaccess/policy_keys.h"
#include "sysaccess/registry_values.h"
#include "tests/app/window_harness.h"
#include "ui/command_label.h"
#include "ui/page_control.h"
#include "ui/text_grid.h"

#include <QTabWidget>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace korvane;
using namespace korvane::test;

namespace {

const std::string kSystem = "C:\\WINDOWS\\SYSTEM.DAT";
const std::string kScanreg = "C:\\WINDOWS\\scanreg.ini";
const std::string kBackups = "C:\\WINDOWS\\SYSBCKUP";

void putRaw(TempMachine& tm, const std::string& file, const std::string& bytes) {
    std::ofstream(tm.machine().hostPath(file), std::ios::binary | std::ios::trunc) << bytes;
}

std::string garbage() {
    std::string g;
    for (int i = 0; i < 2048; ++i)
        g += static_cast<char>((i * 7919 + 13) & 0xFF);
    return g;
}

int messagesNaming(const WindowHarness& h, const std::string& what) {
    // what is UTF-8: the messages are Chinese text as often as file names.
    int n = 0;
    for (const auto& m : h.dialogs.messages())
        n += m.text.contains(QString::fromUtf8(what.c_str()), Qt::CaseInsensitive) ? 1 : 0;
    return n;
}

QByteArray shown(const WindowHarness& h) {
    QStringList texts;
    for (const auto& m : h.dialogs.messages())
        texts << m.text;
    return texts.join(QStringLiteral(" | ")).toUtf8();
}

int restorePoints(WindowHarness& h) {
    return h.find<ui::TextGrid>("StringGrid1")->table().rowCount() - 1;
}

} // namespace

class BrokenMachineTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void brokenSystemDatWarnsNamesTheFileAndIsKept() {
        for (const bool folder : {false, true}) {
            WindowHarness h;
            if (folder) {
                h.tm.machine().deleteFile(kSystem);
                h.tm.machine().createDirectories(kSystem);
                h.tm.machine().writeFile(kSystem + "\\KEEP.TXT", "kept");
            } else {
                putRaw(h.tm, kSystem, garbage());
            }
            h.open();
            QVERIFY(h.window->isVisible());
            // The Windows check warns; the start-up duties and the work done when the window
            // first shows each stop at the file, naming it.
            QVERIFY2(h.dialogs.messages().size() <= 3, shown(h).constData());
            QVERIFY2(messagesNaming(h, kNotWindows98) + messagesNaming(h, kSystem) ==
                         int(h.dialogs.messages().size()),
                     shown(h).constData());
            QVERIFY(messagesNaming(h, kSystem) >= 1);
            h.window->close();
            if (folder)
                QCOMPARE(h.tm.bytes(kSystem + "\\KEEP.TXT"), std::string("kept"));
            else
                QCOMPARE(h.tm.bytes(kSystem), garbage());
        }
    }

    // Not broken, but not ours: the registry a real Windows (Millennium, the same file form as
    // 98) wrote. The window opens on it; only the version is warned about, and whatever the
    // start-up duties wrote keeps the file sound.
    void aRealWindowsRegistryPairOpensTheFirstPage() {
        WindowHarness h;
        const std::filesystem::path real = std::filesystem::path(KORVANE_TEST_DATA) / "real-registry";
        for (const char* file : {"SYSTEM.DAT", "USER.DAT"})
            putRaw(h.tm, std::string("C:\\WINDOWS\\") + file, readBytes(real / file));
        h.open();
        QVERIFY(h.window->isVisible());
        QCOMPARE(h.find<ui::PageControl>("PageControl1")->activePage(), h.find<QWidget>("TabSheet1"));
        QVERIFY2(messagesNaming(h, kNotWindows98) == int(h.dialogs.messages().size()), shown(h).constData());
        h.window->close();
        for (const char* file : {"C:\\WINDOWS\\SYSTEM.DAT", "C:\\WINDOWS\\USER.DAT"})
            QVERIFY(w98::regbin::structuralProblems(h.tm.bytes(file)).empty());
        QCOMPARE(h.tm.machine()
                     .registry()
                     .getValue(w98::kHkeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                               "RegisteredOwner")
                     ->data,
                 w98::regStringData("Trevor"));
    }

    void aWrongTypeOfTheMsDosPolicyIsOneMessageAndTheValueStays() {
        WindowHarness h;
        WriteRegStr(h.tm.machine(), w98::kHkeyCurrentUser, kWinOldAppKey, "Disabled", "1");
        h.open();
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        QCOMPARE(messagesNaming(h, "Invalid data type for 'Disabled'"), 1);
        QCOMPARE(ReadRegStr(h.tm.machine(), w98::kHkeyCurrentUser, kWinOldAppKey, "Disabled"),
                 std::string("1"));
    }

    void unreadableSettingsAreWrittenAfresh() {
        WindowHarness h;
        putRaw(h.tm, kScanreg, garbage());
        h.open();
        QVERIFY(h.dialogs.messages().empty());
        QVERIFY(h.tm.machine().readTextLines(kScanreg).size() == 49);
    }

    void aFolderNamedLikeTheSettingsIsOneMessageAndStays() {
        WindowHarness h;
        h.tm.machine().createDirectories(kScanreg);
        h.tm.machine().writeFile(kScanreg + "\\KEEP.TXT", "kept");
        h.open();
        QVERIFY(h.window->isVisible());
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        QCOMPARE(messagesNaming(h, kScanreg), 1);
        QCOMPARE(h.tm.bytes(kScanreg + "\\KEEP.TXT"), std::string("kept"));
    }

    void aCabinetThatIsNoCabinetIsListedWithoutAMessage() {
        WindowHarness h;
        h.tm.machine().createDirectories(kBackups);
        h.tm.machine().writeFile(kBackups + "\\rb000.cab", "REGEDIT4\r\n");
        h.tm.machine().setLastWriteTime(kBackups + "\\rb000.cab", {2002, 5, 1, 8, 0, 0});
        h.tm.machine().createDirectories(kBackups + "\\rb001.cab");
        h.open();
        QVERIFY(h.dialogs.messages().empty());
        QCOMPARE(restorePoints(h), 1);
        QCOMPARE(h.tm.bytes(kBackups + "\\rb000.cab"), std::string("REGEDIT4\r\n"));
    }

    void anUnreadableBackupFolderListsNothingAndKeepsWhatItHolds() {
        WindowHarness h;
        auto& m = h.tm.machine();
        m.createDirectories(kBackups);
        m.writeFile(kBackups + "\\rb000.cab", "kept");
        const auto folder = m.hostPath(kBackups);
        std::filesystem::permissions(folder, std::filesystem::perms::none);
        const bool shut = ::access(folder.c_str(), R_OK) != 0;
        if (!shut) {
            // Permissions do not stop this user: a link that leads to itself cannot be opened.
            std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
            std::filesystem::rename(folder, folder.parent_path() / "SYSBCKUP.SAVED");
            std::filesystem::create_symlink("SYSBCKUP", folder);
        }
        h.open();
        QVERIFY(h.window->isVisible());
        QVERIFY2(h.dialogs.messages().empty(), shown(h).constData());
        QCOMPARE(restorePoints(h), 0);
        if (shut)
            std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
        else
            QCOMPARE(h.tm.bytes("C:\\WINDOWS\\SYSBCKUP.SAVED\\rb000.cab"), std::string("kept"));
        if (shut)
            QCOMPARE(h.tm.bytes(kBackups + "\\rb000.cab"), std::string("kept"));
    }

    void aFileWhereTheBackupFolderShouldBeListsNothingAndIsKept() {
        WindowHarness h;
        h.tm.machine().writeFile(kBackups, "a file");
        h.open();
        QVERIFY2(h.dialogs.messages().empty(), shown(h).constData());
        QCOMPARE(restorePoints(h), 0);
        QCOMPARE(h.tm.bytes(kBackups), std::string("a file"));
    }

    // Lines that are not code page 936 stop neither list: the startup list shows the load=
    // line with '?' for each byte it cannot read, the wallpaper list names the line it set
    // aside. Looking changes neither file.
    void oddWinIniAndWallpaperListLinesAreListedOrNamed() {
        WindowHarness h;
        auto& m = h.tm.machine();
        const std::string winIni = "[windows]\r\nload=\xff\xfe\r\n";
        putRaw(h.tm, "C:\\WINDOWS\\WIN.INI", winIni);
        const std::string list = "3\r\n\r\n" + w98::cp936::fromUtf8("居中") + "C:\\\x81\x20.bmp\r\n";
        putRaw(h.tm, "C:\\WINDOWS\\desk.dsk", list);
        h.open();
        QVERIFY(h.dialogs.messages().empty());

        h.find<QTabWidget>("PageControl1")->setCurrentWidget(h.find("TabSheet3"));
        click(h.find<ui::CommandLabel>("Label56"));
        QVERIFY(h.dialogs.messages().empty());
        const TextTable& startup = h.find<ui::TextGrid>("StringGrid4")->table();
        int listed = 0;
        for (int r = 1; r < startup.rowCount(); ++r)
            if (startup.cell(7, r) == "win.ini") {
                QCOMPARE(QString::fromStdString(startup.cell(1, r)), QStringLiteral("??"));
                ++listed;
            }
        QCOMPARE(listed, 1);

        h.find<QTabWidget>("PageControl1")->setCurrentWidget(h.find("TabSheet6"));
        click(h.find<ui::CommandLabel>("Label57"));
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        QCOMPARE(messagesNaming(h, "desk.dsk"), 1);
        QCOMPARE(h.find<ui::TextGrid>("StringGrid5")->table().rowCount(), 2);
        QCOMPARE(h.tm.bytes("C:\\WINDOWS\\WIN.INI"), winIni);
        QCOMPARE(h.tm.bytes("C:\\WINDOWS\\desk.dsk"), list);
        QCOMPARE(m.attributes("C:\\WINDOWS\\desk.dsk"), w98::attr::kArchive);
    }
};

QTEST_MAIN(BrokenMachineTest)
#include "broken_machine_test.moc"
