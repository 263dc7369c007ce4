// The "上网" page: sub-page navigation, the 被改 switches and title box, the typed-address list,
// the efficient-browsing buttons, the add-on instructions and the placeholders.
#include "switches/browser_texts.h"
#include "switches/switch_keys.h"
#include "switches/window_title.h"
#include "sysaccess/registry_values.h"
#include "tests/app/window_harness.h"
#include "ui/command_label.h"
#include "ui/memo.h"
#include "ui/page_control.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace korvane;
using namespace korvane::test;
namespace keys = korvane::switch_keys;

namespace {

struct Page {
    WindowHarness h;
    w98::Machine& m = h.tm.machine();
    ui::PageControl* pages = nullptr;

    Page() {
        h.open();
        show();
        pages = h.find<ui::PageControl>("PageControl3");
    }
    void show(const char* sheet = "TabSheet19") {
        h.find<ui::PageControl>("PageControl1")->setCurrentWidget(h.find(sheet));
    }
    QStringList messages() const {
        QStringList out;
        for (const auto& shown : h.dialogs.messages())
            out << shown.text;
        return out;
    }
    bool anyHeader() const {
        for (int i = 0; i < pages->count(); ++i)
            if (pages->isHeaderVisible(pages->widget(i)))
                return true;
        return false;
    }
    std::string title() { return ReadRegStr(m, keys::kBrowserMainRoot, keys::kBrowserMain, "Window Title"); }
    bool typed(const char* name) {
        return m.registry().getValue(keys::kTypedUrlsRoot, keys::kTypedUrls, name).has_value();
    }
    QPoint row(QListWidget* list, int i) const { return list->visualItemRect(list->item(i)).center(); }
};

} // namespace

class InternetPageTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void theNavigationLabelsOpenTheirSubPagesWithoutHeaders() {
        Page p;
        QVERIFY(!p.pages->isVisible());
        // The background of the row and the rating breadcrumb select without showing the area.
        click(p.h.find("Panel15"), {2, 2});
        QCOMPARE(p.pages->activePage(), p.h.find("TabSheet18"));
        QVERIFY(!p.pages->isVisible());
        click(p.h.find("Label77"));
        QCOMPARE(p.pages->activePage(), p.h.find("TabSheet25"));
        QVERIFY(!p.pages->isVisible());

