#include "cp936.h"

#include "error.h"

#include <cerrno>
#include <iconv.h>

namespace w98::cp936 {
namespace {

bool isAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// One iconv conversion; the descriptor is opened per call, which keeps this free of shared state.
bool convert(const char* to, const char* from, std::string_view in, std::string& out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw Error(std::string("系统无法把文字从 ") + from + " 转换为 " + to);
    std::string result;
    result.resize(in.size() * 2 + 8);
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    std::size_t done = 0;
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = result.data() + done;
        std::size_t outLeft = result.size() - done;
        std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        done = result.size() - outLeft;
        if (r == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                result.resize(result.size() * 2);
                continue;
            }
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    if (!ok)
        return false;
    result.resize(done);
    out = std::move(result);
    return true;
}

std::string describeFirstBad(std::string_view utf8) {
    // Find the first character that cannot be converted, to name it in the message.
    std::size_t i = 0;
    while (i < utf8.size()) {
        auto c = static_cast<unsigned char>(utf8[i]);
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        if (i + len > utf8.size())
            len = utf8.size() - i;
        std::string ignored;
        if (!convert("GBK", "UTF-8", utf8.substr(i, len), ignored))
            return std::string(utf8.substr(i, len));
        i += len;
    }
    return "?";
}

} // namespace

bool tryToUtf8(std::string_view gbkBytes, std::string& out) {
    if (isAscii(gbkBytes)) {
        out.assign(gbkBytes);
        return true;
    }
    return convert("UTF-8", "GBK", gbkBytes, out);
}

bool tryFromUtf8(std::string_view utf8, std::string& out) {
    if (isAscii(utf8)) {
        out.assign(utf8);
        return true;
    }
    return convert("GBK", "UTF-8", utf8, out);
}

std::string toUtf8(std::string_view gbkBytes) {
    std::string out;
    if (!tryToUtf8(gbkBytes, out))
        throw Error("文字不是有效的 GBK（代码页 936）编码");
    return out;
}

std::string fromUtf8(std::string_view utf8) {
    std::string out;
    if (!tryFromUtf8(utf8, out))
        throw Error("字符“" + describeFirstBad(utf8) + "”无法用 GBK（代码页 936）写出");
    return out;
}

bool representable(std::string_view utf8) {
    std::string ignored;
    return tryFromUtf8(utf8, ignored);
}

} // namespace w98::cp936
