#pragma once
// Running the machine's programs, finding its drives and its Windows folder.
#include <cstdint>
#include <string>
#include <string_view>

namespace w98 {
class Machine;
}

namespace korvane {

inline constexpr std::size_t kMaxCommandLine = 512;
inline constexpr std::uint16_t kSwHide = 0;

// Runs a command line hidden and waits without a time limit; the exit code, or -1 when the
// program could not be started. A command line longer than 512 characters is refused with an
// error rather than cut short.
std::int32_t RunAndWait(w98::Machine& m, std::string_view commandLine, std::uint16_t show);

// "X:\" for the first CD-ROM drive, "0" when there is none.
std::string FindCdromDrive(const w98::Machine& m);

// The registry's SystemRoot; "" when it does not hold it. On a disk whose registry cannot be
// read, the Windows folder the disk shows.
std::string GetWindowsDir(w98::Machine& m);

bool IsWindows98(w98::Machine& m);

// Opens the file for reading and writing, as the program's file access does, and gives its size.
std::uint32_t FileSizeOf(w98::Machine& m, std::string_view path);

} // namespace korvane
