// Registry files in Windows 98's binary form: what the store writes is what an independent
// reader (cregexport) finds, files keep their form, and damaged files are reported and kept.
#include "base/cp936.h"
#include "base/error.h"
#include "registry/registry.h"
#include "registry/registry_binary_format.h"
#include "registry/registry_file.h"
#include "registry/registry_text_format.h"
#include "tests/support/creg_export.h"
#include "tests/support/creg_reader.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
using namespace w98;

using korvane::test::readBytes;

namespace {

const std::string kSystemName = "C:\\WINDOWS\\SYSTEM.DAT";
const std::string kUserName = "C:\\WINDOWS\\USER.DAT";

void writeBytes(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

std::uint32_t le32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

void setLe32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i) & 0xFF);
}

RegValue sz(std::string name, std::string_view text) {
    return {std::move(name), reg_type::kSz, regStringData(text)};
}

class BinaryRegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = korvane::test::makeTempFolder("korvane-binreg");
        system_ = dir_ / "SYSTEM.DAT";
        user_ = dir_ / "USER.DAT";
        writeBytes(system_, emptyHiveBytes(HiveForm::Binary, "HKEY_LOCAL_MACHINE"));
        writeBytes(user_, emptyHiveBytes(HiveForm::Binary, "HKEY_USERS"));
    }
    void TearDown() override { fs::remove_all(dir_); }

    Registry open() { return Registry(system_, kSystemName, user_, kUserName); }

    fs::path dir_, system_, user_;
};

// A REGEDIT4 file as regedit writes one, with what Windows 98 keeps in its registry: every
// value type, default values, an empty key, code page 936 names and data, and keys in an
// order that is not alphabetical.
std::string sampleText() {
    std::string text = "REGEDIT4\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE]\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\Software]\r\n"
                       "@=\"默认\"\r\n"
                       "\"Str\"=\"C:\\\\WINDOWS\\\\\\\"q\\\"\"\r\n"
                       "\"Empty\"=\"\"\r\n"
                       "\"Num\"=dword:ffffffff\r\n"
                       "\"Bin\"=hex:00,01,fe\r\n"
                       "\"NoData\"=hex:\r\n"
                       "\"Path\"=hex(2):25,77,69,6e,64,69,72,25,00\r\n"
                       "\"Multi\"=hex(7):61,00,62,00,00\r\n"
                       "\r\n"
                       "[HKEY_LOCAL_MACHINE\\Software\\Zeta]\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\Software\\中文键]\r\n"
                       "\"名称\"=\"数值\"\r\n"
                       "@=\"\"\r\n"
                       "\r\n"
                       "[HKEY_LOCAL_MACHINE\\Software\\Alpha]\r\n\r\n";
    return cp936::fromUtf8(text);
}

} // namespace

