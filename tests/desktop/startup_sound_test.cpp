// The start-up sound: both registry keys read and written without creating them, and the
// sounds the machine was asked to play.
#include "desktop/startup_sound.h"
#include "platform/sound.h"
#include "registry/registry.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
using namespace korvane::test;

namespace {

TEST(StartupSound, WrittenToTheKeysThatExist) {
    TempMachine tm;
    auto& m = tm.machine();
    m.registry().createKey(w98::kHkeyUsers, kDefaultStartSoundKey);
    WriteStartupSound(m, "C:\\WINDOWS\\MEDIA\\hello.wav");
    EXPECT_EQ(ReadStartupSound(m), "C:\\WINDOWS\\MEDIA\\hello.wav");
    // The current user is the default profile on this machine: both names lead to one key.
    const auto v = m.registry().getValue(w98::kHkeyUsers, kDefaultStartSoundKey, "");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->data, std::string("C:\\WINDOWS\\MEDIA\\hello.wav") + '\0');
}

TEST(StartupSound, NoKeyNoWriteAndNothingCreated) {
    TempMachine tm;
    auto& m = tm.machine();
    const std::string before = m.registry().exportText();
    EXPECT_EQ(ReadStartupSound(m), "");
    WriteStartupSound(m, "C:\\WINDOWS\\MEDIA\\hello.wav");
    EXPECT_EQ(ReadStartupSound(m), "");
    EXPECT_FALSE(m.registry().keyExists(w98::kHkeyUsers, ".DEFAULT\\AppEvents"));
    EXPECT_EQ(m.registry().exportText(), before);
}

TEST(StartupSound, EveryPlayIsNotedEvenWhenNothingCanSound) {
    TempMachine tm;
    auto& m = tm.machine();
    PlaySoundAsync(m, "C:\\WINDOWS\\MEDIA\\missing.wav");
    PlaySoundAsync(m, "");
    PlaySoundAsync(m, "not a path");
    EXPECT_EQ(w98::PlayedSounds(m),
              (std::vector<std::string>{"C:\\WINDOWS\\MEDIA\\missing.wav", "not a path"}));
    EXPECT_EQ(w98::PlayedSounds(*tm.reopen()).size(), 2u);
}

TEST(StartupSound, MemoTextsAreIndented) {
    const auto open = SoundOpeningLines();
    ASSERT_EQ(open.size(), 5u);
    for (const auto& l : open)
        EXPECT_TRUE(l.starts_with("      ") && l[6] != ' ');
    EXPECT_EQ(SoundClosingLines(),
              (std::vector<std::string>{"", "      已完成更改.", "      要试听，请放大喇叭，单击这里"}));
}

} // namespace
