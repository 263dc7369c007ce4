// attrib.exe: shows or changes the read-only, archive, system and hidden attributes of files.
// "+s +h +r FILE" sets, "-s -h -r FILE" clears; without switches it lists. As in MS-DOS, the
// read-only or archive attribute of a system or hidden file is changed only together with
// those attributes.
#include "tools.h"

#include "dos/dos_paths.h"
#include "dos/dos_session.h"

#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/text.h"
#include "platform/machine.h"

namespace w98 {
namespace {

std::uint8_t attributeOf(char letter) {
    switch (lowerAscii(letter)) {
    case 'r':
        return attr::kReadOnly;
    case 'a':
        return attr::kArchive;
    case 's':
        return attr::kSystem;
    case 'h':
        return attr::kHidden;
    default:
        return 0;
    }
}

// "+r", "-s", also run together as "+s+h-r". False when the word is not of that form.
bool parseChanges(const std::string& word, std::uint8_t& set, std::uint8_t& clear) {
    if (word.size() < 2 || word.size() % 2 != 0)
        return false;
    for (std::size_t i = 0; i < word.size(); i += 2) {
        const std::uint8_t a = attributeOf(word[i + 1]);
        if (!a || (word[i] != '+' && word[i] != '-'))
            return false;
        (word[i] == '+' ? set : clear) |= a;
    }
    return true;
}

std::string listing(std::uint8_t a, const std::string& path) {
    std::string line;
    line += (a & attr::kArchive) ? 'A' : ' ';
    line += "    ";
    line += (a & attr::kSystem) ? 'S' : ' ';
    line += (a & attr::kHidden) ? 'H' : ' ';
    line += (a & attr::kReadOnly) ? 'R' : ' ';
    line += "     ";
    return line + path;
}

struct Target {
    std::string path, shown;
    std::uint8_t attributes = 0;
};

} // namespace

int attribTool(DosSession& s, const ToolArgs& args, std::ostream& out) {
    std::uint8_t set = 0, clear = 0;
    std::vector<std::string> names;
    for (const auto& a : args) {
        if (!a.empty() && (a.front() == '+' || a.front() == '-')) {
            if (!parseChanges(a, set, clear)) {
                out << "Invalid parameter - " << a << "\n";
                return 1;
            }
        } else if (!a.empty() && a.front() == '/') {
            out << "Invalid switch - " << a << "\n";
            return 1;
        } else {
            names.push_back(a);
        }
    }
    if (names.size() > 1) {
        out << "Too many parameters - " << names[1] << "\n";
        return 1;
    }
    if (set & clear) {
        out << "Invalid parameter - an attribute cannot be set and cleared at once\n";
        return 1;
    }
    const std::string typed = names.empty() ? std::string("*.*") : names.front();

    std::string full;
    try {
        full = s.paths.resolve(typed);
        if (!driveExists(s.machine, full[0]))
            throw Error("no such drive");
    } catch (const Error&) {
        out << kInvalidDrive << "\n";
        return 1;
    }

    // A folder named as such is itself the target; a pattern matches files only. Before Windows
    // loads, files are matched and shown by their short names.
    const bool msDos = s.msDosMode();
    auto shownPath = [&](const std::string& path) {
        return msDos ? s.machine.shortPath(path) : onDiskCase(s.machine, path);
    };
    std::vector<Target> targets;
    if (!hasWildcards(full) && s.machine.isDirectory(full) && full.size() > 3) {
        targets.push_back({full, shownPath(full), s.machine.attributes(full)});
    } else {
        auto [folder, pattern] = splitLast(full);
        if (s.machine.isDirectory(folder)) {
            const std::string shown = shownPath(folder);
            for (const auto& e : s.list(folder, pattern.empty() ? "*.*" : pattern))
                if (!(e.attributes & attr::kDirectory))
                    targets.push_back({joinPath(folder, e.name),
                                       joinPath(shown, msDos ? e.shortName : e.name), e.attributes});
        }
    }
    if (targets.empty()) {
        out << "File not found - " << typed << "\n";
        return 1;
    }

    const bool changes = set || clear;
    const bool touchesSystemOrHidden = ((set | clear) & (attr::kSystem | attr::kHidden)) != 0;
    int result = 0;
    for (const auto& [path, shown, attributes] : targets) {
        if (!changes) {
            out << listing(attributes, shown) << "\n";
            continue;
        }
        if (!touchesSystemOrHidden && (attributes & attr::kSystem)) {
            out << "Not resetting system file " << shown << "\n";
            continue;
        }
        if (!touchesSystemOrHidden && (attributes & attr::kHidden)) {
            out << "Not resetting hidden file " << shown << "\n";
            continue;
        }
        const auto updated = static_cast<std::uint8_t>((attributes | set) & ~clear);
        try {
            s.machine.setAttributes(path, updated);
        } catch (const Error&) {
            out << "Access denied - " << shown << "\n";
            result = 1;
        }
    }
    return result;
}

} // namespace w98
