#include "startup_catalogue.h"

#include "startup_text.h"
#include "win_ini.h"

#include "base/cp936.h"
#include "base/dos_attributes.h"
#include "base/error.h"
#include "platform/machine.h"

#include <algorithm>
#include <cstdio>

namespace korvane {
namespace {

constexpr std::size_t kShownBytes = 64;

std::string hexNotation(const w98::RegValue& v) {
    std::string out = v.type == w98::reg_type::kBinary ? "hex:" : "hex(" + std::to_string(v.type) + "):";
    const std::size_t shown = std::min(v.data.size(), kShownBytes);
    for (std::size_t i = 0; i < shown; ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x",
                      static_cast<unsigned>(static_cast<unsigned char>(v.data[i])));
        if (i)
            out += ',';
        out += byte;
    }
    if (v.data.size() > shown)
        out += ",...";
    return out;
}

} // namespace

std::string RunValueText(const w98::RegValue& v) {
    namespace type = w98::reg_type;
    if (v.data.empty())
        return {};
    if (v.type == type::kSz || v.type == type::kExpandSz) {
        std::string_view raw(v.data);
        raw = raw.substr(0, raw.find('\0'));
        std::string text;
        if (w98::cp936::tryToUtf8(raw, text))
            return text;
    } else if (v.type == type::kDword && v.data.size() == 4) {
        char text[16];
        std::snprintf(text, sizeof text, "dword:%08x", static_cast<unsigned>(w98::regDwordFromData(v.data)));
        return text;
    }
    return hexNotation(v);
}

void ListRunKeyValues(w98::Machine& m, const std::string& keyName, std::vector<StartupEntry>& out) {
    const std::string key = kRunKeyPrefix + keyName;
    w98::Registry& r = m.registry();
    try {
        r.createKey(w98::kHkeyLocalMachine, key);
    } catch (const w98::IoError&) {
        // The registry cannot be written: an existing key is still read, a missing one is empty.
    }
    for (const w98::RegValue& v : r.values(w98::kHkeyLocalMachine, key))
        out.push_back(StartupEntry{RunValueText(v), v.name, keyName});
}

std::vector<StartupEntry> WinIniLoadEntries(const std::vector<std::string>& lines) {
    std::vector<StartupEntry> out;
    for (const std::string& line : lines)
        if (IsWinIniLoadLine(line))
            out.push_back(
                StartupEntry{DropLeadingChars(line, 5), startup_name::kWinIniLoad, startup_source::kWinIni});
    return out;
}

void ListStartupFolder(const w98::Machine& m, const std::string& folder, std::vector<StartupEntry>& out) {
    for (const w98::DirEntry& e : m.list(folder, "*.*")) {
        if (e.attributes == w98::attr::kDirectory || !IsPlainFileName(e.name))
            continue;
        out.push_back(StartupEntry{folder + "\\" + e.name, startup_name::kStartupFolder,
                                   startup_source::kStartupFolder});
    }
}

std::vector<StartupEntry> BuildStartupCatalogue(w98::Machine& m, const std::string& winDir) {
    std::vector<StartupEntry> entries;
    for (const char* key : kRunKeyNames)
        ListRunKeyValues(m, key, entries);
    const std::vector<std::string> winIni = ReadWinIniText(m, winDir + "\\win.ini");
    for (StartupEntry& e : WinIniLoadEntries(winIni))
        entries.push_back(std::move(e));
    ListStartupFolder(m, StartupFolderOf(winDir), entries);
    return entries;
}

} // namespace korvane
