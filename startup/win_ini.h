#pragma once
// win.ini as the startup manager sees it. Only its "load=" lines matter here, and other
// programs may have left anything in the rest (a Latin-1 font name, a line of another code
// page), so the file is read as bytes: a line that is not code page 936 is shown with '?'
// for what cannot be read, and every line that is not emptied is written back byte for byte,
// its own line break included.
#include <string>
#include <string_view>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

// A line of the file as bytes, and the break that ended it ("\r\n", "\n" or "" for a last
// line without one).
struct WinIniLine {
    std::string bytes;
    std::string end;
};

std::vector<WinIniLine> SplitWinIni(std::string_view file);
std::string JoinWinIni(const std::vector<WinIniLine>& lines);

// The line as text: code page 936 where it is that, '?' for each byte that is not.
std::string WinIniLineText(std::string_view bytes);

// Every line of the file as text. Throws the file error when it cannot be read.
std::vector<std::string> ReadWinIniText(const w98::Machine& m, const std::string& winIniPath);

// Does the line (as text) carry a "load=" that the startup manager lists and empties?
bool IsWinIniLoadLine(std::string_view text);

} // namespace korvane
