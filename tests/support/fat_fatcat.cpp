// The image as fatcat lists it.
#include "fat_tools.h"
#include "fat_tools_detail.h"
#include "tool_process.h"

#include "base/text.h"

#include <algorithm>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>

namespace korvane::test {
namespace fs = std::filesystem;

namespace {

struct FatcatEntry {
    FatListedEntry listed;
    unsigned cluster = 0;
};

std::vector<std::string> fatcatArgs(const fs::path& image, std::vector<std::string> options) {
    std::vector<std::string> argv = {"fatcat", image.string(), "-O", std::to_string(fatVolumeOffset(image))};
    argv.insert(argv.end(), options.begin(), options.end());
    return argv;
}

// fatcat prints a name's bytes as they come, so a Chinese long name may hold a line break:
// a line that starts no entry and no heading continues the entry above it.
std::vector<std::string> entryRecords(const std::string& output, const std::string& context) {
    static const std::regex entryStart(R"(^[fd] [0-9]+/[0-9]+/[0-9]+ [0-9]+:[0-9]+:[0-9]+  .*)");
    std::vector<std::string> records;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        if (std::regex_match(line, entryStart))
            records.push_back(line);
        else if (line.starts_with("Listing cluster ") || line.starts_with("Directory cluster: "))
            continue;
        else if (!records.empty() && !line.starts_with("! ") && !line.starts_with("Warning: "))
            records.back() += "\n" + line;
        else
            throw std::runtime_error("unexpected fatcat line \"" + line + "\" in " + context);
    }
    return records;
}

// "f 7/12/2026 19:31:30  My Backup Archive.cab (MYBACK~1.CAB)     c=2 s=6 (6B) h", read from the
// right since the name may hold anything; fatcat adds the short name in brackets when it differs
// from the name shown (a folder's name ends in '/', so folders always have it).
FatcatEntry parseRecord(std::string record, const std::string& context) {
    static const std::regex start(R"(^[fd] [0-9]+/[0-9]+/[0-9]+ [0-9]+:[0-9]+:[0-9]+  )");
    auto fail = [&] {
        return std::runtime_error("unexpected fatcat entry \"" + record + "\" in " + context);
    };
    FatcatEntry e;
    const bool isFolder = record[0] == 'd';
    std::string rest = record;
    if (rest.ends_with(" h")) {
        e.listed.attributes |= 0x02;
        rest.resize(rest.size() - 2);
    }
    if (!isFolder) {
        const std::size_t s = rest.rfind(" s=");
        if (s == std::string::npos || !rest.ends_with(")"))
            throw fail();
        e.listed.size = std::stoull(rest.substr(s + 3));
        rest.resize(s);
    }
    const std::size_t c = rest.rfind(" c=");
    if (c == std::string::npos)
        throw fail();
    e.cluster = static_cast<unsigned>(std::stoul(rest.substr(c + 3)));
    rest.resize(c);
    std::smatch m;
    if (!std::regex_search(rest, m, start))
        throw fail();
    const std::string field(w98::trimmedRight(rest.substr(static_cast<std::size_t>(m.length(0))), " "));

    std::string shown = field, stored = field;
    const std::size_t open = field.rfind(isFolder ? "/ (" : " (");
    if (field.ends_with(")") && open != std::string::npos) {
        shown = field.substr(0, open);
        const std::size_t from = open + (isFolder ? 3 : 2);
        stored = field.substr(from, field.size() - 1 - from);
    } else if (isFolder) {
        throw fail();
    }
    // A directory entry keeps a first byte 0xE5 as 0x05, 0xE5 marking deleted entries.
    if (!stored.empty() && stored[0] == '\x05')
        stored[0] = '\xE5';
    e.listed.shortName = fat_detail::shortNameAsUtf8(stored);
    e.listed.path = shown == stored ? e.listed.shortName : shown;
    if (isFolder)
        e.listed.attributes |= 0x10;
    return e;
}

void listFolder(const fs::path& image, unsigned cluster, const std::string& parent, std::set<unsigned>& seen,
                std::vector<FatListedEntry>& out) {
    if (!seen.insert(cluster).second)
        throw std::runtime_error("fatcat lists folder cluster " + std::to_string(cluster) + " twice in " +
                                 image.string());
    const auto argv = fatcatArgs(image, {"-L", std::to_string(cluster)});
    const ToolResult result = runTool(argv);
    const std::string context = describeRun(argv, result);
    if (result.exitCode != 0)
        throw std::runtime_error(context);
    for (const std::string& record : entryRecords(result.output, context)) {
        FatcatEntry e = parseRecord(record, context);
        if (e.listed.shortName == "." || e.listed.shortName == "..")
            continue;
        e.listed.path = parent.empty() ? e.listed.path : parent + "\\" + e.listed.path;
        out.push_back(e.listed);
        if (e.listed.attributes & 0x10)
            listFolder(image, e.cluster, e.listed.path, seen, out);
    }
}

} // namespace

std::vector<FatListedEntry> fatcatListing(const fs::path& image) {
    std::vector<FatListedEntry> entries;
    std::set<unsigned> seen;
    listFolder(image, 0, "", seen, entries); // cluster 0: the root, FAT16 or FAT32
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
    return entries;
}

std::string fatcatRendering(std::string_view utf8) {
    std::string out;
    auto emitUnit = [&out](unsigned unit) {
        const unsigned low = unit & 0xFF, high = unit >> 8;
        if (low == 0 || low == 0xFF)
            return;
        out += static_cast<char>(low);
        if (high != 0)
            out += static_cast<char>(high);
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        unsigned cp = n == 1 ? lead : lead & (0x7Fu >> n);
        for (std::size_t k = 1; k < n && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += n;
        if (cp >= 0x10000) {
            emitUnit(0xD800 + ((cp - 0x10000) >> 10));
            emitUnit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            emitUnit(cp);
        }
    }
    return out;
}

std::uint8_t fatcatAttributes(const fs::path& image, const std::string& fatcatPath) {
    std::string path = "/" + fatcatPath;
    std::replace(path.begin(), path.end(), '\\', '/');
    const auto argv = fatcatArgs(image, {"-e", path});
    const ToolResult result = runTool(argv);
    const std::size_t at = result.output.find("\nAttributes ");
    if (result.exitCode != 0 || at == std::string::npos)
        throw std::runtime_error(describeRun(argv, result));
    return static_cast<std::uint8_t>(std::stoul(result.output.substr(at + 12), nullptr, 16));
}

} // namespace korvane::test
