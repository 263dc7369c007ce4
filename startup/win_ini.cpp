#include "win_ini.h"

#include "startup_entry.h"
#include "startup_text.h"

#include "base/cp936.h"
#include "base/text.h"
#include "platform/machine.h"

namespace korvane {

std::vector<WinIniLine> SplitWinIni(std::string_view file) {
    std::vector<WinIniLine> out;
    std::size_t pos = 0;
    while (pos < file.size()) {
        const std::size_t nl = file.find('\n', pos);
        if (nl == std::string_view::npos) {
            out.push_back({std::string(file.substr(pos)), {}});
            break;
        }
        std::size_t cut = nl;
        if (cut > pos && file[cut - 1] == '\r')
            --cut;
        out.push_back(
            {std::string(file.substr(pos, cut - pos)), std::string(file.substr(cut, nl + 1 - cut))});
        pos = nl + 1;
    }
    return out;
}

std::string JoinWinIni(const std::vector<WinIniLine>& lines) {
    std::string out;
    for (const WinIniLine& l : lines)
        out += l.bytes + l.end;
    return out;
}

std::string WinIniLineText(std::string_view bytes) {
    std::string text;
    if (w98::cp936::tryToUtf8(bytes, text))
        return text;
    text.clear();
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            text += bytes[i++];
            continue;
        }
        std::string pair;
        if (i + 1 < bytes.size() && w98::cp936::tryToUtf8(bytes.substr(i, 2), pair)) {
            text += pair;
            i += 2;
        } else {
            text += '?';
            ++i;
        }
    }
    return text;
}

std::vector<std::string> ReadWinIniText(const w98::Machine& m, const std::string& winIniPath) {
    std::vector<std::string> out;
    for (const WinIniLine& line : SplitWinIni(m.readFile(winIniPath)))
        out.push_back(WinIniLineText(line.bytes));
    return out;
}

bool IsWinIniLoadLine(std::string_view text) {
    return text != startup_name::kWinIniLoad && w98::containsNoCase(text, startup_name::kWinIniLoad);
}

} // namespace korvane