TEST(BinaryFormat, RegeditTextGoesThroughTheBinaryFormAndBackByteForByte) {
    const std::string text = sampleText();
    auto tree = regtext::read(text, "a.reg", "HKEY_LOCAL_MACHINE");
    const std::string binary = regbin::write(*tree);
    ASSERT_EQ(binary.substr(0, 4), "CREG");
    auto back = regbin::read(binary, "SYSTEM.DAT", "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(regtext::write(*back, "HKEY_LOCAL_MACHINE"), text);

    // Long data: a value that fills most of the 64 KB a key's values may take.
    std::string longText = "REGEDIT4\r\n\r\n[HKEY_USERS]\r\n\r\n[HKEY_USERS\\.DEFAULT]\r\n\"Long\"=hex:";
    for (int i = 0; i < 65000; ++i)
        longText += (i ? "," : "") + std::string(i % 2 ? "ab" : "0c");
    longText += "\r\n\r\n";
    auto longTree = regtext::read(longText, "b.reg", "HKEY_USERS");
    auto longBack = regbin::read(regbin::write(*longTree), "USER.DAT", "HKEY_USERS");
    ASSERT_EQ(longBack->children.size(), 1u);
    ASSERT_EQ(longBack->children[0]->values.size(), 1u);
    EXPECT_EQ(longBack->children[0]->values[0].value.data.size(), 65000u);
    EXPECT_EQ(longBack->children[0]->values[0].value.data.substr(0, 3), "\x0c\xab\x0c");
}

TEST(BinaryFormat, KeyNavigationCarriesTheNameHashWindowsComputes) {
    // Upper-cased sum of the characters below 0x80: "SOFTWARE" sums to 0x26B.
    EXPECT_EQ(regbin::nameHash("Software"), 0x26Bu);
    EXPECT_EQ(regbin::nameHash("SOFTWARE"), 0x26Bu);
    // The trail byte of 中 (d6 d0) is not below 0x80; that of 丂 (81 40) is and counts as it is.
    EXPECT_EQ(regbin::nameHash(cp936::fromUtf8("中a")), static_cast<std::uint32_t>('A'));
    EXPECT_EQ(regbin::nameHash("\x81\x40"), 0x40u);
}

TEST(BinaryFormat, WhatWindows98CannotHoldIsRefusedNamingTheValue) {
    regtree::Key root;
    bool changed = false;
    regtree::Key& k = regtree::createPath(root, {{"Big", "Big"}}, changed);
    k.setValue(RegValue{"Huge", reg_type::kBinary, std::string(65536, 'x')}, "Huge");
    try {
        regbin::write(root);
        FAIL() << "a value of 65536 bytes was written";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("Huge"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("65535"), std::string::npos) << e.what();
    }
}

TEST_F(BinaryRegistryTest, ChangesKeepTheFileBinaryAndCregexportReadsExactlyWhatTheStoreHolds) {
    {
        Registry r = open();
        r.setValue(kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion",
                   sz("SystemRoot", "C:\\WINDOWS"));
        r.setValue(kHkeyLocalMachine, "Software\\中文", sz("名称", "值"));
        r.setValue(kHkeyLocalMachine, "Software\\中文", RegValue{"", reg_type::kSz, regStringData("默认")});
        r.setValue(kHkeyLocalMachine, "Software\\Types", RegValue{"d", reg_type::kDword, regDwordData(10)});
        r.setValue(kHkeyLocalMachine, "Software\\Types",
                   RegValue{"x", reg_type::kExpandSz, regStringData("%windir%")});
        r.setValue(kHkeyLocalMachine, "Software\\Types",
                   RegValue{"m", reg_type::kMultiSz, std::string("a\0b\0\0", 5)});
        r.setValue(kHkeyLocalMachine, "Software\\Types",
                   RegValue{"b", reg_type::kBinary, std::string("\x01\x02", 2)});
        r.createKey(kHkeyLocalMachine, "Empty");
        r.setValue(kHkeyCurrentUser, "Control Panel\\Desktop", sz("Wallpaper", "C:\\WINDOWS\\dest.bmp"));
        r.deleteValue(kHkeyLocalMachine, "Software\\Types", "d");
    }
    ASSERT_EQ(readBytes(system_).substr(0, 4), "CREG");
    ASSERT_EQ(readBytes(user_).substr(0, 4), "CREG");

    EXPECT_EQ(korvane::test::cregExport(system_), "[]\n"
                                                  "[Software]\n"
                                                  "[Software\\Microsoft]\n"
                                                  "[Software\\Microsoft\\Windows]\n"
                                                  "[Software\\Microsoft\\Windows\\CurrentVersion]\n"
                                                  "SystemRoot|1|43 3a 5c 57 49 4e 44 4f 57 53\n"
                                                  "[Software\\中文]\n"
                                                  "名称|1|d6 b5\n"
                                                  "(default)|1|c4 ac c8 cf\n"
                                                  "[Software\\Types]\n"
                                                  "x|2|25 77 69 6e 64 69 72 25 00\n"
                                                  "m|7|61 00 62 00 00\n"
                                                  "b|3|01 02\n"
                                                  "[Empty]\n");
    EXPECT_EQ(korvane::test::cregExport(user_),
              "[]\n"
              "[.DEFAULT]\n"
              "[.DEFAULT\\Control Panel]\n"
              "[.DEFAULT\\Control Panel\\Desktop]\n"
              "Wallpaper|1|43 3a 5c 57 49 4e 44 4f 57 53 5c 64 65 73 74 2e 62 6d 70\n");

    // Another process reading the files finds the same.
    Registry again = open();
    EXPECT_EQ(again.getValue(kHkeyLocalMachine, "software\\中文", "名称")->data, regStringData("值"));
    EXPECT_EQ(again.subkeyNames(kHkeyLocalMachine, "Software"),
              (std::vector<std::string>{"Microsoft", "中文", "Types"}));
}

TEST_F(BinaryRegistryTest, TensOfThousandsOfKeysDeepPathsAndDeletesReadTheSameThroughCregexport) {
    {
        Registry r = open();
        std::string text = "REGEDIT4\r\n\r\n";
        for (int i = 0; i < 24000; ++i) {
            text += "[HKEY_LOCAL_MACHINE\\Software\\Classes\\类" + std::to_string(i % 300) + "\\键" +
                    std::to_string(i) + "]\r\n\"值\"=\"" +
                    std::string(static_cast<std::size_t>(i % 40), 'v') + "\"\r\n";
            if (i % 7 == 0)
                text += "\"n\"=dword:" + std::string(8 - std::to_string(i % 10).size(), '0') +
                        std::to_string(i % 10) + "\r\n";
        }
        std::string deep = "HKEY_LOCAL_MACHINE\\Deep";
        for (int d = 0; d < 200; ++d) {
            deep += "\\层" + std::to_string(d);
            text += "[" + deep + "]\r\n";
        }
        for (int i = 0; i < 24000; i += 97)
            text += "[-HKEY_LOCAL_MACHINE\\Software\\Classes\\类" + std::to_string(i % 300) + "\\键" +
                    std::to_string(i) + "]\r\n";
        r.importText(text, "big.reg");
    }
    const std::string bytes = readBytes(system_);
    ASSERT_EQ(bytes.substr(0, 4), "CREG");
    EXPECT_GT(le32(bytes, 16) & 0xFFFF, 10u) << "the keys spread over several data blocks";
    Registry r = open();
    EXPECT_EQ(korvane::test::firstDifference(korvane::test::registryDump(r, kHkeyLocalMachine),
                                             korvane::test::cregExport(system_)),
              "");
}

TEST_F(BinaryRegistryTest, AMissingFileTakesTheFormOfItsSibling) {
    fs::remove(user_);
    {
        Registry r = open();
        r.setValue(kHkeyCurrentUser, "Software", sz("v", "1"));
    }
    EXPECT_EQ(readBytes(user_).substr(0, 4), "CREG");

    // With neither file there, the registry starts as text.
    fs::remove(system_);
    fs::remove(user_);
    {
        Registry r = open();
        r.setValue(kHkeyLocalMachine, "Software", sz("v", "1"));
    }
    EXPECT_EQ(readBytes(system_).substr(0, 8), "REGEDIT4");
}

TEST_F(BinaryRegistryTest, ValuesWindows98CannotHoldLeaveTheFileAsItWas) {
    Registry r = open();
    r.setValue(kHkeyLocalMachine, "Software", sz("kept", "1"));
    const std::string before = readBytes(system_);
    try {
        r.setValue(kHkeyLocalMachine, "Software",
                   RegValue{"Huge", reg_type::kBinary, std::string(70000, 'x')});
        FAIL() << "a value of 70000 bytes was written";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("Huge"), std::string::npos) << e.what();
    }
    EXPECT_EQ(readBytes(system_), before);
    EXPECT_FALSE(r.getValue(kHkeyLocalMachine, "Software", "Huge"));
    EXPECT_TRUE(r.getValue(kHkeyLocalMachine, "Software", "kept"));
}

