// The registry files and the values the program reads, in the forms a real machine leaves
// them: every reader gives a value or an error that names the file, and nothing is written
// over a file that cannot be read.
#include "broken_forms.h"

#include "base/dos_attributes.h"
#include "base/error.h"
#include "desktop/startup_sound.h"
#include "registry/registry.h"
#include "registry/registry_binary_format.h"
#include "registry/registry_file.h"
#include "startup/startup_catalogue.h"
#include "sysaccess/policy_keys.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system_info.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

using namespace korvane;
using korvane::test::TempMachine;

namespace {

constexpr auto HKLM = w98::kHkeyLocalMachine;
constexpr auto HKCU = w98::kHkeyCurrentUser;
const std::string kSystem = "C:\\WINDOWS\\SYSTEM.DAT";
const std::string kUser = "C:\\WINDOWS\\USER.DAT";
const std::string kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";

// Another program's write: the bytes and nothing else.
void putRaw(TempMachine& tm, const std::string& file, const std::string& bytes) {
    std::ofstream(tm.machine().hostPath(file), std::ios::binary | std::ios::trunc) << bytes;
}

// A machine whose registry holds what the program reads at start-up and on its pages.
struct Filled {
    TempMachine tm;
    w98::Machine& m = tm.machine();
    explicit Filled(w98::HiveForm form = w98::HiveForm::Text) {
        if (form == w98::HiveForm::Binary) {
            const std::string text = m.registry().exportText();
            m.writeFile(kSystem, w98::emptyHiveBytes(form, "HKEY_LOCAL_MACHINE"));
            m.writeFile(kUser, w98::emptyHiveBytes(form, "HKEY_USERS"));
            m.registry().importText(text, "export");
        }
        WriteRegInt(m, HKCU, kWinOldAppKey, "Disabled", 1);
        WriteRegInt(m, HKCU, kWinOldAppKey, "old", 0);
        m.registry().setValue(
            HKLM, kCurrentVersion + "\\Run",
            {"ScanRegistry", w98::reg_type::kSz, w98::regStringData("C:\\WINDOWS\\scanregw.exe /autorun")});
        m.registry().createKey(HKCU, kUserStartSoundKey);
        WriteRegDefault(m, HKCU, kUserStartSoundKey, "C:\\WINDOWS\\MEDIA\\开始.wav");
    }
    // Every reading the program does of the system hive.
    void readSystemHive() {
        GetWindowsDir(m);
        std::vector<StartupEntry> entries;
        ListRunKeyValues(m, "Run", entries);
    }
    // ... and of the user hive.
    void readUserHive() {
        ReadRegInt(m, HKCU, kWinOldAppKey, "Disabled");
        ReadStartupSound(m);
    }
};

} // namespace

TEST(BrokenRegistry, EveryBrokenFormOfEitherFileIsReportedByNameAndLeftAsItIs) {
    for (const auto& [file, other] : {std::pair{kSystem, kUser}, std::pair{kUser, kSystem}}) {
        Filled base;
        const std::string good = base.tm.bytes(file);
        for (const auto& form : test::brokenForms(good)) {
            SCOPED_TRACE(file + ": " + form.name);
            Filled f;
            putRaw(f.tm, file, form.bytes);
            const std::string otherBefore = f.tm.bytes(other);
            auto reads = [&] {
                f.readSystemHive();
                f.readUserHive();
                WriteRegInt(f.m, file == kSystem ? HKLM : HKCU, "Software\\Korvane", "Touched", 1);
            };
            // A truncation that ends at a line break leaves a smaller registry that reads well.
            try {
                reads();
            } catch (const w98::Error& e) {
                EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
                EXPECT_EQ(f.tm.bytes(file), form.bytes);
            }
            EXPECT_EQ(f.tm.bytes(other), otherBefore);
            EXPECT_EQ(test::leftoverTemporaries(f.m.hostPath("C:\\WINDOWS")), 0);
        }
    }
}

namespace {

std::uint32_t le32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 4; i-- > 0;)
        v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
}

std::string withLe32(std::string b, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>(v >> (8 * i) & 0xFF);
    return b;
}

