// regedit.exe, the registry editor as batch files use it:
//   regedit [/s] FILE.REG   import (REGEDIT4 text in code page 936), all or nothing
//   regedit /e FILE [KEY]   export the whole registry, or the branch of KEY
//   regedit /c FILE         build a new registry from an export, replacing SYSTEM.DAT and USER.DAT
#include "tools.h"

#include "dos/dos_session.h"

#include "base/cp936.h"
#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/host_file.h"
#include "base/text.h"
#include "platform/machine.h"
#include "platform/scratch_folder.h"
#include "registry/registry.h"
#include "registry/registry_file.h"
#include "registry/registry_lock.h"

#include <filesystem>
#include <optional>

namespace fs = std::filesystem;

namespace w98 {
namespace {

// An export of a large registry is a few megabytes.
constexpr std::uint64_t kMaxRegFileBytes = 64u << 20;

void usage(std::ostream& out) {
    out << "Usage: REGEDIT [/S] FILE.REG | REGEDIT /E FILE [KEY] | REGEDIT /C FILE\n";
}

// The text of a .reg file of the machine as UTF-8; errors name the file and the line.
std::string readRegFile(const Machine& m, const std::string& path) {
    if (m.fileSize(path) > kMaxRegFileBytes)
        throw FormatError(path, 0, "too large for a registry file");
    const std::string bytes = m.readFile(path);
    std::string text;
    if (cp936::tryToUtf8(bytes, text))
        return text;
    const auto lines = splitLines(bytes);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string ignored;
        if (!cp936::tryToUtf8(lines[i], ignored))
            throw FormatError(path, i + 1, "这一行不是代码页 936 的文字");
    }
    throw FormatError(path, 0, "the file is not code page 936 text");
}

// A key's branch of an export: its own section and those below it.
std::optional<std::string> exportBranch(const std::string& whole, std::string key) {
    for (const auto& [alias, real] :
         {std::pair<std::string, std::string>{"hkey_current_user", "HKEY_USERS\\.DEFAULT"},
          {"hkey_classes_root", "HKEY_LOCAL_MACHINE\\Software\\Classes"}}) {
        const std::string folded = foldAscii(key);
        if (folded == alias || folded.starts_with(alias + "\\"))
            key = real + key.substr(alias.size());
    }
    key.resize(trimmedRight(key, "\\").size());
    const std::vector<std::string> lines = splitLines(whole);
    std::vector<std::string> kept{"REGEDIT4", ""};
    bool inside = false, any = false;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.starts_with('[') && line.ends_with(']')) {
            const std::string path = line.substr(1, line.size() - 2);
            inside = equalsNoCase(path, key) || (path.size() > key.size() && path[key.size()] == '\\' &&
                                                 equalsNoCase(path.substr(0, key.size()), key));
            any = any || inside;
        }
        if (inside)
            kept.push_back(line);
    }
    if (!any)
        return std::nullopt;
    return joinLinesCrlf(kept);
}

int importFile(Machine& m, const std::string& path, bool silent, std::ostream& out) {
    try {
        m.registry().importText(readRegFile(m, path), path);
    } catch (const FormatError& e) {
        out << "无法导入 " << e.what() << "\n";
        return 1;
    } catch (const IoError& e) {
        out << "无法导入：" << e.what() << "\n";
        return 1;
    } catch (const Error& e) {
        out << "无法导入 " << path << "：" << e.what() << "\n";
        return 1;
    }
    if (!silent)
        out << "Information in " << path << " has been successfully entered into the registry.\n";
    return 0;
}

