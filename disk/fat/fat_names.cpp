#include "fat_names.h"

#include "base/cp936.h"
#include "base/error.h"
#include "base/utf16.h"

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
    if (!utf8ToUtf16(s, out))
        throw Error("文件名不是有效的 UTF-8 文本");
    return out;
}

// Half a surrogate pair becomes '_': a name no program could open as written.
std::string utf8Of(std::u16string_view s) {
    std::string out;
    utf16ToUtf8(s, out, '_');
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
