#pragma once
// REGEDIT4 text as regedit exports and imports it, on code page 936 bytes. The registry's
// SYSTEM.DAT and USER.DAT are such text, and so is what it exports and imports.
#include "registry.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace w98::regedit4 {

inline constexpr std::string_view kHeader = "REGEDIT4";
inline constexpr std::string_view kHeaderV5 = "Windows Registry Editor Version 5.00";

// Deeper paths are refused, which also bounds the recursion over the tree.
inline constexpr std::size_t kMaxDepth = 512;

// A key or value name both ways: as the program sees it and as the file holds it.
struct Name {
    std::string text;  // UTF-8
    std::string bytes; // code page 936
};

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

// Splits text into lines at LF, dropping the CR of CR LF; a final line break ends the last line.
std::vector<std::string_view> splitLines(std::string_view text);

// Appends "[path]" and a CR LF; path is in code page 936.
void appendSection(std::string& out, std::string_view path);
// Appends one value line (wrapped if long) and its CR LF. Data that a quoted string cannot carry
// exactly is written as hex(1).
void appendValue(std::string& out, std::string_view nameBytes, std::uint32_t type, std::string_view data);

} // namespace w98::regedit4
