#include "image_sync.h"

#include "lazy_drive.h"

#include "platform/date_time.h"
#include "platform/dos_attributes.h"
#include "platform/error.h"
#include "platform/host_file.h"
#include "platform/short_names.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <map>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace w98::disk {
namespace {

// The temporary file of a replacement under way: "." name "." pid ["-" number] ".tmp", as
// replaceHostFile and placeFile make them. Another file named so is the user's own. Gives the pid.
std::optional<pid_t> inFlightWriter(const std::string& name) {
    if (!name.starts_with('.') || !name.ends_with(".tmp"))
        return std::nullopt;
    const std::string stem = name.substr(0, name.size() - 4);
    const auto dot = stem.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return std::nullopt;
    const std::string tail = stem.substr(dot + 1);
    const std::string pid = tail.substr(0, tail.find('-'));
    const std::string rest = tail.find('-') == std::string::npos ? "0" : tail.substr(tail.find('-') + 1);
    const auto digits = [](const std::string& t) {
        return !t.empty() && t.size() < 10 &&
               std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(pid) || !digits(rest))
        return std::nullopt;
    return static_cast<pid_t>(std::stol(pid));
}

// The names of a host folder, without what replacements under way hold; what a killed writer
// left is cleared away.
std::vector<std::string> hostNames(const fs::path& folder) {
    std::vector<std::string> names;
    DIR* d = ::opendir(folder.c_str());
    if (!d)
        return names;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        if (const auto writer = inFlightWriter(name)) {
            if (::kill(*writer, 0) != 0 && errno == ESRCH) {
                std::error_code ec;
                fs::remove_all(folder / name, ec);
            }
            continue;
        }
        names.push_back(name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

constexpr std::uint8_t kKeptAttributes = 0x27; // read-only, hidden, system, archive

class Taker {
  public:
    Taker(FatVolume& volume) : v_(volume) {}

    void folder(const fs::path& host, std::uint32_t dir) {
        const auto record = readEntryRecord(host);
        if (record && record->kind == EntryRecord::Kind::Unlisted) {
            // Never looked into: unchanged, unless something was put there from outside.
            if (hostNames(host).empty())
                return;
            placeEntries(v_, dir, host);
        }
        std::map<std::string, FatEntry> inImage;
        for (FatEntry& e : v_.list(dir))
            inImage.emplace(e.name, std::move(e));
        const std::vector<std::string> names = hostNames(host);
        std::map<std::string, struct stat> onHost;
        for (const std::string& name : names) {
            struct stat st {};
            if (::lstat((host / name).c_str(), &st) == 0 && (S_ISDIR(st.st_mode) || S_ISREG(st.st_mode)))
                onHost.emplace(name, st);
        }
        // What went away first, so that its room and its name are free.
        for (auto it = inImage.begin(); it != inImage.end();) {
            const auto h = onHost.find(it->first);
            if (h == onHost.end() || S_ISDIR(h->second.st_mode) != it->second.isDirectory()) {
                removeTree(it->second);
                it = inImage.erase(it);
            } else {
                ++it;
            }
        }
        for (const auto& [name, st] : onHost) {
            const auto img = inImage.find(name);
            entry(host / name, st, dir, img == inImage.end() ? nullptr : &img->second);
        }
    }

    std::vector<HostFixup> fixups;

  private:
    void removeTree(const FatEntry& e) {
        if (e.isDirectory())
            for (const FatEntry& child : v_.list(e.firstCluster))
                removeTree(child);
        v_.remove(e);
    }

    std::string shortNameFor(const fs::path& host, std::uint32_t dir) {
        std::string shortName = short_names::of(host);
        std::set<std::string> taken;
        for (const FatEntry& sibling : v_.list(dir))
            taken.insert(sibling.shortName);
        if (taken.contains(shortName)) {
            shortName = short_names::make(host.filename().string(),
                                          [&](const std::string& s) { return taken.contains(s); });
            short_names::keep(host, shortName);
        }
        return shortName;
    }

    void entry(const fs::path& host, const struct stat& st, std::uint32_t dir, const FatEntry* img) {
        const auto record = readEntryRecord(host);
        const std::uint8_t attributes = readDosAttributes(host, host.string());
        // A time nobody changed is the entry's own, whatever the host makes of it.
        const std::uint32_t written = record && record->mtime == st.st_mtime
                                          ? record->written
                                          : packDosDateTime(localDateTime(st.st_mtime));
        if (S_ISDIR(st.st_mode)) {
            std::uint32_t cluster = 0;
            if (img) {
                if ((attributes ^ img->attributes) & kKeptAttributes)
                    v_.setInfo(*img, attributes, img->written);
                cluster = img->firstCluster;
            } else {
                const FatEntry made = v_.createDirectory(dir, host.filename().string(), shortNameFor(host, dir),
                                                         attributes, written);
                cluster = made.firstCluster;
                fixups.push_back({host, {EntryRecord::Kind::Listed, cluster, 0, written, st.st_mtime}});
            }
            folder(host, cluster);
            return;
        }
        const bool placeholder = record && record->kind == EntryRecord::Kind::Placeholder;
        if (img && placeholder && record->firstCluster == img->firstCluster && record->size == img->size) {
            if (((attributes ^ img->attributes) & kKeptAttributes) || written != img->written) {
                v_.setInfo(*img, attributes, written);
                fixups.push_back({host, {record->kind, img->firstCluster, img->size, written, st.st_mtime}});
            }
            return;
        }
        // A placeholder moved here still has its bytes only in the image.
        const std::string content = placeholder ? v_.read(record->firstCluster, record->size)
                                                : readHostFile(host, host.string());
        if (content.size() > 0xFFFFFFFFull)
            throw Error("文件 " + host.filename().string() + " 超过 4 GB，FAT 放不下");
        FatEntry made;
        if (img) {
            if (content.size() != img->size || content != v_.read(*img))
                made = v_.replace(*img, content, attributes, written);
            else if (((attributes ^ img->attributes) & kKeptAttributes) || written != img->written)
                made = v_.setInfo(*img, attributes, written);
            else
                return;
        } else {
            made = v_.create(dir, host.filename().string(), shortNameFor(host, dir), attributes, written, content);
        }
        const auto kind = placeholder ? EntryRecord::Kind::Placeholder : EntryRecord::Kind::Filled;
        fixups.push_back({host, {kind, made.firstCluster, made.size, written, st.st_mtime}});
    }

    FatVolume& v_;
};

} // namespace

std::vector<HostFixup> takeChanges(FatVolume& volume, const fs::path& drive) {
    Taker taker(volume);
    taker.folder(drive, volume.rootDirectory());
    return std::move(taker.fixups);
}

} // namespace w98::disk
