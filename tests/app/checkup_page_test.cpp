// The "体检" page: the beep codes of this machine's BIOS, the drop-down list's key rule, and
// the guides that replace each other in the result area.
#include "base/host_file.h"
#include "knowledge/beep_codes.h"
#include "knowledge/checkup_guides.h"
#include "tests/app/window_harness.h"
#include "ui/combo_box.h"
#include "ui/command_label.h"
#include "ui/memo.h"

#include <QFrame>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

using namespace korvane;
using namespace korvane::test;

namespace {

QStringList qLines(const std::vector<std::string>& lines) {
    QStringList out;
    for (const auto& l : lines)
        out << QString::fromStdString(l);
    return out;
}

QStringList u8Lines(std::initializer_list<const char*> lines) {
    QStringList out;
    for (const char* l : lines)
        out << QString::fromUtf8(l);
    return out;
}

// The lists as this page shows them, line by line.
const QStringList kAwardLines = u8Lines({
    "          听开机声音，判断硬件故障（限本机）》》》",
    "1短：系统正常启动。",
    "2短：常规错误。请进入CMOS Setup，重新设置不正确的选项。",
    "1长：主板电池电量不足。请更换电池。",
    "1长1短：RAM或主板出错。换一条内存试试，若还是不行，只好更换主板。",
    "1长2短：显示器或显示卡错误。",
    "1长3短：键盘控制器错误。检查主板。",
    "1长9短：主板Flash RAM或EPROM错误，BIOS损坏。换块Flash RAM试试。",
    "不断地响（长声）：内存条未插紧或损坏。重插内存条，若还是不行，只有更换一条内存。",
    "不停地响：电源、显示器未和显示卡连接好。检查一下所有的插头。",
    "重复短响：电源有问题。",
    "无声音无显示：电源可能有问题。",
});
const QStringList kAmiLines = u8Lines({
    "听开机声音，判断硬件故障（限本机）",
    "1短：内存刷新失败。更换内存条。",
    "2短：内存ECC较验错误。在CMOS Setup中将内存关于ECC校验的选项设为Disabled就可以解决，"
    "不过最根本的解决办法还是更换一条内存。",
    "3短：系统基本内存（第1个64kB）检查失败。换内存。",
    "4短：系统时钟出错。",
    "5短：中央处理器（CPU）错误。",
    "6短：键盘控制器错误。",
    "7短：系统实模式错误，不能切换到保护模式。",
    "8短：显示内存错误。显示内存有问题，更换显卡试试。",
    "9短：ROM BIOS检验和错误。",
    "1长：主板电池电量不足。请更换电池。",
    "1长3短：内存错误。内存损坏，更换即可。",
});
QStringList otherMakerLines(const char* bios) {
    return u8Lines({"听开机声音，判断硬件故障（限本机）", "本机bios目前没有资料...",
                    "请和根据以下资料上网查询厂商或搜索", "", bios});
}
const QStringList kDropDownItems = u8Lines({
    "Award BIOS 自检响铃含义",
    "1短：系统正常启动。",
    "2短：常规错误。请进入CMOS Setup，重新设置不正确的选项。",
    "1长：主板电池电量不足。请更换电池。",
    "1长1短：RAM或主板出错。换一条内存试试，若还是不行，只好更换主板。",
    "1长2短：显示器或显示卡错误。",
    "1长3短：键盘控制器错误。检查主板。",
    "1长9短：主板Flash RAM或EPROM错误，BIOS损坏。换块Flash RAM试试。",
    "长声不断：内存条未插紧或损坏。重插内存条，若还是不行，只有更换一条内存。",
    "不停地响：电源、显示器未和显示卡连接好。检查一下所有的插头。",
    "重复短响：电源有问题。",
    "黑屏：电源可能有问题。",
});

// The short reference lines: 31 in all, of which these come first.
void checkAwardReference(const QStringList& items) {
    QCOMPARE(items.size(), 31);
    QCOMPARE(items.mid(0, 6), u8Lines({"Award BIOS 自检", "响铃含义", "1短：系统正常启动。",
                                       "2短：常规错误。请进", "入CMOS Setup，重新", "设置不正确的选项。"}));
}

// A main window on a machine whose description names the BIOS text given.
struct BiosWindow {
    TempMachine tm;
    std::unique_ptr<w98::Machine> machine;
    w98::FixedClock clock{w98::DateTime{2002, 5, 17, 9, 30, 0}};
    RecordingShell shell;
    RecordingPower power;
    ui::ScriptedDialogs dialogs;
    std::unique_ptr<System> system;
    std::unique_ptr<TForm1> window;

    explicit BiosWindow(const std::string& bios) {
        std::string ini = w98::readHostFile(tm.root() / "machine.ini", "machine.ini");
        ini.replace(ini.find("[machine]\n"), 10, "[machine]\nbios=" + bios + "\n");
        w98::replaceHostFile(tm.root() / "machine.ini", ini, "machine.ini");
        machine = tm.reopen();
        system = std::make_unique<System>(System{*machine, clock, shell, power});
        window = std::make_unique<TForm1>(*system, dialogs);
        window->show();
    }
    ~BiosWindow() { window.reset(); }

    template <typename T = QWidget> T* find(const char* name) const {
        auto* w = window->findChild<T*>(QString::fromUtf8(name));
        if (!w)
            qFatal("no control named %s", name);
        return w;
    }
};

template <typename Window> QStringList resultLines(const Window& w) {
    return w.template find<ui::Memo>("MemoResult")->lines();
}

} // namespace

class CheckupPageTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void commandPanelStandsInFourRows() {
        WindowHarness h;
        h.open();
        h.find<QTabWidget>("PageControl1")->setCurrentWidget(h.find<QWidget>("TabSheet2"));
        QVERIFY(!h.find<QFrame>("PanelResult")->isVisible());
        auto y = [&](const char* name) { return h.find<QWidget>(name)->mapTo(h.window.get(), QPoint()).y(); };
        QCOMPARE(h.find<QLabel>("LabelFaultCauses")->text(), u8("寻找故障原因："));
        QCOMPARE(y("LabelExpert"), y("LabelFaultCauses"));
        QCOMPARE(y("LabelReasoning2"), y("LabelFaultCauses"));
        QVERIFY(y("LabelBeepCodes") > y("LabelExpert"));
        QCOMPARE(y("LabelSilence"), y("LabelBeepCodes"));
        QVERIFY(y("ComboBoxBeepCodes") > y("LabelBeepCodes"));
        QVERIFY(y("LabelVirusOrFault") > y("ComboBoxBeepCodes"));
        QCOMPARE(y("LabelAutoCheck"), y("LabelVirusOrFault"));

        auto* combo = h.find<ui::ComboBox>("ComboBoxBeepCodes");
        QCOMPARE(combo->width(), 617);
        QCOMPARE(combo->currentText(), u8("根据开机铃声判断本机硬件故障"));
        QCOMPARE(combo->items(), kDropDownItems);
    }

    void beepCodesFollowTheMakerOfThisMachinesBios_data() {
        QTest::addColumn<QString>("bios");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("award") << u8("AWARD Modular BIOS v6.00PG") << kAwardLines;
        QTest::newRow("award in lower case") << u8("award modular bios") << kAwardLines;
        QTest::newRow("ami inside a word") << u8("Phoenix - Dynamic BIOS") << kAmiLines;
        QTest::newRow("neither") << u8("Phoenix BIOS 4.0 Release 6.0")
                                 << otherMakerLines("Phoenix BIOS 4.0 Release 6.0");
        QTest::newRow("empty") << QString() << otherMakerLines("");
    }
    void beepCodesFollowTheMakerOfThisMachinesBios() {
        QFETCH(QString, bios);
        QFETCH(QStringList, lines);
        BiosWindow w(bios.toStdString());
        click(w.find("LabelBeepCodes"));
        QVERIFY(!w.find<QFrame>("PanelResult")->isHidden());
        QCOMPARE(resultLines(w), lines);
        if (bios.isEmpty())
            QCOMPARE(resultLines(w).last(), QString());
    }

    void aKeyInTheListShowsTheShortAwardLinesOnAwardMachinesOnly() {
        WindowHarness h;
        h.open();
        auto* combo = h.find<ui::ComboBox>("ComboBoxBeepCodes");
        click(h.find("LabelExpert"));
        QVERIFY(!resultLines(h).isEmpty());
        for (int press = 0; press < 2; ++press) {
            QTest::keyClick(combo, Qt::Key_Down);
            QVERIFY(!h.find<QFrame>("PanelResult")->isHidden());
            QCOMPARE(resultLines(h), QStringList());
            checkAwardReference(combo->items());
        }
        // Typed into the edit box, a key reaches the rule and then the list: the letter is typed.
        combo->replaceItems({u8("?")});
        h.window->activateWindow();
        combo->lineEdit()->setFocus();
        QVERIFY(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_X);
        QVERIFY(combo->currentText().endsWith(QLatin1Char('x')));
        checkAwardReference(combo->items());

        BiosWindow ami("AMIBIOS (C)1996 American Megatrends Inc.");
        auto* amiCombo = ami.find<ui::ComboBox>("ComboBoxBeepCodes");
        QTest::keyClick(amiCombo, Qt::Key_A);
        QVERIFY(ami.find<QFrame>("PanelResult")->isHidden());
        QCOMPARE(amiCombo->items(), kDropDownItems);
        click(ami.find("LabelReasoning1"));
        QTest::keyClick(amiCombo, Qt::Key_A);
        QCOMPARE(resultLines(ami), qLines(GuideLines(CheckupGuide::Reasoning1)));
    }

    void eachGuideReplacesWhatTheAreaHeld() {
        WindowHarness h;
        h.open();
        click(h.find("LabelBeepCodes"));
        QCOMPARE(resultLines(h), kAwardLines);
        const std::pair<const char*, CheckupGuide> guides[] = {{"LabelReasoning1", CheckupGuide::Reasoning1},
                                                               {"LabelExpert", CheckupGuide::Expert},
                                                               {"LabelReasoning2", CheckupGuide::Reasoning2},
                                                               {"LabelSilence", CheckupGuide::Silence}};
        for (const auto& [control, guide] : guides) {
            auto* label = h.find<ui::CommandLabel>(control);
            QCOMPARE(label->text(), u8(GuideCaption(guide)));
            click(label);
            QStringList lines = resultLines(h);
            QCOMPARE(lines, qLines(GuideLines(guide)));
            QCOMPARE(lines.first(), label->text());
        }
        // The two labels without an action leave everything as it is.
        const QStringList before = resultLines(h);
        click(h.find("LabelVirusOrFault"));
        click(h.find("LabelAutoCheck"));
        QCOMPARE(resultLines(h), before);
        QCOMPARE(h.find<QLabel>("LabelVirusOrFault")->text(), u8("病毒还是软硬件故障？..."));
        QVERIFY(h.shell.opened.empty());
        QVERIFY(h.dialogs.messages().empty());
    }
};

QTEST_MAIN(CheckupPageTest)
#include "checkup_page_test.moc"
