#pragma once
// A temporary Windows 98 machine with the MS-DOS programs the generated batch files call,
// and an MS-DOS session on it.
#include "base/cp936.h"
#include "base/text.h"
#include "registry/registry.h"
#include "tests/support/temp_machine.h"
#include "tools/dos/batch_interpreter.h"
#include "tools/dos/dos_session.h"

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace korvane::test {

// A registry string as a user reads it: without the NULs it ends with, from code page 936;
// "<none>" when there is no such value.
inline std::string valueText(w98::Machine& m, w98::RegRoot root, const std::string& key,
                             const std::string& name) {
    const auto v = m.registry().getValue(root, key, name);
    return v ? w98::cp936::toUtf8(w98::trimmedRight(v->data, std::string_view("\0", 1))) : "<none>";
}
inline std::string valueText(w98::Machine& m, const std::string& key, const std::string& name) {
    return valueText(m, w98::kHkeyLocalMachine, key, name);
}

class DosMachine {
  public:
    explicit DosMachine(TempMachineOptions options = {}) : tm_(std::move(options)), session(tm_.machine()) {
        const std::string win = m().windowsFolder();
        for (const char* p : {"\\COMMAND\\ATTRIB.EXE", "\\COMMAND\\EXTRACT.EXE", "\\COMMAND\\SCANREG.EXE",
                              "\\COMMAND\\SMARTDRV.EXE", "\\REGEDIT.EXE", "\\WIN.COM", "\\SCANREGW.EXE"})
            m().writeFile(win + p, "MZ");
    }

    w98::Machine& m() { return tm_.machine(); }
    void addDrive(char letter) {
        std::filesystem::create_directories(tm_.root() / (std::string("drive_") + letter));
    }
    TempMachine& temp() { return tm_; }

    // Writes the batch file (code page 936, CR LF) and runs it in the session; returns what it printed.
    std::string runBatch(const std::vector<std::string>& lines, const std::string& path = "C:\\T.BAT") {
        m().writeTextLines(path, lines);
        std::ostringstream out;
        w98::BatchInterpreter dos(session, out);
        dos.runBatchFile(path);
        return out.str();
    }

    // One command line typed at the prompt.
    std::string type(const std::string& line) {
        std::ostringstream out;
        w98::BatchInterpreter dos(session, out);
        dos.runCommandLine(line);
        return out.str();
    }

    std::string text(const std::string& path) {
        std::string all;
        for (const auto& l : m().readTextLines(path))
            all += l + "\n";
        return all;
    }

  private:
    TempMachine tm_;

  public:
    w98::DosSession session;
};

} // namespace korvane::test
