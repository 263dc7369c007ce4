// Hang protection on the "健体" page: the two time-outs and the tick box that follows
// AutoEndTasks, whose change on page show is stored like a click.
#include "switches/switch_keys.h"
#include "sysaccess/registry_values.h"
#include "tests/app/window_harness.h"
#include "ui/command_label.h"
#include "ui/page_control.h"

#include <QCheckBox>
#include <QtTest>

using namespace korvane;
using namespace korvane::test;
namespace keys = korvane::switch_keys;

namespace {

struct Page {
    WindowHarness h;
    w98::Machine& m = h.tm.machine();
    QCheckBox* box = nullptr;

    void open() {
        h.open();
        box = h.find<QCheckBox>("CheckBox1");
    }
    void show(const char* sheet = "TabSheet3") {
        h.find<ui::PageControl>("PageControl1")->setCurrentWidget(h.find(sheet));
    }
    bool has(const char* name) {
        return m.registry().getValue(keys::kDesktopRoot, keys::kDesktop, name).has_value();
    }
    std::string value(const char* name) { return ReadRegStr(m, keys::kDesktopRoot, keys::kDesktop, name); }
    void set(const char* text) { WriteRegStr(m, keys::kDesktopRoot, keys::kDesktop, "AutoEndTasks", text); }
};

} // namespace

class HangProtectionTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void aMissingValueAndAnUntickedBoxWriteNothing() {
        Page p;
        p.open();
        QVERIFY(!p.box->isChecked());
        p.show();
        QVERIFY(!p.box->isChecked());
        QVERIFY(!p.has("AutoEndTasks"));
    }

    void theBoxFollowsTheValueAndStoresItsTicks() {
        Page p;
        p.set("1");
        p.open();
        QVERIFY(!p.box->isChecked());
        p.show();
        QVERIFY(p.box->isChecked());
        p.box->click();
        QCOMPARE(p.value("AutoEndTasks"), "0");
        p.box->click();
        QCOMPARE(p.value("AutoEndTasks"), "1");
    }

    void anOtherTextUnticksTheBoxAndIsStoredAsZero() {
        Page p;
        p.set("1");
        p.open();
        p.show();
        p.show("TabSheet1");
        p.set("2");
        p.show();
        QVERIFY(!p.box->isChecked());
        QCOMPARE(p.value("AutoEndTasks"), "0");
        // Already unticked: a value other than "1" is left as it is.
        p.set("2");
        p.show("TabSheet1");
        p.show();
        QCOMPARE(p.value("AutoEndTasks"), "2");
    }

    void theTimeOutsAreWrittenOnEveryClickAndShowNothing() {
        Page p;
        p.open();
        p.show();
        auto* kill = p.h.find<ui::CommandLabel>("Label22");
        QCOMPARE(kill->text(), u8("关闭无反应的应用程序..."));
        click(kill);
        WriteRegStr(p.m, keys::kDesktopRoot, keys::kDesktop, "WaitToKillAppTimeOut", "20000");
        click(kill);
        QCOMPARE(p.value("WaitToKillAppTimeOut"), "10000");
        click(p.h.find("Label23"));
        QCOMPARE(p.value("HungAppTimeout"), "10000");
        QCOMPARE(kill->text(), u8("关闭无反应的应用程序..."));
        QVERIFY(p.h.dialogs.messages().empty());
    }
};

QTEST_MAIN(HangProtectionTest)
#include "hang_protection_test.moc"
