#pragma once
// UTF-16, as FAT's long names and version 5 registry exports hold text; the program's is UTF-8.
#include <string>
#include <string_view>

namespace w98 {

// False when utf8 is not UTF-8 (what is converted stays in out).
bool utf8ToUtf16(std::string_view utf8, std::u16string& out);
// A half surrogate pair becomes unpaired, or makes the conversion fail (false) when unpaired is
// 0. out is replaced.
bool utf16ToUtf8(std::u16string_view utf16, std::string& out, char unpaired = 0);
// UTF-16 in little-endian bytes, as the files hold it; false for an odd count of bytes or a half
// surrogate pair.
bool utf16leToUtf8(std::string_view bytes, std::string& out);

} // namespace w98
