#pragma once
// COMMAND.COM's own messages, as MS-DOS 7.1 prints them.
namespace w98 {

inline constexpr const char* kBadCommand = "Bad command or file name";
inline constexpr const char* kBatchMissing = "Batch file missing";
inline constexpr const char* kSyntaxError = "Syntax error";
inline constexpr const char* kNoEnvironmentSpace = "Out of environment space";

} // namespace w98
