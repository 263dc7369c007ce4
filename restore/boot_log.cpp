#include "boot_log.h"

#include "base/text.h"
#include "platform/machine.h"

#include <filesystem>
#include <fstream>
#include <vector>

namespace korvane {
namespace {

constexpr std::uint64_t kMaxLogRead = 256u << 10;
constexpr std::size_t kMaxQuoted = 200;

std::filesystem::path logPath(const w98::Machine& m) {
    return m.root() / "boot.log";
}

// The log's lines without their trailing blanks, empty ones left out.
std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::string_view line : w98::splitLineViews(text)) {
        line = w98::trimmedRight(line, " \r");
        if (!line.empty())
            lines.emplace_back(line);
    }
    return lines;
}

bool contains(const std::string& line, const char* part) {
    return w98::foldAscii(line).find(part) != std::string::npos;
}

std::string quoted(std::string line) {
    if (line.size() > kMaxQuoted)
        line = line.substr(0, kMaxQuoted) + "...";
    return "（" + line + "）";
}

bool namesRegistryFile(const std::string& line) {
    // system.dat and user.dat, and the pairs' system.da0, user.da...
    return contains(line, "system.da") || contains(line, "user.da");
}

bool isFailure(const std::string& line) {
    for (const char* text : {"not found", "access denied", "cannot", "error", "disk full", "invalid"})
        if (contains(line, text))
            return true;
    return false;
}

} // namespace

std::uint64_t BootLogSize(const w98::Machine& m) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(logPath(m), ec);
    return ec ? 0 : static_cast<std::uint64_t>(size);
}

std::string BootLogSince(const w98::Machine& m, std::uint64_t offset) {
    std::ifstream in(logPath(m), std::ios::binary);
    if (!in)
        return {};
    const std::uint64_t size = BootLogSize(m);
    if (offset > size)
        offset = 0;
    in.seekg(static_cast<std::streamoff>(offset));
    std::string text(static_cast<std::size_t>(std::min(size - offset, kMaxLogRead)), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

std::string RestoreFailureFromLog(const std::string& log) {
    const std::vector<std::string> lines = splitLines(log);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (contains(lines[i], "nothing was extracted"))
            return "备份文件无法解开" + quoted(i > 0 ? lines[i - 1] : lines[i]);
        if (contains(lines[i], "cannot find the cabinet file"))
            return "找不到备份文件" + quoted(lines[i]);
    }
    for (const auto& line : lines)
        if (namesRegistryFile(line) && isFailure(line))
            return "注册表文件没能复制到位" + quoted(line);
    for (const auto& line : lines)
        if (contains(line, "cannot import") || line.find("无法导入") != std::string::npos)
            return "注册表导入失败" + quoted(line);
    return {};
}

} // namespace korvane
