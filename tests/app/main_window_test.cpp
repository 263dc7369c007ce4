// The main window's pages and navigation: topics and breadcrumb, on-show behaviour, cross-page
// jumps, hover help, the "10%" page, the default handler and accessibility.
#include "app/pages/page_kit.h"
#include "tests/app/window_harness.h"
#include "ui/colors.h"
#include "ui/command_label.h"
#include "ui/memo.h"
#include "ui/page_control.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QTabBar>
#include <QtTest>
#include <algorithm>
#include <array>
#include <stdexcept>

using namespace korvane;
using namespace korvane::test;

namespace {

bool anyHeaderShown(ui::PageControl* pc) {
    for (int i = 0; i < pc->count(); ++i)
        if (pc->isHeaderVisible(pc->widget(i)))
            return true;
    return false;
}

// The user clicks the header of a top-level page.
void openTab(WindowHarness& h, const char* sheet) {
    h.find<ui::PageControl>("PageControl1")->setCurrentWidget(h.find<QWidget>(sheet));
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void windowHasItsPagesInOrderAndOnlyTheTenPercentHeaderIsHidden() {
        WindowHarness h;
        TForm1& w = h.open();
        QCOMPARE(w.windowTitle(), u8("Korvane V2.1"));
        QCOMPARE(w.font().pixelSize(), 17);
        auto* pc = h.find<ui::PageControl>("PageControl1");
        const std::vector<const char*> names{"TabSheet1", "TabSheet2",  "TabSheet3", "TabSheet4",
                                             "TabSheet5", "TabSheet6",  "TabSheet7", "TabSheet8",
                                             "TabSheet9", "TabSheet19", "TabSheet46"};
        const QStringList captions{u8("Korvane"), u8("体检"), u8("健体"), u8("常见"), u8("求助"), u8("艺术"),
                                   u8("飞"),      u8("新生"), u8("隐私"), u8("上网"), u8("10%")};
        QCOMPARE(pc->count(), captions.size());
        for (int i = 0; i < pc->count(); ++i) {
            const QString name = u8(names[static_cast<std::size_t>(i)]);
            QCOMPARE(pc->widget(i)->objectName(), name);
            QCOMPARE(pc->tabText(i), captions[i]);
            QCOMPARE(pc->isHeaderVisible(pc->widget(i)), name != QStringLiteral("TabSheet46"));
        }
        QVERIFY(pc->tabBar()->font().bold());
        QCOMPARE(pc->tabBar()->font().pixelSize(), 18);
        QCOMPARE(pc->activePage(), h.find<QWidget>("TabSheet1"));
        // Everything fits the design size without being cut.
        QVERIFY2(w.minimumSizeHint().width() <= 800,
                 qPrintable(QString::number(w.minimumSizeHint().width())));
        QVERIFY2(w.minimumSizeHint().height() <= 572,
                 qPrintable(QString::number(w.minimumSizeHint().height())));
    }

    void choosingATopicShowsItsPageAndBreadcrumb_data() {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("breadcrumb");
        QTest::newRow("hang") << u8("LabelTopicHang") << u8("TabSheet13") << u8("当前：常见病》死机》");
        QTest::newRow("blue screen") << u8("LabelTopicBlueScreen") << u8("TabSheet24")
                                     << u8("当前：常见病》蓝屏》");
        QTest::newRow("illegal operation")
            << u8("LabelTopicIllegalOperation") << u8("TabSheet11") << u8("当前：常见病》非法操作》");
        QTest::newRow("input method")
            << u8("LabelTopicInputMethod") << u8("TabSheet10") << u8("当前：输入法故障》");
        QTest::newRow("dll") << u8("LabelTopicDll") << u8("TabSheet26") << u8("当前：常见病》dll文件》");
        QTest::newRow("no shutdown") << u8("LabelTopicNoShutdown") << u8("TabSheet42")
                                     << u8("当前：常见病》无法关机》");
        QTest::newRow("safe mode") << u8("LabelTopicSafeMode") << u8("TabSheet40")
                                   << u8("当前：常见病》安全模式》");
        QTest::newRow("open with") << u8("LabelTopicOpenWith") << u8("TabSheet34")
                                   << u8("当前：常见病》打开方式》");
        QTest::newRow("drivers") << u8("LabelTopicDrivers") << u8("TabSheet35")
                                 << u8("当前：常见病》驱动程序》");
        QTest::newRow("deleted files")
            << u8("LabelTopicDeletedFiles") << u8("TabSheet39") << u8("当前：常见病》误删文件》");
        QTest::newRow("system files")
            << u8("LabelTopicSystemFiles") << u8("TabSheet37") << u8("当前：常见病》系统文件丢失》");
        QTest::newRow("program fault")
            << u8("LabelTopicProgramFault") << u8("TabSheet36") << u8("当前：常见病》程序故障》");
        QTest::newRow("dialogs") << u8("LabelTopicDialogs") << u8("TabSheet38")
                                 << u8("当前：常见病》对话框》");
    }

    // The topic column lists its thirteen labels top to bottom in this order.
    void theTopicColumnReadsInOrder() {
        WindowHarness h;
        h.open();
        openTab(h, "TabSheet4");
        const QStringList expected{u8("死机"),     u8("蓝屏"),     u8("非法操作"),     u8("输入法故障"),
                                   u8("dll文件"),  u8("无法关机"), u8("安全模式"),     u8("打开方式"),
                                   u8("驱动程序"), u8("误删文件"), u8("系统文件丢失"), u8("程序故障"),
                                   u8("对话框")};
        QList<QLabel*> topics;
        for (auto* label : h.window->findChildren<ui::CommandLabel*>())
            if (label->objectName().startsWith(QStringLiteral("LabelTopic")))
                topics << label;
        std::sort(topics.begin(), topics.end(), [](QLabel* a, QLabel* b) {
            return a->mapToGlobal(QPoint()).y() < b->mapToGlobal(QPoint()).y();
        });
        QStringList captions;
        for (QLabel* label : topics)
            captions << label->text();
        QCOMPARE(captions, expected);
    }

    // The tab captions of every nested page control, in page order.
    void nestedPageControlsCarryTheirCaptions_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("常见") << u8("PageControl2")
                              << QStringList{u8("TabSheet10"), u8("TabSheet11"), u8("TabSheet13"),
                                             u8("TabSheet24"), u8("TabSheet26"), u8("TabSheet34"),
                                             u8("TabSheet35"), u8("TabSheet36"), u8("TabSheet37"),
                                             u8("TabSheet38"), u8("TabSheet39"), u8("TabSheet40"),
                                             u8("TabSheet41"), u8("TabSheet42")}
                              << QStringList{u8("输入法"),   u8("非法操作"), u8("死机"),
                                             u8("蓝屏"),     u8("dll"),      u8("打开方式"),
                                             u8("驱动程序"), u8("程序故障"), u8("系统文件丢失"),
                                             u8("对话框"),   u8("误删文件"), u8("安全模式"),
                                             u8("开机黑屏"), u8("无法关机")};
        QTest::newRow("死机") << u8("PageControl4") << QStringList{}
                              << QStringList{u8("启动时"), u8("开机时"), u8("运行时"), u8("退出时"),
                                             u8("防死机")};
        QTest::newRow("求助") << u8("PageControl5")
                              << QStringList{u8("TabSheet28"), u8("TabSheet29"), u8("TabSheet30"),
                                             u8("TabSheet31"), u8("TabSheet32"), u8("TabSheet33"),
                                             u8("TabSheet12"), u8("TabSheet44")}
                              << QStringList{u8("资料库"),   u8("搜索"),     u8("智囊团"),   u8("技术人员"),
                                             u8("维修网站"), u8("答疑信箱"), u8("网络图片"), u8("网络声音")};
        QTest::newRow("上网") << u8("PageControl3")
                              << QStringList{u8("TabSheet14"), u8("TabSheet15"), u8("TabSheet16"),
                                             u8("TabSheet17"), u8("TabSheet18"), u8("TabSheet25"),
                                             u8("TabSheet27")}
                              << QStringList{u8("上网故障"), u8("被改"),     u8("上网高效操作"),
                                             u8("上网提速"), u8("上网隐私"), u8("分级审查"),
                                             u8("大站")};
    }
    void nestedPageControlsCarryTheirCaptions() {
        QFETCH(QString, control);
        QFETCH(QStringList, names);
        QFETCH(QStringList, captions);
        WindowHarness h;
        h.open();
        auto* pc = h.find<ui::PageControl>(control.toUtf8().constData());
        QCOMPARE(pc->count(), captions.size());
        for (int i = 0; i < pc->count(); ++i) {
            QCOMPARE(pc->tabText(i), captions[i]);
            if (!names.isEmpty())
                QCOMPARE(pc->widget(i)->objectName(), names[i]);
        }
    }
    void choosingATopicShowsItsPageAndBreadcrumb() {
        QFETCH(QString, topic);
        QFETCH(QString, page);
        QFETCH(QString, breadcrumb);
        WindowHarness h;
        h.open();
        openTab(h, "TabSheet4");
        auto* pc2 = h.find<ui::PageControl>("PageControl2");
        QVERIFY(!pc2->isVisible());
        QCOMPARE(h.find<QLabel>("LabelTitle")->text(), u8("欢迎光临！"));

        click(h.find<QWidget>(topic.toUtf8().constData()));
        QVERIFY(pc2->isVisible());
        QCOMPARE(pc2->activePage()->objectName(), page);
        QVERIFY(pc2->activePage()->isVisible());
        QVERIFY(!anyHeaderShown(pc2));
        QVERIFY(!pc2->tabBar()->isVisible());
        QCOMPARE(h.find<QLabel>("LabelTitle")->text(), breadcrumb);
    }