int exportFile(Machine& m, const std::string& path, const std::optional<std::string>& key,
               std::ostream& out) {
    try {
        std::string text = m.registry().exportText();
        if (key) {
            auto branch = exportBranch(text, *key);
            if (!branch) {
                out << "Cannot export " << path << ": the key " << *key << " does not exist\n";
                return 1;
            }
            text = std::move(*branch);
        }
        m.writeFile(path, cp936::fromUtf8(text));
    } catch (const IoError& e) {
        out << "Cannot export: " << e.what() << "\n";
        return 1;
    } catch (const Error& e) {
        out << "Cannot export " << path << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}

bool holdsSectionOf(const std::string& text, std::initializer_list<std::string_view> roots) {
    for (const auto& line : splitLines(text)) {
        if (!line.starts_with('['))
            continue;
        const std::string path = foldAscii(std::string_view(line).substr(1));
        for (auto root : roots)
            if (path.starts_with(root) && path.size() > root.size() &&
                (path[root.size()] == ']' || path[root.size()] == '\\'))
                return true;
    }
    return false;
}

// The new registry is built completely apart from the machine first; only a sound build
// replaces the two files, and if the second cannot be written the first goes back.
int rebuild(Machine& m, const std::string& path, std::ostream& out) {
    const std::string win = m.windowsFolder();
    const std::string systemName = win + "\\SYSTEM.DAT", userName = win + "\\USER.DAT";
    std::string systemBytes, userBytes;
    try {
        const std::string text = readRegFile(m, path);
        if (!holdsSectionOf(text, {"hkey_local_machine", "hkey_classes_root"}) ||
            !holdsSectionOf(text, {"hkey_users", "hkey_current_user"}))
            throw FormatError(path, 0,
                              "not an export of the whole registry (HKEY_LOCAL_MACHINE and HKEY_USERS)");
        // The new registry files are made in a folder of the host's own first.
        const ScratchFolder scratch("w98-regedit", "no room for the new registry files");
        const fs::path sys = scratch.path() / "SYSTEM.DAT", user = scratch.path() / "USER.DAT";
        // The new files take the form of the machine's own: Windows 98 itself would rebuild its
        // binary files, while a hand-made text registry stays text.
        const HiveForm form = m.isFile(systemName) ? hiveFormOf(m.readFile(systemName).substr(0, 32))
                              : m.isFile(userName) ? hiveFormOf(m.readFile(userName).substr(0, 32))
                                                   : HiveForm::Text;
        replaceHostFile(sys, emptyHiveBytes(form, "HKEY_LOCAL_MACHINE"), systemName);
        replaceHostFile(user, emptyHiveBytes(form, "HKEY_USERS"), userName);
        {
            Registry fresh(sys, systemName, user, userName);
            fresh.importText(text, path);
        }
        systemBytes = readHostFile(sys, systemName);
        userBytes = readHostFile(user, userName);
    } catch (const FormatError& e) {
        out << "Cannot build a new registry from " << e.what() << "\nThe registry was not changed.\n";
        return 1;
    } catch (const IoError& e) {
        out << "Cannot build a new registry: " << e.what() << "\nThe registry was not changed.\n";
        return 1;
    } catch (const Error& e) {
        out << "Cannot build a new registry from " << path << ": " << e.what()
            << "\nThe registry was not changed.\n";
        return 1;
    }

    auto attributesOf = [&](const std::string& name) {
        return m.isFile(name) ? m.attributes(name)
                              : static_cast<std::uint8_t>(attr::kHidden | attr::kSystem | attr::kReadOnly);
    };
    try {
        // Replaced as one change of the registry: no other program writes in between.
        RegistryLock systemLock(m.hostPath(systemName), systemName);
        RegistryLock userLock(m.hostPath(userName), userName);
        const std::optional<std::string> oldSystem =
            m.isFile(systemName) ? std::optional<std::string>(m.readFile(systemName)) : std::nullopt;
        const std::uint8_t systemAttributes = attributesOf(systemName),
                           userAttributes = attributesOf(userName);
        replaceHostFile(m.hostPath(systemName), systemBytes, systemName, systemAttributes);
        try {
            replaceHostFile(m.hostPath(userName), userBytes, userName, userAttributes);
        } catch (...) {
            if (oldSystem)
                replaceHostFile(m.hostPath(systemName), *oldSystem, systemName, systemAttributes);
            throw;
        }
    } catch (const Error& e) {
        out << "Cannot replace the registry: " << e.what() << "\nThe registry was not changed.\n";
        return 1;
    }
    out << "A new registry was built from " << path << ".\n";
    return 0;
}

} // namespace

int regeditTool(DosSession& s, const ToolArgs& args, std::ostream& out) {
    bool silent = false;
    std::optional<char> mode;
    std::vector<std::string> names;
    for (const auto& a : args) {
        const std::string f = foldAscii(a);
        if (f == "/s") {
            silent = true;
        } else if (f == "/e" || f == "/c") {
            mode = f[1];
        } else if (f.starts_with("/l:") || f.starts_with("/r:")) {
            // Other registry files: this machine has one registry.
        } else if (f.starts_with('/')) {
            out << "Invalid switch - " << a << "\n";
            return 1;
        } else {
            names.push_back(a);
        }
    }
    if (names.empty() || names.size() > (mode == 'e' ? 2u : 1u)) {
        usage(out);
        return 1;
    }
    std::string file;
    try {
        file = s.paths.resolve(names[0]);
    } catch (const Error& e) {
        out << e.what() << "\n";
        return 1;
    }
    if (mode == 'e')
        return exportFile(s.machine, file,
                          names.size() > 1 ? std::optional<std::string>(names[1]) : std::nullopt, out);
    if (mode == 'c')
        return rebuild(s.machine, file, out);
    return importFile(s.machine, file, silent, out);
}

} // namespace w98
