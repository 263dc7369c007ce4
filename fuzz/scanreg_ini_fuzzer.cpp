// The registry checker's settings file, as a user or another program may have edited it. The
// checker reads settings within their bounds from anything; the program's edit keeps every
// other line and leaves a file from which the checker reads what the program asked for.
#include "fuzz_machine.h"

#include "platform/registry_checker.h"
#include "restore/scanreg_ini.h"

#include "base/error.h"
#include "base/host_file.h"
#include "base/text.h"

namespace {

using namespace korvane::fuzz;

constexpr const char* kIni = "C:\\WINDOWS\\SCANREG.INI";
constexpr const char* kFolder = "C:\\WINDOWS\\sysbckup\\restore1";

void checkBounds(const w98::CheckerSettings& s) {
    check(s.maxBackupCopies >= 1 && s.maxBackupCopies <= 99, "backup copies out of bounds");
    check(s.backupFolder == w98::Machine::normalize(s.backupFolder), "a backup folder that is no full path");
    for (const auto& file : s.extraFiles) {
        const std::size_t cut = file.rfind('\\');
        check(cut != std::string::npos && cut + 1 < file.size(), "an extra file without a name");
        check(file.find_first_of("/:", 2) == std::string::npos, "an extra file outside its folder");
    }
}

// A line that holds the setting, or that the checker reads as it.
bool concerns(const std::string& line, const std::string& name) {
    if (w98::containsNoCase(line, name + "="))
        return true;
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos)
        return false;
    return w98::equalsNoCase(w98::trimmed(std::string_view(line).substr(0, eq)), name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    w98::Machine& m = machine().machine();
    put(kIni, asText(data, size));
    std::vector<std::string> before;
    try {
        checkBounds(w98::readCheckerSettings(m));
        before = m.readTextLines(kIni);
    } catch (const w98::FormatError&) {
        try {
            korvane::EditScanregIni(m, kIni, 3, kFolder);
            fail("a settings file that cannot be read was edited");
        } catch (const w98::FormatError&) {
        }
        check(w98::readHostFile(m.hostPath(kIni), kIni) == asText(data, size),
              "a settings file that cannot be read was changed");
        return 0;
    }
    korvane::EditScanregIni(m, kIni, 3, kFolder);
    const w98::CheckerSettings s = w98::readCheckerSettings(m);
    checkBounds(s);
    check(s.maxBackupCopies == 3, "the checker does not keep the number of copies asked for");
    check(w98::equalsNoCase(s.backupFolder, kFolder), "the checker does not use the folder asked for");
    const std::vector<std::string> after = m.readTextLines(kIni);
    check(after.size() >= before.size() && after.size() <= before.size() + 2, "lines were lost or made up");
    for (std::size_t i = 0; i < before.size(); ++i)
        if (!concerns(before[i], "MaxBackupCopies") && !concerns(before[i], "BackupDirectory"))
            check(after[i] == before[i], "a line the edit does not concern changed");
    return 0;
}