// A binary registry file as a disk fault, a half-copied backup or a bad sector leaves it.
std::vector<test::BrokenForm> brokenBinaryForms(const std::string& good) {
    std::vector<test::BrokenForm> forms;
    const std::size_t data = le32(good, 8);
    for (std::size_t cut :
         {std::size_t{3}, std::size_t{31}, std::size_t{0x40}, data - 1, data + 40, good.size() - 1})
        forms.push_back({"cut after " + std::to_string(cut) + " bytes", good.substr(0, cut)});
    auto zeroed = [&](std::size_t from, std::size_t to) {
        std::string b = good;
        std::fill(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(to), '\0');
        return b;
    };
    forms.push_back({"header zeroed", zeroed(0, 0x20)});
    forms.push_back({"key navigation zeroed", zeroed(0x20, data)});
    forms.push_back({"data blocks zeroed", zeroed(data, good.size())});
    forms.push_back({"all zeroed", zeroed(0, good.size())});
    std::string signature = good;
    signature.replace(0, 4, "regf");
    forms.push_back({"wrong signature", signature});
    // Links between keys that run in a circle; the root's entry is at 0x40 of the file.
    const std::uint32_t first = le32(good, 0x40 + 16);
    forms.push_back({"a key its own subkey", withLe32(good, 0x20 + first + 16, first)});
    forms.push_back({"a subkey pointing back to the root", withLe32(good, 0x20 + first + 16, 0x20)});
    forms.push_back({"a key its own next sibling", withLe32(good, 0x20 + first + 20, first)});
    forms.push_back({"a link to offset 0", withLe32(good, 0x20 + first + 20, 0)});
    forms.push_back({"a link past the end", withLe32(good, 0x20 + first + 16, 0x7FFFFFF0)});
    // Key records that are not where the entries say, or not one after another.
    const std::uint32_t record = le32(good, 0x20 + first + 24);
    forms.push_back({"a record number no record has",
                     withLe32(good, 0x20 + first + 24, (record & 0xFFFF0000u) | 0xFFF0u)});
    forms.push_back({"a block number past the last block",
                     withLe32(good, 0x20 + first + 24, 0x0FFF0000u | (record & 0xFFFFu))});
    const std::uint32_t firstRecordSize = le32(good, data + 0x20);
    forms.push_back({"overlapping records", withLe32(good, data + 0x20, firstRecordSize + 6)});
    forms.push_back({"a record reaching past its block", withLe32(good, data + 0x20, 0x7FFFFFF0)});
    std::string twice = withLe32(good, data + 0x20 + firstRecordSize + 4, le32(good, data + 0x20 + 4));
    forms.push_back({"two records with one number", twice});
    forms.push_back({"more blocks counted than the file holds",
                     withLe32(good, 16, (le32(good, 16) & 0xFFFF0000u) | 0x00FFu)});
    forms.push_back({"no block counted", withLe32(good, 16, le32(good, 16) & 0xFFFF0000u)});
    return forms;
}

} // namespace

TEST(BrokenRegistry, EveryBrokenFormOfABinaryFileIsReportedByNameAndLeftAsItIs) {
    for (const auto& [file, other] : {std::pair{kSystem, kUser}, std::pair{kUser, kSystem}}) {
        Filled base(w98::HiveForm::Binary);
        const std::string good = base.tm.bytes(file);
        ASSERT_EQ(good.substr(0, 4), "CREG");
        for (const auto& form : brokenBinaryForms(good)) {
            SCOPED_TRACE(file + ": " + form.name);
            Filled f(w98::HiveForm::Binary);
            putRaw(f.tm, file, form.bytes);
            const std::string otherBefore = f.tm.bytes(other);
            try {
                f.readSystemHive();
                f.readUserHive();
                WriteRegInt(f.m, file == kSystem ? HKLM : HKCU, "Software\\Korvane", "Touched", 1);
                ADD_FAILURE() << "a broken binary registry file was read";
            } catch (const w98::Error& e) {
                const std::string message = e.what();
                EXPECT_NE(message.find(file), std::string::npos) << message;
                EXPECT_NE(message.find("偏移 0x"), std::string::npos) << message;
            }
            EXPECT_EQ(f.tm.bytes(file), form.bytes);
            EXPECT_EQ(f.tm.bytes(other), otherBefore);
            EXPECT_EQ(test::leftoverTemporaries(f.m.hostPath("C:\\WINDOWS")), 0);
        }
    }
}

