#pragma once
// The internal file and folder commands of the MS-DOS interpreter. Each takes the command's
// tail as typed, prints MS-DOS's messages for what fails, and never throws for bad input.
//
// As in MS-DOS, DEL, REN, COPY and IF EXIST do not see hidden or system files: a batch first
// clears those attributes with attrib.
#include <ostream>
#include <string>
#include <string_view>

namespace w98 {

struct DosSession;

void changeDrive(DosSession& s, char drive, std::ostream& out); // "D:"
void cdCommand(DosSession& s, std::string_view tail, std::ostream& out);
void delCommand(DosSession& s, std::string_view tail, std::ostream& out);
void renCommand(DosSession& s, std::string_view tail, std::ostream& out);
// In a batch file COPY overwrites without asking; typed at the prompt it asks unless /Y is
// given, and with no keyboard attached the answer is no.
void copyCommand(DosSession& s, std::string_view tail, std::ostream& out, bool inBatch);
void typeCommand(DosSession& s, std::string_view tail, std::ostream& out);

// IF EXIST: a visible file matches (wildcards allowed); "folder\NUL" tests a folder.
bool fileExists(const DosSession& s, std::string_view typed);

// The name a wildcard target gives a file, as REN and COPY form it: "*.bak" makes
// "a.txt" "a.bak", "??x.*" makes "abc.txt" "abx.txt".
std::string applyNamePattern(std::string_view name, std::string_view pattern);

} // namespace w98
