#include "image_sync.h"

#include "lazy_drive.h"

#include "base/date_time.h"
#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/host_file.h"
#include "base/short_names.h"

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

// A folder never looked into whose time is still the one it was given holds nothing new.
bool untouched(const EntryRecord& record, const fs::path& host) {
    struct stat st {};
    return record.kind == EntryRecord::Kind::Unlisted && ::lstat(host.c_str(), &st) == 0 &&
           mtimeNsOf(st) == record.mtimeNs;
}

constexpr std::uint8_t kKeptAttributes = 0x27; // read-only, hidden, system, archive

class Taker {
  public:
    Taker(FatVolume& volume, const DriveChanges& changes) : v_(volume), changes_(changes) {}

    // Takes a host folder standing for the image folder dir; gives how many entries it holds.
    // whole: it is new to that image folder (made or moved there), all it holds is looked at.
    std::uint32_t folder(const fs::path& host, std::uint32_t dir, bool whole = false) {
        const auto record = readEntryRecord(host);
        if (record && !whole && !changes_.changed.contains(host.native())) {
            // Nothing of its own changed: only the way to what did.
            if (changes_.onTheWay.contains(host.native()))
                for (const std::string& name : hostNames(host))
                    if (const auto r = readEntryRecord(host / name);
                        r && (r->kind == EntryRecord::Kind::Listed || r->kind == EntryRecord::Kind::Unlisted))
                        folder(host / name, r->firstCluster);
            return record->size;
        }
        if (record && record->kind == EntryRecord::Kind::Unlisted) {
            // Never looked into: unchanged, unless something was put there from outside. One
            // that moved takes its entries from where it was.
            if (!whole && (untouched(*record, host) || hostNames(host).empty()))
                return record->size;
            placeEntries(v_, record->firstCluster, host);
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
        return static_cast<std::uint32_t>(onHost.size());
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

    // The entry as the image holds it now, for the next look to find it unchanged.
    void keep(const fs::path& host, const std::optional<EntryRecord>& had, EntryRecord now) {
        if (!had || had->kind != now.kind || had->firstCluster != now.firstCluster || had->size != now.size ||
            had->written != now.written || had->mtimeNs != now.mtimeNs || had->attributes != now.attributes ||
            had->parent != now.parent || had->name != now.name)
            fixups.push_back({host, std::move(now)});
    }

    void entry(const fs::path& host, const struct stat& st, std::uint32_t dir, const FatEntry* img) {
        const auto record = readEntryRecord(host);
        const std::uint8_t attributes = dosAttributesOf(host, S_ISDIR(st.st_mode));
        const std::string name = host.filename().string();
        // A time nobody changed is the entry's own, whatever the host makes of it.
        const std::uint32_t written = record && record->mtimeNs == mtimeNsOf(st)
                                          ? record->written
                                          : packDosDateTime(localDateTime(st.st_mtime));
        if (S_ISDIR(st.st_mode)) {
            FatEntry made;
            if (img) {
                made = (attributes ^ img->attributes) & kKeptAttributes
                           ? v_.setInfo(*img, attributes, img->written)
                           : *img;
            } else {
                made = v_.createDirectory(dir, name, shortNameFor(host, dir), attributes, written);
            }
            const bool unlisted = record && record->kind == EntryRecord::Kind::Unlisted && img;
            const bool moved = !record || record->firstCluster != made.firstCluster ||
                               record->parent != dir || record->name != name;
            const std::uint32_t count = folder(host, made.firstCluster, moved);
            const bool stillUnlisted = unlisted && hostNames(host).empty();
            keep(host, record,
                 {stillUnlisted ? EntryRecord::Kind::Unlisted : EntryRecord::Kind::Listed,
                  made.firstCluster,
                  count,
                  made.written,
                  record ? record->mtimeNs : mtimeNsOf(st),
                  attributes,
                  dir,
                  name,
                  {}});
            return;
        }
        const bool placeholder = record && record->kind == EntryRecord::Kind::Placeholder;
        const auto kind = placeholder ? EntryRecord::Kind::Placeholder : EntryRecord::Kind::Filled;
        if (img && placeholder && record->firstCluster == img->firstCluster && record->size == img->size) {
            const FatEntry made =
                ((attributes ^ img->attributes) & kKeptAttributes) || written != img->written
                    ? v_.setInfo(*img, attributes, written)
                    : *img;
            keep(host, record,
                 {kind, made.firstCluster, made.size, written, mtimeNsOf(st), attributes, dir, name, {}});
            return;
        }
        // A placeholder moved here still has its bytes only in the image.
        const std::string content =
            placeholder ? v_.read(record->firstCluster, record->size) : readHostFile(host, host.string());
        if (content.size() > 0xFFFFFFFFull)
            throw Error("文件 " + name + " 超过 4 GB，FAT 放不下");
        FatEntry made;
        if (!img)
            made = v_.create(dir, name, shortNameFor(host, dir), attributes, written, content);
        else if (content.size() != img->size || content != v_.read(*img))
            made = v_.replace(*img, content, attributes, written);
        else if (((attributes ^ img->attributes) & kKeptAttributes) || written != img->written)
            made = v_.setInfo(*img, attributes, written);
        else
            made = *img;
        keep(host, record,
             {kind, made.firstCluster, made.size, written, mtimeNsOf(st), attributes, dir, name, {}});
    }

    FatVolume& v_;
    const DriveChanges& changes_;
};

// Finds the folders whose own entries changed, and those on the way to them; true when any.
bool walk(const fs::path& host, std::uint32_t dir, DriveChanges& out) {
    const auto record = readEntryRecord(host);
    if (record && untouched(*record, host))
        return false;
    const std::vector<std::string> names = hostNames(host);
    if (record && record->kind == EntryRecord::Kind::Unlisted && names.empty())
        return false;
    bool own = !record || record->kind != EntryRecord::Kind::Listed || record->size != names.size();
    bool below = false;
    for (const std::string& name : names) {
        const fs::path entry = host / name;
        struct stat st {};
        const auto r = readEntryRecord(entry);
        if (!r || ::lstat(entry.c_str(), &st) != 0 ||
            !recordHolds(*r, st, dosAttributesOf(entry, S_ISDIR(st.st_mode)), dir, name))
            own = true;
        else if (S_ISDIR(st.st_mode))
            below = walk(entry, r->firstCluster, out) || below;
    }
    if (own)
        out.changed.insert(host.native());
    else if (below)
        out.onTheWay.insert(host.native());
    return own || below;
}

} // namespace

DriveChanges changesIn(const fs::path& drive) {
    DriveChanges changes;
    const auto root = readEntryRecord(drive);
    walk(drive, root ? root->firstCluster : 0, changes);
    return changes;
}

std::vector<HostFixup> takeChanges(FatVolume& volume, const fs::path& drive, const DriveChanges& changes) {
    Taker taker(volume, changes);
    const auto had = readEntryRecord(drive);
    const std::uint32_t count = taker.folder(drive, volume.rootDirectory());
    EntryRecord root;
    root.kind = had && had->kind == EntryRecord::Kind::Unlisted && hostNames(drive).empty()
                    ? EntryRecord::Kind::Unlisted
                    : EntryRecord::Kind::Listed;
    root.firstCluster = volume.rootDirectory();
    root.size = count;
    taker.fixups.push_back({drive, root});
    return std::move(taker.fixups);
}

} // namespace w98::disk