        const std::vector<std::pair<const char*, const char*>> targets{
            {"Label55", "TabSheet14"}, {"Label68", "TabSheet15"}, {"Label69", "TabSheet16"},
            {"Label70", "TabSheet17"}, {"Label71", "TabSheet18"}, {"Label72", "TabSheet25"},
            {"Label98", "TabSheet27"}, {"Label99", "TabSheet27"}, {"Label100", "TabSheet27"}};
        for (const auto& [label, sheet] : targets) {
            click(p.h.find(label));
            QVERIFY2(p.pages->isVisible(), label);
            QCOMPARE(p.pages->activePage(), p.h.find(sheet));
            QVERIFY(!p.anyHeader());
        }
        // Shown anew, the page keeps the area but no sub-page is active.
        p.show("TabSheet1");
        p.show();
        QVERIFY(p.pages->isVisible());
        QCOMPARE(p.pages->activePage(), nullptr);
        QVERIFY(!p.anyHeader());
        QVERIFY(p.messages().isEmpty());
    }

    void everySubPageShowsItsBreadcrumb() {
        Page p;
        const std::vector<std::pair<const char*, const char*>> crumbs{
            {"LabelCrumb14", "当前：上网》故障》"},     {"LabelCrumb15", "当前：上网》IE被修改》"},
            {"LabelCrumb16", "当前：上网》高效技巧》"}, {"LabelCrumb17", "当前：上网》极品飞车"},
            {"LabelCrumb18", "当前：上网》隐私"},       {"Label77", "当前：上网》分级审查"}};
        for (const auto& [name, text] : crumbs)
            QCOMPARE(p.h.find<ui::CommandLabel>(name)->text(), u8(text));
        QStringList captions;
        for (auto* label : p.h.find("TabSheet27")->findChildren<ui::CommandLabel*>())
            captions << label->text();
        QVERIFY(!captions.join(QString()).contains(u8("当前：")));
    }

    void theChangedSubPageReadsItsSwitchesWhenShown() {
        Page p;
        WriteRegInt(p.m, keys::kDefaultUserRoot, keys::kDefaultSystemPolicy, "DisableRegistryTools", 1);
        p.m.registry().createKey(keys::kRegClassRoot, keys::kRegClass);
        WriteRegDefault(p.m, keys::kRegClassRoot, keys::kRegClass, "txtfile");
        auto* editor = p.h.find<ui::CommandLabel>("Label91");
        auto* regFiles = p.h.find<ui::CommandLabel>("Label92");
        auto* run = p.h.find<ui::CommandLabel>("Label37");
        QCOMPARE(editor->text(), u8("启用注册表程序"));
        QCOMPARE(regFiles->text(), u8("禁用注册文件"));
        QCOMPARE(run->text(), u8("找回〔运行〕"));
        QCOMPARE(run->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(editor->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(editor->font().underline() && !run->font().underline());

        click(p.h.find("Label68"));
        QCOMPARE(editor->text(), u8("启用注册表程序"));
        QCOMPARE(regFiles->text(), u8("启用注册文件"));
        QCOMPARE(run->text(), u8("禁用〔运行〕"));

        click(editor);
        QCOMPARE(editor->text(), u8("禁用注册表程序"));
        QVERIFY(
            !RegValueExists(p.m, keys::kDefaultUserRoot, keys::kDefaultSystemPolicy, "DisableRegistryTools"));
        QCOMPARE(ReadRegInt(p.m, keys::kDefaultUserRoot, keys::kDefaultWinOldApp, "Disabled"), 0);
        click(editor);
        QCOMPARE(editor->text(), u8("启用注册表程序"));
        QVERIFY(!RegValueExists(p.m, keys::kDefaultUserRoot, keys::kDefaultWinOldApp, "Disabled"));

        click(regFiles);
        QCOMPARE(regFiles->text(), u8("禁用注册文件"));
        QCOMPARE(ReadRegDefault(p.m, keys::kRegClassRoot, keys::kRegClass), "regfile");
        QVERIFY(p.messages().isEmpty());
    }

    void theTitleStoresThreeOutcomesOneMessageEach() {
        Page p;
        click(p.h.find("Label68"));
        auto* edit = p.h.find<QLineEdit>("Edit1");
        QCOMPARE(edit->text(), u8("输入框："));
        hover(p.h.find("Label26"));
        QCOMPARE(edit->text(), u8("请在此输入IE标题栏的文字,然后按回车键〔Enter〕"));
        QTest::keyClick(edit, Qt::Key_End);
        QCOMPARE(p.messages(), QStringList{u8(kTitlePrefixMissing)});

        click(edit);
        QCOMPARE(edit->text(), u8("标题栏：维修专家，方便千万家"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(p.messages().last(), u8("重新启动电脑你就会看到IE标题栏已该为：维修专家，方便千万家"));
        QCOMPARE(p.title(), "维修专家，方便千万家");

        edit->setText(u8("新标题栏：x"));
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(p.messages().last(), u8(kTitlePrefixMisplaced));
        QCOMPARE(p.title(), "维修专家，方便千万家");

        edit->setText(u8("标题栏：a"));
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), u8("标题栏："));
        QCOMPARE(p.messages().last(), u8("重新启动电脑你就会看到IE标题栏已该为："));
        QCOMPARE(p.title(), "");
        QCOMPARE(p.messages().size(), 4);
    }

    // The release of the Enter that closed the message box reaches the box the pressing did not.
    void aKeyReleasedWithoutBeingPressedInTheBoxStoresNothing() {
        Page p;
        click(p.h.find("Label68"));
        auto* edit = p.h.find<QLineEdit>("Edit1");
        QTest::keyRelease(edit, Qt::Key_Return);
        QVERIFY(p.messages().isEmpty());
    }

    void theTypedAddressListShowsHidesAndDeletesTheEntryClicked() {
        Page p;
        WriteRegStr(p.m, keys::kTypedUrlsRoot, keys::kTypedUrls, "url1", "http://www.one.cn/");
        WriteRegStr(p.m, keys::kTypedUrlsRoot, keys::kTypedUrls, "url2", "http://www.two.cn/");
        WriteRegStr(p.m, keys::kTypedUrlsRoot, keys::kTypedUrls, "url3", "http://www.three.cn/");
        click(p.h.find("Label71"));
        auto* list = p.h.find<QListWidget>("ListBox6");
        QVERIFY(!list->isVisible());
        QCOMPARE(list->toolTip(), u8("点击删除相应地址"));
        click(p.h.find("Label53"));
        QVERIFY(list->isVisible());
        QCOMPARE(list->count(), 3);

        click(list->viewport(), p.row(list, 0));
        QVERIFY(!p.typed("url1"));
        QCOMPARE(list->item(0)->text(), u8("http://www.two.cn/"));
        click(list->viewport(), p.row(list, 0));
        QVERIFY(!p.typed("url2"));
        QVERIFY(p.typed("url3"));
        QCOMPARE(list->count(), 1);

        click(p.h.find("Label53"));
        QVERIFY(!list->isVisible());
        WriteRegStr(p.m, keys::kTypedUrlsRoot, keys::kTypedUrls, "url4", "http://www.four.cn/");
        click(p.h.find("Label53"));
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(1)->text(), u8("http://www.four.cn/"));
        QVERIFY(p.messages().isEmpty());
    }

    void aDoubleClickDeletesOneAddress() {
        Page p;
        WriteRegStr(p.m, keys::kTypedUrlsRoot, keys::kTypedUrls, "url1", "http://www.one.cn/");
        WriteRegStr(p.m, keys::kTypedUrlsRoot, keys::kTypedUrls, "url2", "http://www.two.cn/");
        click(p.h.find("Label71"));
        click(p.h.find("Label53"));
        auto* list = p.h.find<QListWidget>("ListBox6");
        const QPoint at = p.row(list, 0);
        click(list->viewport(), at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QVERIFY(!p.typed("url1"));
        QVERIFY(p.typed("url2"));
        QCOMPARE(list->count(), 1);
    }

    void aMissingTypedAddressKeyIsCreatedAndListsNothing() {
        Page p;
        click(p.h.find("Label71"));
        click(p.h.find("Label53"));
        QCOMPARE(p.h.find<QListWidget>("ListBox6")->count(), 0);
        QVERIFY(p.m.registry().keyExists(keys::kTypedUrlsRoot, keys::kTypedUrls));
    }

    void theEfficientBrowsingButtons() {
        Page p;
        click(p.h.find("Label69"));
        auto* memo = p.h.find<ui::Memo>("Memo5");
        QCOMPARE(memo->lines(),
                 (QStringList{u8("           各按键的说明"), u8("    方法：移动鼠标到按键上")}));
        auto* offline = p.h.find<QPushButton>("Button10");
        hover(offline);
        QCOMPARE(memo->lines(), (QStringList{u8("离线浏览时不出现“拨号连接”"), QString(),
                                             u8("      "
                                                "当你离线浏览一段时间后，IE总会弹出一个让你重新拨号连接的提示"
                                                "对话框，相当不便，也很讨厌。"),
                                             u8("      我为此而生。")}));
        auto* search = p.h.find<QPushButton>("Button13");
        hover(search);
        QCOMPARE(memo->lines(), (QStringList{u8("更改默认搜索引擎"), QString(),
                                             u8("      将自己喜欢的搜索引擎作为默认设置，既便利又快捷"),
                                             u8("      我为此而生。")}));

        click(offline);
        QCOMPARE(ReadRegInt(p.m, keys::kWebcheckRoot, keys::kWebcheck, "NoScheduledUpdates"), 0);
        const std::string user = p.h.tm.bytes("C:\\WINDOWS\\USER.DAT");
        for (const char* name : {"Button13", "ButtonMaximizeWindows", "ButtonClearAddresses"})
            click(p.h.find(name));
        QCOMPARE(p.h.tm.bytes("C:\\WINDOWS\\USER.DAT"), user);
        QVERIFY(p.messages().isEmpty());
    }

    void thePatchLinkDescribesThePatchInMemo8() {
        Page p;
        click(p.h.find("Label68"));
        auto* memo = p.h.find<ui::Memo>("Memo8");
        QVERIFY(!memo->isVisible());
        hover(p.h.find("Label104"));
        QVERIFY(memo->isVisible());
        QCOMPARE(memo->lines(),
                 (QStringList{u8("            微软最新的Microsoft Windows Script 5.6"),
                              u8("防止IE标题被改的补丁，目前可以预防："),
                              u8("混客绝情炸弹；会在你启动组里做手脚，使得重启以后标题依旧；"),
                              u8("禁止你的注册表，改首页，主页地址栏变灰，改右键； OE标题栏修改..."),
                              u8("内含For Win9X/NT和For Win2000两版本。")}));
        QVERIFY(p.h.shell.opened.empty());
    }

    void theAddOnLabelsExplainInMemo28() {
        Page p;
        click(p.h.find("Label98"));
        auto* memo = p.h.find<ui::Memo>("Memo28");
        QVERIFY(!memo->isVisible());
        const std::string before = p.h.tm.bytes("C:\\WINDOWS\\SYSTEM.DAT");
        struct Addon {
            const char* control;
            std::vector<const char*> lines; // the caption, an empty line, then the instructions
        };
        const std::vector<Addon> addons = {
            {"Label28",
             {"清除3721网络实名", "",
              "临时取消：（图标）IE－（菜单栏）工具－Internet选项－高级－网络实名－取消选中：启用网络实名－（"
              "最下面）"
              "应用－确定",
              "", "永久删除：开始－设置－控制面版－添加/删除程序－3721网络实名－确定"}},
            {"Label30",
             {"恢复被腾迅EXPLORER替换的IE浏览器", "",
              "（图标）腾迅浏览器Explorer－（菜单）工具－Internet选项－TE选项－默认浏览器－选中：Internet "
              "Explorer－确定",
              ""}},
            {"Label29",
             {"清除百度地址栏实名", "",
              "临时取消：（图标）IE－（菜单栏）工具－Internet选项－高级－辅助功能－取消选中：启用搜索伴侣－（"
              "最下面）"
              "应用－确定",
              "", "永久删除：开始－设置－控制面版－添加/删除程序－百度搜索伴侣－确定", "",
              "永久删除可解决注册表启动项BIE无法删除现象"}},
            {"Label181",
             {"默认腾讯浏览器打开网页", "",
              "（图标）腾迅浏览器Explorer－（菜单）工具－Internet选项－TE选项－默认浏览器－选中：Tencent "
              "Explorer－确定",
              "", "如无法恢复，请重新安装oicq"}},
            {"Label182",
             {"启用3721网络实名", "",
              "（图标）IE－（菜单）工具－Internet选项－高级－（上面）网络实名－选中：网络实名－（最低下）应用"
              "－确定",
              "",
              "如仍无法搞定，一般是您安装了CNNIC通用网址控件和百度IE搜索伴侣控件以后，就可能会出现此问题。",
              "请点击下面标题，在3721的网站直接修复", ""}},
            {"Label183",
             {"启用百度网络实名(IE搜索伴侣)", "",
              "（图标）IE－（菜单栏）工具－Internet选项－高级－辅助功能－选中：启用搜索伴侣－（最下面）应用－"
              "确定",
              "", "如未成功：点击下面的按钮在百度重新下载安装"}},
        };
        for (const Addon& a : addons) {
            click(p.h.find(a.control));
            QVERIFY(memo->isVisible());
            QStringList expected;
            for (const char* line : a.lines)
                expected << u8(line);
            QCOMPARE(memo->lines(), expected);
        }
        QCOMPARE(p.h.tm.bytes("C:\\WINDOWS\\SYSTEM.DAT"), before);
        QVERIFY(p.h.shell.opened.empty());
    }

    void thePlaceholdersShowTheirCaptionsAndDoNothing() {
        Page p;
        const std::vector<std::pair<const char*, std::vector<const char*>>> placeholders{
            {"TabSheet14",
             {"进不去聊天室、论坛", "无法拨号上网", "网速很慢", "猫坏", "Label47", "Label48", "Label49",
              "Label51"}},
            {"TabSheet15",
             {"首页", "时间显示", "工具栏背景", "默认搜索引擎", "修改以下：", "自动检测",
              "找回〔Internet选项〕", "更改首页按键被禁用", "清理右键菜单", "电脑启动弹出对话框",
              "电脑一启动自动打开好多窗口", "限制不断自动弹出的窗口", "完全解决", "百治不如一防"}},
            {"TabSheet17", {"限制不断自动打开的窗口"}},
            {"TabSheet18", {"清理浏览记录"}},
        };
        const std::string user = p.h.tm.bytes("C:\\WINDOWS\\USER.DAT");
        for (const auto& [sheet, captions] : placeholders) {
            QWidget* page = p.h.find(sheet);
            for (const char* caption : captions) {
                ui::CommandLabel* found = nullptr;
                for (auto* label : page->findChildren<ui::CommandLabel*>())
                    if (label->text() == u8(caption))
                        found = label;
                QVERIFY2(found, caption);
                click(found);
            }
        }
        QCOMPARE(p.h.find<ui::Memo>("MemoTrouble")->lines(),
                 (QStringList{u8("     你好！"), QString(), u8("     本框为说明")}));
        QCOMPARE(p.h.find<ui::Memo>("Memo30")->lines(), QStringList{u8("Memo30")});
        auto* rating = p.h.find<ui::Memo>("MemoRating");
        QCOMPARE(rating->lines().first(), u8("    分级审查－是禁用浏览黄色、暴力等网站的，"));
        QCOMPARE(rating->lines().last(), u8("    清理分级审查密码，点击本说明即可。"));
        click(rating->viewport());
        QCOMPARE(p.h.tm.bytes("C:\\WINDOWS\\USER.DAT"), user);
        QVERIFY(p.messages().isEmpty());
        QVERIFY(p.h.shell.opened.empty());
    }
};

QTEST_MAIN(InternetPageTest)
#include "internet_page_test.moc"
