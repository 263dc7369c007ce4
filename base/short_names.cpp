#include "short_names.h"

#include "cp936.h"
#include "text.h"

#include "base/entry_record.h"

#include <algorithm>
#include <dirent.h>
#include <optional>
#include <set>
#include <sys/xattr.h>
#include <vector>

namespace fs = std::filesystem;

namespace w98::short_names {
namespace {

constexpr const char* kXattrName = "user.dosshortname";
constexpr std::size_t kBaseBytes = 8;
constexpr std::size_t kExtensionBytes = 3;

// A name as code page 936 characters (one or two bytes each), ASCII letters in upper case.
// lossy: a character had to become '_' (not in code page 936, or not allowed in a short name).
struct Characters {
    std::vector<std::string> chars;
    bool lossy = false;
};

bool isLead(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}

std::vector<std::string> splitBytes(std::string_view gbk) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < gbk.size(); ++i) {
        const auto b = static_cast<unsigned char>(gbk[i]);
        if (isLead(b) && i + 1 < gbk.size()) {
            out.emplace_back(gbk.substr(i, 2));
            ++i;
        } else {
            out.emplace_back(1, gbk[i]);
        }
    }
    return out;
}

std::string upper(std::string c) {
    if (c.size() == 1)
        c[0] = upperAscii(c[0]);
    return c;
}

Characters charactersOf(std::string_view utf8) {
    Characters out;
    std::string gbk;
    if (!cp936::tryFromUtf8(utf8, gbk)) {
        // One character at a time: what code page 936 cannot hold becomes '_'.
        gbk.clear();
        for (std::size_t i = 0; i < utf8.size();) {
            const auto c = static_cast<unsigned char>(utf8[i]);
            std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
            len = std::min(len, utf8.size() - i);
            std::string one;
            if (cp936::tryFromUtf8(utf8.substr(i, len), one)) {
                gbk += one;
            } else {
                gbk += '_';
                out.lossy = true;
            }
            i += len;
        }
    }
    for (std::string c : splitBytes(gbk)) {
        if (c.size() == 1) {
            const auto b = static_cast<unsigned char>(c[0]);
            if (b < 0x20 || b == 0x7F ||
                std::string_view("+,;=[]\"*/:<>?\\|").find(c[0]) != std::string_view::npos) {
                c = "_";
                out.lossy = true;
            }
        }
        out.chars.push_back(upper(std::move(c)));
    }
    return out;
}

// Characters appended while they fit in `bytes` bytes; a character is never split.
std::string fitted(const std::vector<std::string>& chars, std::size_t from, std::size_t to,
                   std::size_t bytes) {
    std::string out;
    for (std::size_t i = from; i < to && out.size() + chars[i].size() <= bytes; ++i)
        out += chars[i];
    return out;
}

struct Basis {
    std::string primary, extension; // code page 936
    bool fits = false;              // the long name is already this short name
};

Basis basisOf(std::string_view longName) {
    const Characters all = charactersOf(longName);
    std::string whole;
    for (const auto& c : all.chars)
        whole += c;
    std::vector<std::string> chars;
    for (const auto& c : all.chars)
        if (c != " " && !(c == "." && chars.empty()))
            chars.push_back(c);
    const auto firstDot = std::find(chars.begin(), chars.end(), ".");
    const auto lastDot = std::find(chars.rbegin(), chars.rend(), ".");
    Basis b;
    b.primary = fitted(chars, 0, static_cast<std::size_t>(firstDot - chars.begin()), kBaseBytes);
    if (lastDot != chars.rend())
        b.extension =
            fitted(chars, static_cast<std::size_t>(chars.rend() - lastDot), chars.size(), kExtensionBytes);
    if (b.primary.empty())
        b.primary = "_";
    const std::string basis = b.primary + (b.extension.empty() ? "" : "." + b.extension);
    b.fits = !all.lossy && basis == whole;
    return b;
}

std::string utf8Of(const std::string& gbk) {
    std::string out;
    return cp936::tryToUtf8(gbk, out) ? out : gbk;
}

std::string stored(const fs::path& host) {
    char buf[64];
    const ssize_t n = ::getxattr(host.c_str(), kXattrName, buf, sizeof buf);
    if (n > 0)
        return std::string(buf, static_cast<std::size_t>(n));
    // An entry of a disk's working folder keeps it in its record while it keeps its name.
    if (const auto r = disk::readEntryRecord(host); r && r->name == host.filename().string())
        return r->shortName;
    return {};
}

// Best effort: on a file system without extended attributes the name is made anew each time.
void store(const fs::path& host, const std::string& name) {
    ::setxattr(host.c_str(), kXattrName, name.data(), name.size(), 0);
}

