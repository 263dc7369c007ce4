// machine.ini in the forms a disk fault or an editor leaves it: an error names the file.
#include "broken_forms.h"

#include "base/error.h"
#include "base/host_file.h"
#include "base/text.h"
#include "tests/support/temp_machine.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::TempMachine;

namespace {

bool names(const std::exception& e, const std::string& what) {
    return w98::containsNoCase(e.what(), what);
}

} // namespace

TEST(BrokenMachineIni, AnUnreadableDescriptionIsAnErrorNamingIt) {
    const std::string good = "[machine]\nwindows=C:\\WINDOWS\n[drives]\nC=fixed\n";
    for (const auto& form : test::brokenForms(good)) {
        SCOPED_TRACE(form.name);
        TempMachine tm;
        w98::replaceHostFile(tm.root() / "machine.ini", form.bytes, "machine.ini");
        try {
            w98::Machine m(tm.root());
            m.windowsFolder();
            m.shortDateFormat();
        } catch (const w98::Error& e) {
            EXPECT_TRUE(names(e, "machine.ini")) << e.what();
        }
    }
    // A Windows folder without its drive letter is a fault of the description, and says so.
    TempMachine relative;
    w98::replaceHostFile(relative.root() / "machine.ini", "[machine]\nwindows=WINDOWS\n", "machine.ini");
    w98::Machine m(relative.root());
    try {
        m.registry();
        FAIL() << "a registry without its folder";
    } catch (const w98::FormatError& e) {
        EXPECT_TRUE(names(e, "machine.ini")) << e.what();
        EXPECT_TRUE(names(e, "windows=WINDOWS")) << e.what();
    }

    TempMachine folder;
    std::filesystem::remove(folder.root() / "machine.ini");
    std::filesystem::create_directory(folder.root() / "machine.ini");
    EXPECT_THROW(w98::Machine{folder.root()}, w98::IoError);
}
