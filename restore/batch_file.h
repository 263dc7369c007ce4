#pragma once
// Writing the batch files and registry imports the program hands to MS-DOS: code page 936,
// CR LF after every line, created anew. This is the one place that decides what a path may
// look like in such a line: a path read from the disk or the registry must stay the path it
// is and nothing else. MS-DOS would take a '>' or '<' for a redirection, a '|' for a pipe, a
// '%' for a variable and a blank for the end of the word, so a path with a blank is quoted, a
// '%' doubled, and a path MS-DOS cannot spell at all is refused before anything is written.
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

// A drive as MS-DOS changes to it ("C:"); throws w98::Error for anything else.
std::string BatchDrive(const std::string& drive);

// Writes the lines, after checking every one of them: a line may hold no control character,
// no '<', '>' or '|', and no '%' other than the program's own %winbootdir% and a doubled
// "%%". A line that does is refused with w98::Error naming the file, the line's number and
// its text; nothing is written then.
void WriteBatchFile(w98::Machine& m, const std::string& path, const std::vector<std::string>& lines);

} // namespace korvane