bool isReplacement(const std::string& name) {
    return name.starts_with('.') && name.ends_with(".tmp");
}

std::set<std::string> valuesOf(const std::map<std::string, std::string>& names) {
    std::set<std::string> out;
    for (const auto& [entry, shortName] : names)
        out.insert(shortName);
    return out;
}

} // namespace

std::string make(std::string_view longName, const std::function<bool(const std::string&)>& taken) {
    const Basis b = basisOf(longName);
    const std::string dotExtension = b.extension.empty() ? "" : "." + b.extension;
    if (b.fits) {
        const std::string name = utf8Of(b.primary + dotExtension);
        if (!taken(name))
            return name;
    }
    // ~1 to ~9 after six bytes of the name, then ~10 after five, and so on.
    const std::vector<std::string> chars = splitBytes(b.primary);
    for (unsigned n = 1; n < 1000000; ++n) {
        const std::string tail = "~" + std::to_string(n);
        const std::string name =
            utf8Of(fitted(chars, 0, chars.size(), kBaseBytes - tail.size()) + tail + dotExtension);
        if (!taken(name))
            return name;
    }
    return utf8Of(b.primary + dotExtension);
}

std::string dosForm(std::string_view typed) {
    std::string gbk;
    if (!cp936::tryFromUtf8(typed, gbk))
        return std::string(typed);
    std::vector<std::string> chars = splitBytes(gbk);
    for (auto& c : chars)
        c = upper(std::move(c));
    const auto dot = std::find(chars.begin(), chars.end(), ".");
    const auto dotAt = static_cast<std::size_t>(dot - chars.begin());
    std::string out = fitted(chars, 0, dotAt, kBaseBytes);
    if (dot != chars.end()) {
        const auto next = std::find(dot + 1, chars.end(), ".");
        const std::string extension =
            fitted(chars, dotAt + 1, static_cast<std::size_t>(next - chars.begin()), kExtensionBytes);
        if (!extension.empty())
            out += "." + extension;
    }
    return utf8Of(out);
}

bool isShortName(std::string_view name) {
    return basisOf(name).fits;
}

std::map<std::string, std::string> ofFolder(const fs::path& hostFolder) {
    std::map<std::string, std::string> names;
    std::vector<std::string> without;
    if (DIR* dir = ::opendir(hostFolder.c_str())) {
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name == "." || name == ".." || isReplacement(name))
                continue;
            const std::string shortName = stored(hostFolder / name);
            if (shortName.empty())
                without.push_back(name);
            else
                names.emplace(name, shortName);
        }
        ::closedir(dir);
    }
    std::sort(without.begin(), without.end());
    std::set<std::string> taken = valuesOf(names);
    for (const auto& name : without) {
        const std::string shortName = make(name, [&](const std::string& s) { return taken.contains(s); });
        store(hostFolder / name, shortName);
        taken.insert(shortName);
        names.emplace(name, shortName);
    }
    return names;
}

std::string of(const fs::path& hostEntry) {
    if (std::string s = stored(hostEntry); !s.empty())
        return s;
    const auto names = ofFolder(hostEntry.parent_path());
    if (auto it = names.find(hostEntry.filename().string()); it != names.end())
        return it->second;
    const std::set<std::string> taken = valuesOf(names);
    return make(hostEntry.filename().string(), [&](const std::string& s) { return taken.contains(s); });
}

namespace {

// A name that is its own short name and has no tail can be no other file's short name: it is
// taken as it is, without reading the whole folder (a backup folder may hold thousands).
std::optional<std::string> ownShortName(const std::string& name) {
    const Basis b = basisOf(name);
    if (!b.fits || name.find('~') != std::string::npos)
        return std::nullopt;
    return utf8Of(b.primary + (b.extension.empty() ? "" : "." + b.extension));
}

} // namespace

void keep(const fs::path& hostEntry, const std::string& shortName) {
    store(hostEntry, shortName);
}

void giveNew(const fs::path& hostEntry) {
    if (const auto own = ownShortName(hostEntry.filename().string())) {
        store(hostEntry, *own);
        return;
    }
    ::removexattr(hostEntry.c_str(), kXattrName);
    ofFolder(hostEntry.parent_path());
}

void carryOver(const fs::path& target, const fs::path& file) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(target, ec))) {
        store(file, of(target));
        return;
    }
    if (const auto own = ownShortName(target.filename().string())) {
        store(file, *own);
        return;
    }
    const std::set<std::string> taken = valuesOf(ofFolder(target.parent_path()));
    store(file, make(target.filename().string(), [&](const std::string& s) { return taken.contains(s); }));
}

} // namespace w98::short_names
