// Registry files in Windows 98's binary form: what the store writes is what an independent
// reader (cregexport) finds, files keep their form, and damaged files are reported and kept.
#include "platform/cp936.h"
#include "platform/error.h"
#include "platform/registry.h"
#include "platform/registry_binary_format.h"
#include "platform/registry_file.h"
#include "platform/registry_text_format.h"
#include "tests/support/creg_export.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
using namespace w98;

using korvane::test::readBytes;

namespace {

const std::string kSystemName = "C:\\WINDOWS\\SYSTEM.DAT";
const std::string kUserName = "C:\\WINDOWS\\USER.DAT";


void writeBytes(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

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

RegValue sz(std::string name, std::string_view text) { return {std::move(name), reg_type::kSz, regStringData(text)}; }

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
        r.setValue(kHkeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", sz("SystemRoot", "C:\\WINDOWS"));
        r.setValue(kHkeyLocalMachine, "Software\\中文", sz("名称", "值"));
        r.setValue(kHkeyLocalMachine, "Software\\中文", RegValue{"", reg_type::kSz, regStringData("默认")});
        r.setValue(kHkeyLocalMachine, "Software\\Types", RegValue{"d", reg_type::kDword, regDwordData(10)});
        r.setValue(kHkeyLocalMachine, "Software\\Types", RegValue{"x", reg_type::kExpandSz, regStringData("%windir%")});
        r.setValue(kHkeyLocalMachine, "Software\\Types", RegValue{"m", reg_type::kMultiSz, std::string("a\0b\0\0", 5)});
        r.setValue(kHkeyLocalMachine, "Software\\Types", RegValue{"b", reg_type::kBinary, std::string("\x01\x02", 2)});
        r.createKey(kHkeyLocalMachine, "Empty");
        r.setValue(kHkeyCurrentUser, "Control Panel\\Desktop", sz("Wallpaper", "C:\\WINDOWS\\dest.bmp"));
        r.deleteValue(kHkeyLocalMachine, "Software\\Types", "d");
    }
    ASSERT_EQ(readBytes(system_).substr(0, 4), "CREG");
    ASSERT_EQ(readBytes(user_).substr(0, 4), "CREG");

    EXPECT_EQ(korvane::test::cregExport(system_),
              "[]\n"
              "[Software]\n"
              "[Software\\Microsoft]\n"
              "[Software\\Microsoft\\Windows]\n"
              "[Software\\Microsoft\\Windows\\CurrentVersion]\n"
              "SystemRoot|1|43 3a 5c 57 49 4e 44 4f 57 53 00\n"
              "[Software\\中文]\n"
              "名称|1|d6 b5 00\n"
              "(default)|1|c4 ac c8 cf 00\n"
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
              "Wallpaper|1|43 3a 5c 57 49 4e 44 4f 57 53 5c 64 65 73 74 2e 62 6d 70 00\n");

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
            text += "[HKEY_LOCAL_MACHINE\\Software\\Classes\\类" + std::to_string(i % 300) + "\\键" + std::to_string(i) +
                    "]\r\n\"值\"=\"" + std::string(static_cast<std::size_t>(i % 40), 'v') + "\"\r\n";
            if (i % 7 == 0)
                text += "\"n\"=dword:" + std::string(8 - std::to_string(i % 10).size(), '0') + std::to_string(i % 10) +
                        "\r\n";
        }
        std::string deep = "HKEY_LOCAL_MACHINE\\Deep";
        for (int d = 0; d < 200; ++d) {
            deep += "\\层" + std::to_string(d);
            text += "[" + deep + "]\r\n";
        }
        for (int i = 0; i < 24000; i += 97)
            text += "[-HKEY_LOCAL_MACHINE\\Software\\Classes\\类" + std::to_string(i % 300) + "\\键" + std::to_string(i) +
                    "]\r\n";
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
        r.setValue(kHkeyLocalMachine, "Software", RegValue{"Huge", reg_type::kBinary, std::string(70000, 'x')});
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
