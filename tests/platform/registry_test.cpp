#include "base/dos_attributes.h"
#include "base/error.h"
#include "registry/registry.h"
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

// Another process replaces the file as regedit would: a new file renamed over the old one.
void replaceBytes(const fs::path& p, const std::string& bytes) {
    fs::path tmp = p;
    tmp += ".new";
    std::ofstream(tmp, std::ios::binary) << bytes;
    fs::rename(tmp, p);
}

RegValue sz(std::string name, std::string_view text) {
    return {std::move(name), reg_type::kSz, regStringData(text)};
}

class RegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = korvane::test::makeTempFolder("korvane-registry");
        system_ = dir_ / "SYSTEM.DAT";
        user_ = dir_ / "USER.DAT";
    }
    void TearDown() override { fs::remove_all(dir_); }

    Registry open() { return Registry(system_, kSystemName, user_, kUserName); }

    fs::path dir_, system_, user_;
};

// Every key and value of a root, in order, as one comparable text.
void dump(Registry& r, RegRoot root, const std::string& path, std::string& out) {
    out += "[" + path + "]\n";
    for (const auto& v : r.values(root, path))
        out += v.name + "|" + std::to_string(v.type) + "|" + v.data + "\n";
    for (const auto& k : r.subkeyNames(root, path))
        dump(r, root, path.empty() ? k : path + "\\" + k, out);
}

std::string dumpAll(Registry& r) {
    std::string out;
    dump(r, kHkeyLocalMachine, "", out);
    dump(r, kHkeyUsers, "", out);
    return out;
}

} // namespace

TEST_F(RegistryTest, ValuesOfEveryTypeSurviveTheFile) {
    const std::string binary("\x00\x01\xff\r\n\"\\", 7);
    const std::string longBinary(300, '\xab');
    {
        auto r = open();
        r.setValue(kHkeyLocalMachine, "Software\\Test", sz("Text", "plain \"quoted\" C:\\path"));
        r.setValue(kHkeyLocalMachine, "Software\\Test",
                   {"Expand", reg_type::kExpandSz, regStringData("%windir%\\x")});
        r.setValue(kHkeyLocalMachine, "Software\\Test", {"Binary", reg_type::kBinary, binary});
        r.setValue(kHkeyLocalMachine, "Software\\Test", {"Long", reg_type::kBinary, longBinary});
        r.setValue(kHkeyLocalMachine, "Software\\Test",
                   {"Dword", reg_type::kDword, regDwordData(0xdeadbeef)});
        r.setValue(kHkeyLocalMachine, "Software\\Test",
                   {"Multi", reg_type::kMultiSz, std::string("a\0b\0\0", 5)});
        r.setValue(kHkeyLocalMachine, "Software\\Test", {"None", reg_type::kNone, ""});
        r.setValue(kHkeyLocalMachine, "Software\\Test", {"Odd", 0x1234, "xy"});
        r.setValue(kHkeyLocalMachine, "Software\\Test", {"NoNul", reg_type::kSz, "abc"});
        r.setValue(kHkeyLocalMachine, "Software\\Test", {"Empty", reg_type::kSz, ""});
        r.setValue(kHkeyLocalMachine, "Software\\Test", sz("Lines", "one\r\ntwo"));
        r.setValue(kHkeyLocalMachine, "Software\\Test", {"Short", reg_type::kDword, "\x01\x02"});
        r.setValue(kHkeyLocalMachine, "Software\\Test", sz("中文名", "中文值"));
        r.setValue(kHkeyLocalMachine, "Software\\Test", sz("", "default"));
    }
    auto r = open();
    auto values = r.values(kHkeyLocalMachine, "Software\\Test");
    ASSERT_EQ(values.size(), 14u);
    auto expect = [&](std::size_t i, const std::string& name, std::uint32_t type, const std::string& data) {
        EXPECT_EQ(values[i].name, name);
        EXPECT_EQ(values[i].type, type) << name;
        EXPECT_EQ(values[i].data, data) << name;
    };
    expect(0, "Text", reg_type::kSz, std::string("plain \"quoted\" C:\\path") + '\0');
    expect(1, "Expand", reg_type::kExpandSz, std::string("%windir%\\x") + '\0');
    expect(2, "Binary", reg_type::kBinary, binary);
    expect(3, "Long", reg_type::kBinary, longBinary);
    expect(4, "Dword", reg_type::kDword, "\xef\xbe\xad\xde");
    expect(5, "Multi", reg_type::kMultiSz, std::string("a\0b\0\0", 5));
    expect(6, "None", reg_type::kNone, "");
    expect(7, "Odd", 0x1234, "xy");
    expect(8, "NoNul", reg_type::kSz, "abc");
    expect(9, "Empty", reg_type::kSz, "");
    expect(10, "Lines", reg_type::kSz, std::string("one\r\ntwo") + '\0');
    expect(11, "Short", reg_type::kDword, "\x01\x02");
    expect(12, "中文名", reg_type::kSz, std::string("\xd6\xd0\xce\xc4\xd6\xb5", 6) + '\0');
    expect(13, "", reg_type::kSz, std::string("default") + '\0');
    EXPECT_EQ(regDwordFromData(values[4].data), 0xdeadbeefu);
    EXPECT_EQ(regDwordFromData("\x01\x02"), 0x0201u);

    // Long hex data is wrapped like regedit's, no line over 80 columns.
    std::istringstream lines(readBytes(system_));
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 81u) << line;
}