// Bookkeeping that only Windows' own additions use: the keys are all there, so the file is read,
// and the next change writes it sound again.
TEST(BrokenRegistry, ABinaryFileWithBrokenFreeChainsIsReadAndWrittenBackSound) {
    Filled base(w98::HiveForm::Binary);
    const std::string good = base.tm.bytes(kSystem);
    const std::size_t data = le32(good, 8);
    const std::uint32_t freeSlot = le32(good, 0x2C);
    const std::uint32_t freeRecord = le32(good, data + 16);
    ASSERT_NE(freeRecord, 0xFFFFFFFFu);
    for (const auto& form : std::vector<test::BrokenForm>{
             {"a free slot chained to itself", withLe32(good, 0x20 + freeSlot + 8, freeSlot)},
             {"a free record chained to itself", withLe32(good, data + freeRecord + 8, freeRecord)},
             {"free offsets pointing at key records", withLe32(withLe32(good, 0x2C, 0x20), data + 16, 0x20)},
             {"first free key number in use", withLe32(good, data + 20, 0)}}) {
        SCOPED_TRACE(form.name);
        ASSERT_FALSE(w98::regbin::structuralProblems(form.bytes).empty());
        Filled f(w98::HiveForm::Binary);
        putRaw(f.tm, kSystem, form.bytes);
        f.readSystemHive();
        WriteRegInt(f.m, HKLM, "Software\\Korvane", "Touched", 1);
        const std::string after = f.tm.bytes(kSystem);
        EXPECT_EQ(w98::regbin::structuralProblems(after), std::vector<std::string>{});
        EXPECT_EQ(ReadRegInt(f.m, HKLM, "Software\\Korvane", "Touched"), 1);
    }
}

TEST(BrokenRegistry, ALongValueLineIsReadAndWrittenWhole) {
    Filled f;
    const std::string longText(1 << 20, 'a');
    WriteRegStr(f.m, HKCU, "Software\\Long", "Text", longText);
    WriteRegStr(f.m, HKCU, "Software\\Long", "Text2", "short");
    auto reopened = f.tm.reopen();
    EXPECT_EQ(ReadRegStr(*reopened, HKCU, "Software\\Long", "Text"), longText);
    EXPECT_EQ(ReadRegStr(*reopened, HKCU, "Software\\Long", "Text2"), "short");
}

TEST(BrokenRegistry, AFolderInPlaceOfARegistryFileIsAccessDeniedAndKept) {
    for (const std::string& file : {kSystem, kUser}) {
        SCOPED_TRACE(file);
        Filled f;
        f.m.deleteFile(file);
        test::folderInPlaceOf(f.m, file);
        auto m = f.tm.reopen();
        // Every reader says which file it cannot read, rather than reading nothing.
        auto reads = file == kSystem
                         ? std::function<void()>([&] { GetWindowsDir(*m); })
                         : std::function<void()>([&] { ReadRegInt(*m, HKCU, kWinOldAppKey, "Disabled"); });
        try {
            reads();
            FAIL() << "a folder read as a registry file";
        } catch (const w98::IoError& e) {
            EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
        }
        EXPECT_THROW(WriteRegInt(*m, file == kSystem ? HKLM : HKCU, "Software\\Korvane", "Touched", 1),
                     w98::Error);
        EXPECT_TRUE(test::folderStillHolds(*m, file));
    }
}

TEST(BrokenRegistry, WithoutItsWindowsFolderTheRegistryIsEmptyAndNothingIsCreated) {
    TempMachine tm;
    std::filesystem::remove_all(tm.machine().hostPath("C:\\WINDOWS"));
    auto m = tm.reopen();
    EXPECT_EQ(GetWindowsDir(*m), "");
    EXPECT_FALSE(IsWindows98(*m));
    EXPECT_THROW(ReadRegInt(*m, HKCU, kWinOldAppKey, "Disabled"), RegistryError);
    EXPECT_THROW(WriteRegInt(*m, HKCU, kWinOldAppKey, "Disabled", 0), RegistryError);
    EXPECT_FALSE(m->exists("C:\\WINDOWS"));
}

TEST(BrokenRegistry, ReadOnlyRegistryFilesAreStillTheRegistryAndKeepTheirAttributes) {
    TempMachine tm;
    WriteRegInt(tm.machine(), HKCU, kWinOldAppKey, "Disabled", 1);
    constexpr std::uint8_t kSystemFile = w98::attr::kReadOnly | w98::attr::kHidden | w98::attr::kSystem;
    for (const std::string& file : {kSystem, kUser})
        tm.machine().setAttributes(file, kSystemFile);
    auto m = tm.reopen();
    WriteRegInt(*m, HKCU, kWinOldAppKey, "Disabled", 0);
    WriteRegStr(*m, HKLM, kCurrentVersion + "\\Run", "ScanRegistry", "scanregw.exe /autorun");
    EXPECT_EQ(ReadRegInt(*tm.reopen(), HKCU, kWinOldAppKey, "Disabled"), 0);
    for (const std::string& file : {kSystem, kUser})
        EXPECT_EQ(m->attributes(file), kSystemFile);
}

