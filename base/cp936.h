#pragma once
// Code page 936 (GBK), the ANSI code page of Simplified Chinese Windows 98.
// Text inside the program is UTF-8; bytes on the machine are code page 936.
#include <string>
#include <string_view>

namespace w98::cp936 {

// Throws w98::Error when the bytes are not valid code page 936.
std::string toUtf8(std::string_view gbkBytes);
// Throws w98::Error naming the first character code page 936 cannot hold.
std::string fromUtf8(std::string_view utf8);

// Non-throwing forms: false when the conversion is not possible.
bool tryToUtf8(std::string_view gbkBytes, std::string& out);
bool tryFromUtf8(std::string_view utf8, std::string& out);

// True when every character of a UTF-8 text can be written in code page 936.
bool representable(std::string_view utf8);

} // namespace w98::cp936