TEST_F(RegistryTest, NamesCompareWithoutCaseKeepTheirCaseAndTheirOrder) {
    {
        auto r = open();
        r.createKey(kHkeyLocalMachine, "Software\\Korvane");
        r.setValue(kHkeyLocalMachine, "SOFTWARE\\korvane\\", sz("Zeta", "1"));
        r.setValue(kHkeyLocalMachine, "\\software\\KORVANE", sz("alpha", "2"));
        r.setValue(kHkeyLocalMachine, "software\\korvane", sz("ZETA", "3"));
        for (const char* k : {"Mid", "zed", "Abc"})
            r.createKey(kHkeyLocalMachine, std::string("Software\\Korvane\\") + k);
        // Enough subkeys for the index, created out of alphabetical order.
        for (int i = 40; i > 0; --i)
            r.createKey(kHkeyLocalMachine, "Software\\Many\\Key" + std::to_string(i));
    }
    auto r = open();
    EXPECT_TRUE(r.keyExists(kHkeyLocalMachine, "SOFTWARE\\KORVANE"));
    EXPECT_EQ(r.subkeyNames(kHkeyLocalMachine, ""), std::vector<std::string>{"Software"});
    EXPECT_EQ(r.subkeyNames(kHkeyLocalMachine, "software"), (std::vector<std::string>{"Korvane", "Many"}));
    EXPECT_EQ(r.subkeyNames(kHkeyLocalMachine, "Software\\Korvane"),
              (std::vector<std::string>{"Mid", "zed", "Abc"}));
    auto values = r.values(kHkeyLocalMachine, "Software\\Korvane");
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].name, "Zeta");
    EXPECT_EQ(values[0].data, std::string("3") + '\0');
    EXPECT_EQ(values[1].name, "alpha");
    EXPECT_EQ(r.getValue(kHkeyLocalMachine, "software\\korvane", "ALPHA")->name, "alpha");

    auto many = r.subkeyNames(kHkeyLocalMachine, "Software\\Many");
    ASSERT_EQ(many.size(), 40u);
    EXPECT_EQ(many.front(), "Key40");
    EXPECT_EQ(many.back(), "Key1");
    EXPECT_TRUE(r.keyExists(kHkeyLocalMachine, "software\\many\\KEY17"));
    r.deleteKey(kHkeyLocalMachine, "Software\\Many\\key17");
    EXPECT_FALSE(r.keyExists(kHkeyLocalMachine, "Software\\Many\\Key17"));
    r.createKey(kHkeyLocalMachine, "Software\\Many\\KEY17");
    EXPECT_EQ(r.subkeyNames(kHkeyLocalMachine, "Software\\Many").back(), "KEY17");

    // Only ASCII letters fold.
    r.setValue(kHkeyLocalMachine, "Software\\Korvane", sz("Α", "upper"));
    EXPECT_FALSE(r.getValue(kHkeyLocalMachine, "Software\\Korvane", "α").has_value());
}

