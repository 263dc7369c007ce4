#include "file_commands.h"

#include "command_line.h"
#include "dos_paths.h"
#include "dos_session.h"

#include "base/cp936.h"
#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/text.h"
#include "platform/machine.h"

#include <cstdio>
#include <optional>

namespace w98 {
namespace {

constexpr const char* kInvalidDirectory = "Invalid directory";
constexpr const char* kFileNotFound = "File not found";
constexpr const char* kAccessDenied = "Access denied";
constexpr const char* kDuplicate = "Duplicate file name or file not found";
constexpr const char* kRequiredMissing = "Required parameter missing";
constexpr const char* kTooMany = "Too many parameters - ";
constexpr const char* kInvalidSwitch = "Invalid switch - ";

// The full path of a name as typed, or nullopt (with MS-DOS's message) for a drive the
// machine does not have.
std::optional<std::string> resolveOn(const DosSession& s, std::string_view typed, std::ostream& out) {
    try {
        std::string full = s.paths.resolve(typed);
        if (driveExists(s.machine, full[0]))
            return full;
    } catch (const Error&) {
    }
    out << kInvalidDrive << "\n";
    return std::nullopt;
}

struct FilePattern {
    std::string folder;
    std::string pattern;
};

// A folder stands for all of its files, as in "del C:\TEMP".
FilePattern patternOf(const Machine& m, const std::string& full) {
    if (!hasWildcards(full) && m.isDirectory(full))
        return {full, "*.*"};
    auto [folder, pattern] = splitLast(full);
    return {folder, pattern.empty() ? "*.*" : pattern};
}

bool visible(const DirEntry& e) {
    return !(e.attributes & (attr::kDirectory | attr::kHidden | attr::kSystem));
}

// Before Windows loads, a pattern matches short names only, and a file is shown and copied
// under its short name.
std::vector<DirEntry> visibleFiles(const DosSession& s, const FilePattern& where) {
    std::vector<DirEntry> out;
    if (!s.machine.isDirectory(where.folder))
        return out;
    for (auto& e : s.list(where.folder, where.pattern))
        if (visible(e))
            out.push_back(std::move(e));
    return out;
}

const std::string& shownName(const DirEntry& e) {
    return e.shortName.empty() ? e.name : e.shortName;
}

// True when `to` names the file f of folder by either of its names, its folder by either of its own.
bool isItself(const Machine& m, const std::string& folder, const DirEntry& f, const std::string& to) {
    const auto [toFolder, toName] = splitLast(to);
    if (m.hostPath(toFolder) != m.hostPath(folder))
        return false;
    return equalsNoCase(toName, f.name) || equalsNoCase(toName, m.shortName(joinPath(folder, f.name)));
}

bool isAllFiles(std::string_view pattern) {
    return pattern == "*.*" || pattern == "*";
}

void printCopied(std::ostream& out, int count) {
    char line[32];
    std::snprintf(line, sizeof line, "%9d", count);
    out << line << " file(s) copied\n";
}

// Switches of a command's words; the rest are its names. False (with the message) for a
// switch the command does not take.
bool takeSwitches(const std::vector<std::string>& words, std::initializer_list<std::string_view> allowed,
                  std::vector<std::string>& names, std::vector<std::string>& switches, std::ostream& out) {
    for (const auto& w : words) {
        if (w.empty() || w.front() != '/') {
            names.push_back(w);
            continue;
        }
        bool known = false;
        for (auto a : allowed)
            known = known || equalsNoCase(w, a);
        if (!known) {
            out << kInvalidSwitch << w << "\n";
            return false;
        }
        switches.push_back(foldAscii(w));
    }
    return true;
}

bool has(const std::vector<std::string>& switches, std::string_view folded) {
    for (const auto& s : switches)
        if (s == folded)
            return true;
    return false;
}

} // namespace

std::string applyNamePattern(std::string_view name, std::string_view pattern) {
    if (!hasWildcards(pattern))
        return std::string(pattern);
    auto split = [](std::string_view s) -> std::pair<std::string_view, std::optional<std::string_view>> {
        const std::size_t dot = s.rfind('.');
        if (dot == std::string_view::npos)
            return {s, std::nullopt};
        return {s.substr(0, dot), s.substr(dot + 1)};
    };
    auto map = [](std::string_view part, std::string_view pat) {
        std::string out;
        for (std::size_t i = 0; i < pat.size(); ++i) {
            if (pat[i] == '*') {
                if (i < part.size())
                    out += part.substr(i);
                break;
            }
            if (pat[i] == '?') {
                if (i < part.size())
                    out += part[i];
            } else {
                out += pat[i];
            }
        }
        return out;
    };
    auto [base, ext] = split(name);
    auto [pbase, pext] = split(pattern);
    std::string out = map(base, pbase);
    if (pext) {
        std::string e = map(ext.value_or(""), *pext);
        if (!e.empty())
            out += "." + e;
    }
    return out;
}

void changeDrive(DosSession& s, char drive, std::ostream& out) {
    if (!driveExists(s.machine, drive)) {
        out << kInvalidDrive << "\n";
        return;
    }
    s.paths.setDrive(drive);
}

void cdCommand(DosSession& s, std::string_view tail, std::ostream& out) {
    const std::vector<std::string> words = dosArguments(tail);
    if (words.size() > 1) {
        out << kTooMany << words[1] << "\n";
        return;
    }
    if (words.empty() || isDriveName(words[0])) {
        const char d = words.empty() ? s.paths.drive() : words[0][0];
        if (!driveExists(s.machine, d)) {
            out << kInvalidDrive << "\n";
            return;
        }
        out << s.paths.folderOf(d) << "\n";
        return;
    }
    auto full = resolveOn(s, words[0], out);
    if (!full)
        return;
    if (hasWildcards(*full) || !s.machine.isDirectory(*full)) {
        out << kInvalidDirectory << "\n";
        return;
    }
    // MS-DOS before Windows knows a folder by its short name alone, and CD and the prompt show it.
    s.paths.setFolder(s.msDosMode() ? s.machine.shortPath(*full) : onDiskCase(s.machine, *full));
}

void delCommand(DosSession& s, std::string_view tail, std::ostream& out) {
    std::vector<std::string> names, switches;
    if (!takeSwitches(dosArguments(tail), {}, names, switches, out))
        return;
    if (names.empty()) {
        out << kRequiredMissing << "\n";
        return;
    }
    if (names.size() > 1) {
        out << kTooMany << names[1] << "\n";
        return;
    }
    auto full = resolveOn(s, names[0], out);
    if (!full)
        return;
    const FilePattern where = patternOf(s.machine, *full);
    if (isAllFiles(where.pattern)) {
        // MS-DOS asks first; with no keyboard the answer is no.
        out << "All files in directory will be deleted!\nAre you sure (Y/N)?N\n";
        return;
    }
    const auto files = visibleFiles(s, where);
    if (files.empty()) {
        out << kFileNotFound << "\n";
        return;
    }
    for (const auto& f : files) {
        try {
            s.machine.deleteFile(joinPath(where.folder, f.name));
        } catch (const Error&) {
            out << kAccessDenied << "\n";
        }
    }
}

void renCommand(DosSession& s, std::string_view tail, std::ostream& out) {
    std::vector<std::string> names, switches;
    if (!takeSwitches(dosArguments(tail), {}, names, switches, out))
        return;
    if (names.size() < 2) {
        out << kRequiredMissing << "\n";
        return;
    }
    if (names.size() > 2) {
        out << kTooMany << names[2] << "\n";
        return;
    }
    if (names[1].find_first_of("\\:/") != std::string::npos) {
        out << "Invalid parameter\n";
        return;
    }
    auto full = resolveOn(s, names[0], out);
    if (!full)
        return;
    auto [folder, pattern] = splitLast(*full);
    const auto files = visibleFiles(s, {folder, pattern});
    if (files.empty() || pattern.empty()) {
        out << kDuplicate << "\n";
        return;
    }
    for (const auto& f : files) {
        // MS-DOS keeps names in capitals: what it renames has no other name, whatever case was typed.
        const std::string typed = applyNamePattern(shownName(f), names[1]);
        const std::string newName = s.msDosMode() ? upperAscii(typed) : typed;
        try {
            if (newName.empty() || hasWildcards(newName))
                throw Error(kDuplicate);
            const std::string target = joinPath(folder, newName);
            if (equalsNoCase(newName, shownName(f)))
                continue;
            if (s.machine.exists(target))
                throw Error(kDuplicate);
            s.machine.moveFile(joinPath(folder, f.name), target);
        } catch (const Error&) {
            out << kDuplicate << "\n";
        }
    }
}

void copyCommand(DosSession& s, std::string_view tail, std::ostream& out, bool inBatch) {
    std::vector<std::string> names, switches;
    if (!takeSwitches(dosArguments(tail), {"/y", "/-y", "/a", "/b", "/v"}, names, switches, out))
        return;
    if (names.empty()) {
        out << kRequiredMissing << "\n";
        return;
    }
    if (names.size() > 2) {
        out << kTooMany << names[2] << "\n";
        return;
    }
    bool overwrite = inBatch || containsNoCase(s.variable("copycmd"), "/y");
    if (has(switches, "/y"))
        overwrite = true;
    if (has(switches, "/-y"))
        overwrite = false;

    auto source = resolveOn(s, names[0], out);
    if (!source)
        return;
    const FilePattern where = patternOf(s.machine, *source);
    const auto files = visibleFiles(s, where);
    if (files.empty()) {
        out << kFileNotFound << " - " << names[0] << "\n";
        printCopied(out, 0);
        return;
    }

    // The destination: a folder (given, or the current one), a file, or a wildcard name.
    std::string destFolder, destName;
    {
        const std::string typed = names.size() > 1 ? names[1] : std::string();
        auto dest = resolveOn(s, typed, out);
        if (!dest) {
            printCopied(out, 0);
            return;
        }
        const bool namesFolder = typed.empty() || typed.back() == '\\' || isDriveName(typed) ||
                                 (!hasWildcards(*dest) && s.machine.isDirectory(*dest));
        if (namesFolder) {
            destFolder = *dest;
        } else {
            std::tie(destFolder, destName) = splitLast(*dest);
        }
        if (!s.machine.isDirectory(destFolder)) {
            out << (namesFolder ? kInvalidDirectory : "Path not found") << "\n";
            printCopied(out, 0);
            return;
        }
    }

    const bool several = files.size() > 1 || hasWildcards(where.pattern);
    // Several files into one named file join into it, as MS-DOS does.
    const bool joining = several && !destName.empty() && !hasWildcards(destName);
    int copied = 0;
    std::string joined;
    std::string joinedTarget;
    for (const auto& f : files) {
        const std::string from = joinPath(where.folder, f.name);
        const std::string to =
            joinPath(destFolder, destName.empty() ? shownName(f) : applyNamePattern(shownName(f), destName));
        if (several)
            out << shownName(f) << "\n";
        try {
            if (isItself(s.machine, where.folder, f, to)) {
                out << "File cannot be copied onto itself\n";
                continue;
            }
            if (joining) {
                joined += s.machine.readFile(from);
                joinedTarget = to;
                continue;
            }
            if (s.machine.exists(to)) {
                if (s.machine.isDirectory(to) || (s.machine.attributes(to) & attr::kReadOnly)) {
                    out << kAccessDenied << "\n";
                    continue;
                }
                if (!overwrite) {
                    out << "Overwrite " << to << " (Yes/No/All)?N\n";
                    continue;
                }
            }
            s.machine.copyFile(from, to, true);
            s.machine.setAttributes(to, attr::kArchive); // a copy is a new file
            ++copied;
        } catch (const Error& e) {
            out << (dynamic_cast<const IoError*>(&e) ? kAccessDenied : e.what()) << "\n";
        }
    }
    if (joining && !joinedTarget.empty()) {
        try {
            s.machine.writeFile(joinedTarget, joined);
            copied = 1;
        } catch (const Error&) {
            out << kAccessDenied << "\n";
        }
    }
    printCopied(out, copied);
}

void typeCommand(DosSession& s, std::string_view tail, std::ostream& out) {
    const auto words = dosArguments(tail);
    if (words.empty()) {
        out << kRequiredMissing << "\n";
        return;
    }
    auto full = resolveOn(s, words[0], out);
    if (!full)
        return;
    if (hasWildcards(*full) || !s.machine.isFile(*full)) {
        out << kFileNotFound << " - " << words[0] << "\n";
        return;
    }
    try {
        std::string bytes = s.machine.readFile(*full);
        std::string text;
        if (!cp936::tryToUtf8(bytes, text))
            text = bytes;
        for (const auto& line : splitLines(text))
            out << line << "\n";
    } catch (const Error&) {
        out << kAccessDenied << "\n";
    }
}

bool fileExists(const DosSession& s, std::string_view typed) {
    try {
        const std::string full = s.paths.resolve(typed);
        if (!driveExists(s.machine, full[0]))
            return false;
        auto [folder, name] = splitLast(full);
        if (equalsNoCase(name, "nul"))
            return s.machine.isDirectory(folder);
        if (name.empty())
            return false;
        return !visibleFiles(s, {folder, name}).empty();
    } catch (const Error&) {
        return false;
    }
}

} // namespace w98
