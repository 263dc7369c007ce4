#include "registry_checker.h"

#include "base/text.h"
#include "platform/cabinet.h"
#include "platform/machine.h"
#include "registry/registry_lock.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace w98 {
namespace {

// The cabinets this checker made: rb000.cab ... rb999.cab (RBBAD.CAB is not one of them).
bool isNumberedCabinet(const std::string& name) {
    if (name.size() != 9 || !equalsNoCase(name.substr(0, 2), "rb") || !equalsNoCase(name.substr(5), ".cab"))
        return false;
    return std::all_of(name.begin() + 2, name.begin() + 5, [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

CheckerSettings readCheckerSettings(const Machine& m) {
    const std::string win = m.windowsFolder();
    CheckerSettings s;
    s.backupFolder = win + "\\sysbckup";
    const std::string ini = win + "\\scanreg.ini";
    if (!m.isFile(ini))
        return s;
    for (const auto& raw : m.readTextLines(ini)) {
        const std::string_view line = trimmed(raw);
        if (line.empty() || line[0] == ';')
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = foldAscii(trimmed(line.substr(0, eq)));
        const std::string value(trimmed(line.substr(eq + 1)));
        if (key == "backupdirectory" && !value.empty()) {
            try {
                s.backupFolder = Machine::normalize(value);
            } catch (const std::exception&) {
                // Not a full path: the checker keeps its own folder.
            }
        } else if (key == "maxbackupcopies") {
            long n = std::strtol(value.c_str(), nullptr, 10);
            if (n >= 1 && n <= 99)
                s.maxBackupCopies = static_cast<int>(n);
        } else if (key == "files") {
            // Files=[dir code,]file1,file2,...
            std::vector<std::string> parts;
            std::size_t pos = 0;
            while (pos <= value.size()) {
                std::size_t comma = value.find(',', pos);
                parts.emplace_back(trimmed(std::string_view(value).substr(
                    pos, comma == std::string::npos ? std::string::npos : comma - pos)));
                if (comma == std::string::npos)
                    break;
                pos = comma + 1;
            }
            std::string folder = win;
            std::size_t first = 0;
            if (!parts.empty() && !parts[0].empty() &&
                std::all_of(parts[0].begin(), parts[0].end(), ::isdigit)) {
                const std::string code = parts[0];
                folder = code == "11"                     ? win + "\\SYSTEM"
                         : (code == "30" || code == "31") ? std::string("C:")
                                                          : win;
                first = 1;
            }
            for (std::size_t i = first; i < parts.size(); ++i)
                if (!parts[i].empty() && parts[i].find_first_of("\\/:") == std::string::npos)
                    s.extraFiles.push_back(folder + "\\" + parts[i]);
        }
    }
    return s;
}

std::string backupRegistry(Machine& m) {
    const CheckerSettings s = readCheckerSettings(m);
    const std::string win = m.windowsFolder();
    if (!m.isDirectory(s.backupFolder))
        m.createDirectories(s.backupFolder);

    std::vector<DirEntry> cabs;
    for (auto& e : m.list(s.backupFolder, "rb*.cab"))
        if (isNumberedCabinet(e.name) && !(e.attributes & 0x10))
            cabs.push_back(std::move(e));
    std::sort(cabs.begin(), cabs.end(), [](const DirEntry& a, const DirEntry& b) {
        return packDosDateTime(a.lastWrite) < packDosDateTime(b.lastWrite);
    });
    // Make room: the oldest go first.
    while (!cabs.empty() && static_cast<int>(cabs.size()) >= s.maxBackupCopies) {
        const std::string old = s.backupFolder + "\\" + cabs.front().name;
        m.setAttributes(old, 0x20);
        m.deleteFile(old);
        cabs.erase(cabs.begin());
    }
    int number = 0;
    auto taken = [&](int n) {
        char name[16];
        std::snprintf(name, sizeof name, "rb%03d.cab", n);
        return std::any_of(cabs.begin(), cabs.end(),
                           [&](const DirEntry& e) { return equalsNoCase(e.name, name); });
    };
    while (number < 999 && taken(number))
        ++number;

    std::vector<CabEntry> entries;
    std::vector<std::string> files = {win + "\\system.dat", win + "\\user.dat", win + "\\system.ini",
                                      win + "\\win.ini"};
    files.insert(files.end(), s.extraFiles.begin(), s.extraFiles.end());
    // The two registry files as of one moment, not half of a change that spans both.
    std::optional<RegistryLock> registryLock;
    registryLock.emplace(m.hostPath(win + "\\system.dat"), win + "\\system.dat");
    for (const auto& f : files) {
        if (!m.isFile(f))
            continue;
        CabEntry e;
        // Stored under the name the file has on disk, as a directory listing gives it.
        const std::string folder = f.substr(0, f.rfind('\\'));
        const std::string wanted = f.substr(f.rfind('\\') + 1);
        e.name = wanted;
        for (const auto& d : m.list(folder.size() == 2 ? folder + "\\" : folder, wanted))
            e.name = d.name;
        if (std::any_of(entries.begin(), entries.end(),
                        [&](const CabEntry& x) { return equalsNoCase(x.name, e.name); }))
            continue;
        e.data = m.readFile(f);
        e.attributes = m.attributes(f) & 0x27;
        e.time = m.lastWriteTime(f);
        entries.push_back(std::move(e));
    }
    registryLock.reset();
    char name[16];
    std::snprintf(name, sizeof name, "rb%03d.cab", number);
    const std::string target = s.backupFolder + "\\" + name;
    m.writeFile(target, buildCabinet(entries));
    return target;
}

std::string backupIfNoneToday(Machine& m, const DateTime& now) {
    const CheckerSettings s = readCheckerSettings(m);
    for (const auto& e : m.list(s.backupFolder, "*.cab"))
        if (e.lastWrite.year == now.year && e.lastWrite.month == now.month && e.lastWrite.day == now.day)
            return {};
    return backupRegistry(m);
}

} // namespace w98
