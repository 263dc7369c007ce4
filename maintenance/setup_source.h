#pragma once
// Where Windows setup was run from (SourcePath) and the product key it asked for, and how a
// path from the registry goes into a batch line.
#include <string>

namespace w98 {
class Machine;
}

namespace korvane {

inline constexpr const char* kSetupKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Setup";
inline constexpr const char* kCurrentVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";

// Asked before the setup CD is used.
inline constexpr const char* kInsertSetupCd = "请把win98的安装光盘放入光驱，然后点击〔Yes〕，否则点击〔no〕";

// "" when absent.
std::string ReadSourcePath(w98::Machine& m);
std::string ReadProductKey(w98::Machine& m);

// The setup files are on the CD when SourcePath holds the CD root ("D:\"), letter case
// ignored. Without a CD-ROM drive the root is "0", which a path rarely holds.
bool SourceIsOnCd(const std::string& sourcePath, const std::string& cdRoot);

// Whether the file exists; a path built on the "0" of a machine without a CD-ROM drive is no
// path of the machine and does not.
bool SetupFileExists(const w98::Machine& m, const std::string& path);

// A path built on SourcePath as one word of a batch line (BatchPath); a path that cannot be
// written safely is refused with an error that names SourcePath.
std::string SetupPathWord(const std::string& path);
// The same for a line MS-DOS runs before Windows loads: the path by its short names (DosPath)
// when its folder is on the machine now. A folder that is not (a CD not in the drive) has no
// short names to read: the path is written as SetupPathWord(path) writes it.
std::string SetupPathWord(const w98::Machine& m, const std::string& path);

} // namespace korvane
