#pragma once
// The machine's record of what each start printed (boot.log in the machine's folder): the
// MS-DOS job of a restore leaves its messages there.
#include <cstdint>
#include <string>

namespace w98 {
class Machine;
}

namespace korvane {

// The log's size in bytes; 0 when there is none.
std::uint64_t BootLogSize(const w98::Machine& m);

// What the starts after offset printed, at most the first 256 KB of it; the whole log when it
// is shorter than offset (it was begun anew); empty when there is none.
std::string BootLogSince(const w98::Machine& m, std::uint64_t offset);

// Why the start after a restore did not put the registry files back, in Chinese, from what
// it printed: the cabinet that could not be unpacked or found, the registry file that could
// not be copied, or the registry import that failed. Empty when the lines name no cause.
std::string RestoreFailureFromLog(const std::string& log);

} // namespace korvane
