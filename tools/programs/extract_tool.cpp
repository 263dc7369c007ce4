// extract.exe: unpacks files from Microsoft cabinets.
//   extract [/Y] [/A] [/D | /E] [/L folder] cabinet [file ...]
// /E (or no file names) takes every file, /A follows the cabinet set from the named cabinet
// on (win98_47.cab, then win98_48.cab... in the same folder) until every named file is found,
// /D lists instead of unpacking, /Y overwrites without asking. A /L folder that does not exist
// is created, since the jobs unpack into folders such as <WinDir>\temp\restore1 that a fresh
// machine lacks. Every cabinet is read and checked before anything is written, so a damaged
// one leaves the disk as it was. Files keep the attributes and times the cabinet gives them;
// an existing read-only file is not replaced ("Access denied") and the others go on.
#include "tools.h"

#include "dos/dos_paths.h"
#include "dos/dos_session.h"

#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/text.h"
#include "platform/cabinet.h"
#include "platform/cabinet_set.h"
#include "platform/machine.h"

#include <cctype>
#include <optional>

namespace w98 {
namespace {

constexpr std::uint8_t kCabAttributes = attr::kReadOnly | attr::kHidden | attr::kSystem | attr::kArchive;

struct Options {
    bool overwrite = false, all = false, list = false, everything = false;
    std::string folder, cabinet;
    std::vector<std::string> names;
};

void usage(std::ostream& out) {
    out << "Usage: EXTRACT [/Y] [/A] [/D | /E] [/L folder] cabinet [filename ...]\n";
}

std::optional<Options> parseOptions(const ToolArgs& args, std::ostream& out) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string a = foldAscii(args[i]);
        if (a.empty() || a.front() != '/') {
            (o.cabinet.empty() ? o.cabinet : o.names.emplace_back()) = args[i];
        } else if (a == "/y") {
            o.overwrite = true;
        } else if (a == "/a") {
            o.all = true;
        } else if (a == "/d") {
            o.list = true;
        } else if (a == "/e") {
            o.everything = true;
        } else if (a == "/l") {
            if (i + 1 == args.size()) {
                out << "The /L switch needs a folder\n";
                return std::nullopt;
            }
            o.folder = args[++i];
        } else {
            out << "Invalid switch - " << args[i] << "\n";
            return std::nullopt;
        }
    }
    if (o.cabinet.empty()) {
        usage(out);
        return std::nullopt;
    }
    if (o.names.empty())
        o.everything = true;
    return o;
}

// A name a file may have on FAT: no folder part, no device-like or reserved characters.
bool isPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20 ||
            std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
            return false;
    return true;
}

struct Found {
    CabEntry entry;
    std::string cabinet;
};

} // namespace

int extractTool(DosSession& s, const ToolArgs& args, std::ostream& out) {
    const std::optional<Options> o = parseOptions(args, out);
    if (!o)
        return 1;
    Machine& m = s.machine;

    std::string cabinet;
    try {
        cabinet = s.paths.resolve(o->cabinet);
    } catch (const Error&) {
        out << kInvalidDrive << "\n";
        return 1;
    }
    if (!m.isFile(cabinet)) {
        out << "Cannot find the cabinet file " << o->cabinet << "\n";
        return 1;
    }

    // Gather what is to be unpacked, cabinet after cabinet, before writing anything.
    std::vector<std::string> patterns = o->everything ? std::vector<std::string>{"*.*"} : o->names;
    std::vector<bool> matched(patterns.size(), false);
    std::vector<Found> found;
    auto allNamedFound = [&] {
        for (std::size_t i = 0; i < patterns.size(); ++i)
            if (hasWildcards(patterns[i]) || !matched[i])
                return false;
        return true;
    };
    try {
        walkCabinetSet(m, cabinet, [&](const std::string& current, std::vector<CabEntry>& entries) {
            for (auto& e : entries) {
                bool wanted = false;
                for (std::size_t i = 0; i < patterns.size(); ++i) {
                    if (matchesWildcard(e.name, patterns[i])) {
                        wanted = true;
                        matched[i] = true;
                    }
                }
                bool seen = false;
                for (const auto& f : found)
                    seen = seen || equalsNoCase(f.entry.name, e.name);
                if (wanted && !seen)
                    found.push_back({std::move(e), current});
            }
            return o->all && !allNamedFound();
        });
    } catch (const Error& e) {
        out << e.what() << "\n";
        out << "Nothing was extracted.\n";
        return 1;
    }

    int result = 0;
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        if (!matched[i]) {
            out << patterns[i] << ": not found in " << o->cabinet
                << (o->all ? " or the cabinets after it" : "") << "\n";
            result = 1;
        }
    }

    if (o->list) {
        for (const auto& f : found)
            out << formatDateTimePicture("yyyy-MM-dd HH:mm:ss", f.entry.time) << "  " << f.entry.data.size()
                << "  " << f.entry.name << "\n";
        return result;
    }

    std::string folder;
    try {
        folder = o->folder.empty() ? s.paths.folder() : s.paths.resolve(o->folder);
        if (!m.isDirectory(folder))
            m.createDirectories(folder);
    } catch (const Error&) {
        out << "Cannot create folder " << (o->folder.empty() ? folder : o->folder) << "\n";
        return 1;
    }

    for (const auto& f : found) {
        const CabEntry& e = f.entry;
        if (!isPlainFileName(e.name)) {
            out << f.cabinet << ": the name \"" << e.name << "\" is not a valid file name; not extracted\n";
            result = 1;
            continue;
        }
        const std::string target = joinPath(folder, e.name);
        try {
            if (m.exists(target)) {
                if (m.isDirectory(target) || (m.attributes(target) & attr::kReadOnly)) {
                    out << "Access denied - " << target << "\n";
                    result = 1;
                    continue;
                }
                if (!o->overwrite) {
                    out << target << " exists; not overwritten without /Y\n";
                    continue;
                }
            }
            out << "Extracting " << target << "\n";
            m.writeFile(target, e.data, static_cast<std::uint8_t>(e.attributes & kCabAttributes));
            m.setLastWriteTime(target, e.time);
        } catch (const Error& err) {
            out << err.what() << "\n";
            result = 1;
        }
    }
    return result;
}

} // namespace w98
