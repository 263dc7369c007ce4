// How a Windows path finds its host file: the path normalized, each name found without regard
// to letter case or by its short name, a folder listed through a wildcard.
#include "machine.h"

#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/short_names.h"
#include "base/text.h"
#include "disk/working/lazy_drive.h"
#include "path_components.h"

#include <algorithm>
#include <ctime>
#include <dirent.h>
#include <map>
#include <optional>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace w98 {

std::vector<std::string> pathComponents(std::string_view normalized) {
    std::vector<std::string> out;
    std::size_t pos = 3;
    while (pos < normalized.size()) {
        std::size_t next = normalized.find('\\', pos);
        if (next == std::string_view::npos)
            next = normalized.size();
        out.emplace_back(normalized.substr(pos, next - pos));
        pos = next + 1;
    }
    return out;
}

std::string Machine::normalize(std::string_view winPath) {
    if (winPath.size() < 2 || winPath[1] != ':' || !std::isalpha(static_cast<unsigned char>(winPath[0])))
        throw Error("“" + std::string(winPath) + "”不是带盘符的完整路径");
    std::string out;
    out += upperAscii(winPath[0]);
    out += ":\\";
    std::vector<std::string> parts;
    std::size_t pos = 2;
    while (pos <= winPath.size()) {
        std::size_t next = winPath.find_first_of("\\/", pos);
        if (next == std::string_view::npos)
            next = winPath.size();
        std::string_view part = winPath.substr(pos, next - pos);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            if (part.find('\0') != std::string_view::npos)
                throw Error("“" + std::string(winPath) + "”不是有效的路径");
            parts.emplace_back(part);
        }
        pos = next + 1;
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i)
            out += '\\';
        out += parts[i];
    }
    return out;
}

namespace {
std::int64_t mtimeNs(const struct stat& st) {
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}
// A folder changed within the last two seconds may change again without its time moving (the
// file system's clock is coarse): only a settled folder's index is kept, as git does with
// racily clean files.
bool settled(std::int64_t mtime) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec - mtime > 2000000000;
}
} // namespace

