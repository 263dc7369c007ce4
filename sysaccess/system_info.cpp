#include "system_info.h"

#include "registry_values.h"

#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/text.h"
#include "platform/machine.h"
#include "platform/machine_programs.h"

#include <algorithm>

namespace korvane {
namespace {
constexpr const char* kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
}

std::int32_t RunAndWait(w98::Machine& m, std::string_view commandLine, std::uint16_t /*show*/) {
    // Every program runs hidden: the stand-in machine has no console windows to show.
    if (commandLine.size() > kMaxCommandLine)
        throw w98::Error("命令行长达 " + std::to_string(commandLine.size()) +
                         " 个字符，最多只能运行 512 个字符：" + std::string(commandLine.substr(0, 80)) +
                         "...");
    return w98::runInMachine(m, commandLine);
}

std::string FindCdromDrive(const w98::Machine& m) {
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        std::string root = std::string(1, letter) + ":\\";
        if (m.driveType(root) == w98::DriveType::CdRom)
            return root;
    }
    return "0";
}

std::string GetWindowsDir(w98::Machine& m) {
    try {
        return ReadRegStr(m, w98::kHkeyLocalMachine, kCurrentVersion, "SystemRoot");
    } catch (const std::exception&) {
        // A disk's Windows is switched off and may no longer start: its registry may be what
        // needs restoring, and the folder the disk itself shows is the one to restore into.
        if (!m.isDiskImage())
            throw;
        return m.windowsFolder();
    }
}

bool IsWindows98(w98::Machine& m) {
    try {
        std::string updates = ReadRegStr(m, w98::kHkeyLocalMachine,
                                         std::string(kCurrentVersion) + "\\Setup\\Updates", "Updates");
        std::string version = ReadRegStr(m, w98::kHkeyLocalMachine, kCurrentVersion, "Version");
        return w98::containsNoCase(updates, "Windows 98") && w98::containsNoCase(version, "Windows 98");
    } catch (const std::exception&) {
        return false;
    }
}

std::uint32_t FileSizeOf(w98::Machine& m, std::string_view path) {
    if (!m.isFile(path))
        throw w98::IoError(m.isDirectory(path) ? w98::io_text::kAccessDenied : w98::io_text::kFileNotFound,
                           std::string(path));
    if (m.attributes(path) & w98::attr::kReadOnly)
        throw w98::IoError(w98::io_text::kAccessDenied, std::string(path));
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(m.fileSize(path), 0xFFFFFFFFu));
}

} // namespace korvane
