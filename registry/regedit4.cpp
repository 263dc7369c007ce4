#include "regedit4.h"

#include "base/cp936.h"
#include "base/error.h"
#include "base/text.h"
#include "base/utf16.h"

#include <optional>

namespace w98::regedit4 {
namespace {

unsigned char byteAt(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

// Scanning goes by character: the trail byte of a double-byte character may be a backslash
// or a bracket, which must not be taken as one.
std::size_t charLength(std::string_view s, std::size_t i) {
    unsigned char c = byteAt(s, i);
    return c >= 0x81 && c <= 0xFE && i + 1 < s.size() ? 2 : 1;
}

bool isAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// 1 to 8 hex digits, nothing else.
std::optional<std::uint32_t> parseHex32(std::string_view s) {
    if (s.empty() || s.size() > 8)
        return std::nullopt;
    std::uint32_t v = 0;
    for (char c : s) {
        int d = hexDigit(c);
        if (d < 0)
            return std::nullopt;
        v = v << 4 | static_cast<std::uint32_t>(d);
    }
    return v;
}

std::string nameText(std::string_view bytes) {
    if (isAscii(bytes))
        return std::string(bytes);
    return cp936::toUtf8(bytes);
}

class Parser {
  public:
    Parser(const std::vector<std::string_view>& lines, const std::string& displayName, Mode mode, Sink& sink)
        : lines_(lines), displayName_(displayName), mode_(mode), sink_(sink) {}

    void run() {
        std::string_view header = lines_.empty() ? std::string_view() : lines_[0];
        if (header == kHeaderV5 && mode_ == Mode::Import)
            unicodeHex_ = true;
        else if (header != kHeader)
            fail(1, "不是 REGEDIT4 注册表文件");
        for (index_ = 1; index_ < lines_.size(); ++index_) {
            std::string_view line = lines_[index_];
            if (trimmedRight(line).empty() || line.front() == ';')
                continue;
            if (mode_ == Mode::File && !isAscii(line)) {
                std::string ignored;
                if (!cp936::tryToUtf8(line, ignored))
                    fail(lineNumber(), "不是有效的 936 代码页文本");
            }
            if (line.front() == '[')
                parseSection(line);
            else if (line.front() == '"' || line.front() == '@')
                parseValue(line);
            else
                fail(lineNumber(), "无法识别的行");
        }
    }

  private:
    enum class State { NoSection, Open, Removed };

    std::size_t lineNumber() const { return index_ + 1; }

    [[noreturn]] void fail(std::size_t line, const std::string& what) const {
        throw FormatError(displayName_, line, what);
    }

    void parseSection(std::string_view line) {
        const std::size_t number = lineNumber();
        std::string_view body = trimmedRight(line);
        // The closing bracket must be a character of its own, the last one on the line.
        std::size_t i = 1;
        std::size_t lastChar = 0;
        while (i < body.size()) {
            lastChar = i;
            i += charLength(body, i);
        }
        if (body.size() < 2 || lastChar != body.size() - 1 || body.back() != ']')
            fail(number, "键行无效");
        std::string_view inner = body.substr(1, body.size() - 2);
        bool remove = false;
        if (mode_ == Mode::Import && !inner.empty() && inner.front() == '-') {
            remove = true;
            inner.remove_prefix(1);
        }
        std::vector<std::string_view> parts;
        std::size_t start = 0;
        for (std::size_t p = 0; p < inner.size(); p += charLength(inner, p)) {
            if (inner[p] == '\\') {
                parts.push_back(inner.substr(start, p - start));
                start = p + 1;
            }
        }
        if (start < inner.size() || parts.empty())
            parts.push_back(inner.substr(start));
        for (const auto& part : parts)
            if (part.empty())
                fail(number, "键行无效");
        if (parts.size() - 1 > kRegMaxDepth)
            fail(number, "键的层次太深");
        std::vector<Name> path;
        path.reserve(parts.size() - 1);
        for (std::size_t k = 1; k < parts.size(); ++k)
            path.push_back(Name{nameText(parts[k]), std::string(parts[k])});
        state_ = remove ? State::Removed : State::Open;
        sink_.section(number, remove, parts[0], std::move(path));
    }

    // A quoted string from s[pos] == '"'; pos ends after the closing quote.
    std::string parseQuoted(std::string_view s, std::size_t& pos, std::size_t number) const {
        std::string out;
        ++pos;
        for (;;) {
            if (pos >= s.size())
                fail(number, "缺少右引号");
            char c = s[pos];
            if (c == '"') {
                ++pos;
                return out;
            }
            if (c == '\\' && pos + 1 < s.size() && (s[pos + 1] == '\\' || s[pos + 1] == '"')) {
                out += s[pos + 1];
                pos += 2;
                continue;
            }
            std::size_t n = charLength(s, pos);
            out.append(s.substr(pos, n));
            pos += n;
        }
    }

    void parseValue(std::string_view line) {
        const std::size_t number = lineNumber();
        if (state_ == State::NoSection)
            fail(number, "值不在任何键之下");
        std::size_t pos = 0;
        std::string nameBytes;
        if (line[0] == '@')
            pos = 1;
        else
            nameBytes = parseQuoted(line, pos, number);
        while (pos < line.size() && isBlank(line[pos]))
            ++pos;
        if (pos >= line.size() || line[pos] != '=')
            fail(number, "值行无效");
        std::string_view data = trimmedLeft(line.substr(pos + 1));

        RegValue value;
        if (!data.empty() && data.front() == '"') {
            std::size_t p = 0;
            value.type = reg_type::kSz;
            value.data = parseQuoted(data, p, number);
            value.data += '\0';
            if (!trimmedRight(data.substr(p)).empty())
                fail(number, "值行无效");
        } else if (trimmedRight(data) == "-" && mode_ == Mode::Import) {
            if (state_ == State::Open)
                sink_.removeValue(number, Name{nameText(nameBytes), nameBytes});
            return;
        } else if (startsWithNoCase(data, "dword:")) {
            auto v = parseHex32(trimmedRight(data.substr(6)));
            if (!v)
                fail(number, "值行无效");
            value.type = reg_type::kDword;
            value.data = regDwordData(*v);
        } else if (startsWithNoCase(data, "hex")) {
            parseHexValue(data.substr(3), value, number);
        } else {
            fail(number, "值行无效");
        }
        if (state_ == State::Open) {
            value.name = nameText(nameBytes);
            sink_.value(number, std::move(value), std::move(nameBytes));
        }
    }

    // After "hex": an optional "(type)", a colon and comma-separated bytes, where a line ending
    // in a backslash continues on the next (indented) line.
    void parseHexValue(std::string_view rest, RegValue& value, std::size_t number) {
        value.type = reg_type::kBinary;
        if (!rest.empty() && rest.front() == '(') {
            std::size_t close = rest.find(')');
            std::optional<std::uint32_t> type;
            if (close != std::string_view::npos)
                type = parseHex32(rest.substr(1, close - 1));
            if (!type)
                fail(number, "值行无效");
            value.type = *type;
            rest.remove_prefix(close + 1);
        }
        if (rest.empty() || rest.front() != ':')
            fail(number, "值行无效");
        rest.remove_prefix(1);

        std::string joined;
        std::string_view list = trimmedRight(rest);
        if (!list.empty() && list.back() == '\\') {
            joined.assign(list.substr(0, list.size() - 1));
            for (;;) {
                if (index_ + 1 >= lines_.size())
                    fail(number, "值的续行缺失");
                ++index_;
                std::string_view next = trimmedRight(trimmedLeft(lines_[index_]));
                if (!next.empty() && next.back() == '\\') {
                    joined.append(next.substr(0, next.size() - 1));
                    continue;
                }
                joined.append(next);
                break;
            }
            list = joined;
        }

        std::string bytes;
        bytes.reserve(list.size() / 3 + 1);
        std::size_t p = 0;
        while (p < list.size()) {
            std::size_t comma = list.find(',', p);
            std::size_t end = comma == std::string_view::npos ? list.size() : comma;
            std::string_view token = trimmedRight(trimmedLeft(list.substr(p, end - p)));
            if (token.empty() && comma != std::string_view::npos)
                fail(number, "值行无效");
            if (!token.empty()) {
                auto b = token.size() <= 2 ? parseHex32(token) : std::nullopt;
                if (!b)
                    fail(number, "值行无效");
                bytes += static_cast<char>(*b);
            }
            if (comma == std::string_view::npos)
                break;
            p = comma + 1;
        }

        // Version 5 text holds strings as UTF-16; the registry here holds code page 936.
        if (unicodeHex_ && (value.type == reg_type::kSz || value.type == reg_type::kExpandSz ||
                            value.type == reg_type::kMultiSz)) {
            std::string utf8;
            std::string converted;
            if (!utf16leToUtf8(bytes, utf8) || !cp936::tryFromUtf8(utf8, converted))
                fail(number, "字符串无法用 936 代码页写出");
            bytes = std::move(converted);
        }
        value.data = std::move(bytes);
    }

    const std::vector<std::string_view>& lines_;
    const std::string& displayName_;
    Mode mode_;
    Sink& sink_;
    std::size_t index_ = 0;
    State state_ = State::NoSection;
    bool unicodeHex_ = false;
};

const char kHexDigits[] = "0123456789abcdef";

void appendHexByte(std::string& out, unsigned char b) {
    out += kHexDigits[b >> 4];
    out += kHexDigits[b & 0x0F];
}

void appendQuoted(std::string& out, std::string_view bytes) {
    out += '"';
    std::size_t run = 0; // start of the bytes not yet appended
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t n = charLength(bytes, i);
        if (n == 1 && (bytes[i] == '\\' || bytes[i] == '"')) {
            out.append(bytes.substr(run, i - run));
            out += '\\';
            run = i;
        }
        i += n;
    }
    out.append(bytes.substr(run));
    out += '"';
}

// A string goes in quotes only if reading the quotes back gives the same bytes: one final NUL,
// no line breaks or other control characters, valid code page 936.
bool quotable(std::string_view data) {
    if (data.empty() || data.back() != '\0')
        return false;
    std::string_view text = data.substr(0, data.size() - 1);
    bool ascii = true;
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F)
            return false;
        if (c >= 0x80)
            ascii = false;
    }
    std::string ignored;
    return ascii || cp936::tryToUtf8(text, ignored);
}