TEST_F(RegistryTest, FileIsRegedit4TextByteForByte) {
    auto r = open();
    r.setValue(kHkeyLocalMachine, "", sz("RootValue", "r"));
    r.createKey(kHkeyLocalMachine, "Software\\Empty");
    r.setValue(kHkeyLocalMachine, "Software\\Test", sz("", "C:\\WINDOWS"));
    r.setValue(kHkeyLocalMachine, "Software\\Test", sz("say \"hi\"\\", "a \"b\" \\c\\"));
    r.setValue(kHkeyLocalMachine, "Software\\Test", {"Count", reg_type::kDword, regDwordData(10)});
    r.setValue(kHkeyLocalMachine, "Software\\Test",
               {"Bin", reg_type::kBinary, std::string("\x0c\x00\x00\xff", 4)});
    r.setValue(kHkeyLocalMachine, "Software\\Test", {"Path", reg_type::kExpandSz, regStringData("%x%")});
    r.setValue(kHkeyLocalMachine, "Software\\Test", sz("Two", "a\nb"));
    r.setValue(kHkeyLocalMachine, "Software\\Test", {"Q", 11, std::string(8, '\0')});
    r.setValue(kHkeyLocalMachine, "Software\\Test", sz("中", "文"));
    EXPECT_EQ(readBytes(system_), "REGEDIT4\r\n"
                                  "\r\n"
                                  "[HKEY_LOCAL_MACHINE]\r\n"
                                  "\"RootValue\"=\"r\"\r\n"
                                  "\r\n"
                                  "[HKEY_LOCAL_MACHINE\\Software]\r\n"
                                  "\r\n"
                                  "[HKEY_LOCAL_MACHINE\\Software\\Empty]\r\n"
                                  "\r\n"
                                  "[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n"
                                  "@=\"C:\\\\WINDOWS\"\r\n"
                                  "\"say \\\"hi\\\"\\\\\"=\"a \\\"b\\\" \\\\c\\\\\"\r\n"
                                  "\"Count\"=dword:0000000a\r\n"
                                  "\"Bin\"=hex:0c,00,00,ff\r\n"
                                  "\"Path\"=hex(2):25,78,25,00\r\n"
                                  "\"Two\"=hex(1):61,0a,62,00\r\n"
                                  "\"Q\"=hex(b):00,00,00,00,00,00,00,00\r\n"
                                  "\"\xd6\xd0\"=\"\xce\xc4\"\r\n"
                                  "\r\n");
    EXPECT_FALSE(fs::exists(user_));
}

// The trail byte of a double-byte character can be a backslash (乗 is 81 5C) or a bracket
// (乚 is 81 5D); neither may split a key path, end a section or be escaped.
TEST_F(RegistryTest, DoubleByteCharactersWithBackslashTrailBytes) {
    {
        auto r = open();
        r.setValue(kHkeyLocalMachine, "乗\\乚", sz("乗", "乗乚"));
    }
    std::string text = readBytes(system_);
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\\x81\x5c\\\x81\x5d]\r\n\"\x81\x5c\"=\"\x81\x5c\x81\x5d\"\r\n"),
              std::string::npos);
    auto r = open();
    EXPECT_EQ(r.subkeyNames(kHkeyLocalMachine, "乗"), std::vector<std::string>{"乚"});
    EXPECT_EQ(r.getValue(kHkeyLocalMachine, "乗\\乚", "乗")->data, "\x81\x5c\x81\x5d" + std::string(1, '\0'));
}

TEST_F(RegistryTest, CurrentUserAndClassesRootLiveInTheirHives) {
    auto r = open();
    r.setValue(kHkeyCurrentUser, "Control Panel\\Desktop", sz("Wallpaper", "x.bmp"));
    EXPECT_FALSE(fs::exists(system_));
    EXPECT_EQ(r.getValue(kHkeyUsers, ".DEFAULT\\Control Panel\\Desktop", "Wallpaper")->data,
              "x.bmp" + std::string(1, '\0'));
    EXPECT_NE(
        readBytes(user_).find("[HKEY_USERS\\.DEFAULT\\Control Panel\\Desktop]\r\n\"Wallpaper\"=\"x.bmp\""),
        std::string::npos);

    r.setValue(kHkeyClassesRoot, ".txt", sz("", "txtfile"));
    EXPECT_EQ(r.getValue(kHkeyLocalMachine, "SOFTWARE\\CLASSES\\.TXT", "")->data,
              "txtfile" + std::string(1, '\0'));
    EXPECT_NE(readBytes(system_).find("[HKEY_LOCAL_MACHINE\\Software\\Classes\\.txt]\r\n@=\"txtfile\""),
              std::string::npos);
    EXPECT_EQ(r.subkeyNames(kHkeyClassesRoot, ""), std::vector<std::string>{".txt"});
    EXPECT_THROW(r.getValue(0x80000009u, "", ""), Error);
}