    void comingBackToCommonShowsTheHangPageAndKeepsTheBreadcrumb() {
        WindowHarness h;
        h.open();
        openTab(h, "TabSheet4");
        auto* pc2 = h.find<ui::PageControl>("PageControl2");
        // A first visit selects the hang page but leaves the area hidden.
        QCOMPARE(pc2->activePage(), h.find<QWidget>("TabSheet13"));
        QVERIFY(!pc2->isVisible());

        click(h.find<QWidget>("LabelTopicBlueScreen"));
        openTab(h, "TabSheet5");
        openTab(h, "TabSheet4");
        QCOMPARE(pc2->activePage(), h.find<QWidget>("TabSheet13"));
        QVERIFY(h.find<QWidget>("TabSheet13")->isVisible());
        QVERIFY(!h.find<QWidget>("TabSheet24")->isVisible());
        QCOMPARE(h.find<QLabel>("LabelTitle")->text(), u8("当前：常见病》蓝屏》"));
        // The hang page keeps its own tabs, on the prevention tab.
        auto* pc4 = h.find<ui::PageControl>("PageControl4");
        QCOMPARE(pc4->activePage(), h.find<QWidget>("TabSheetHangPrevention"));
        QVERIFY(anyHeaderShown(pc4));
        // The black-screen page has no topic.
        for (auto* label : h.window->findChildren<ui::CommandLabel*>())
            if (label->objectName().startsWith(QStringLiteral("LabelTopic"))) {
                click(label);
                QVERIFY(pc2->activePage() != h.find<QWidget>("TabSheet41"));
            }
    }

