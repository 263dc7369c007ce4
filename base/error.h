#pragma once
// Errors travel as exceptions carrying the message the user sees.
#include <stdexcept>
#include <string>

namespace w98 {

class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// An input/output error of a file, as MS-DOS and Windows programs report them:
// the standard text, then the file it concerns.
class IoError : public Error {
  public:
    IoError(const std::string& standardText, const std::string& file)
        : Error(standardText + ": " + file), file_(file) {}
    const std::string& file() const { return file_; }

  private:
    std::string file_;
};

// Standard texts of input/output errors.
namespace io_text {
inline constexpr const char* kFileNotFound = "File not found";
inline constexpr const char* kPathNotFound = "Path not found";
inline constexpr const char* kAccessDenied = "File access denied";
inline constexpr const char* kInvalidName = "Invalid filename";
inline constexpr const char* kDiskFull = "Disk full";
inline constexpr const char* kReadError = "Read error";
inline constexpr const char* kWriteError = "Write error";
} // namespace io_text

// A file whose content cannot be understood; names the file and the line.
class FormatError : public Error {
  public:
    FormatError(const std::string& file, std::size_t line, const std::string& what)
        : Error(file + (line ? " 第 " + std::to_string(line) + " 行：" : std::string("：")) + what) {}
};

} // namespace w98
