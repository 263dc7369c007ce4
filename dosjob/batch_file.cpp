#include "batch_file.h"

#include "base/cp936.h"
#include "base/error.h"
#include "base/text.h"
#include "platform/machine.h"

#include <algorithm>
#include <string_view>

namespace korvane {
namespace {

// The only variable the program's own lines use; the start-up environment sets it.
constexpr std::string_view kOwnVariable = "%winbootdir%";

bool isControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F;
}

// Text as a message can show it: a control character as its code.
std::string Printable(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (isControl(c)) {
            const char* hex = "0123456789ABCDEF";
            const auto u = static_cast<unsigned char>(c);
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

std::string Quoted(std::string_view text) {
    return "“" + Printable(text) + "”";
}

// What in the line the program did not put there, or "" when nothing is.
std::string ForeignPart(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (isControl(c))
            return "控制字符" + Printable(line.substr(i, 1)) + "，MS-DOS会从这里另起一行";
        if (c == '<' || c == '>')
            return std::string("“") + c + "”，MS-DOS会把它当成重定向";
        if (c == '|')
            return "“|”，MS-DOS会把它当成管道";
        if (c != '%')
            continue;
        if (i + 1 < line.size() && line[i + 1] == '%') {
            ++i;
            continue;
        }
        if (w98::equalsNoCase(line.substr(i, kOwnVariable.size()), kOwnVariable)) {
            i += kOwnVariable.size() - 1;
            continue;
        }
        return "单独的“%”，MS-DOS会把它当成变量";
    }
    return {};
}

} // namespace

std::string BatchPathProblem(const std::string& path) {
    const std::string start = "路径" + Quoted(path);
    if (!w98::cp936::representable(path))
        return start + "含有代码页936（简体中文MS-DOS）写不出的字符，MS-DOS无法按原样找到它";
    for (char c : path) {
        if (isControl(c))
            return start + "含有控制字符" + Printable(std::string(1, c)) + "，写进批处理文件会断成另一行命令";
        if (c == '<' || c == '>')
            return start + "含有“" + c + "”，MS-DOS会把它当成重定向，改写别的文件";
        if (c == '|')
            return start + "含有“|”，MS-DOS会把它当成管道，去运行别的程序";
        if (c == '"')
            return start + "含有双引号，MS-DOS无法把它当作一个完整的路径";
        if (c == '*' || c == '?')
            return start + "含有通配符“" + c + "”，MS-DOS会把它当成一批文件";
    }
    return {};
}

std::string BatchPath(const std::string& path) {
    if (const std::string problem = BatchPathProblem(path); !problem.empty())
        throw w98::Error(problem + "；没有用它写批处理文件");
    std::string word;
    bool separated = false;
    for (char c : path) {
        if (c == '%')
            word += '%';
        separated = separated || c == ' ' || c == ',' || c == ';' || c == '=' || c == '\t';
        word += c;
    }
    return separated ? "\"" + word + "\"" : word;
}

std::string DosPath(const w98::Machine& m, const std::string& path) {
    if (const std::string problem = BatchPathProblem(path); !problem.empty())
        throw w98::Error(problem + "；没有用它写批处理文件");
    std::string shortPath;
    try {
        shortPath = m.shortPath(path);
    } catch (const w98::Error& e) {
        throw w98::Error("路径" + Quoted(path) + "在MS-DOS下没有短文件名（" + e.what() +
                         "）；没有用它写批处理文件");
    }
    std::string gbk;
    if (!w98::cp936::tryFromUtf8(shortPath, gbk))
        throw w98::Error("路径" + Quoted(path) + "的短文件名" + Quoted(shortPath) +
                         "含有代码页936写不出的字符；没有用它写批处理文件");
    for (std::size_t i = 0; i + 1 < gbk.size(); ++i) {
        const auto lead = static_cast<unsigned char>(gbk[i]);
        if (lead < 0x81 || lead == 0xFF)
            continue;
        const char trail = gbk[++i];
        if (trail == '|' || trail == '\\') {
            std::string character;
            w98::cp936::tryToUtf8(gbk.substr(i - 1, 2), character);
            throw w98::Error("路径" + Quoted(path) + "在MS-DOS下的短文件名" + Quoted(shortPath) +
                             "含有汉字“" + character + "”，它的第二个字节是“" + trail +
                             "”，MS-DOS可能把它当成" + (trail == '|' ? "管道" : "文件夹的分隔符") +
                             "；没有用它写批处理文件");
        }
    }
    std::string word;
    for (char c : shortPath) {
        if (c == '%')
            word += '%';
        word += c;
    }
    return word;
}

std::string BatchDrive(const std::string& drive) {
    const bool letter = drive.size() == 2 && drive[1] == ':' &&
                        ((drive[0] >= 'A' && drive[0] <= 'Z') || (drive[0] >= 'a' && drive[0] <= 'z'));
    if (!letter)
        throw w98::Error("启动盘" + Quoted(drive) + "不是MS-DOS的盘符（如 C:）；没有用它写批处理文件");
    return drive;
}

namespace {

// The line's length in code page 936 bytes; %winbootdir% counted as itself and as `winDir`.
std::size_t LineBytes(std::string_view line, const std::string& winDir) {
    std::string expanded;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '%' && w98::equalsNoCase(line.substr(i, kOwnVariable.size()), kOwnVariable)) {
            expanded += winDir;
            i += kOwnVariable.size() - 1;
        } else {
            expanded += line[i];
        }
    }
    std::string raw, full;
    if (!w98::cp936::tryFromUtf8(line, raw) || !w98::cp936::tryFromUtf8(expanded, full))
        return 0; // WriteTextLines names such a line
    return std::max(raw.size(), full.size());
}

void CheckForeignParts(const std::string& path, const std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (const std::string foreign = ForeignPart(lines[i]); !foreign.empty())
            throw w98::Error("没有写出" + path + "：第" + std::to_string(i + 1) + "行" + Quoted(lines[i]) +
                             "含有" + foreign + "，而这不是本程序写进去的");
}

} // namespace

void CheckMsDosBatchLines(const w98::Machine& m, const std::string& path,
                          const std::vector<std::string>& lines) {
    CheckForeignParts(path, lines);
    std::string winDir;
    try {
        winDir = m.shortPath(m.windowsFolder());
    } catch (const w98::Error&) {
        winDir = m.windowsFolder();
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string at = "没有写出" + path + "：第" + std::to_string(i + 1) + "行" + Quoted(lines[i]);
        if (const std::size_t bytes = LineBytes(lines[i], winDir); bytes > kMaxBatchLineBytes)
            throw w98::Error(at + "长" + std::to_string(bytes) + "字节，MS-DOS的一行最多只读" +
                             std::to_string(kMaxBatchLineBytes) + "字节，会把后面的部分截掉：其中的路径太长");
    }
}

void WriteMsDosBatchFile(w98::Machine& m, const std::string& path, const std::vector<std::string>& lines) {
    CheckMsDosBatchLines(m, path, lines);
    m.writeTextLines(path, lines);
}

void WriteBatchFile(w98::Machine& m, const std::string& path, const std::vector<std::string>& lines) {
    CheckForeignParts(path, lines);
    m.writeTextLines(path, lines);
}

} // namespace korvane