TEST_F(RegistryTest, MissingFilesAndKeys) {
    auto r = open();
    EXPECT_FALSE(r.getValue(kHkeyLocalMachine, "Software\\Nothing", "x").has_value());
    EXPECT_FALSE(r.keyExists(kHkeyCurrentUser, ""));
    EXPECT_TRUE(r.values(kHkeyLocalMachine, "Nothing").empty());
    EXPECT_FALSE(r.deleteValue(kHkeyLocalMachine, "Nothing", "x"));
    r.deleteKey(kHkeyLocalMachine, "Nothing");
    EXPECT_TRUE(r.keyExists(kHkeyLocalMachine, ""));
    EXPECT_FALSE(fs::exists(system_));
    EXPECT_FALSE(fs::exists(user_));

    // The first write creates the file with the archive attribute.
    r.createKey(kHkeyLocalMachine, "A");
    EXPECT_EQ(readBytes(system_),
              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\r\n");
    EXPECT_EQ(readDosAttributes(system_, kSystemName), attr::kArchive);

    // A write keeps the attributes the file has.
    writeDosAttributes(system_, attr::kHidden | attr::kSystem | attr::kReadOnly, kSystemName);
    r.setValue(kHkeyLocalMachine, "A", sz("v", "1"));
    EXPECT_EQ(readDosAttributes(system_, kSystemName), attr::kHidden | attr::kSystem | attr::kReadOnly);
    EXPECT_EQ(r.getValue(kHkeyLocalMachine, "A", "v")->data, "1" + std::string(1, '\0'));

    // Names the file could not hold are refused before anything changes.
    std::string before = readBytes(system_);
    EXPECT_THROW(r.setValue(kHkeyLocalMachine, "A\\B", sz("line\nbreak", "x")), Error);
    EXPECT_THROW(r.createKey(kHkeyLocalMachine, "A\\😀"), Error);
    EXPECT_THROW(r.createKey(kHkeyLocalMachine, "A\\\\B"), Error);
    EXPECT_THROW(r.deleteKey(kHkeyLocalMachine, ""), Error);
    EXPECT_FALSE(r.keyExists(kHkeyLocalMachine, "A\\B"));
    EXPECT_EQ(readBytes(system_), before);
}

TEST_F(RegistryTest, DeleteKeysAndValues) {
    auto r = open();
    r.setValue(kHkeyLocalMachine, "A\\B\\C", sz("v", "1"));
    r.setValue(kHkeyLocalMachine, "A", sz("keep", "1"));
    r.setValue(kHkeyLocalMachine, "A", sz("drop", "1"));
    r.createKey(kHkeyLocalMachine, "A\\D");
    r.deleteKey(kHkeyLocalMachine, "a\\b");
    EXPECT_FALSE(r.keyExists(kHkeyLocalMachine, "A\\B\\C"));
    EXPECT_EQ(r.subkeyNames(kHkeyLocalMachine, "A"), std::vector<std::string>{"D"});
    EXPECT_TRUE(r.deleteValue(kHkeyLocalMachine, "A", "DROP"));
    EXPECT_FALSE(r.deleteValue(kHkeyLocalMachine, "A", "drop"));
    auto reread = open();
    EXPECT_EQ(dumpAll(reread), "[]\n[A]\nkeep|1|1" + std::string(1, '\0') + "\n[A\\D]\n[]\n");
}

TEST_F(RegistryTest, ChangesByOtherProcessesAreSeenAndUnchangedFilesNotReparsed) {
    auto r = open();
    r.setValue(kHkeyLocalMachine, "Software", sz("v", "1"));
    EXPECT_EQ(r.parseCount(), 0u); // the file did not exist
    EXPECT_EQ(r.getValue(kHkeyLocalMachine, "Software", "v")->data, "1" + std::string(1, '\0'));

    auto other = open();
    EXPECT_EQ(other.getValue(kHkeyLocalMachine, "Software", "v")->data, "1" + std::string(1, '\0'));
    for (int i = 0; i < 5; ++i)
        other.keyExists(kHkeyLocalMachine, "Software");
    EXPECT_EQ(other.parseCount(), 1u);

    // A write by one registry is seen by the other; the writer does not parse its own file.
    r.setValue(kHkeyLocalMachine, "Software", sz("v", "2"));
    EXPECT_EQ(other.getValue(kHkeyLocalMachine, "Software", "v")->data, "2" + std::string(1, '\0'));
    EXPECT_EQ(other.parseCount(), 2u);
    EXPECT_EQ(r.parseCount(), 0u);

    // A restore copies an older file back; a regedit import rewrites it in place.
    replaceBytes(system_, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n\"v\"=\"restored\"\r\n\r\n");
    EXPECT_EQ(r.getValue(kHkeyLocalMachine, "Software", "v")->data, "restored" + std::string(1, '\0'));
    std::ofstream(system_, std::ios::binary | std::ios::trunc)
        << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\New]\r\n";
    EXPECT_FALSE(r.keyExists(kHkeyLocalMachine, "Software"));
    EXPECT_TRUE(r.keyExists(kHkeyLocalMachine, "New"));
    EXPECT_EQ(r.parseCount(), 2u);

    fs::remove(system_);
    EXPECT_FALSE(r.keyExists(kHkeyLocalMachine, "New"));
}