    // Each of the six topics of "求助" reads as the Part has it and opens its own page, with
    // no header row.
    void everyHelpTopicOpensItsPage() {
        WindowHarness h;
        h.open();
        auto* pc5 = h.find<ui::PageControl>("PageControl5");
        const std::vector<std::array<const char*, 3>> topics = {
            {"LabelHelpLibrary", "资料库", "TabSheet28"},
            {"LabelHelpSearch", "搜索引擎", "TabSheet29"},
            {"LabelHelpForum", "智囊团（论坛）", "TabSheet30"},
            {"LabelHelpTechnicians", "技术人员", "TabSheet31"},
            {"LabelHelpRepairSites", "维修网站", "TabSheet32"},
            {"LabelHelpMailbox", "答疑信箱", "TabSheet33"},
        };
        openTab(h, "TabSheet5");
        int lastY = -1;
        for (const auto& [label, caption, page] : topics) {
            auto* topic = h.find<QLabel>(label);
            QCOMPARE(topic->text(), u8(caption));
            QVERIFY(topic->mapToGlobal(QPoint()).y() > lastY); // top to bottom
            lastY = topic->mapToGlobal(QPoint()).y();
            click(topic);
            QCOMPARE(pc5->activePage()->objectName(), u8(page));
            QVERIFY(pc5->activePage()->isVisible());
            QVERIFY(!anyHeaderShown(pc5));
        }
    }

