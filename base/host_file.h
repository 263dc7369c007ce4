#pragma once
// Whole-file reads and atomic replacement on the host file system.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace w98 {

// Reads a whole file; throws IoError (named by displayName) when it cannot.
std::string readHostFile(const std::filesystem::path& file, const std::string& displayName);

// The same, but nullopt when the file or its folder does not exist; statOut, when given,
// receives the status of exactly the file that was read.
std::optional<std::string> readHostFileIfExists(const std::filesystem::path& file,
                                                const std::string& displayName,
                                                struct stat* statOut = nullptr);

// What a small file holds (a record, a log, a file of /proc), empty when it cannot be read.
std::string readHostFileOrEmpty(const std::filesystem::path& file);

// Replaces a file atomically: the bytes go to a temporary file beside it, which is flushed to
// disk and then renamed over the target, so that a crash or a full disk never leaves half a file.
// With attributes, the new file carries them from the moment it appears. It keeps the short
// name the file had (a new file gets one).
// Throws IoError (named by displayName) when it cannot; the old file is then untouched.
// Below a working-copy folder the file is not flushed first (see setWorkingCopyFolder).
void replaceHostFile(const std::filesystem::path& file, std::string_view bytes,
                     const std::string& displayName, std::optional<std::uint8_t> attributes = std::nullopt);

// Files below folder are a working copy of what something else keeps safe (a disk image's
// drive, which takes them through its own journal): replacing one need not wait for the disk.
void setWorkingCopyFolder(const std::filesystem::path& folder);

// Atomic replacement without waiting for the disk, for a file that can be made again.
void replaceScratchFile(const std::filesystem::path& file, std::string_view bytes,
                        const std::string& displayName);

} // namespace w98
