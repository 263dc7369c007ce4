// The guides of the "体检" page line by line, and the written guides of the common problems.
#include "knowledge/checkup_guides.h"
#include "knowledge/topic_guides.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

// What a line must be: exactly a text, empty, or a long line known by its beginning.
struct Expect {
    enum Kind { Exactly, Empty, Begins } kind;
    std::string text;
};
Expect is(std::string t) {
    return {Expect::Exactly, std::move(t)};
}
Expect begins(std::string t) {
    return {Expect::Begins, std::move(t)};
}
const Expect empty{Expect::Empty, {}};

void expectLines(CheckupGuide guide, const std::vector<Expect>& expected) {
    const auto& lines = GuideLines(guide);
    ASSERT_EQ(lines.size(), expected.size()) << GuideCaption(guide);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Expect& e = expected[i];
        SCOPED_TRACE(std::string(GuideCaption(guide)) + " line " + std::to_string(i));
        switch (e.kind) {
        case Expect::Exactly:
            EXPECT_EQ(lines[i], e.text);
            break;
        case Expect::Empty:
            EXPECT_EQ(lines[i], "");
            break;
        case Expect::Begins:
            EXPECT_TRUE(lines[i].starts_with(e.text)) << lines[i];
            EXPECT_GT(lines[i].size(), e.text.size() + 30) << "the line goes on past its beginning";
            break;
        }
    }
}

std::size_t characters(const std::string& utf8) {
    std::size_t n = 0;
    for (char c : utf8)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines)
        out += l;
    return out;
}

} // namespace

TEST(CheckupGuides, ExpertTovrin) {
    expectLines(CheckupGuide::Expert,
                {is("专家Tovrin"), empty, is("            在电脑坏了以前你对它作了什么？还原它！  "), empty,
                 is("      如安装了软件卸载它；"), empty,
                 is("      如动过硬件，重新检查硬件是否插好。连线是否正确；"), empty,
                 begins("      一次，某君电脑无法进入聊天室，我问坏了以前作了何事？"),
                 is("      "
                    "我说关闭查毒软件吧，关了不行。我说：卸载它。可以上网了。然后卸载了那个刚安装的问题软件，"
                    "好了。")});
}

TEST(CheckupGuides, ReasoningOne) {
    expectLines(
        CheckupGuide::Reasoning1,
        {is("Tovrin推理一"), empty, is("         系统环境有什么变化。 "), empty,
         is("       比如是否天气热，或长期电脑为开机受潮，或灰尘长期积累对电脑板腐蚀。"), empty,
         is("       "
            "我的电脑曾在夏季开机只能进入安全模式，后来检查是因为那一段时间关机后没有拔下电源插头所致。")});
}

TEST(CheckupGuides, ReasoningTwo) {
    expectLines(
        CheckupGuide::Reasoning2,
        {is("Tovrin推理二"), empty, is("          看电脑有什么异常现象和变化。"), empty,
         is("       "
            "如电脑运行越来越慢，根据文件夹发现有大量的不明文件和硬盘剩余空间越来越小，可判断是中毒。"),
         empty, begins("       一次，我的电脑无法关机，仔细查看电脑，"), empty,
         begins("       又一次，发现IE无法脱机浏览，可原来是好的，")});
}

// No empty lines after the first two.
TEST(CheckupGuides, SilenceSpeaksLouder) {
    expectLines(CheckupGuide::Silence,
                {is("此时无声胜有声"), empty, is("          判断硬件没坏，可为什么电脑不启动？"),
                 is("如果您变动了硬件..."), is("一、主机可以点亮。"),
                 is("1、请检查连线是否连接正确，有无插反插错，是否插牢固。"),
                 is("2、接头处是否氧化变色，请清理灰尘，用较硬的东西轻轻刮掉氧化层。"),
                 is("3、更换连线（数据线可以掉头试试）。"), is("二、主机不能点亮..."),
                 begins("     主板电池放电：最好跳线放电，"),
                 begins("     如找不到跳线帽，将电池取出放电，")});
}

TEST(TopicGuides, HeadingsAndTextsBeginAsOnThePages) {
    struct Page {
        const char* page;
        std::vector<std::string> headings;
        std::vector<std::string> begin; // per section, the lines run together
    };
    const std::vector<Page> pages{
        {"TabSheet10",
         {"正在使用的输入法出现故障"},
         {"正在使用的输入法出现故障比如无法输入汉字，无法出现备选词... 请同时按键盘上的〔Shift〕键"}},
        {"TabSheet34",
         {"文件用什么程序打开？", "改变文件打开方式"},
         {"比如要知道后缀名为mdb的", "点击选中文件图标使其变色显示"}},
        {"TabSheet35",
         {"无法安装", "错误", "备份", "搜索"},
         {"如提示找不", "一、开始－设置－控制面版", "下载驱动精灵", "关键词：  〔（驱动名称） 驱动〕"}},
        {"TabSheet36",
         {"刚安装就不可用", "原来使用正常"},
         {"请在软件的发行网站或", "原来使用正常，现在出现非"}},
        // The commands of the page stand in for the headings.
        {"TabSheet37", {"", ""}, {"一、开始－运行－输入：", "一、找到win98的安装文件"}},
        {"TabSheet38",
         {"进入win98后出现或进入win98前出现", "运行中出现"},
         {"一、用对话框的标题作为关键词，在注册表里面搜索，记住不", ""}},
        {"TabSheetHangPrevention",
         {"预防死机十八招", "防患于未然：容易引起死机的种种操作", "给电脑死机打预防针"},
         {"", "", ""}},
    };
    ASSERT_EQ(TopicGuides().size(), pages.size());
    for (const Page& p : pages) {
        SCOPED_TRACE(p.page);
        const TopicGuide& g = TopicGuideFor(p.page);
        ASSERT_EQ(g.sections.size(), p.headings.size());
        for (std::size_t i = 0; i < g.sections.size(); ++i) {
            EXPECT_EQ(g.sections[i].heading, p.headings[i]);
            const std::string text = joined(g.sections[i].lines);
            EXPECT_TRUE(text.starts_with(p.begin[i])) << text;
            if (std::string_view(p.page) != "TabSheetHangPrevention") {
                EXPECT_GE(g.sections[i].lines.size(), 5u) << "a guide, not just its first words";
            }
            // The lines are stored as the memos show them.
            for (const auto& line : g.sections[i].lines)
                EXPECT_LE(characters(line), 30u) << line;
        }
    }
    EXPECT_THROW(TopicGuideFor("TabSheet11"), std::out_of_range);
}
