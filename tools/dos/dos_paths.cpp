#include "dos_paths.h"

#include "base/error.h"
#include "base/short_names.h"
#include "base/text.h"
#include "platform/machine.h"

#include <algorithm>

#include <cctype>

namespace w98 {

std::size_t DosPaths::index(char drive) {
    const int up = upperAscii(drive);
    if (up < 'A' || up > 'Z')
        throw Error(kInvalidDrive);
    return static_cast<std::size_t>(up - 'A');
}

std::string DosPaths::folderOf(char drive) const {
    const std::size_t i = index(drive);
    if (!folders_[i].empty())
        return folders_[i];
    return std::string(1, static_cast<char>('A' + i)) + ":\\";
}

void DosPaths::setDrive(char drive) {
    drive_ = static_cast<char>('A' + index(drive));
}

void DosPaths::setFolder(std::string_view fullPath) {
    const std::string norm = Machine::normalize(fullPath);
    folders_[index(norm[0])] = norm;
}

std::string DosPaths::resolve(std::string_view typed) const {
    std::string start;
    std::string_view rest = typed;
    char d = drive_;
    if (typed.size() >= 2 && typed[1] == ':') {
        d = static_cast<char>('A' + index(typed[0]));
        rest = typed.substr(2);
    }
    if (!rest.empty() && (rest.front() == '\\' || rest.front() == '/')) {
        start = std::string(1, d) + ":\\";
        rest.remove_prefix(1);
    } else {
        start = folderOf(d);
    }
    if (!shortNames_)
        return Machine::normalize(start + "\\" + std::string(rest));
    std::string full = Machine::normalize(start);
    while (!rest.empty()) {
        std::size_t end = rest.find_first_of("\\/");
        if (end == std::string_view::npos)
            end = rest.size();
        const std::string_view part = rest.substr(0, end);
        rest.remove_prefix(std::min(rest.size(), end + 1));
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            full = splitLast(full).first;
        else
            full = within(full, part);
    }
    return full;
}

std::string DosPaths::within(const std::string& folder, std::string_view typedName) const {
    if (!shortNames_)
        return Machine::normalize(joinPath(folder, typedName));
    if (hasWildcards(typedName))
        return Machine::normalize(joinPath(folder, short_names::dosForm(typedName)));
    return shortNames_->dosChild(folder, typedName);
}

bool isDriveName(std::string_view word) {
    return word.size() == 2 && word[1] == ':' && std::isalpha(static_cast<unsigned char>(word[0]));
}

bool driveExists(const Machine& machine, char drive) {
    if (!std::isalpha(static_cast<unsigned char>(drive)))
        return false;
    return machine.isDirectory(std::string(1, drive) + ":\\");
}

std::string onDiskCase(const Machine& machine, const std::string& fullPath) {
    const std::string norm = Machine::normalize(fullPath);
    std::string out = norm.substr(0, 3);
    std::size_t pos = 3;
    bool onDisk = true;
    while (pos < norm.size()) {
        std::size_t next = norm.find('\\', pos);
        if (next == std::string::npos)
            next = norm.size();
        std::string part = norm.substr(pos, next - pos);
        if (onDisk) {
            // Named by its short name, an entry is still shown by its own.
            const auto found = machine.list(out, part);
            const auto it = std::find_if(found.begin(), found.end(),
                                         [&](const DirEntry& e) { return equalsNoCase(e.name, part); });
            onDisk = it != found.end() || (found.size() == 1 && !hasWildcards(part));
            if (onDisk)
                part = it != found.end() ? it->name : found.front().name;
        }
        out = joinPath(out, part);
        pos = next + 1;
    }
    return out;
}

std::pair<std::string, std::string> splitLast(const std::string& fullPath) {
    const std::size_t cut = fullPath.rfind('\\');
    if (cut == std::string::npos)
        return {fullPath, std::string()};
    std::string folder = fullPath.substr(0, cut);
    if (folder.size() == 2)
        folder += '\\';
    return {folder, fullPath.substr(cut + 1)};
}

std::string joinPath(std::string_view folder, std::string_view name) {
    std::string out(folder);
    if (out.empty() || out.back() != '\\')
        out += '\\';
    out += name;
    return out;
}

bool hasWildcards(std::string_view s) {
    return s.find_first_of("*?") != std::string_view::npos;
}

} // namespace w98
