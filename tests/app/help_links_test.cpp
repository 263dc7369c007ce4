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
