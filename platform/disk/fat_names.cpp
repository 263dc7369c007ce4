#include "fat_names.h"

#include "platform/cp936.h"
#include "platform/error.h"

#include <algorithm>

namespace w98::disk {

std::array<unsigned char, 11> packShortName(std::string_view shortName) {
    std::string gbk;
    if (!cp936::tryFromUtf8(shortName, gbk))
        throw Error("短文件名 " + std::string(shortName) + " 不能用代码页 936 写出");
    const auto dot = gbk.find('.');
    const std::string base = gbk.substr(0, dot);
    const std::string ext = dot == std::string::npos ? "" : gbk.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3 || ext.find('.') != std::string::npos)
        throw Error("短文件名 " + std::string(shortName) + " 不是 8.3 格式");
    std::array<unsigned char, 11> raw;
    raw.fill(' ');
    std::copy(base.begin(), base.end(), raw.begin());
    std::copy(ext.begin(), ext.end(), raw.begin() + 8);
    if (raw[0] == 0xE5)
        raw[0] = 0x05;
    return raw;
}

std::string unpackShortName(const unsigned char* raw11) {
    std::string base(reinterpret_cast<const char*>(raw11), 8);
    std::string ext(reinterpret_cast<const char*>(raw11) + 8, 3);
    if (!base.empty() && static_cast<unsigned char>(base[0]) == 0x05)
        base[0] = static_cast<char>(0xE5);
    auto trim = [](std::string& s) { s.erase(s.find_last_not_of(' ') + 1); };
    trim(base);
    trim(ext);
    const std::string gbk = ext.empty() ? base : base + "." + ext;
    std::string out;
    if (cp936::tryToUtf8(gbk, out))
        return out;
    out = gbk;
    for (char& c : out)
        if (static_cast<unsigned char>(c) >= 0x80)
            c = '_';
    return out;
}

std::uint8_t shortNameChecksum(const unsigned char* raw11) {
    std::uint8_t sum = 0;
    for (int i = 0; i < 11; ++i)
        sum = static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + raw11[i]);
    return sum;
}

std::u16string utf16Of(std::string_view s) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        char32_t cp;
        std::size_t n;
        if (c < 0x80) {
            cp = c;
            n = 1;
        } else if ((c >> 5) == 6) {
            cp = c & 0x1F;
            n = 2;
        } else if ((c >> 4) == 14) {
            cp = c & 0x0F;
            n = 3;
        } else if ((c >> 3) == 30) {
            cp = c & 0x07;
            n = 4;
        } else {
            throw Error("文件名不是有效的 UTF-8 文本");
        }
        if (i + n > s.size())
            throw Error("文件名不是有效的 UTF-8 文本");
        for (std::size_t k = 1; k < n; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc >> 6) != 2)
                throw Error("文件名不是有效的 UTF-8 文本");
            cp = (cp << 6) | (cc & 0x3F);
        }
        i += n;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string utf8Of(std::u16string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = '_'; // half a surrogate pair: a name no program could open as written
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::vector<RawEntry> longNameEntries(std::string_view utf8Name, std::uint8_t checksum) {
    const std::u16string name = utf16Of(utf8Name);
    if (name.empty() || name.size() > 255)
        throw Error("长文件名 " + std::string(utf8Name) + " 超过 255 个字符");
    for (char16_t c : name)
        if (c < 0x20 || std::u16string_view(u"\"*/:<>?\\|").find(c) != std::u16string_view::npos)
            throw Error("长文件名 " + std::string(utf8Name) + " 含有 FAT 不允许的字符");
    const std::size_t pieces = (name.size() + 12) / 13;
    static constexpr int kOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    std::vector<RawEntry> out;
    for (std::size_t p = pieces; p-- > 0;) {
        RawEntry e{};
        e[0] = static_cast<unsigned char>((p + 1) | (p + 1 == pieces ? 0x40 : 0));
        e[11] = 0x0F;
        e[13] = checksum;
        for (int k = 0; k < 13; ++k) {
            const std::size_t at = p * 13 + static_cast<std::size_t>(k);
            // The name ends with one NUL when it leaves room, the rest of the piece is 0xFFFF.
            const char16_t c = at < name.size() ? name[at] : at == name.size() ? u'\0' : char16_t(0xFFFF);
            e[static_cast<std::size_t>(kOffsets[k])] = static_cast<unsigned char>(c & 0xFF);
            e[static_cast<std::size_t>(kOffsets[k]) + 1] = static_cast<unsigned char>(c >> 8);
        }
        out.push_back(e);
    }
    return out;
}

} // namespace w98::disk
