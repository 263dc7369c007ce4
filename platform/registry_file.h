#pragma once
// One registry file (SYSTEM.DAT or USER.DAT) and the tree read from it. The file is parsed
// again only when it changed (its signature: device, inode, size, modification time), so a call
// on an unchanged file costs a stat; a change made by another process is seen by the next call.
// Each file keeps the form it was found in.
#include "registry_tree.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>

namespace w98 {

// The forms a registry file can take. A file that does not exist yet is created as text.
enum class HiveForm { Text };

class HiveFile {
public:
    HiveFile(std::filesystem::path file, std::string displayName, std::string rootName);

    const std::filesystem::path& file() const { return file_; }
    const std::string& displayName() const { return displayName_; }
    const std::string& rootName() const { return rootName_; }
    HiveForm form() const { return form_; }

    // The tree as the file now holds it; throws the file's error while it cannot be read.
    regtree::Key& fresh();

    // Writes the changed tree back, atomically and keeping the file's MS-DOS attributes. On
    // failure the tree is dropped, so that the next call reads the file, which is still as it was.
    void commit();

    // Drops the tree: the next call reads the file.
    void forget();

    // The file's bytes and attributes as they are now, to put back when a change that spans both
    // files fails half way (nullopt bytes: there was no file).
    struct Snapshot {
        std::optional<std::string> bytes;
        std::uint8_t attributes = 0;
    };
    Snapshot snapshot() const;
    void putBack(const Snapshot& before);

    // How many times the file has been parsed.
    std::size_t parseCount() const { return parses_; }

private:
    // What a file was read from: a replaced or rewritten file differs in one of these.
    struct Signature {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        time_t seconds = 0;
        long nanoseconds = 0;
        bool operator==(const Signature&) const = default;
    };

    std::optional<Signature> currentSignature() const;
    std::string serialize() const;

    std::filesystem::path file_;
    std::string displayName_;
    std::string rootName_; // upper case, as written
    HiveForm form_ = HiveForm::Text;
    std::unique_ptr<regtree::Key> root_; // null unless loaded and sound
    std::optional<Signature> signature_;  // of what root_ (or broken_) came from
    std::exception_ptr broken_;           // the error of an unreadable file, until it changes
    std::size_t parses_ = 0;
};

} // namespace w98
