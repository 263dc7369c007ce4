// The BIOS identification text as the machine gives it, the maker it names, and the beep-code
// lists that follow from it.
#include "base/host_file.h"
#include "knowledge/beep_codes.h"
#include "knowledge/bios_id.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::TempMachine;

namespace {

// A machine whose description says bios=<text>; the bytes go in as they are.
std::unique_ptr<w98::Machine> machineWithBios(TempMachine& tm, const std::string& text) {
    const std::string ini = "[machine]\nwindows=C:\\WINDOWS\nbios=" + text + "\n[drives]\nC=fixed\n";
    w98::replaceHostFile(tm.root() / "machine.ini", ini, "machine.ini");
    return tm.reopen();
}

} // namespace

TEST(ReadBiosIdText, GivesTheMachinesTextAndAwardWhenTheDescriptionSaysNothing) {
    TempMachine tm;
    EXPECT_EQ(BiosMakerOf(ReadBiosIdText(tm.machine())), BiosMaker::Award);
    auto m = machineWithBios(tm, "AMIBIOS (C)1996 American Megatrends Inc.");
    EXPECT_EQ(ReadBiosIdText(*m), "AMIBIOS (C)1996 American Megatrends Inc.");
    EXPECT_EQ(ReadBiosIdText(*machineWithBios(tm, "")), "");
}

TEST(ReadBiosIdText, EndsAtTheFirstZeroByteAndAtTheEndOfTheBiosArea) {
    TempMachine tm;
    EXPECT_EQ(ReadBiosIdText(*machineWithBios(tm, std::string("Phoenix\0Award", 13))), "Phoenix");

    // A text running past the BIOS area is cut there, never inside a character.
    std::string huge;
    while (huge.size() < 3 * kBiosIdMaxBytes)
        huge += "主板";
    const std::string text = ReadBiosIdText(*machineWithBios(tm, "x" + huge));
    EXPECT_LE(text.size(), kBiosIdMaxBytes);
    EXPECT_GT(text.size(), kBiosIdMaxBytes - 3);
    EXPECT_EQ((text.size() - 1) % 3, 0u);
}

TEST(BiosMaker, AwardInAnyCaseComesBeforeAmi) {
    EXPECT_EQ(BiosMakerOf("Award Modular BIOS v4.51PG, An Energy Star Ally"), BiosMaker::Award);
    EXPECT_EQ(BiosMakerOf("award modular bios v6.00pg"), BiosMaker::Award);
    EXPECT_EQ(BiosMakerOf("AMI compatible, AWARD Software Inc."), BiosMaker::Award);
    EXPECT_EQ(BiosMakerOf("AMIBIOS (C)1996 American Megatrends Inc."), BiosMaker::Ami);
    // "ami" inside another word still counts.
    EXPECT_EQ(BiosMakerOf("Phoenix - Dynamic BIOS 4.0"), BiosMaker::Ami);
    EXPECT_EQ(BiosMakerOf("Phoenix Technologies LTD 4.0 Release 6.0"), BiosMaker::Other);
    EXPECT_EQ(BiosMakerOf(""), BiosMaker::Other);
}

TEST(BeepLines, EachMakerGetsItsOwnList) {
    const auto award = BeepLinesFor("award modular bios");
    ASSERT_EQ(award.size(), 12u);
    EXPECT_EQ(award[0], "          听开机声音，判断硬件故障（限本机）》》》");
    EXPECT_EQ(award[8], "不断地响（长声）：内存条未插紧或损坏。重插内存条，若还是不行，只有更换一条内存。");
    EXPECT_EQ(award[11], "无声音无显示：电源可能有问题。");

    const auto ami = BeepLinesFor("Phoenix - Dynamic BIOS");
    ASSERT_EQ(ami.size(), 12u);
    EXPECT_EQ(ami[0], "听开机声音，判断硬件故障（限本机）");
    EXPECT_EQ(ami[3], "3短：系统基本内存（第1个64kB）检查失败。换内存。");
    EXPECT_EQ(ami[11], "1长3短：内存错误。内存损坏，更换即可。");

    const std::vector<std::string> other{"听开机声音，判断硬件故障（限本机）", "本机bios目前没有资料...",
                                         "请和根据以下资料上网查询厂商或搜索", "", "Phoenix BIOS 4.0"};
    EXPECT_EQ(BeepLinesFor("Phoenix BIOS 4.0"), other);
    const auto empty = BeepLinesFor("");
    ASSERT_EQ(empty.size(), 5u);
    EXPECT_EQ(empty.back(), "");
}

TEST(BeepDropDown, ReferenceLinesHoldTheSameListInShortLines) {
    const auto& items = BeepDropDownItems();
    ASSERT_EQ(items.size(), 12u);
    EXPECT_EQ(items[0], "Award BIOS 自检响铃含义");
    EXPECT_EQ(items[11], "黑屏：电源可能有问题。");

    const auto& ref = AwardReferenceLines();
    ASSERT_EQ(ref.size(), 31u);
    const std::vector<std::string> first{"Award BIOS 自检",     "响铃含义",           "1短：系统正常启动。",
                                         "2短：常规错误。请进", "入CMOS Setup，重新", "设置不正确的选项。"};
    EXPECT_EQ(std::vector<std::string>(ref.begin(), ref.begin() + 6), first);
    std::string joinedItems = "Award BIOS 自检响铃含义";
    for (std::size_t i = 1; i < items.size(); ++i)
        joinedItems += items[i];
    std::string joinedRef;
    for (const auto& line : ref) {
        EXPECT_LE(line.size(), 36u) << line; // about ten characters a line
        joinedRef += line;
    }
    EXPECT_EQ(joinedRef, joinedItems);
}

TEST(BeepDropDown, OnlyAnAwardMachineAnswersAKey) {
    EXPECT_TRUE(KeyPressShowsAwardReference("Award Modular BIOS"));
    EXPECT_TRUE(KeyPressShowsAwardReference("AWARD"));
    EXPECT_FALSE(KeyPressShowsAwardReference("AMIBIOS"));
    EXPECT_FALSE(KeyPressShowsAwardReference(""));
}
