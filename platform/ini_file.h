#pragma once
// A small reader for the machine description (machine.ini, UTF-8): [section] and key=value
// lines; keys and sections compare without regard to case, ';' starts a comment line.
#include <map>
#include <string>
#include <string_view>

namespace w98 {

class IniFile {
  public:
    // Throws FormatError(displayName, line, ...) on a line that is neither a section, a
    // key=value pair, a comment nor empty.
    static IniFile parse(std::string_view text, const std::string& displayName);

    std::string get(std::string_view section, std::string_view key, std::string_view fallback = {}) const;
    bool has(std::string_view section, std::string_view key) const;
    void set(std::string_view section, std::string_view key, std::string_view value);
    std::string text() const;

  private:
    // folded section -> (folded key -> (key as written, value))
    std::map<std::string, std::pair<std::string, std::map<std::string, std::pair<std::string, std::string>>>>
        sections_;
};

} // namespace w98
