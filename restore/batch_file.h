#pragma once
// Writing the batch files and registry imports the program hands to MS-DOS: code page 936,
// CR LF after every line, created anew. Text that came from the registry or the disk must
// never turn into a line of its own: a line holding a control character is refused.
#include <string>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

// Throws w98::Error naming the file and line when a line holds a control character;
// nothing is written then.
void WriteBatchFile(w98::Machine& m, const std::string& path, const std::vector<std::string>& lines);

} // namespace korvane
