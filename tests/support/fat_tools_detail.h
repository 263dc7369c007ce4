#pragma once
// What the FAT tool helpers share among their source files.
#include <optional>
#include <string>
#include <string_view>

namespace korvane::test::fat_detail {

// Bytes from one iconv encoding to another; nullopt when they are not valid in `from`.
std::optional<std::string> recode(std::string_view bytes, const char* from, const char* to);

// Stored short-name bytes ("D4AACBD8D6DC7E31.EXE") as UTF-8 read in code page 936, or as they
// are when they are not valid code page 936.
std::string shortNameAsUtf8(const std::string& stored);

} // namespace korvane::test::fat_detail
