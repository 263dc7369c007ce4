#pragma once
// MS-DOS path resolution: one current drive, and one current folder per drive. A path as
// typed ("x", "..\x", "\x", "D:x", "D:\x") becomes a full path of the machine.
#include <array>
#include <string>
#include <string_view>
#include <utility>

namespace w98 {

class Machine;

// What MS-DOS says of a drive letter that names no drive.
inline constexpr const char* kInvalidDrive = "Invalid drive specification";

class DosPaths {
  public:
    DosPaths() = default;

    char drive() const { return drive_; } // upper case
    // The current folder of the current drive, e.g. "C:\WINDOWS" or "C:\".
    std::string folder() const { return folderOf(drive_); }
    std::string folderOf(char drive) const;

    void setDrive(char drive);
    // Makes a full path (normalized) the current folder of its drive; the current drive stays.
    void setFolder(std::string_view fullPath);

    // The full, normalized path for a path as typed. Throws Error for a bad drive letter.
    // With short names only, each typed component is found by its 8.3 form, as MS-DOS finds
    // it before Windows loads (see Machine::dosChild).
    std::string resolve(std::string_view typed) const;
    // A name typed for a file of a folder the machine spells in full.
    std::string within(const std::string& folder, std::string_view typedName) const;

    // MS-DOS mode before Windows loads: the machine's files are found by their short names
    // only. nullptr: long names, as in a Windows DOS box.
    void useShortNames(const Machine* machine) { shortNames_ = machine; }
    bool shortNamesOnly() const { return shortNames_ != nullptr; }

  private:
    static std::size_t index(char drive);

    char drive_ = 'C';
    std::array<std::string, 26> folders_; // empty: the root
    const Machine* shortNames_ = nullptr;
};

// A drive letter followed by a colon, nothing else ("d:").
bool isDriveName(std::string_view word);

// True when the machine has that drive.
bool driveExists(const Machine& machine, char drive);

// The folder path with every component in the letter case it has on disk, as MS-DOS shows it.
// Components that do not exist stay as given.
std::string onDiskCase(const Machine& machine, const std::string& fullPath);

// Splits a full path into its folder and its last component ("C:\A\B" -> "C:\A", "B";
// "C:\B" -> "C:\", "B").
std::pair<std::string, std::string> splitLast(const std::string& fullPath);

// Joins a folder and a name with exactly one backslash.
std::string joinPath(std::string_view folder, std::string_view name);

bool hasWildcards(std::string_view s);

} // namespace w98
