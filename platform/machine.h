#pragma once
// A stand-in Windows 98 machine: a host folder holding drive_c/, drive_d/... and machine.ini, or
// a disk (an image file, a virtual PC's disk, a device) whose drive C: such a folder mirrors.
// Windows paths map onto host paths without regard to letter case, component by component,
// while new files and folders keep the case they are given, as on FAT.
#include "base/date_time.h"
#include "ini_file.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace w98 {

class Registry;
namespace disk {
class ImageMirror;
class LazyDrive;
} // namespace disk

enum class DriveType : unsigned {
    Unknown = 0,
    NoRootDir = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6
};

struct DirEntry {
    std::string name;
    std::string shortName; // in a listing by short names only
    std::uint8_t attributes = 0;
    DateTime lastWrite;
    std::uint64_t size = 0;
};

class Machine {
  public:
    // Opens an existing machine folder, or a disk image file holding drive C: (see
    // disk/image_mirror.h). Throws Error when it is missing, not a folder or unreadable, or no
    // usable disk image, and FormatError when machine.ini cannot be understood.
    // Use::Look: the program only reads the machine and never commits (a listing); a disk may
    // then be opened without what only writing needs.
    enum class Use { Change, Look };
    explicit Machine(std::filesystem::path root, Use use = Use::Change);
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // WIN98_MACHINE, else $XDG_DATA_HOME/korvane/machine (~/.local/share/korvane/machine).
    static std::filesystem::path defaultRoot();

    // The host folder the machine's files are in: for a disk image, the folder mirroring it,
    // which is also what the programs it starts work on; the image takes their changes with
    // this machine's next commit.
    const std::filesystem::path& root() const { return root_; }
    bool isDiskImage() const { return image_ != nullptr; }
    // Puts what changed into the disk image (nothing to do for a folder). Throws Error when the
    // image cannot take it; the machine's files are then back to what the image holds.
    void commit();
    // False for a disk image this program may only read: nothing it changes can go into it.
    // readOnlyReason says so, naming the image.
    bool canWrite() const;
    std::string readOnlyReason() const;
    // On a disk: the last program to have it open did not end as programs end (killed before
    // its commit, say); what it had not committed was dropped at opening, and this says so.
    // Empty otherwise.
    std::string interruptedStep() const;

    // What Windows would know, from machine.ini.
    std::string windowsFolder() const; // e.g. C:\WINDOWS, where SYSTEM.DAT and USER.DAT live
    // On a disk whose MSDOS.SYS names no folder holding Windows: what it names ("none" for
    // nothing), the Windows folder having been found where Setup puts it. Empty otherwise.
    std::string windowsFolderNotNamed() const;
    std::string shortDateFormat() const;
    std::string longTimeFormat() const;
    std::string biosIdText() const;
    DriveType driveType(std::string_view rootPath) const; // "D:\" or "D:"

    // "c:/windows\\system\\..\\X" -> "C:\windows\X". Throws Error for a path that is not absolute.
    // hostPath finds each component by its name, or by its short name, as Windows does. On a
    // disk image the file it names holds its bytes and the folder its entries, read from the
    // image if they were not yet.
    static std::string normalize(std::string_view winPath);
    std::filesystem::path hostPath(std::string_view winPath) const;

    bool exists(std::string_view winPath) const;
    bool isDirectory(std::string_view winPath) const;
    bool isFile(std::string_view winPath) const;
    std::uint8_t attributes(std::string_view winPath) const;
    void setAttributes(std::string_view winPath, std::uint8_t attributes);
    std::uint64_t fileSize(std::string_view winPath) const;
    DateTime lastWriteTime(std::string_view winPath) const;
    void setLastWriteTime(std::string_view winPath, const DateTime& local);

    // Which names a pattern is matched against: either, as Windows does, or the short names
    // alone, as MS-DOS does before Windows loads.
    enum class Names { LongOrShort, ShortOnly };
    // Entries of folder matching an MS-DOS wildcard pattern (* and ?, letter case ignored),
    // sorted by the names matched; "." and ".." are not listed. A missing folder lists nothing.
    // Without fileAttributes, files report only the archive attribute (folders still report
    // theirs): a listing of many files then costs one stat each.
    std::vector<DirEntry> list(std::string_view folder, std::string_view pattern = "*.*",
                               bool fileAttributes = true, Names names = Names::LongOrShort) const;

    std::string readFile(std::string_view winPath) const;
    // Creates or replaces a file atomically. A read-only file is not replaced (access denied).
    // The new file has the archive attribute unless attributes are given.
    void writeFile(std::string_view winPath, std::string_view bytes);
    void writeFile(std::string_view winPath, std::string_view bytes, std::uint8_t attributes);

    // Text files in code page 936; lines come back as UTF-8, are written with CR LF after each.
    std::vector<std::string> readTextLines(std::string_view winPath) const;
    void writeTextLines(std::string_view winPath, const std::vector<std::string>& lines);

    // Copies content, attributes and last-write time. A read-only destination is not replaced.
    void copyFile(std::string_view from, std::string_view to, bool overwrite);
    // Renames or moves within the machine; fails when the destination exists.
    void moveFile(std::string_view from, std::string_view to);
    void deleteFile(std::string_view winPath);      // a read-only file is not deleted
    void createDirectory(std::string_view winPath); // one level
    void createDirectories(std::string_view winPath);
    void removeDirectory(std::string_view winPath); // must be empty

    // 8.3 names, as MS-DOS sees the machine before Windows loads. shortName is the name an
    // existing file or folder got when it was made ("MYBACK~1.CAB").
    std::string shortName(std::string_view winPath) const;
    // The path with every component by its short name. A component that does not exist yet is
    // given as it is when it is a short name itself (upper case); otherwise throws Error, as
    // its short name is made only with it.
    std::string shortPath(std::string_view winPath) const;
    // What MS-DOS finds for a name typed in a folder (a full path as this machine spells it):
    // the entry whose short name is the name's 8.3 form, else the folder with that 8.3 form
    // (what MS-DOS would create). A long name is never found by itself: one that reads like
    // the 8.3 form gives a path below it, where nothing is.
    std::string dosChild(std::string_view folder, std::string_view typed) const;

    Registry& registry();

  private:
    // What a path's host entry must hold when it is found on a disk image: only itself (its
    // size, time and attributes), or its bytes or entries too.
    enum class Need { Entry, Content };
    std::filesystem::path resolve(std::string_view winPath, Need need) const;
    // The entry of a host folder named like part without regard to case.
    std::string findNoCase(const std::string& hostFolder, const std::string& part) const;

    std::unique_ptr<disk::ImageMirror> image_;
    std::unique_ptr<disk::LazyDrive> lazy_; // drive C: of a disk image, read as it is looked into
    std::filesystem::path root_;
    IniFile ini_;
    std::unique_ptr<Registry> registry_;
    // Folded names of the entries of folders searched before, kept while the folder is
    // unchanged (same modification time), so that looking up several missing names in a
    // folder of many thousand files reads it once.
    struct FolderIndex {
        std::int64_t mtimeNs = 0;
        std::unordered_map<std::string, std::string> names;
    };
    mutable std::unordered_map<std::string, FolderIndex> folderIndex_;
};

// True when name matches an MS-DOS wildcard pattern, letter case ignored ("*.*" matches all).
bool matchesWildcard(std::string_view name, std::string_view pattern);

} // namespace w98
