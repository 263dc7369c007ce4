// The "隐私" page: switches read when the window first shows and at every visit, the switch
// shared with "上网" › 被改, the hidden-drive list, the MS-DOS switch across start-up and close,
// the memo texts, the jump to the typed-address list and the movable panel.
#include "switches/drive_mask.h"
#include "switches/switch_keys.h"
#include "sysaccess/registry_values.h"
#include "tests/app/window_harness.h"
#include "tests/support/writes_fail.h"
#include "ui/check_list_box.h"
#include "ui/command_label.h"
#include "ui/dock_panel.h"
#include "ui/memo.h"
#include "ui/page_control.h"

#include <QListWidget>
#include <QStyleOptionViewItem>
#include <QtTest>
#include <filesystem>

using namespace korvane;
using namespace korvane::test;
namespace keys = korvane::switch_keys;

namespace {

void noDrives(w98::Machine& m, std::uint32_t type, const std::string& data) {
    m.registry().setValue(keys::kExplorerPolicyRoot, keys::kExplorerPolicy, {"NoDrives", type, data});
}
std::string storedMask(w98::Machine& m) {
    auto v = m.registry().getValue(keys::kExplorerPolicyRoot, keys::kExplorerPolicy, "NoDrives");
    return v ? v->data : "none";
}
std::int32_t msDos(w98::Machine& m, const char* name) {
    return ReadRegInt(m, keys::kMsDosRoot, keys::kMsDos, name);
}

struct Page {
    WindowHarness h;
    w98::Machine& m = h.tm.machine();
    ui::CheckListBox* drives = nullptr;

    void open() {
        h.open();
        drives = h.find<ui::CheckListBox>("CheckListBox1");
    }
    void show(const char* sheet) { h.find<ui::PageControl>("PageControl1")->setCurrentWidget(h.find(sheet)); }
    QString caption(const char* label) const { return h.find<ui::CommandLabel>(label)->text(); }
    QStringList memo() const { return h.find<ui::Memo>("Memo3")->lines(); }
    QString ticked() const {
        QString out;
        for (int i = 0; i < drives->count(); ++i)
            if (drives->isChecked(i))
                out += drives->item(i)->text();
        return out;
    }
    // A click on the text of an item, away from its tick box.
    void clickText(int row) {
        const QRect r = drives->visualItemRect(drives->item(row));
        click(drives->viewport(), {r.right() - 4, r.center().y()});
    }
    void clickTickBox(int row) {
        QStyleOptionViewItem option;
        option.initFrom(drives);
        option.rect = drives->visualItemRect(drives->item(row));
        option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        const QRect box =
            drives->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, drives);
        click(drives->viewport(), box.center());
    }
    void toggleByKey(int row) {
        drives->setFocus();
        drives->setCurrentRow(row);
        QTest::keyClick(drives, Qt::Key_Space);
    }
};

QStringList driveHelp() {
    QStringList lines{u8("隐藏盘符"), QString()};
    for (const std::string& line : DriveListHelp())
        lines << QString::fromStdString(line);
    return lines;
}

} // namespace

class PrivacyPageTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void theSwitchesAreReadWhenTheWindowFirstShows() {
        Page p;
        WriteRegInt(p.m, keys::kExplorerPolicyRoot, keys::kExplorerPolicy, "NoRun", 1);
        WriteRegInt(p.m, keys::kShowAllRoot, keys::kShowAll, "CheckedValue", 0);
        WriteRegInt(p.m, keys::kMsDosRoot, keys::kMsDos, "Disabled", 1);
        noDrives(p.m, w98::reg_type::kBinary, std::string("\x0c\x00\x00\x00", 4));
        p.open();
        QCOMPARE(p.caption("Label93"), u8("启用地址栏直接输入"));
        QCOMPARE(p.caption("Label87"), u8("取消彻底隐藏文件或文件夹"));
        QCOMPARE(p.caption("Label94"), u8("启用MS-DOS"));
        QCOMPARE(p.ticked(), u8("C:D:"));
        QCOMPARE(p.drives->count(), 26);
        QCOMPARE(p.drives->toolTip(), u8("在B"));
        QVERIFY(p.memo().isEmpty());
        QVERIFY(p.h.dialogs.messages().empty());
    }

    // A fresh machine may have no CheckedValue: the usual caption, no error box, no key made.
    void aFreshMachineShowsSensibleCaptionsWithoutAnError() {
        Page p;
        p.open();
        QVERIFY(p.h.dialogs.messages().empty());
        QCOMPARE(p.caption("Label93"), u8("禁用地址栏直接输入"));
        QCOMPARE(p.caption("Label87"), u8("彻底隐藏文件或文件夹"));
        QCOMPARE(p.caption("Label94"), u8("禁用MS-DOS"));
        QCOMPARE(p.ticked(), QString());
        QVERIFY(!p.m.registry().keyExists(keys::kShowAllRoot, keys::kShowAll));
    }

    void aRefreshThatFailsKeepsWhatItSetBefore() {
        Page p;
        WriteRegStr(p.m, keys::kShowAllRoot, keys::kShowAll, "CheckedValue", "0");
        WriteRegInt(p.m, keys::kExplorerPolicyRoot, keys::kExplorerPolicy, "NoRun", 1);
        noDrives(p.m, w98::reg_type::kBinary, std::string("\x04\x00\x00\x00", 4));
        p.open();
        QCOMPARE(p.h.dialogs.messages().size(), size_t(1));
        QCOMPARE(p.h.dialogs.messages()[0].text, u8("Invalid data type for 'CheckedValue'"));
        QCOMPARE(p.caption("Label93"), u8("启用地址栏直接输入"));
        QCOMPARE(p.caption("Label94"), u8("禁用MS-DOS"));
        QCOMPARE(p.ticked(), QString());
    }

    // The address-bar switch and the Run command act on NoRun and NoSun from two pages; each
    // caption is stale until its own page shows again.
    void theSharedPairAcrossTwoPages() {
        Page p;
        p.open();
        click(p.h.find("Label93"));
        QCOMPARE(p.caption("Label93"), u8("启用地址栏直接输入"));
        QVERIFY(RegValueExists(p.m, keys::kExplorerPolicyRoot, keys::kExplorerPolicy, "NoSun"));

        auto* run = p.h.find<ui::CommandLabel>("Label37");
        QCOMPARE(run->text(), u8("找回〔运行〕"));
        click(run);
        QCOMPARE(run->text(), u8("禁用〔运行〕"));
        QVERIFY(!RegValueExists(p.m, keys::kExplorerPolicyRoot, keys::kExplorerPolicy, "NoRun"));
        QVERIFY(!RegValueExists(p.m, keys::kExplorerPolicyRoot, keys::kExplorerPolicy, "NoSun"));
        QCOMPARE(p.caption("Label93"), u8("启用地址栏直接输入")); // stale
        p.show("TabSheet9");
        QCOMPARE(p.caption("Label93"), u8("禁用地址栏直接输入"));

        click(p.h.find("Label93"));
        p.show("TabSheet19");
        click(p.h.find("Label68"));
        QCOMPARE(run->text(), u8("启用〔运行〕"));
        click(run);
        QCOMPARE(run->text(), u8("禁用〔运行〕"));
        QVERIFY(!RegValueExists(p.m, keys::kExplorerPolicyRoot, keys::kExplorerPolicy, "NoRun"));
        QVERIFY(p.h.dialogs.messages().empty());
    }

    void tickingCThenDThenUntickingBothStoresTheMask() {
        Page p;
        p.open();
        p.toggleByKey(2);
        QCOMPARE(storedMask(p.m), std::string("\x04\x00\x00\x00", 4));
        QCOMPARE(p.memo(), driveHelp());
        p.toggleByKey(3);
        QCOMPARE(storedMask(p.m), std::string("\x0c\x00\x00\x00", 4));
        p.toggleByKey(2);
        p.toggleByKey(3);
        QCOMPARE(storedMask(p.m), std::string(4, '\0'));
        QCOMPARE(p.ticked(), QString());
    }

    // Every click in the list writes the mask, even one that changes no tick.
    void aClickThatChangesNoTickWritesTheMaskToo() {
        Page p;
        p.open();
        p.drives->setChecked(25, true); // as a refresh leaves it: not stored yet
        p.clickText(4);
        QCOMPARE(p.ticked(), u8("Z:"));
        QCOMPARE(storedMask(p.m), std::string("\x00\x00\x00\x02", 4));
        QCOMPARE(p.memo(), driveHelp());
    }

    // The tick box reports its change and then the click: the mask is written once.
    void aClickOnATickBoxWritesOnce() {
        Page p;
        p.open();
        p.show("TabSheet9");
        p.clickTickBox(2);
        QCOMPARE(p.ticked(), u8("C:"));
        QCOMPARE(storedMask(p.m), std::string("\x04\x00\x00\x00", 4));
        const auto userDat = p.m.hostPath("C:\\WINDOWS\\USER.DAT");
        std::filesystem::rename(userDat, userDat.string() + ".away");
        std::filesystem::create_directory(userDat);
        p.clickTickBox(3);
        QCOMPARE(p.ticked(), u8("C:D:"));
        QCOMPARE(p.h.dialogs.messages().size(), size_t(1));
        std::filesystem::remove(userDat);
        std::filesystem::rename(userDat.string() + ".away", userDat);
    }

    void theRefreshOnlyAddsTicksAndIgnoresHighBits() {
        Page p;
        noDrives(p.m, w98::reg_type::kBinary, std::string("\x08\x00\x00\xfc", 4));
        p.open();
        QCOMPARE(p.ticked(), u8("D:"));
        noDrives(p.m, w98::reg_type::kBinary, std::string("\x01\x00\x00\x00", 4));
        p.show("TabSheet9");
        QCOMPARE(p.ticked(), u8("A:D:"));
        QVERIFY(p.h.dialogs.messages().empty());
        QCOMPARE(storedMask(p.m), std::string("\x01\x00\x00\x00", 4)); // a refresh writes nothing
    }

    void aMaskStoredAsANumberIsReportedAndKept() {
        Page p;
        WriteRegInt(p.m, keys::kExplorerPolicyRoot, keys::kExplorerPolicy, "NoDrives", 12);
        p.open();
        QCOMPARE(p.h.dialogs.messages().size(), size_t(1));
        QCOMPARE(p.h.dialogs.messages()[0].text, u8("Invalid data type for 'NoDrives'"));
        QCOMPARE(p.ticked(), QString());
        QCOMPARE(ReadRegInt(p.m, keys::kExplorerPolicyRoot, keys::kExplorerPolicy, "NoDrives"), 12);
    }

    // The switch edits `old` only; `Disabled` follows it when the window closes.
    void theMsDosSwitchWithStartUpAndClose() {
        Page p;
        WriteRegInt(p.m, keys::kMsDosRoot, keys::kMsDos, "Disabled", 1);
        p.open();
        QCOMPARE(msDos(p.m, "old"), 1);
        QCOMPARE(msDos(p.m, "Disabled"), 0);
        auto* label = p.h.find<ui::CommandLabel>("Label94");
        QCOMPARE(label->text(), u8("启用MS-DOS"));
        click(label);
        QCOMPARE(label->text(), u8("禁用MS-DOS"));
        QCOMPARE(msDos(p.m, "old"), 0);
        click(label);
        QCOMPARE(label->text(), u8("启用MS-DOS"));
        QCOMPARE(msDos(p.m, "old"), 1);
        QCOMPARE(msDos(p.m, "Disabled"), 0);
        p.h.window->close();
        QCOMPARE(msDos(p.m, "Disabled"), 1);
    }

    void allowingMsDosHoldsAfterClose() {
        Page p;
        WriteRegInt(p.m, keys::kMsDosRoot, keys::kMsDos, "Disabled", 1);
        p.open();
        click(p.h.find("Label94"));
        p.h.window->close();
        QCOMPARE(msDos(p.m, "Disabled"), 0);
        QCOMPARE(msDos(p.m, "old"), 0);
    }

    // A switch whose registry write fails says so and keeps its caption, in both directions:
    // the caption is the switch's state, and nothing changed. Those that only delete a value
    // (address bar, Run, registry editor) and the .reg class's default value included.
    void aSwitchWhoseWriteFailsKeepsItsCaption() {
        Page p;
        const char* k1 = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
        const char* k4 = ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
        const char* k6 = "Software\\CLASSES\\.reg";
        WriteRegInt(p.m, w98::kHkeyCurrentUser, k1, "NoRun", 1);
        WriteRegInt(p.m, w98::kHkeyUsers, k4, "DisableRegistryTools", 1);
        p.m.registry().createKey(w98::kHkeyLocalMachine, k6);
        WriteRegDefault(p.m, w98::kHkeyLocalMachine, k6, "txtfile");
        p.open();
        p.show("TabSheet19");
        click(p.h.find("Label68")); // 被改
        p.show("TabSheet9");

        struct Switch {
            const char* label;
            const char* first;  // the caption it shows now
            const char* second; // the caption after a click that works
        };
        const Switch switches[] = {
            {"Label93", "启用地址栏直接输入", "禁用地址栏直接输入"},
            {"Label87", "彻底隐藏文件或文件夹", "取消彻底隐藏文件或文件夹"},
            {"Label94", "禁用MS-DOS", "启用MS-DOS"},
            {"Label37", "启用〔运行〕", "禁用〔运行〕"},
            {"Label91", "启用注册表程序", "禁用注册表程序"},
            {"Label92", "启用注册文件", "禁用注册文件"},
        };
        std::size_t messages = 0;
        for (const Switch& s : switches) {
            for (const char* caption : {s.first, s.second}) {
                const std::string registry = p.m.registry().exportText();
                {
                    WritesFail full;
                    click(p.h.find(s.label));
                }
                QCOMPARE(p.caption(s.label), u8(caption));
                QCOMPARE(p.h.dialogs.messages().size(), ++messages);
                QCOMPARE(p.m.registry().exportText(), registry);
                click(p.h.find(s.label)); // works, and flips
                QCOMPARE(p.h.dialogs.messages().size(), messages);
            }
            QCOMPARE(p.caption(s.label), u8(s.first));
        }
        // What the user is told: the value that could not be deleted, or Windows' own text.
        const auto& shown = p.h.dialogs.messages();
        QVERIFY2(shown[0].text.startsWith(u8("无法删除注册表值 'NoRun'（")), qPrintable(shown[0].text));
        QVERIFY(shown[0].text.contains(u8("USER.DAT")));
        QCOMPARE(shown[1].text, u8("Failed to set data for 'NoRun'"));
        QCOMPARE(shown[2].text, u8("Failed to set data for 'CheckedValue'"));
        QCOMPARE(shown[4].text, u8("Failed to set data for 'old'"));
        QCOMPARE(shown[7].text, u8("Failed to set data for 'NoRun'"));
        QCOMPARE(shown[8].text,
                 u8("无法删除注册表值 'DisableRegistryTools'（Write error: C:\\WINDOWS\\USER.DAT）"));
        QCOMPARE(shown[9].text, u8("Failed to set data for 'DisableRegistryTools'"));
        QCOMPARE(shown[10].text, u8("Failed to set data for ''"));
        QCOMPARE(shown[11].text, u8("Failed to set data for ''"));
    }

    void theSuperHiddenSwitch() {
        Page p;
        WriteRegInt(p.m, keys::kShowAllRoot, keys::kShowAll, "CheckedValue", 1);
        p.open();
        auto* label = p.h.find<ui::CommandLabel>("Label87");
        click(label);
        QCOMPARE(label->text(), u8("取消彻底隐藏文件或文件夹"));
        QCOMPARE(ReadRegInt(p.m, keys::kShowAllRoot, keys::kShowAll, "CheckedValue"), 0);
        click(label);
        QCOMPARE(label->text(), u8("彻底隐藏文件或文件夹"));
        QCOMPARE(ReadRegInt(p.m, keys::kShowAllRoot, keys::kShowAll, "CheckedValue"), 1);
    }

    void theMemoTexts() {
        Page p;
        p.open();
        p.show("TabSheet9");
        auto* password = p.h.find<ui::CommandLabel>("Label24");
        hover(password);
        QCOMPARE(
            p.memo(),
            (QStringList{password->text(), QString(),
                         u8("在启动Win98后，在键盘按〔ESC〕键或用鼠标点击〔×〕、〔取消〕都不能进入win98。"
                            "只有输入密码才可以正常进入win98"),
                         QString(), u8("操作方法：点击下面的标题即可瞬间完成")}));
        auto* bios = p.h.find<ui::CommandLabel>("Label276");
        QCOMPARE(bios->cursor().shape(), Qt::ArrowCursor);
        click(bios);
        QCOMPARE(p.memo(), (QStringList{u8("设置开机密码"), QString(), u8("开机按〔Del〕键进入COMS设置，"),
                                        QString(), QString()}));
        click(p.h.find("Label96"));
        click(password);
        QCOMPARE(p.memo().first(), u8("设置开机密码"));
        QVERIFY(p.h.dialogs.messages().empty());
    }

    void theJumpToTheTypedAddressList() {
        Page p;
        WriteRegStr(p.m, keys::kTypedUrlsRoot, keys::kTypedUrls, "url1", "http://www.one.cn/");
        WriteRegStr(p.m, keys::kTypedUrlsRoot, keys::kTypedUrls, "url2", "http://www.two.cn/");
        p.open();
        p.show("TabSheet9");
        click(p.h.find("Label86"));
        QCOMPARE(p.h.find<ui::PageControl>("PageControl1")->activePage(), p.h.find("TabSheet19"));
        auto* pages = p.h.find<ui::PageControl>("PageControl3");
        QVERIFY(pages->isVisible());
        QCOMPARE(pages->activePage(), p.h.find("TabSheet18"));
        QVERIFY(!pages->isHeaderVisible(p.h.find("TabSheet18")));
        auto* list = p.h.find<QListWidget>("ListBox6");
        QVERIFY(list->isVisible());
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(1)->text(), u8("http://www.two.cn/"));
    }

    void thePanelDocksElsewhereInTheWindowAndComesBack() {
        Page p;
        p.open();
        p.show("TabSheet9");
        auto* panel = p.h.find<ui::DockPanel>("PanelAntidote");
        QWidget* place = p.h.find("PanelAntidotePlace");
        QWidget* window = p.h.window.get();
        auto drag = [&](QPoint to) {
            const QPoint from = panel->mapToGlobal(QPoint(4, 4));
            auto send = [&](QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
                QMouseEvent e(type, panel->mapFromGlobal(global), global, Qt::LeftButton, buttons,
                              Qt::NoModifier);
                QApplication::sendEvent(panel, &e);
            };
            send(QEvent::MouseButtonPress, from, Qt::LeftButton);
            send(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
            send(QEvent::MouseMove, to, Qt::LeftButton);
            send(QEvent::MouseButtonRelease, to, Qt::NoButton);
        };
        const QSize size = panel->size();
        drag(window->mapToGlobal(QPoint(20, 60)));
        QCOMPARE(panel->place(), ui::DockPanel::Place::Docked);
        QCOMPARE(panel->parentWidget(), window);
        QCOMPARE(panel->pos(), QPoint(16, 56));
        p.show("TabSheet1");
        QVERIFY(panel->isVisible());
        click(p.h.find("Label94"));
        QCOMPARE(p.caption("Label94"), u8("启用MS-DOS"));

        drag(window->mapToGlobal(QPoint(window->width() + 200, 40)));
        QCOMPARE(panel->place(), ui::DockPanel::Place::Floating);
        QVERIFY(panel->isWindow());
        QCOMPARE(panel->size(), size);

        p.show("TabSheet9");
        drag(place->mapToGlobal(QPoint(place->width() / 2, place->height() / 2)));
        QCOMPARE(panel->place(), ui::DockPanel::Place::Home);
        QCOMPARE(panel->parentWidget(), place);
        QVERIFY(panel->isVisible());
    }
};

QTEST_MAIN(PrivacyPageTest)
#include "privacy_page_test.moc"