TEST_F(RegistryTest, BrokenFilesNameFileAndLineAndAreNeverOverwritten) {
    struct Case {
        std::string text;
        std::size_t line;
    };
    const std::string head = "REGEDIT4\r\n\r\n";
    const Case cases[] = {
        {"", 1},
        {"\xef\xbb\xbfREGEDIT4\r\n", 1},
        {"Windows Registry Editor Version 5.00\r\n", 1},
        {"regedit4\r\n", 1},
        {head + "[HKEY_LOCAL_MACHINE\\Software\r\n", 3},
        {head + "[HKEY_LOCAL_MACHINE\\\\x]\r\n", 3},
        {head + "[HKEY_LOCAL_MACHINE]\r\n\"a\"=foo\r\n", 4},
        {head + "[HKEY_LOCAL_MACHINE]\r\n\"a\"=\"open\r\n", 4},
        {head + "[HKEY_LOCAL_MACHINE]\r\n\"a\"=dword:123456789\r\n", 4},
        {head + "[HKEY_LOCAL_MACHINE]\r\n\"a\"=hex:1,2g\r\n", 4},
        {head + "[HKEY_LOCAL_MACHINE]\r\n\"a\"=hex:01,\\\r\n", 4},
        {head + "[HKEY_LOCAL_MACHINE]\r\n\"a\"=-\r\n", 4},
        {head + "\"a\"=\"b\"\r\n", 3},
        {head + "[HKEY_LOCAL_MACHINE]\r\n\r\n[HKEY_USERS\\.DEFAULT]\r\n", 5},
        {head + "[-HKEY_LOCAL_MACHINE\\X]\r\n", 3},
        {head + "[HKEY_LOCAL_MACHINE\\\xff\xfe]\r\n", 3},
        {head + "[HKEY_LOCAL_MACHINE]\r\n\"a\"=\"\x81\"\r\n", 4},
        {head + "garbage\r\n", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        replaceBytes(system_, c.text);
        auto r = open();
        try {
            r.getValue(kHkeyLocalMachine, "", "a");
            ADD_FAILURE() << "no error";
        } catch (const FormatError& e) {
            EXPECT_NE(std::string(e.what()).find(kSystemName + " 第 " + std::to_string(c.line) + " 行："),
                      std::string::npos)
                << e.what();
        }
        EXPECT_THROW(r.setValue(kHkeyLocalMachine, "X", sz("a", "b")), FormatError);
        EXPECT_THROW(r.deleteKey(kHkeyLocalMachine, "X"), FormatError);
        EXPECT_THROW(r.importText("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\X]\r\n", "a.reg"), FormatError);
        EXPECT_THROW(r.exportText(), FormatError);
        EXPECT_EQ(r.parseCount(), 1u);
        // The other hive still works.
        r.setValue(kHkeyUsers, "X", sz("a", "b"));
        EXPECT_EQ(readBytes(system_), c.text);
        fs::remove(user_);
    }

    // Once repaired, the file is read again.
    auto r = open();
    EXPECT_THROW(r.keyExists(kHkeyLocalMachine, "X"), FormatError);
    replaceBytes(system_, "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\X]\r\n");
    EXPECT_TRUE(r.keyExists(kHkeyLocalMachine, "X"));
}

TEST_F(RegistryTest, HandWrittenFilesAreRead) {
    // Comments, blank lines, regedit's wrapped hex, upper-case hex and spacing, repeated sections.
    replaceBytes(system_, "REGEDIT4\n"
                          "; written by hand\n"
                          "[HKEY_LOCAL_MACHINE\\Software\\Test\\]\n"
                          "\"Bin\"=hex:01,02,\\\n"
                          "  03,\\\n"
                          "  FF\n"
                          "\"Dw\" = DWORD:A\n"
                          "\"Esc\"=\"a\\tb\"\n"
                          "[hkey_local_machine\\SOFTWARE\\test]\n"
                          "\"Empty\"=hex:\n");
    auto r = open();
    auto values = r.values(kHkeyLocalMachine, "Software\\Test");
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values[0].data, "\x01\x02\x03\xff");
    EXPECT_EQ(values[1].data, regDwordData(10));
    EXPECT_EQ(values[2].data, std::string("a\\tb") + '\0');
    EXPECT_EQ(values[3].data, "");
    EXPECT_EQ(r.subkeyNames(kHkeyLocalMachine, "Software"), std::vector<std::string>{"Test"});
}