constexpr std::size_t kWrapColumn = 76;

} // namespace

void parse(const std::vector<std::string_view>& lines, const std::string& displayName, Mode mode,
           Sink& sink) {
    Parser(lines, displayName, mode, sink).run();
}

void appendSection(std::string& out, std::string_view path) {
    out += '[';
    out += path;
    out += "]\r\n";
}

void appendValue(std::string& out, std::string_view nameBytes, std::uint32_t type, std::string_view data) {
    const std::size_t lineStart = out.size();
    if (nameBytes.empty())
        out += '@';
    else
        appendQuoted(out, nameBytes);
    out += '=';
    if (type == reg_type::kSz && quotable(data)) {
        appendQuoted(out, data.substr(0, data.size() - 1));
        out += "\r\n";
        return;
    }
    if (type == reg_type::kDword && data.size() == 4) {
        out += "dword:";
        for (std::size_t i = 4; i-- > 0;)
            appendHexByte(out, byteAt(data, i));
        out += "\r\n";
        return;
    }
    if (type == reg_type::kBinary) {
        out += "hex:";
    } else {
        out += "hex(";
        bool started = false;
        for (int shift = 28; shift >= 0; shift -= 4) {
            unsigned digit = type >> shift & 0x0F;
            if (digit || started || shift == 0) {
                out += kHexDigits[digit];
                started = true;
            }
        }
        out += "):";
    }
    std::size_t column = out.size() - lineStart;
    for (std::size_t i = 0; i < data.size(); ++i) {
        appendHexByte(out, byteAt(data, i));
        column += 2;
        if (i + 1 < data.size()) {
            out += ',';
            ++column;
            if (column > kWrapColumn) {
                out += "\\\r\n  ";
                column = 2;
            }
        }
    }
    out += "\r\n";
}

} // namespace w98::regedit4
