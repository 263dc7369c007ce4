#pragma once
// REGEDIT4 text as regedit exports and imports it, on code page 936 bytes. A registry file may be
// such text too (hand-made machines and test fixtures; registry_text_format.h).
#include "registry_value.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace w98::regedit4 {

inline constexpr std::string_view kHeader = "REGEDIT4";
inline constexpr std::string_view kHeaderV5 = "Windows Registry Editor Version 5.00";

using Name = RegName;

class Sink {
  public:
    virtual ~Sink() = default;
    // A [section] line; rootName is the first component as written.
    virtual void section(std::size_t line, bool remove, std::string_view rootName,
                         std::vector<Name> path) = 0;
    // A value line of the last section; value.name is UTF-8, nameBytes the same in code page 936.
    virtual void value(std::size_t line, RegValue value, std::string nameBytes) = 0;
    // "name"=- (imports only).
    virtual void removeValue(std::size_t line, Name name) = 0;
};

// Parses the lines (without line breaks, code page 936; the first is the header). A registry
// file accepts only REGEDIT4 and no deletions, and has every line checked as code page 936; an
// import also accepts the version 5 header, whose hex string data is UTF-16. Throws FormatError
// naming displayName and the line.
enum class Mode { File, Import };
void parse(const std::vector<std::string_view>& lines, const std::string& displayName, Mode mode, Sink& sink);

// Appends "[path]" and a CR LF; path is in code page 936.
void appendSection(std::string& out, std::string_view path);
// Appends one value line (wrapped if long) and its CR LF. Data that a quoted string cannot carry
// exactly is written as hex(1).
void appendValue(std::string& out, std::string_view nameBytes, std::uint32_t type, std::string_view data);

} // namespace w98::regedit4
