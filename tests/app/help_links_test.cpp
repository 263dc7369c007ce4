// Every link of the help directory on its page and event, the mailbox addresses of 答疑信箱,
// and the guidance beside the links.
#include "knowledge/help_links.h"
#include "knowledge/help_texts.h"
#include "knowledge/topic_guides.h"
#include "tests/app/window_harness.h"
#include "ui/command_label.h"
#include "ui/memo.h"

#include <QTabWidget>
#include <QtTest>
#include <map>

using namespace korvane;
using namespace korvane::test;

namespace {

const std::map<std::string_view, const char*> kSheets{
    {"求助》资料库", "TabSheet28"},
    {"求助》搜索", "TabSheet29"},
    {"求助》智囊团", "TabSheet30"},
    {"求助》维修网站", "TabSheet32"},
    {"求助》答疑信箱", "TabSheet33"},
    {"常见》打开方式", "TabSheet34"},
    {"常见》驱动程序", "TabSheet35"},
    {"常见》蓝屏", "TabSheet24"},
    {"常见》死机》防死机", "TabSheetHangPrevention"},
    {"上网》上网故障", "TabSheet14"},
    {"上网》被改", "TabSheet15"},
    {"上网》大站", "TabSheet27"},
};

QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QStringList qLines(const std::vector<std::string>& lines) {
    QStringList out;
    for (const auto& l : lines)
        out << QString::fromStdString(l);
    return out;
}

void release(QWidget* w, Qt::MouseButton button) {
    QTest::mousePress(w, button, Qt::NoModifier, {4, 4});
    QTest::mouseRelease(w, button, Qt::NoModifier, {4, 4});
}

} // namespace

class HelpLinksTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void everyLinkOpensItsTargetOnceOnItsEvent() {
        WindowHarness h;
        h.open();
        int checked = 0;
        for (const HelpLink& link : HelpLinks()) {
            const std::string control(link.control);
            auto* label = h.find<ui::CommandLabel>(control.c_str());
            QCOMPARE(label->text(), q(link.caption));
            QCOMPARE(label->look(), ui::LabelLook::Command);
            QVERIFY2(kSheets.count(link.page), control.c_str());
            QVERIFY2(h.find(kSheets.at(link.page))->isAncestorOf(label), control.c_str());

            h.shell.opened.clear();
            if (link.event == LinkEvent::DoubleClick) {
                click(label);
                QVERIFY2(h.shell.opened.empty(), "a single click does nothing");
                QTest::mouseDClick(label, Qt::LeftButton, Qt::NoModifier, {4, 4});
            } else {
                hover(label);
                QVERIFY(h.shell.opened.empty());
                click(label);
            }
            QCOMPARE(h.shell.opened, std::vector<std::string>{std::string(link.target)});
            ++checked;
        }
        QCOMPARE(checked, 63);
        QVERIFY(h.dialogs.messages().empty());
    }

    // The directory as a user sees it: every link on its page with the caption the directory
    // gives it, and each opening its own target on its own event. Where a caption names an
    // outside site by its host or company, the fixed part of the caption is checked.
    void everyLinkStandsOnItsPageWithItsCaption() {
        WindowHarness h;
        h.open();
        struct Row {
            const char* sheet;
            const char* control;
            const char* caption; // the whole caption, or for the variable ones a fixed part
            bool whole = true;
        };
        const std::vector<Row> rows = {
            {"TabSheet28", "Label142", "神奇注册表"},
            {"TabSheet28", "Label143", "BIOS专页"},
            {"TabSheet28", "Label146", "InfoCD答疑室（大全）"},
            {"TabSheet28", "Label147", "拯救硬盘十大功略"},
            {"TabSheet28", "Label148", "注册表在线恢复"},
            {"TabSheet28", "Label149", "天极论坛精华电子书下载"},
            {"TabSheet28", "Label150", "科源电脑在线  "},
            {"TabSheet28", "Label151", "BIOS维修网站"},
            {"TabSheet28", "Label152", "常见硬件故障维修"},
            {"TabSheet28", "Label153", "洪恩在线 注册表专题"},
            {"TabSheet28", "Label154", "冠讯在线－电脑故障栏目"},
            {"TabSheet28", "Label155", "常见CPU故障处理方法"},
            {"TabSheet28", "Label210", "硬件维修指南"},
            {"TabSheet28", "Label211", "电脑及外设维修故障实例集"},
            {"TabSheet28", "Label212", "赛迪网电脑诊室"},
            {"TabSheet28", "Label213", "赛迪网IT罗盘首页"},
            {"TabSheet28", "Label214", "计算机世界网-中国IT检索"},
            {"TabSheet29", "Label115", "google", false},
            {"TabSheet29", "Label116", "baidu", false},
            {"TabSheet30", "Label117", "大富翁论坛"},
            {"TabSheet30", "Label118", "百度论坛"},
            {"TabSheet30", "Label119", "新浪IT业界"},
            {"TabSheet30", "Label120", "IT电脑顾问专家"},
            {"TabSheet30", "Label121", "中维网维修联盟论坛"},
            {"TabSheet30", "Label122", "eClub业界论坛（操作系统）"},
            {"TabSheet30", "Label123", "52硬件论坛"},
            {"TabSheet30", "Label124", "中国电脑维修论坛"},
            {"TabSheet30", "Label196", "电脑爱好者论坛"},
            {"TabSheet30", "Label197", "西安PC论坛"},
            {"TabSheet30", "Label198", "中国电脑教育报》电脑应用答疑室 "},
            {"TabSheet30", "Label199", "驱动之家论坛"},
            {"TabSheet30", "Label200", "天极（电脑报）论坛首页"},
            {"TabSheet30", "Label201", "ITNOW疑难解答"},
            {"TabSheet30", "Label204", "深圳电脑资讯网疑难解答"},
            {"TabSheet32", "Label125", "中国维修网"},
            {"TabSheet32", "Label127", "：常见硬件故障维修方法", false},
            {"TabSheet32", "Label128", "精英维修网"},
            {"TabSheet32", "Label129", "硬件维修网"},
            {"TabSheet32", "Label130", "颐高电脑服务中心"},
            {"TabSheet32", "Label131", "goldenseaonline硬盘维修站"},
            {"TabSheet32", "Label132", "专业硬盘数据恢复"},
            {"TabSheet32", "Label207", "专业笔记本电脑维修"},
            {"TabSheet32", "Label208", "电脑检测维修中心"},
            {"TabSheet33", "Label133", "电脑爱好者傻博士"},
            {"TabSheet33", "Label140", "信箱", false},
            {"TabSheet34", "Label159", "下载文件后缀名解释器"},
            {"TabSheet34", "Label160", "搜索引擎：", false},
            {"TabSheet34", "Label161", "搜索引擎：", false},
            {"TabSheet35", "Label165", "驱动程序下载网站"},
            {"TabSheet35", "Label167", "搜索引擎", false},
            {"TabSheet35", "Label168", "搜索引擎：", false},
            {"TabSheet35", "Label169", "去找驱动精灵软件"},
            {"TabSheet24", "Label215", "电脑报蓝屏专题"},
            {"TabSheetHangPrevention", "Label189", "电脑死机故障实例分析"},
            {"TabSheetHangPrevention", "Label190", "电脑死机现象原因大全"},
            {"TabSheetHangPrevention", "Label191", "由现象看本质，解决电脑死机问题"},
            {"TabSheetHangPrevention", "Label193", "洪恩死机专题"},
            {"TabSheetHangPrevention", "Label194", "电脑死机故障全面分析"},
            {"TabSheet14", "Label50", "Modem故障专题"},
            {"TabSheet15", "Label104", "下载微软补丁"},
            {"TabSheet27", "Label185", "去3721修复网络实名"},
            {"TabSheet27", "Label186", "去百度下载IE搜索伴侣"},
            {"TabSheet27", "Label187", "去腾讯下载oicq"},
        };
        QCOMPARE(rows.size(), size_t(63));
        int mail = 0;
        for (const Row& row : rows) {
            auto* label = h.find<ui::CommandLabel>(row.control);
            const QString caption = label->text();
            if (row.whole)
                QCOMPARE(caption, u8(row.caption));
            else if (u8(row.caption).startsWith(u8("搜索引擎")))
                QVERIFY2(caption.startsWith(u8(row.caption)) && caption.size() > u8(row.caption).size() &&
                             caption.at(u8(row.caption).size()) != QChar(0xFF1A) /* no second colon */,
                         row.control);
            else if (u8(row.caption).startsWith(u8("：")) || u8(row.caption) == u8("信箱"))
                QVERIFY2(caption.endsWith(u8(row.caption)) && caption.size() > u8(row.caption).size(),
                         row.control);
            else
                QVERIFY2(caption.contains(u8(row.caption), Qt::CaseInsensitive), row.control);
            QVERIFY2(h.find(row.sheet)->isAncestorOf(label), row.control);

            h.shell.opened.clear();
            if (std::string_view(row.control) == "Label169")
                QTest::mouseDClick(label, Qt::LeftButton, Qt::NoModifier, {4, 4});
            else
                click(label);
            QCOMPARE(h.shell.opened.size(), size_t(1));
            const std::string& target = h.shell.opened.front();
            mail += target.starts_with("mailto:") ? 1 : 0;
            QVERIFY2(target.starts_with("mailto:") || target.starts_with("http://") ||
                         target.starts_with("https://"),
                     target.c_str());
        }
        QCOMPARE(mail, 2);
        QVERIFY(h.dialogs.messages().empty());
    }

    void aRealDoubleClickOnTheDriverToolLinkOpensItOnce() {
        WindowHarness h;
        h.open();
        auto* label = h.find("Label169");
        QTest::mouseClick(label, Qt::LeftButton, Qt::NoModifier, {4, 4});
        QTest::mouseDClick(label, Qt::LeftButton, Qt::NoModifier, {4, 4});
        QCOMPARE(h.shell.opened, std::vector<std::string>{"http://www.drivergenius.com/"});
    }

    void mailboxAddressesShowInMemo29() {
        WindowHarness h;
        h.open();
        h.find<QTabWidget>("PageControl1")->setCurrentWidget(h.find("TabSheet5"));
        click(h.find("LabelHelpMailbox"));
        auto* memo = h.find<ui::Memo>("Memo29");
        QVERIFY(!memo->isVisible());
        QCOMPARE(memo->toPlainText(), u8("Memo29"));

        auto* expert = h.find<ui::CommandLabel>("Label140");
        hover(expert);
        hover(expert, {8, 6});
        QVERIFY(memo->isVisible());
        const QStringList expertLines{expert->text(), QString(), q(FindHelpLink("Label140").target).mid(7)};
        QCOMPARE(memo->lines(), expertLines);

        // A right-button release shows the address without writing a letter.
        auto* doctor = h.find<ui::CommandLabel>("Label133");
        release(doctor, Qt::RightButton);
        const QStringList doctorLines{doctor->text(), QString(),
                                      QString::fromStdString(ShownMailAddress("Label133"))};
        QCOMPARE(memo->lines(), doctorLines);
        QVERIFY(h.shell.opened.empty());
        hover(expert);
        click(doctor);
        QCOMPARE(memo->lines(), doctorLines);
        QCOMPARE(h.shell.opened, std::vector<std::string>{std::string(FindHelpLink("Label133").target)});
    }

    void helpSubPagesHoldTheirGuidance() {
        WindowHarness h;
        h.open();
        QCOMPARE(h.find<QLabel>("Label114")->text(), u8("Label114"));
        const QStringList search = h.find<ui::Memo>("MemoSearchAdvice")->lines();
        QCOMPARE(search.size(), 9);
        QVERIFY(search.first().startsWith(u8("      推荐使用以上俩个搜索引擎")));
        QVERIFY(search.join(QString()).contains(u8("〔电子邮件 乱码〕")));
        QVERIFY(h.find<ui::Memo>("MemoForumAdvice")
                    ->lines()
                    .first()
                    .startsWith(u8("      论坛是电脑高手和爱好者、发烧友聚集的地方，去上面推荐")));
        QCOMPARE(h.find<ui::Memo>("MemoTechnicians")->lines(), qLines(TechnicianAdviceLines()));
        QVERIFY(
            h.find<ui::Memo>("MemoTechnicians")->lines().first().startsWith(u8("                 技术人员")));
        for (const char* name : {"Label156", "Label202", "Label203", "Label205"})
            QCOMPARE(h.find<QLabel>(name)->text(), u8(name));
        QVERIFY(h.find<QLabel>("LabelRepairGuestBook")->text().endsWith(u8("留言簿")));
        QVERIFY(h.find("TabSheet12")->isAncestorOf(h.find("MemoWebPictures")));
        QVERIFY(h.find("TabSheet44")->isAncestorOf(h.find("MemoWebSounds")));
    }

    void topicPagesShowTheirGuidesUnderTheirHeadings() {
        WindowHarness h;
        h.open();
        for (const TopicGuide& guide : TopicGuides()) {
            int n = 0;
            for (const GuideSection& section : guide.sections) {
                const QString number = QString::number(++n);
                const QString page = QString::fromStdString(guide.page);
                if (!section.heading.empty()) {
                    auto* heading = h.window->findChild<QLabel*>(page + QStringLiteral("Heading") + number);
                    QVERIFY(heading);
                    QCOMPARE(heading->text(), QString::fromStdString(section.heading));
                }
                if (!section.lines.empty()) {
                    auto* memo = h.window->findChild<ui::Memo*>(page + QStringLiteral("Guide") + number);
                    QVERIFY(memo);
                    QCOMPARE(memo->lines(), qLines(section.lines));
                    QVERIFY(h.find(guide.page.c_str())->isAncestorOf(memo));
                }
            }
        }
    }
};

QTEST_MAIN(HelpLinksTest)
#include "help_links_test.moc"
