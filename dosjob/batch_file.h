#pragma once
// Writing the batch files and registry imports the program hands to MS-DOS: code page 936,
// CR LF after every line, created anew. This is the one place that decides what a path may
// look like in such a line: a path read from the disk or the registry must stay the path it
// is and nothing else. MS-DOS would take a '>' or '<' for a redirection, a '|' for a pipe, a
// '%' for a variable and a blank for the end of the word, so a path with a blank is quoted, a
// '%' doubled, and a path MS-DOS cannot spell at all is refused before anything is written.
#include <cstddef>
#include <string>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

// Why the path cannot go into a batch line as itself (a message in Chinese that names the
// character); empty when it can.
std::string BatchPathProblem(const std::string& path);

// The path as one word of a batch line: every '%' doubled, the whole put in double quotes
// when it holds a blank or another MS-DOS separator. Throws w98::Error with the problem when
// BatchPathProblem finds one.
std::string BatchPath(const std::string& path);

// The path as one word of a line MS-DOS runs before Windows loads, when it sees only short
// names: every component by its 8.3 name (w98::Machine::shortPath), never quoted, every '%'
// doubled. Throws w98::Error naming the path when it has no short name yet, when MS-DOS could
// not spell it (BatchPathProblem), or when a double-byte character of it has '|' or '\' as
// its second byte, which MS-DOS may read as a pipe or a folder separator.
std::string DosPath(const w98::Machine& m, const std::string& path);

// A drive as MS-DOS changes to it ("C:"); throws w98::Error for anything else.
std::string BatchDrive(const std::string& drive);

// COMMAND.COM reads at most this many bytes of a line and cuts off the rest.
inline constexpr std::size_t kMaxBatchLineBytes = 127;

// Checks the lines of a batch file MS-DOS runs before Windows loads: a line may hold no
// control character, no '<', '>' or '|', no '%' other than the program's own %winbootdir% and
// a doubled "%%", and no more than kMaxBatchLineBytes bytes of code page 936, with %winbootdir%
// read as the Windows folder's short path or not. A line that fails is refused with w98::Error
// naming the file, the line's number and its text.
void CheckMsDosBatchLines(const w98::Machine& m, const std::string& path,
                          const std::vector<std::string>& lines);

// Writes a batch file that runs in MS-DOS mode, after CheckMsDosBatchLines; nothing is
// written when a line is refused.
void WriteMsDosBatchFile(w98::Machine& m, const std::string& path, const std::vector<std::string>& lines);

// Writes a batch file or registry import that runs under Windows, after the same checks but
// the length: Windows reads longer lines than MS-DOS does.
void WriteBatchFile(w98::Machine& m, const std::string& path, const std::vector<std::string>& lines);

} // namespace korvane