    // The page keys go where a click on a header could: never to "10%", never to a page of
    // 常见 or 上网 whose header is hidden, and the breadcrumb keeps naming what shows.
    void pageKeysReachOnlyPagesWhoseHeaderShows() {
        WindowHarness h;
        h.open();
        auto* pc1 = h.find<ui::PageControl>("PageControl1");
        const auto key = [](QWidget* w, Qt::Key k, Qt::KeyboardModifiers m = Qt::ControlModifier) {
            QTest::keyClick(w, k, m);
        };
        openTab(h, "TabSheet19");
        key(h.find("TabSheet19"), Qt::Key_Tab);
        QCOMPARE(pc1->activePage(), h.find<QWidget>("TabSheet1"));
        key(h.find("TabSheet1"), Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(pc1->activePage(), h.find<QWidget>("TabSheet19"));
        key(h.find("TabSheet19"), Qt::Key_PageDown);
        QCOMPARE(pc1->activePage(), h.find<QWidget>("TabSheet1"));
        key(h.find("TabSheet1"), Qt::Key_PageUp);
        QCOMPARE(pc1->activePage(), h.find<QWidget>("TabSheet19"));
        key(h.find("TabSheet19"), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(pc1->activePage(), h.find<QWidget>("TabSheet9"));

        // The tab row's own arrow keys stop at the last header that shows.
        openTab(h, "TabSheet19");
        pc1->tabBar()->setFocus();
        QTest::keyClick(pc1->tabBar(), Qt::Key_Right);
        QCOMPARE(pc1->activePage(), h.find<QWidget>("TabSheet19"));

        // 上网's sub-pages have no headers: the keys pass to the top row, the sub-page stays.
        openTab(h, "TabSheet19");
        click(h.find("Label55"));
        auto* pc3 = h.find<ui::PageControl>("PageControl3");
        QCOMPARE(pc3->activePage(), h.find<QWidget>("TabSheet14"));
        key(h.find("TabSheet14"), Qt::Key_Tab);
        QCOMPARE(pc3->activePage(), h.find<QWidget>("TabSheet14"));
        QCOMPARE(pc1->activePage(), h.find<QWidget>("TabSheet1"));

        // 常见 after a topic: its page and breadcrumb stay; 开机黑屏 never shows.
        auto* pc2 = h.find<ui::PageControl>("PageControl2");
        openTab(h, "TabSheet4");
        click(h.find("LabelTopicBlueScreen"));
        for (Qt::Key k : {Qt::Key_Tab, Qt::Key_PageDown, Qt::Key_PageUp}) {
            openTab(h, "TabSheet4");
            click(h.find("LabelTopicBlueScreen"));
            key(h.find("TabSheet24"), k);
            QCOMPARE(pc2->activePage(), h.find<QWidget>("TabSheet24"));
            QCOMPARE(h.find<QLabel>("LabelTitle")->text(), u8("当前：常见病》蓝屏》"));
            QVERIFY(pc1->activePage() != h.find<QWidget>("TabSheet4"));
            QVERIFY(pc1->activePage() != h.find<QWidget>("TabSheet46"));
        }
        QVERIFY(!h.find<QWidget>("TabSheet41")->isVisible());

        // The hang page's own tabs show their headers: the keys move through them there.
        openTab(h, "TabSheet4");
        auto* pc4 = h.find<ui::PageControl>("PageControl4");
        key(h.find("TabSheetHangPrevention"), Qt::Key_Tab);
        QCOMPARE(pc4->activePage(), h.find<QWidget>("TabSheetHangAtPowerOn"));
        QCOMPARE(pc1->activePage(), h.find<QWidget>("TabSheet4"));
        QCOMPARE(pc2->activePage(), h.find<QWidget>("TabSheet13"));
    }

    void helpShowsNothingUntilATopicIsChosen() {
        WindowHarness h;
        h.open();
        auto* pc5 = h.find<ui::PageControl>("PageControl5");
        for (int visit = 0; visit < 2; ++visit) {
            openTab(h, "TabSheet5");
            QCOMPARE(pc5->activePage(), nullptr);
            QVERIFY(!anyHeaderShown(pc5));
            for (int i = 0; i < pc5->count(); ++i)
                QVERIFY(!pc5->widget(i)->isVisible());
            QVERIFY(h.find<QWidget>("LabelHelpSearch")->isVisible());

            click(h.find<QWidget>("LabelHelpSearch"));
            QCOMPARE(pc5->activePage(), h.find<QWidget>("TabSheet29"));
            QVERIFY(h.find<QWidget>("TabSheet29")->isVisible());
            openTab(h, "TabSheet1");
        }
    }

    void artLinksOpenHelpOnTheirDownloadPage_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("page");
        QTest::newRow("pictures") << u8("Label234") << u8("TabSheet12");
        QTest::newRow("sounds") << u8("Label244") << u8("TabSheet44");
    }
    void artLinksOpenHelpOnTheirDownloadPage() {
        QFETCH(QString, link);
        QFETCH(QString, page);
        WindowHarness h;
        h.open();
        auto* pc5 = h.find<ui::PageControl>("PageControl5");
        // An earlier topic must not show through.
        openTab(h, "TabSheet5");
        click(h.find<QWidget>("LabelHelpForum"));
        openTab(h, "TabSheet6");

        click(h.find<QWidget>(link.toUtf8().constData()));
        QCOMPARE(h.find<ui::PageControl>("PageControl1")->activePage(), h.find<QWidget>("TabSheet5"));
        QCOMPARE(pc5->activePage()->objectName(), page);
        QVERIFY(pc5->activePage()->isVisible());
        QVERIFY(!h.find<QWidget>("TabSheet30")->isVisible());
        QVERIFY(!anyHeaderShown(pc5));
    }

    void hoverHelpFillsMemo4AndLeavesTheLabelAqua() {
        WindowHarness h;
        h.open();
        auto* memo = h.find<ui::Memo>("Memo4");
        QCOMPARE(memo->lines(), QStringList{u8("移动鼠标到〔带...的字体〕上有 ：提示")});
        auto* l217 = h.find<ui::CommandLabel>("Label217");
        auto* l3 = h.find<ui::CommandLabel>("Label3");
        memo->hide();

        QTest::mouseMove(l217, QPoint(5, 5));
        const QStringList expected{u8("系统全自动备份还原点，无须手工操作..."), QString(),
                                   u8("我不是有芝麻小事就向您请教如何办的秘书"), QString(),
                                   u8("开机后两秒内我后迅速的自动备份，几乎让您感觉不到")};
        QCOMPARE(memo->lines(), expected);
        QVERIFY(memo->isVisible());
        QCOMPARE(l217->backgroundColor(), ui::colors::aqua());

        // Moving on rebuilds the memo; the first label stays marked, an unvisited one is not.
        QTest::mouseMove(l3, QPoint(5, 5));
        QCOMPARE(memo->lines().size(), 3);
        QCOMPARE(memo->lines().first(), u8("可修复90%的故障..."));
        QVERIFY(memo->lines().at(2).startsWith(u8("    比如电脑突然不能上网")));
        QCOMPARE(l217->backgroundColor(), ui::colors::aqua());
        QVERIFY(h.find<ui::CommandLabel>("Label9")->backgroundColor() != ui::colors::aqua());

        // The hover text starts with the caption as it reads at that moment.
        auto* l21 = h.find<ui::CommandLabel>("Label21");
        l21->setText(u8("正在备份"));
        hover(l21);
        hover(l21);
        QCOMPARE(memo->lines(),
                 (QStringList{u8("正在备份"), QString(), u8("点击〔可随时建立系统还原点...〕标题即可"),
                              u8("当下次打开本软件您即可看到备份的还原点"),
                              u8("本功能适合您要安装不放心软件或维修系统以前")}));
    }

    void tenPercentPageOpensFromItsLinkAndCloses() {
        WindowHarness h;
        h.open();
        auto* pc1 = h.find<ui::PageControl>("PageControl1");
        auto* link = h.find<ui::CommandLabel>("LabelTenPercent");
        QVERIFY(link->isVisible());
        QCOMPARE(link->text(), u8("当Korvane无法修复..."));

        click(link);
        QCOMPARE(pc1->activePage(), h.find<QWidget>("TabSheet46"));
        QVERIFY(h.find<QWidget>("TabSheet46")->isVisible());
        QVERIFY(!pc1->isHeaderVisible(h.find<QWidget>("TabSheet46")));
        QVERIFY(pc1->isHeaderVisible(h.find<QWidget>("TabSheet2")));

        const QStringList shares{u8("80％"), u8("80%"), u8("-5%"), u8("0.2％")};
        const QStringList beginnings{
            u8("您最可能发生的事是误删文件。请重新安装软件（当软件坏）或win98（当系统坏，请点击"),
            u8("其中程序本身有问题占15%，程序和其它软件或系统冲突占80%。"),
            u8("一般人认为电脑坏是中毒了，但许多情况正好相反：杀毒后仍不解故障，最后发现故"),
            u8("除了诸如键盘、鼠标、风扇等小配件坏，此类故障率有0.2％")};
        for (int i = 0; i < 4; ++i) {
            const QByteArray n = QByteArray::number(i + 1);
            QCOMPARE(h.find<QLabel>("LabelShare" + n)->text(), shares[i]);
            QVERIFY(h.find<ui::Memo>("MemoTenPercent" + n)->toPlainText().startsWith(beginnings[i]));
        }
        QCOMPARE(h.find<ui::CommandLabel>("LabelShare3")->textColor(), ui::colors::silver());

        click(h.find<QWidget>("LabelCloseTenPercent"));
        QCOMPARE(pc1->activePage(), h.find<QWidget>("TabSheet1"));
        QVERIFY(!pc1->isHeaderVisible(h.find<QWidget>("TabSheet46")));
    }

    void anErrorInAHandlerShowsOneMessageAndTheWindowGoesOn() {
        WindowHarness h;
        TForm1& w = h.open();
        auto* l14 = h.find<ui::CommandLabel>("Label14");
        int ranAfter = 0;
        SharedPaths paths;
        PageContext ctx{&w, h.dialogs, h.shell, h.system, paths};
        Bind(ctx, l14, &ui::CommandLabel::clicked, [] { throw std::runtime_error("磁盘已满"); });
        QObject::connect(l14, &ui::CommandLabel::mouseReleased, &w, [&] { ++ranAfter; });

        click(l14);
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
        QCOMPARE(h.dialogs.messages()[0].text, u8("磁盘已满"));
        QCOMPARE(h.dialogs.messages()[0].icon, ui::MessageIcon::Error);
        QCOMPARE(ranAfter, 1);

        openTab(h, "TabSheet4");
        click(h.find<QWidget>("LabelTopicBlueScreen"));
        QCOMPARE(h.find<QLabel>("LabelTitle")->text(), u8("当前：常见病》蓝屏》"));
        QCOMPARE(h.dialogs.messages().size(), size_t(1));
    }

    void commandLabelsReachTheAccessibilityTree() {
        WindowHarness h;
        h.open();
        openTab(h, "TabSheet4");
        QAccessibleInterface* topic =
            QAccessible::queryAccessibleInterface(h.find<QWidget>("LabelTopicBlueScreen"));
        QVERIFY(topic);
        QCOMPARE(topic->role(), QAccessible::Button);
        QCOMPARE(topic->text(QAccessible::Name), u8("蓝屏"));
        QAccessibleActionInterface* actions = topic->actionInterface();
        QVERIFY(actions);
        QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(h.find<QLabel>("LabelTitle")->text(), u8("当前：常见病》蓝屏》"));

        QAccessibleInterface* feature = QAccessible::queryAccessibleInterface(h.find<QWidget>("Label3"));
        QCOMPARE(feature->role(), QAccessible::StaticText);
        QCOMPARE(feature->text(QAccessible::Name), u8("可修复90%的故障..."));
        QVERIFY(feature->text(QAccessible::Description).startsWith(u8("    比如电脑突然不能上网")));
        QVERIFY(!feature->actionInterface() || feature->actionInterface()->actionNames().isEmpty());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