TEST_F(BinaryRegistryTest, DamagedFilesAreReportedWithTheirOffsetAndNeverOverwritten) {
    {
        Registry r = open();
        for (int i = 0; i < 50; ++i)
            r.setValue(kHkeyLocalMachine, "Software\\K" + std::to_string(i) + "\\Sub", sz("v", "value"));
    }
    const std::string good = readBytes(system_);
    const std::uint32_t dataAt = le32(good, 8);

    struct Damage {
        const char* what;
        std::string bytes;
    };
    std::vector<Damage> damages;
    damages.push_back({"cut inside the header", good.substr(0, 40)});
    damages.push_back({"cut inside the data", good.substr(0, dataAt + 100)});
    std::string zeroed = good;
    std::fill(zeroed.begin() + 0x20, zeroed.begin() + static_cast<long>(dataAt), '\0');
    damages.push_back({"key navigation zeroed", zeroed});
    std::string zeroData = good;
    std::fill(zeroData.begin() + dataAt, zeroData.end(), '\0');
    damages.push_back({"data blocks zeroed", zeroData});
    std::string signature = good;
    signature.replace(0, 4, "REGF");
    damages.push_back({"wrong signature", signature});
    // The root's first subkey (Software) made its own first subkey: the tree becomes a loop.
    std::string loop = good;
    const std::uint32_t software = le32(good, 0x40 + 16);
    setLe32(loop, 0x20 + software + 16, software);
    damages.push_back({"subkey pointing back to itself", loop});
    std::string siblings = good;
    const std::uint32_t k0 = le32(good, 0x20 + software + 16);
    setLe32(siblings, 0x20 + k0 + 20, k0);
    damages.push_back({"sibling chain running back on itself", siblings});
    damages.push_back({"bytes after the last data block", good + std::string(8, '\0')});
    // The first key record's name (Software) with a NUL in it.
    std::string nul = good;
    nul[nul.find("Software", dataAt)] = '\0';
    damages.push_back({"a NUL inside a key name", nul});
    std::string overrun = good; // a value's name and data reaching its own header's size past its record
    overrun[overrun.find("vvalue", dataAt) - 2] = 5 + 12;
    damages.push_back({"a value running past its key record by its header's size", overrun});

    for (const auto& d : damages) {
        SCOPED_TRACE(d.what);
        writeBytes(system_, d.bytes);
        Registry r = open();
        try {
            r.setValue(kHkeyLocalMachine, "Software", sz("new", "1"));
            FAIL() << "a damaged file was read";
        } catch (const FormatError& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind(kSystemName + "：", 0), 0u) << message;
            EXPECT_NE(message.find("偏移 0x"), std::string::npos) << message;
        }
        EXPECT_THROW(r.keyExists(kHkeyLocalMachine, "Software"), FormatError);
        EXPECT_EQ(readBytes(system_), d.bytes) << "the damaged file was changed";
    }
}