// Values of another type than the program reads them as: regedit and other programs write
// whatever they like.
TEST(WrongRegistryTypes, NumbersReadAsTextAndTextReadAsNumbersGiveTheRegistryErrors) {
    const std::vector<std::pair<w98::RegValue, std::string>> disabled = {
        {{"Disabled", w98::reg_type::kSz, w98::regStringData("1")}, "Invalid data type for 'Disabled'"},
        {{"Disabled", w98::reg_type::kBinary, std::string("\x01\x00\x00\x00", 4)},
         "Invalid data type for 'Disabled'"},
        {{"Disabled", w98::reg_type::kDword, std::string(8, '\x01')}, "Failed to get data for 'Disabled'"},
    };
    for (const auto& [value, message] : disabled) {
        SCOPED_TRACE(message);
        TempMachine tm;
        tm.machine().registry().setValue(HKCU, kWinOldAppKey, value);
        const std::string before = tm.bytes(kUser);
        try {
            ReadRegInt(tm.machine(), HKCU, kWinOldAppKey, "Disabled");
            FAIL() << "read as a number";
        } catch (const RegistryError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
        EXPECT_EQ(tm.bytes(kUser), before);
    }
    // A number or raw bytes where text belongs.
    for (const auto& value : {w98::RegValue{"SystemRoot", w98::reg_type::kDword, w98::regDwordData(3)},
                              w98::RegValue{"SystemRoot", w98::reg_type::kBinary, "C:\\WINDOWS"},
                              w98::RegValue{"SystemRoot", w98::reg_type::kSz, "C:\\\x81\x20"}}) {
        TempMachine tm;
        tm.machine().registry().setValue(HKLM, kCurrentVersion, value);
        EXPECT_THROW(GetWindowsDir(tm.machine()), RegistryError);
    }
}

TEST(WrongRegistryTypes, TextWithoutItsEndOrOfAnotherStringTypeIsStillText) {
    TempMachine tm;
    auto& r = tm.machine().registry();
    r.setValue(HKLM, kCurrentVersion,
               {"SystemRoot", w98::reg_type::kExpandSz, w98::regStringData("C:\\WIN98")});
    EXPECT_EQ(GetWindowsDir(tm.machine()), "C:\\WIN98");
    r.setValue(HKLM, kCurrentVersion, {"SystemRoot", w98::reg_type::kSz, "C:\\WINDOWS"}); // no final NUL
    EXPECT_EQ(GetWindowsDir(tm.machine()), "C:\\WINDOWS");
    r.setValue(HKLM, kCurrentVersion, {"SystemRoot", w98::reg_type::kSz, ""});
    EXPECT_EQ(GetWindowsDir(tm.machine()), "");
}

TEST(WrongRegistryTypes, RunValuesOfAnyTypeAreListedAndTheStartupSoundRefusesNumbers) {
    TempMachine tm;
    auto& r = tm.machine().registry();
    const std::string run = kCurrentVersion + "\\Run";
    r.setValue(HKLM, run, {"Number", w98::reg_type::kDword, w98::regDwordData(1)});
    r.setValue(HKLM, run, {"Bytes", w98::reg_type::kBinary, std::string(300, '\xFF')});
    r.setValue(HKLM, run, {"Broken", w98::reg_type::kSz, "\x81\x20"});
    r.setValue(HKLM, run, {"Short", w98::reg_type::kDword, "\x01"});
    std::vector<StartupEntry> entries;
    ListRunKeyValues(tm.machine(), "Run", entries);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].program, "dword:00000001");
    EXPECT_TRUE(entries[1].program.ends_with(",..."));
    EXPECT_EQ(entries[2].program, "hex(1):81,20");
    EXPECT_EQ(entries[3].program, "hex(4):01");

    r.setValue(HKCU, kUserStartSoundKey, {"", w98::reg_type::kDword, w98::regDwordData(1)});
    EXPECT_THROW(ReadStartupSound(tm.machine()), RegistryError);
}
