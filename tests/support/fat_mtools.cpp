// The image as mtools lists and fills it.
#include "fat_tools.h"
#include "fat_tools_detail.h"
#include "tool_process.h"

#include "base/text.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace korvane::test {
namespace fs = std::filesystem;

namespace {

// Settings read after the system's and the user's files, so theirs do not count; the same as
// variables, which override all files.
constexpr const char* kSettings[][2] = {{"MTOOLS_SKIP_CHECK", "1"},
                                        {"MTOOLS_LOWER_CASE", "0"},
                                        {"MTOOLS_TWENTY_FOUR_HOUR_CLOCK", "1"},
                                        {"MTOOLS_DATE_STRING", "yyyy-mm-dd"},
                                        {"MTOOLS_NAME_NUMERIC_TAIL", "1"},
                                        {"MTOOLS_NO_VFAT", "0"},
                                        {"MTOOLS_DOTTED_DIR", "0"}};

// A settings file for one code page, written once and removed when the tests end.
class SettingsFile {
  public:
    explicit SettingsFile(unsigned codePage)
        : path_(fs::temp_directory_path() /
                ("korvane-mtoolsrc-" + std::to_string(::getpid()) + "-" + std::to_string(codePage))) {
        std::ofstream out(path_, std::ios::trunc);
        for (const auto& s : kSettings)
            out << s[0] << "=" << (s[1][0] >= '0' && s[1][0] <= '9' ? s[1] : "\"" + std::string(s[1]) + "\"")
                << "\n";
        out << "default_codepage=" << codePage << "\n";
        if (!out)
            throw std::runtime_error("cannot write " + path_.string());
    }
    ~SettingsFile() {
        std::error_code ec;
        fs::remove(path_, ec);
    }
    SettingsFile(const SettingsFile&) = delete;
    SettingsFile& operator=(const SettingsFile&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

const fs::path& settingsFile(unsigned codePage) {
    static const SettingsFile cp850(850), cp936(936);
    if (codePage != 850 && codePage != 936)
        throw std::runtime_error("no mtools settings for code page " + std::to_string(codePage));
    return codePage == 850 ? cp850.path() : cp936.path();
}

ToolResult runMtools(const std::vector<std::string>& argv, unsigned codePage = 850) {
    std::vector<std::pair<std::string, std::string>> env = {{"MTOOLSRC", settingsFile(codePage).string()},
                                                            {"LC_ALL", "C.UTF-8"}};
    for (const auto& s : kSettings)
        env.emplace_back(s[0], s[1]);
    return runTool(argv, env);
}

std::string mtoolsPath(const std::string& dosPath) {
    std::string path = dosPath;
    std::replace(path.begin(), path.end(), '\\', '/');
    while (!path.empty() && path.front() == '/')
        path.erase(0, 1);
    return "::/" + path;
}

void runOrThrow(const std::vector<std::string>& argv, unsigned codePage = 850) {
    const ToolResult result = runMtools(argv, codePage);
    if (result.exitCode != 0)
        throw std::runtime_error(describeRun(argv, result));
}

// An empty root is "not found" to mdir and mattrib.
bool emptyRoot(const ToolResult& result) {
    return result.exitCode != 0 && result.output.find("File \"::/\" not found") != std::string::npos;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

// The first `count` characters of a UTF-8 line, and the rest.
std::pair<std::vector<std::string>, std::string> leadingCharacters(const std::string& line,
                                                                   std::size_t count) {
    std::vector<std::string> chars;
    std::size_t i = 0;
    while (i < line.size() && chars.size() < count) {
        std::size_t n = 1;
        while (i + n < line.size() && (static_cast<unsigned char>(line[i + n]) & 0xC0) == 0x80)
            ++n;
        chars.push_back(line.substr(i, n));
        i += n;
    }
    return {chars, line.substr(i)};
}

std::string joined(const std::vector<std::string>& chars, std::size_t from, std::size_t to) {
    std::string text;
    for (std::size_t i = from; i < to && i < chars.size(); ++i)
        text += chars[i];
    return std::string(w98::trimmedRight(text, " "));
}

// mdir shows short-name bytes as code page 850 characters, with the NT lower-case flags applied;
// letters are upper-cased again, except the second bytes of code page 936 characters.
std::string storedShortName(const std::string& shown) {
    std::optional<std::string> bytes = fat_detail::recode(shown, "UTF-8", "CP850");
    if (!bytes)
        return shown;
    for (std::size_t i = 0; i < bytes->size(); ++i) {
        char& c = (*bytes)[i];
        if (static_cast<unsigned char>(c) >= 0x81)
            ++i;
        else if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return fat_detail::shortNameAsUtf8(*bytes);
}

// "  A  SHR     ::/path" for every entry, the root included.
std::map<std::string, std::uint8_t> attributesByPath(const std::string& output) {
    std::map<std::string, std::uint8_t> attributes;
    for (const std::string& line : lines(output)) {
        if (line.size() < 16 || line.compare(13, 3, "::/") != 0)
            continue;
        const std::uint8_t bits = (line[2] == 'A' ? 0x20 : 0) | (line[5] == 'S' ? 0x04 : 0) |
                                  (line[6] == 'H' ? 0x02 : 0) | (line[7] == 'R' ? 0x01 : 0);
        attributes[line.substr(16)] = bits;
    }
    return attributes;
}

} // namespace

std::vector<FatListedEntry> mtoolsListing(const fs::path& image) {
    const std::string volume = mtoolsVolume(image);
    const std::vector<std::string> mdirArgs = {"mdir", "-/", "-a", "-i", volume, "::/"};
    const std::vector<std::string> mattribArgs = {"mattrib", "-/", "-i", volume, "::/"};
    const ToolResult listed = runMtools(mdirArgs), attributed = runMtools(mattribArgs);
    if (emptyRoot(listed) && emptyRoot(attributed))
        return {};
    if (listed.exitCode != 0)
        throw std::runtime_error(describeRun(mdirArgs, listed));
    if (attributed.exitCode != 0)
        throw std::runtime_error(describeRun(mattribArgs, attributed));
    const std::map<std::string, std::uint8_t> attributes = attributesByPath(attributed.output);

    static const std::regex entryRest(
        R"(^ +(<DIR>|[0-9][0-9 ]*) +[0-9]{4}-[0-9]{2}-[0-9]{2} +[0-9]{1,2}:[0-9]{2} (?: (.*))?$)");
    static const std::regex summary(R"(^ +[0-9 ]+ (files? +[0-9 ]+ bytes|bytes free)$)");
    std::vector<FatListedEntry> entries;
    std::map<std::string, std::string> folderPaths = {{"", ""}}; // mtools's path -> ours
    std::string folder;                                          // mtools's path, "" for the root
    for (const std::string& line : lines(listed.output)) {
        if (line.empty() || line.starts_with(" Volume ") || line == "Total files listed:" ||
            std::regex_match(line, summary))
            continue;
        if (line.starts_with("Directory for ::/")) {
            folder = line.substr(17);
            if (!folderPaths.contains(folder))
                throw std::runtime_error("mdir listed " + folder + " before its parent:\n" + listed.output);
            continue;
        }
        const auto [chars, rest] = leadingCharacters(line, 12);
        std::smatch m;
        if (chars.size() < 12 || !std::regex_match(rest, m, entryRest))
            throw std::runtime_error("unexpected mdir line \"" + line + "\" in:\n" + listed.output);
        const std::string name = joined(chars, 0, 8), extension = joined(chars, 9, 12);
        if (name == "." || name == "..")
            continue;
        const std::string shownShort = extension.empty() ? name : name + "." + extension;
        const std::string longName = m[2].matched ? m[2].str() : "";
        const std::string key =
            (folder.empty() ? "" : folder + "/") + (longName.empty() ? shownShort : longName);
        const auto attribute = attributes.find(key);
        if (attribute == attributes.end())
            throw std::runtime_error("mattrib did not list " + key + ":\n" + attributed.output);

        FatListedEntry e;
        e.shortName = storedShortName(shownShort);
        const std::string& parent = folderPaths.at(folder);
        e.path = (parent.empty() ? "" : parent + "\\") + (longName.empty() ? e.shortName : longName);
        const bool isFolder = m[1] == "<DIR>";
        e.attributes = static_cast<std::uint8_t>(attribute->second | (isFolder ? 0x10 : 0));
        if (!isFolder) {
            std::string digits = m[1].str();
            std::erase(digits, ' ');
            e.size = std::stoull(digits);
        } else {
            folderPaths[key] = e.path;
        }
        entries.push_back(e);
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
    return entries;
}

void copyTreeIntoImage(const fs::path& image, const fs::path& hostFolder, const std::string& dosFolder,
                       unsigned codePage) {
    const std::string volume = mtoolsVolume(image);
    const std::string target = mtoolsPath(dosFolder);
    // mmd makes one level at a time and fails for a folder that is there already.
    for (std::size_t slash = target.find('/', 3); target.size() > 3; slash = target.find('/', slash + 1)) {
        runMtools({"mmd", "-i", volume, target.substr(0, slash)});
        if (slash == std::string::npos)
            break;
    }
    std::vector<std::string> argv = {"mcopy", "-s", "-p", "-m", "-D", "o", "-i", volume};
    for (const auto& child : fs::directory_iterator(hostFolder))
        argv.push_back(child.path().string());
    if (argv.size() == 8)
        return;
    argv.push_back(target.ends_with('/') ? target : target + "/");
    runOrThrow(argv, codePage);
}

void setImageAttributes(const fs::path& image, const std::string& dosPath, const std::string& flags) {
    std::vector<std::string> argv = {"mattrib", "-i", mtoolsVolume(image)};
    std::istringstream words(flags);
    for (std::string w; words >> w;)
        argv.push_back(w);
    argv.push_back(mtoolsPath(dosPath));
    runOrThrow(argv);
}

} // namespace korvane::test