TEST_F(RegistryTest, ImportAppliesDeletionsAndMapsRoots) {
    auto r = open();
    r.setValue(kHkeyLocalMachine, "Software\\Old\\Sub", sz("x", "1"));
    r.setValue(kHkeyLocalMachine, "Software\\Keep", sz("gone", "1"));
    r.setValue(kHkeyLocalMachine, "Software\\Keep", sz("stays", "1"));
    r.importText("REGEDIT4\r\n"
                 "\r\n"
                 "[-HKEY_LOCAL_MACHINE\\Software\\Old]\r\n"
                 "\"ignored\"=\"after a deletion\"\r\n"
                 "\r\n"
                 "[HKEY_LOCAL_MACHINE\\Software\\Keep]\r\n"
                 "\"gone\"=-\r\n"
                 "\"absent\"=-\r\n"
                 "\r\n"
                 "[HKEY_CURRENT_USER\\Control Panel]\r\n"
                 "\"名\"=\"值\"\r\n"
                 "\r\n"
                 "[HKEY_CLASSES_ROOT\\.txt]\r\n"
                 "@=\"txtfile\"\r\n",
                 "C:\\A.REG");
    EXPECT_FALSE(r.keyExists(kHkeyLocalMachine, "Software\\Old"));
    auto keep = r.values(kHkeyLocalMachine, "Software\\Keep");
    ASSERT_EQ(keep.size(), 1u);
    EXPECT_EQ(keep[0].name, "stays");
    EXPECT_EQ(r.getValue(kHkeyUsers, ".DEFAULT\\Control Panel", "名")->data, regStringData("值"));
    EXPECT_EQ(r.getValue(kHkeyLocalMachine, "Software\\Classes\\.txt", "")->data, regStringData("txtfile"));
    EXPECT_NE(readBytes(user_).find("\"\xc3\xfb\"=\"\xd6\xb5\""), std::string::npos);

    // Version 5 text holds hex strings as UTF-16.
    r.importText("Windows Registry Editor Version 5.00\r\n\r\n"
                 "[HKEY_LOCAL_MACHINE\\V5]\r\n"
                 "\"Path\"=hex(2):25,00,78,00,2d,4e,25,00,00,00\r\n"
                 "\"Bin\"=hex:25,00\r\n",
                 "C:\\B.REG");
    EXPECT_EQ(r.getValue(kHkeyLocalMachine, "V5", "Path")->data, regStringData("%x中%"));
    EXPECT_EQ(r.getValue(kHkeyLocalMachine, "V5", "Bin")->data, std::string("%\0", 2));
}

