#include "ini_file.h"

#include "base/error.h"
#include "base/text.h"

namespace w98 {

namespace {
// A stray CR is trimmed with the blanks.
std::string_view trim(std::string_view s) {
    return trimmed(s, " \t\r");
}
} // namespace

IniFile IniFile::parse(std::string_view text, const std::string& displayName) {
    IniFile ini;
    std::string section;
    std::size_t lineNo = 0;
    for (std::string_view line : splitLineViews(text)) {
        ++lineNo;
        line = trim(line);
        if (!line.empty() && line[0] != ';' && line[0] != '#') {
            if (line.front() == '[') {
                if (line.back() != ']' || line.size() < 3)
                    throw FormatError(displayName, lineNo, "节的行应写成 [节名]");
                section = std::string(trim(line.substr(1, line.size() - 2)));
                auto& sec = ini.sections_[foldAscii(section)];
                if (sec.first.empty())
                    sec.first = section;
            } else {
                std::size_t eq = line.find('=');
                if (eq == std::string_view::npos || eq == 0)
                    throw FormatError(displayName, lineNo, "此处应为 名称=值");
                ini.set(section, trim(line.substr(0, eq)), trim(line.substr(eq + 1)));
            }
        }
    }
    return ini;
}

std::string IniFile::get(std::string_view section, std::string_view key, std::string_view fallback) const {
    auto s = sections_.find(foldAscii(section));
    if (s == sections_.end())
        return std::string(fallback);
    auto k = s->second.second.find(foldAscii(key));
    if (k == s->second.second.end())
        return std::string(fallback);
    return k->second.second;
}

bool IniFile::has(std::string_view section, std::string_view key) const {
    auto s = sections_.find(foldAscii(section));
    return s != sections_.end() && s->second.second.count(foldAscii(key)) > 0;
}

void IniFile::set(std::string_view section, std::string_view key, std::string_view value) {
    auto& sec = sections_[foldAscii(section)];
    if (sec.first.empty())
        sec.first = std::string(section);
    sec.second[foldAscii(key)] = {std::string(key), std::string(value)};
}

std::string IniFile::text() const {
    std::string out;
    for (const auto& [folded, sec] : sections_) {
        out += "[" + sec.first + "]\n";
        for (const auto& [k, kv] : sec.second)
            out += kv.first + "=" + kv.second + "\n";
        out += "\n";
    }
    return out;
}

} // namespace w98
