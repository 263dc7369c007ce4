#include "scanreg_ini.h"

#include "base/text.h"
#include "platform/machine.h"

namespace korvane {

const std::vector<std::string>& ScanregTemplate() {
    static const std::vector<std::string> lines = {
        ";",
        "; Scanreg.ini for making ",
        "system backups.",
        ";",
        "",
        ";Registry backup is ",
        "skipped altogether if this ",
        "is set to 0",
        "Backup=1",
        "",
        ";Registry automatic ",
        "optimization is skipped ",
        "if this is set to 0",
        "Optimize=1",
        "",
        "ScanregVersion=0.0001",
        "MaxBackupCopies=6",
        "",
        ";Backup directory where ",
        "the cabs are stored is",
        "; <windir>\\sysbckup by ",
        "default. Value below ",
        "overrides it.",
        "; It must be a full path. ",
        "ex. c:\\tmp\\backup",
        ";",
        "BackupDirectory=",
        "",
        "; Additional system files ",
        "to backup into cab as ",
        "follows:",
        "; Filenames are ",
        "separated by ','",
        "; dir code can be:",
        ";       10      : windir (ex. ",
        "c:\\windows)",
        ";       11      : system dir ",
        "(ex. c:\\windows\\system)",
        ";       30      : boot dir (ex. ",
        "c:\\)",
        ";       31      : boot host dir ",
        "(ex. c:\\)",
        ";",
        ";Files=[dir ",
        "code,]file1,file2,file3",
        ";Files=[dir ",
        "code,]file1,file2,file3",
        "Files=30,config.sys,msdos.sys,io.sys,command.com,autoexec.bat",
        "Files=10,Protocol.ini,Control.ini,Desktop.ini,WIN.COM,Explorer.exe",
    };
    return lines;
}

void WriteScanregTemplate(w98::Machine& m, const std::string& winDir) {
    m.writeTextLines(winDir + "\\scanreg.ini", ScanregTemplate());
}

namespace {

// key ends in '='. The checker also takes "MaxBackupCopies = 9" for the setting; left alone,
// such a line further down would win over the one written here.
bool setsKey(std::string_view line, std::string_view key) {
    if (w98::containsNoCase(line, key))
        return true;
    const std::size_t eq = line.find('=');
    return eq != std::string_view::npos &&
           w98::equalsNoCase(w98::trimmed(line.substr(0, eq)), key.substr(0, key.size() - 1));
}

} // namespace

void EditScanregIni(w98::Machine& m, const std::string& path, int copies, const std::string& folder) {
    std::vector<std::string> lines = m.readTextLines(path);
    // A setting missing from the file is added: without it the checker would fill, and trim,
    // its default folder instead of the one asked for.
    auto set = [&lines](const std::string& key, const std::string& value) {
        bool found = false;
        for (auto& l : lines)
            if (setsKey(l, key)) {
                l = key + value;
                found = true;
            }
        if (!found)
            lines.push_back(key + value);
    };
    if (copies < 100)
        set("MaxBackupCopies=", std::to_string(copies));
    if (!folder.empty())
        set("BackupDirectory=", folder);
    m.writeTextLines(path, lines);
}

} // namespace korvane