namespace {

const fs::path kRealRegistry = fs::path(KORVANE_TEST_DATA) / "real-registry";

std::uint16_t le16(const std::string& b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

void setLe16(std::string& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}

// A file of several data blocks and navigation pieces, as the writer lays it out.
std::string manyKeys(int count) {
    regtree::Key root;
    root.name = root.bytes = "HKEY_LOCAL_MACHINE";
    for (int i = 0; i < count; ++i) {
        bool changed = false;
        const std::string name = "Key" + std::to_string(i);
        regtree::Key& k = regtree::createPath(root, {{"Software", "Software"}, {name, name}}, changed);
        k.setValue(sz("Path", "C:\\WINDOWS\\SYSTEM\\" + std::string(static_cast<std::size_t>(i % 90), 'x')),
                   "Path");
    }
    return regbin::write(root);
}

bool mentions(const std::vector<std::string>& problems, const std::string& what) {
    for (const auto& p : problems)
        if (p.find(what) != std::string::npos)
            return true;
    return false;
}

} // namespace

TEST(BinaryFormat, RealWindowsFilesPassTheCheckerAndReadAsLibcregReadsThem) {
    for (const auto& [file, root] :
         {std::pair{"SYSTEM.DAT", "HKEY_LOCAL_MACHINE"}, std::pair{"USER.DAT", "HKEY_USERS"}}) {
        SCOPED_TRACE(file);
        const std::string bytes = readBytes(kRealRegistry / file);
        EXPECT_EQ(regbin::structuralProblems(bytes), std::vector<std::string>{});
        auto ours = regbin::read(bytes, file, root);
        EXPECT_TRUE(regtree::sameTree(*ours, *korvane::test::cregRead(bytes, file, root)));
        // Written back unchanged: every key and value in its order, laid out by the same rules.
        const std::string written = regbin::write(*ours);
        EXPECT_EQ(regbin::structuralProblems(written), std::vector<std::string>{});
        EXPECT_TRUE(regtree::sameTree(*ours, *korvane::test::cregRead(written, file, root)));
    }
    // Strings are exported as strings, as Windows' REGEDIT writes them.
    const std::string text = regtext::write(
        *regbin::read(readBytes(kRealRegistry / "SYSTEM.DAT"), "SYSTEM.DAT", "HKEY_LOCAL_MACHINE"),
        "HKEY_LOCAL_MACHINE");
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
                        "\"InstallType\"=hex:03,00\r\n"
                        "\"SetupFlags\"=hex:08,0d,00,00\r\n"
                        "\"DevicePath\"=\"C:\\\\WINDOWS\\\\INF\"\r\n"
                        "\"ProductType\"=\"115\"\r\n"
                        "\"RegisteredOwner\"=\"Trevor\"\r\n"
                        "\"RegisteredOrganization\"=\"\"\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("\"SystemRoot\"=\"C:\\\\WINDOWS\"\r\n"), std::string::npos);
}