std::string Machine::findNoCase(const std::string& hostFolder, const std::string& part) const {
    struct stat st {};
    if (::stat(hostFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return {};
    const std::int64_t mtime = mtimeNs(st);
    const bool settled = w98::settled(mtime);
    FolderIndex& index = folderIndex_[hostFolder];
    if (!settled || index.mtimeNs != mtime || index.names.empty()) {
        index.names.clear();
        index.mtimeNs = mtime;
        if (DIR* dir = ::opendir(hostFolder.c_str())) {
            while (const dirent* e = ::readdir(dir))
                index.names.emplace(foldAscii(e->d_name), e->d_name);
            ::closedir(dir);
        }
    }
    auto it = index.names.find(foldAscii(part));
    return it == index.names.end() ? std::string() : it->second;
}

fs::path Machine::hostPath(std::string_view winPath) const {
    return resolve(winPath, Need::Content);
}

fs::path Machine::resolve(std::string_view winPath, Need need) const {
    const std::string norm = normalize(winPath);
    std::string host = (root_ / (std::string("drive_") + lowerAscii(norm[0]))).string();
    bool resolving = true;
    struct stat st {};
    for (const auto& part : pathComponents(norm)) {
        if (resolving) {
            const std::string exact = host + "/" + part;
            if (::lstat(exact.c_str(), &st) == 0) {
                host = exact;
                continue;
            }
            if (lazy_) {
                lazy_->list(host);
                if (::lstat(exact.c_str(), &st) == 0) {
                    host = exact;
                    continue;
                }
            }
            std::string name = findNoCase(host, part);
            if (name.empty() && part.find('~') != std::string::npos) {
                // Windows finds a file by its short name too ("PROGRA~1"). Only a name with a
                // numbered tail can be a short name that differs from its file's own name.
                for (const auto& [entry, shortName] : short_names::ofFolder(host))
                    if (equalsNoCase(shortName, part))
                        name = entry;
            }
            if (!name.empty()) {
                host += "/" + name;
                continue;
            }
            resolving = false;
        }
        host += "/" + part;
    }
    if (lazy_ && need == Need::Content && resolving) {
        if (::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            lazy_->list(host);
        else
            lazy_->fill(host);
    }
    return host;
}

bool matchesWildcard(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*" || pattern == "*")
        return true;
    // Iterative match with backtracking on the last '*'.
    std::size_t n = 0, p = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lowerAscii(pattern[p]) == lowerAscii(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    // "name.*" also matches "name" without an extension, as MS-DOS does.
    if (p + 2 == pattern.size() && pattern[p] == '.' && pattern[p + 1] == '*')
        return true;
    return p == pattern.size();
}

namespace {
// A name that is its own short name, without a numbered tail, has no other: matching it is enough.
bool mayHaveOtherShortName(const std::string& name) {
    return name.find('~') != std::string::npos || !short_names::isShortName(name);
}
} // namespace

std::vector<DirEntry> Machine::list(std::string_view folder, std::string_view pattern, bool fileAttributes,
                                    Names names) const {
    std::vector<DirEntry> out;
    const std::string host = hostPath(folder).string();
    struct stat st {};
    if (::stat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return out;
    DIR* dir = ::opendir(host.c_str());
    if (!dir)
        throw IoError(io_text::kAccessDenied, std::string(folder));
    // The listing reads every name anyway: it renews the folder's index for later lookups.
    const std::int64_t mtime = mtimeNs(st);
    FolderIndex* index = settled(mtime) ? &folderIndex_[host] : nullptr;
    if (index) {
        index->names.clear();
        index->mtimeNs = mtime;
    }
    // Short names are read only when a pattern may match one that the long name does not.
    std::optional<std::map<std::string, std::string>> shortNames;
    auto shortNameOf = [&](const std::string& name) {
        if (!shortNames)
            shortNames = short_names::ofFolder(host);
        const auto it = shortNames->find(name);
        return it == shortNames->end() ? std::string() : it->second;
    };
    std::vector<std::pair<std::string, DirEntry>> found; // folded name for sorting, entry
    while (const dirent* d = ::readdir(dir)) {
        const std::string name = d->d_name;
        if (index)
            index->names.emplace(foldAscii(name), name);
        if (name == "." || name == "..")
            continue;
        if (name.starts_with('.') && name.ends_with(".tmp"))
            continue; // a replacement in progress
        std::string shortName;
        if (names == Names::ShortOnly) {
            shortName = shortNameOf(name);
            if (shortName.empty() || !matchesWildcard(shortName, pattern))
                continue;
        } else if (!matchesWildcard(name, pattern) &&
                   !(mayHaveOtherShortName(name) && matchesWildcard(shortNameOf(name), pattern))) {
            continue;
        }
        if (::fstatat(::dirfd(dir), d->d_name, &st, 0) != 0)
            continue;
        DirEntry e;
        e.name = name;
        e.shortName = shortName;
        e.size = static_cast<std::uint64_t>(st.st_size);
        e.lastWrite = localDateTime(st.st_mtime);
        e.attributes = S_ISDIR(st.st_mode) || fileAttributes ? readDosAttributes(host + "/" + name, name)
                                                             : attr::kArchive;
        found.emplace_back(foldAscii(shortName.empty() ? name : shortName), std::move(e));
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second.name < b.second.name;
    });
    out.reserve(found.size());
    for (auto& f : found)
        out.push_back(std::move(f.second));
    return out;
}

std::string Machine::shortName(std::string_view winPath) const {
    const fs::path host = resolve(winPath, Need::Entry);
    std::error_code ec;
    if (!fs::exists(host, ec))
        throw IoError(io_text::kFileNotFound, std::string(winPath));
    return short_names::of(host);
}

std::string Machine::shortPath(std::string_view winPath) const {
    const std::string norm = normalize(winPath);
    std::string out = norm.substr(0, 2);
    std::string path = out;
    for (const auto& part : pathComponents(norm)) {
        path += "\\" + part;
        std::string name;
        if (exists(path))
            name = shortName(path);
        else if (short_names::isShortName(part))
            name = short_names::dosForm(part);
        else
            throw Error("“" + path + "”还不存在，它在MS-DOS下的短文件名要等它建立时才定下来");
        out += "\\" + name;
    }
    return out.size() == 2 ? out + "\\" : out;
}

std::string Machine::dosChild(std::string_view folder, std::string_view typed) const {
    const std::string wanted = short_names::dosForm(typed);
    const fs::path host = hostPath(folder);
    bool longNameOnly = false;
    for (const auto& [name, shortName] : short_names::ofFolder(host)) {
        if (shortName == wanted)
            return normalize(std::string(folder) + "\\" + name);
        longNameOnly = longNameOnly || equalsNoCase(name, wanted);
    }
    // A long name that reads like the typed 8.3 form is not what MS-DOS finds: the path then
    // leads below it, where nothing is and nothing can be made.
    const std::string path = normalize(std::string(folder) + "\\" + wanted);
    return longNameOnly ? path + "\\" + wanted : path;
}

} // namespace w98
