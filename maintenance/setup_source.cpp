#include "setup_source.h"

#include "platform/error.h"
#include "platform/ini_file.h"
#include "platform/machine.h"
#include "sysaccess/registry_values.h"

namespace korvane {
namespace {

// The path as a message can show it: a control character as its code.
std::string Printable(const std::string& path) {
    std::string out;
    for (char c : path) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            const char* hex = "0123456789ABCDEF";
            out += "<";
            out += hex[u >> 4];
            out += hex[u & 15];
            out += ">";
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

std::string ReadSourcePath(w98::Machine& m) {
    return ReadRegStr(m, w98::kHkeyLocalMachine, kSetupKey, "SourcePath");
}

std::string ReadProductKey(w98::Machine& m) {
    return ReadRegStr(m, w98::kHkeyLocalMachine, kCurrentVersionKey, "ProductKey");
}

bool SourceIsOnCd(const std::string& sourcePath, const std::string& cdRoot) {
    return w98::containsNoCase(sourcePath, cdRoot);
}

bool SetupFileExists(const w98::Machine& m, const std::string& path) {
    try {
        return m.isFile(path);
    } catch (const w98::Error&) {
        return false;
    }
}

std::string BatchWord(const std::string& path) {
    std::string word;
    bool separated = false;
    for (char c : path) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || std::string_view("\"*?<>|").find(c) != std::string_view::npos)
            throw w98::Error(
                "The setup path \"" + Printable(path) +
                "\" (SourcePath in the registry) holds a character that no folder name can hold; "
                "no batch file was written with it");
        if (c == '%')
            word += '%';
        separated = separated || c == ' ' || c == ',' || c == ';' || c == '=';
        word += c;
    }
    return separated ? "\"" + word + "\"" : word;
}

} // namespace korvane