TEST_F(BinaryRegistryTest, OneValueChangedInTheRealPairChangesOnlyThatValueForCregexport) {
    fs::copy_file(kRealRegistry / "SYSTEM.DAT", system_, fs::copy_options::overwrite_existing);
    fs::copy_file(kRealRegistry / "USER.DAT", user_, fs::copy_options::overwrite_existing);
    fs::permissions(system_, fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(user_, fs::perms::owner_read | fs::perms::owner_write);
    const std::string before = korvane::test::cregExport(system_);
    const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    {
        Registry r = open();
        EXPECT_EQ(r.getValue(kHkeyLocalMachine, key, "SystemRoot")->data, regStringData("C:\\WINDOWS"));
        r.setValue(kHkeyLocalMachine, key, sz("RegisteredOwner", "张三"));
    }
    const std::string after = readBytes(system_);
    EXPECT_EQ(regbin::structuralProblems(after), std::vector<std::string>{});
    std::string expected = before;
    const std::string owner = "RegisteredOwner|1|54 72 65 76 6f 72\n";
    ASSERT_NE(expected.find(owner), std::string::npos);
    expected.replace(expected.find(owner), owner.size(), "RegisteredOwner|1|d5 c5 c8 fd\n");
    EXPECT_EQ(korvane::test::firstDifference(expected, korvane::test::cregExport(system_)), "");
    EXPECT_EQ(readBytes(user_), readBytes(kRealRegistry / "USER.DAT"));
}

TEST(BinaryFormat, TheWriterLaysOutBlocksFreeRoomAndKeyNumbersAsWindowsDoes) {
    const std::string bytes = manyKeys(700);
    EXPECT_EQ(regbin::structuralProblems(bytes), std::vector<std::string>{});
    // File header: version 1.0 twice and the flag 0x20, as in the real files.
    EXPECT_EQ(bytes.substr(0, 4), "CREG");
    EXPECT_EQ(le32(bytes, 4), 0x10000u);
    EXPECT_EQ(le16(bytes, 18), 0x20u);
    EXPECT_EQ(le32(bytes, 20), 0x10000u);
    const std::uint32_t navSize = le32(bytes, 0x24);
    EXPECT_EQ(navSize, 0x5000u) << "702 entries take the first piece (291) and three of 146";
    EXPECT_EQ(le32(bytes, 0x30), 8u);
    // The navigation's free offset holds a free slot reaching to the record's end.
    const std::uint32_t freeSlot = le32(bytes, 0x2C);
    EXPECT_EQ(le32(bytes, 0x20 + freeSlot), 0x80000000u);
    EXPECT_EQ(le32(bytes, 0x20 + freeSlot + 4), navSize - freeSlot);
    EXPECT_EQ(le32(bytes, 0x20 + freeSlot + 8), 0xFFFFFFFFu);
    // Blocks of up to 255 keys: numbers 0 to 254 given out, 255 next; a free record at the
    // free offset holding all the unused room.
    std::size_t at = le32(bytes, 8);
    const std::size_t blocks = le16(bytes, 16);
    ASSERT_EQ(blocks, 3u);
    for (std::size_t b = 0; b < blocks; ++b) {
        SCOPED_TRACE(b);
        EXPECT_EQ(bytes.substr(at, 4), "RGDB");
        EXPECT_EQ(le16(bytes, at + 12), 8u);
        EXPECT_EQ(le16(bytes, at + 14), b);
        const std::uint16_t keys = b < 2 ? 255 : 702 - 1 - 2 * 255;
        EXPECT_EQ(le16(bytes, at + 20), keys - 1);
        EXPECT_EQ(le16(bytes, at + 22), keys);
        const std::uint32_t freeAt = le32(bytes, at + 16);
        if (freeAt != 0xFFFFFFFFu) {
            EXPECT_EQ(le32(bytes, at + freeAt), le32(bytes, at + 8));
            EXPECT_EQ(le32(bytes, at + freeAt + 4), 0xFFFFFFFFu);
            EXPECT_EQ(freeAt + le32(bytes, at + freeAt), le32(bytes, at + 4));
        }
        at += le32(bytes, at + 4);
    }
    // What a change checks before it replaces the file: the bytes hold the tree, and no other.
    auto tree = regbin::read(bytes, "SYSTEM.DAT", "HKEY_LOCAL_MACHINE");
    EXPECT_TRUE(regbin::holds(bytes, *tree));
    std::string other = bytes;
    other[other.rfind("WINDOWS")] = 'w';
    EXPECT_FALSE(regbin::holds(other, *tree));
    tree->children[0]->children.back()->values[0].value.data = regStringData("C:\\WINDOWS");
    EXPECT_FALSE(regbin::holds(bytes, *tree));
    // A string is kept without its closing NUL, a value record's +4 is 0xFFFFFFFF.
    const std::size_t path = bytes.find("PathC:\\WINDOWS\\SYSTEM\\");
    ASSERT_NE(path, std::string::npos);
    EXPECT_EQ(le32(bytes, path - 12), 1u);
    EXPECT_EQ(le32(bytes, path - 8), 0xFFFFFFFFu);
    EXPECT_EQ(le16(bytes, path - 2), 18u) << "C:\\WINDOWS\\SYSTEM\\ without a NUL";
    // A key over 64 KB, which Windows 98 holds, gets a block of its own.
    regtree::Key root;
    bool changed = false;
    regtree::Key& shared = regtree::createPath(root, {{"SharedDLLs", "SharedDLLs"}}, changed);
    for (int i = 0; i < 3; ++i)
        shared.setValue(RegValue{"V" + std::to_string(i), reg_type::kBinary, std::string(30000, 'x')},
                        "V" + std::to_string(i));
    const std::string big = regbin::write(root);
    EXPECT_EQ(regbin::structuralProblems(big), std::vector<std::string>{});
    EXPECT_TRUE(regtree::sameTree(root, *regbin::read(big, "SYSTEM.DAT", "HKEY_LOCAL_MACHINE")));
    EXPECT_TRUE(regtree::sameTree(root, *korvane::test::cregRead(big, "SYSTEM.DAT", "HKEY_LOCAL_MACHINE")));
}

TEST(BinaryFormat, TheCheckerNamesEveryFaultWindowsWouldDistrust) {
    const std::string good = manyKeys(400);
    ASSERT_EQ(regbin::structuralProblems(good), std::vector<std::string>{});
    const std::size_t block0 = le32(good, 8);
    const std::size_t free0 = block0 + le32(good, block0 + 16);
    struct Fault {
        const char* what;
        std::function<void(std::string&)> make;
        const char* named;
    };
    const std::vector<Fault> faults{
        {"highest and first free key number never written",
         [&](std::string& b) { setLe32(b, block0 + 20, 0); }, "大于数据块中最大的编号"},
        {"first free key number in use", [&](std::string& b) { setLe16(b, block0 + 22, 3); }, "已被占用"},
        {"last key record stretched over the free room",
         [&](std::string& b) {
             // The record before the free one takes its room; the header still calls it free.
             std::size_t r = block0 + 0x20, last = r;
             while (r < free0) {
                 last = r;
                 r += le32(b, r);
             }
             setLe32(b, last, static_cast<std::uint32_t>(le32(b, last) + le32(b, free0)));
         },
         "不是空闲记录"},
        {"free record left out of the unused size", [&](std::string& b) { setLe32(b, block0 + 8, 0); },
         "空闲字节数"},
        {"navigation free offset pointing at zeros",
         [&](std::string& b) { setLe32(b, 0x2C, le32(b, 0x2C) + 28 * 4); }, "没有标为空闲"},
        {"navigation free chain running back on itself",
         [&](std::string& b) { setLe32(b, 0x20 + le32(b, 0x2C) + 8, le32(b, 0x2C)); }, "成了环"},
        {"navigation record shorter than its first piece", [&](std::string& b) { setLe32(b, 0x24, 0x1000); },
         "不是 0x2000 加上整数个 0x1000"},
        {"an entry crossing a piece's end",
         [&](std::string& b) {
             // 402 entries: 291 in the first piece, 111 in the second, then the free slot. The
             // second piece's first entry moves to the free slot, and the first piece's last
             // entry moves up 16 bytes, over the piece's end.
             std::vector<std::uint32_t> entries;
             for (std::uint32_t r = 0x20; r + 28 <= 0x2000; r += 28)
                 entries.push_back(r);
             for (std::uint32_t r = 0x2000; entries.size() < 402; r += 28)
                 entries.push_back(r);
             auto move = [&](std::uint32_t from, std::uint32_t to) {
                 b.replace(0x20 + to, 28, b.substr(0x20 + from, 28));
                 std::replace(entries.begin(), entries.end(), from, to);
                 for (std::uint32_t e : entries)
                     for (std::uint32_t field : {12u, 16u, 20u})
                         if (le32(b, 0x20 + e + field) == from)
                             setLe32(b, 0x20 + e + field, to);
             };
             const std::uint32_t freeSlot = le32(b, 0x2C);
             move(0x2000, freeSlot);
             const std::uint32_t newFree = freeSlot + 28;
             setLe32(b, 0x20 + newFree, 0x80000000u);
             setLe32(b, 0x20 + newFree + 4, 0x3000 - newFree);
             setLe32(b, 0x20 + newFree + 8, 0xFFFFFFFFu);
             setLe32(b, 0x2C, newFree);
             move(0x1FD8, 0x1FE8);
         },
         "跨过了 4 KB 分段"},
        {"no flags in the navigation header", [&](std::string& b) { setLe32(b, 0x30, 0); }, "缺少标志 0x8"},
        {"no flags in a data block", [&](std::string& b) { setLe16(b, block0 + 12, 0); },
         "数据块的标志不是 0x8"},
        {"no flags in the file header", [&](std::string& b) { setLe16(b, 18, 0); }, "文件头的标志不是 0x20"},
        {"a wrong name hash", [&](std::string& b) { setLe32(b, 0x20 + 0x3C + 4, 1); }, "散列值不对"},
        {"an entry naming a record that is not there",
         [&](std::string& b) { setLe16(b, 0x20 + 0x58 + 24, 300); }, "键记录不存在"},
        {"a block count that disagrees", [&](std::string& b) { setLe16(b, 16, 1); }, "数据块个数与文件不符"},
        {"overlapping records",
         [&](std::string& b) { setLe32(b, block0 + 0x20, le32(b, block0 + 0x20) + 4); },
         "记录没有一直排到数据块的末尾"},
        {"two records with one number",
         [&](std::string& b) {
             const std::size_t second = block0 + 0x20 + le32(b, block0 + 0x20);
             setLe16(b, second + 4, 0);
         },
         "两条编号都是 0"},
    };
    for (const auto& f : faults) {
        SCOPED_TRACE(f.what);
        std::string bad = good;
        f.make(bad);
        const auto problems = regbin::structuralProblems(bad);
        EXPECT_TRUE(mentions(problems, f.named))
            << (problems.empty() ? "no problem found" : problems.front());
    }
}

TEST(BinaryFormat, FilesOfTheEarlierWriterAreReadButFailTheChecker) {
    // What this program wrote before it laid files out as Windows does: still read (machines
    // hold such files), but every fault Windows would distrust is named.
    const std::string earlier = readBytes(fs::path(KORVANE_TEST_DATA) / "earlier-writer-system.dat");
    auto tree = regbin::read(earlier, "SYSTEM.DAT", "HKEY_LOCAL_MACHINE");
    EXPECT_TRUE(
        regtree::sameTree(*tree, *korvane::test::cregRead(earlier, "SYSTEM.DAT", "HKEY_LOCAL_MACHINE")));
    const auto problems = regbin::structuralProblems(earlier);
    for (const char* named :
         {"大于数据块中最大的编号 0", "下一个键要用的编号 0 已被占用", "那里不是空闲记录",
          "空闲字节数与空闲记录不符", "空闲键导航项没有标为空闲", "不是 0x2000 加上整数个 0x1000",
          "键导航记录缺少标志 0x8", "数据块的标志不是 0x8", "文件头的标志不是 0x20"})
        EXPECT_TRUE(mentions(problems, named)) << named;
    EXPECT_EQ(regbin::structuralProblems(regbin::write(*tree)), std::vector<std::string>{});
}

TEST(BinaryFormat, AFileWhoseLastNavigationSlotIsInUseIsRead) {
    // 291 entries fill the first piece exactly; cut the record to that piece, as a file that
    // Windows filled to the last slot.
    std::string bytes = manyKeys(289);
    ASSERT_EQ(le32(bytes, 0x24), 0x3000u);
    bytes.erase(0x20 + 0x2000, 0x1000);
    setLe32(bytes, 0x24, 0x2000);
    setLe32(bytes, 8, 0x2020);
    setLe32(bytes, 0x2C, 0xFFFFFFFFu);
    EXPECT_EQ(regbin::structuralProblems(bytes), std::vector<std::string>{});
    auto tree = regbin::read(bytes, "SYSTEM.DAT", "HKEY_LOCAL_MACHINE");
    ASSERT_EQ(tree->children.size(), 1u);
    EXPECT_EQ(tree->children[0]->children.size(), 289u);
    EXPECT_EQ(tree->children[0]->children.back()->name, "Key288");
}