TEST_F(RegistryTest, FailedImportChangesNothing) {
    auto r = open();
    r.setValue(kHkeyLocalMachine, "Software", sz("v", "1"));
    r.setValue(kHkeyUsers, ".DEFAULT", sz("v", "1"));
    const std::string system = readBytes(system_);
    const std::string user = readBytes(user_);
    const std::string state = dumpAll(r);

    struct Case {
        std::string text;
        std::size_t line;
    };
    const Case cases[] = {
        {"REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n\"v\"=\"2\"\r\n[HKEY_USERS\\X]\r\n\"bad\r\n", 6},
        {"REGEDIT4\r\n\r\n[-HKEY_LOCAL_MACHINE\\Software]\r\n[HKEY_DYN_DATA\\X]\r\n", 4},
        {"REGEDIT4\r\n\r\n[-HKEY_USERS]\r\n", 3},
        {"REGEDIT4\r\n\r\n[HKEY_USERS\\.DEFAULT]\r\n\"v\"=\"😀\"\r\n", 4},
        {"REGEDIT5\r\n", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            r.importText(c.text, "C:\\BAD.REG");
            ADD_FAILURE() << "no error";
        } catch (const FormatError& e) {
            EXPECT_NE(std::string(e.what()).find("C:\\BAD.REG 第 " + std::to_string(c.line) + " 行："),
                      std::string::npos)
                << e.what();
        }
        EXPECT_EQ(readBytes(system_), system);
        EXPECT_EQ(readBytes(user_), user);
        EXPECT_EQ(dumpAll(r), state);
    }

    // USER.DAT cannot be written: the SYSTEM.DAT already written goes back as it was.
    const fs::path missingDir = dir_ / "gone" / "USER.DAT";
    Registry broken(system_, kSystemName, missingDir, kUserName);
    EXPECT_THROW(
        broken.importText("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\New]\r\n[HKEY_USERS\\New]\r\n", "C:\\A.REG"),
        IoError);
    EXPECT_EQ(readBytes(system_), system);
    EXPECT_FALSE(broken.keyExists(kHkeyLocalMachine, "New"));
    EXPECT_FALSE(broken.keyExists(kHkeyUsers, "New"));
}

TEST_F(RegistryTest, ExportImportRoundTrip) {
    auto r = open();
    r.setValue(kHkeyLocalMachine, "", sz("root", "on the root"));
    r.setValue(kHkeyLocalMachine, "软件\\中文键", sz("名字", "中文数据"));
    r.setValue(kHkeyLocalMachine, "软件\\中文键", sz("empty", ""));
    r.setValue(kHkeyLocalMachine, "软件\\中文键",
               {"bin", reg_type::kBinary, std::string("\0\x01\x80\xff", 4)});
    r.setValue(kHkeyLocalMachine, "软件\\中文键", {"exp", reg_type::kExpandSz, regStringData("%系统%\\x")});
    r.setValue(kHkeyLocalMachine, "软件\\中文键", {"dw", reg_type::kDword, regDwordData(7)});
    r.setValue(kHkeyLocalMachine, "软件\\中文键", sz("nl", "line1\nline2"));
    r.setValue(kHkeyLocalMachine, "软件\\中文键", {"raw", reg_type::kSz, "\xff\xfe"});
    r.setValue(kHkeyLocalMachine, "软件\\中文键", sz("esc\\\"", "\\\"乗"));
    r.createKey(kHkeyLocalMachine, "软件\\Empty");
    r.setValue(kHkeyCurrentUser, "Control Panel", sz("", "默认"));
    const std::string text = r.exportText();
    EXPECT_EQ(text.rfind("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n", 0), 0u);
    EXPECT_EQ(text.find("REGEDIT4", 1), std::string::npos);
    EXPECT_LT(text.find("[HKEY_LOCAL_MACHINE\\软件\\Empty]"), text.find("[HKEY_USERS]\r\n"));
    EXPECT_NE(text.find("\"名字\"=\"中文数据\""), std::string::npos);

    fs::create_directory(dir_ / "copy");
    Registry copy(dir_ / "copy" / "SYSTEM.DAT", kSystemName, dir_ / "copy" / "USER.DAT", kUserName);
    copy.importText(text, "C:\\EXPORT.REG");
    EXPECT_EQ(dumpAll(copy), dumpAll(r));
    EXPECT_EQ(copy.exportText(), text);
    EXPECT_EQ(readBytes(dir_ / "copy" / "SYSTEM.DAT"), readBytes(system_));
    EXPECT_EQ(readBytes(dir_ / "copy" / "USER.DAT"), readBytes(user_));
}
