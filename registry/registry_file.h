#pragma once
// One registry file (SYSTEM.DAT or USER.DAT) and the tree read from it. The file is parsed
// again only when it changed (its signature: device, inode, size, modification time), so a call
// on an unchanged file costs a stat; a change made by another process is seen by the next call.
// Each file keeps the form it was found in. Changes are made under the registry lock
// (registry_lock.h), to the tree as the file holds it at that moment.
#include "registry_tree.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace w98 {

// The forms a registry file can take: REGEDIT4 text (hand-made machines, test fixtures) or
// Windows 98's own binary form. A file keeps the form it has. One that does not exist yet takes
// its sibling's form when the sibling is binary (Windows 98 loads the two files together and
// never a text one), and is text otherwise.
enum class HiveForm { Text, Binary };

// The form of a file's bytes.
HiveForm hiveFormOf(std::string_view bytes);
// The tree a file's bytes hold, read in the form they have; a damaged file throws FormatError.
std::unique_ptr<regtree::Key> readHive(std::string_view bytes, const std::string& displayName,
                                       const std::string& rootName);
// A file of the given form holding only the root key.
std::string emptyHiveBytes(HiveForm form, const std::string& rootName);

class HiveFile {
  public:
    // sibling: the other registry file of the machine, whose form a missing file takes.
    HiveFile(std::filesystem::path file, std::string displayName, std::string rootName,
             std::filesystem::path sibling = {});

    const std::filesystem::path& file() const { return file_; }
    const std::string& displayName() const { return displayName_; }
    const std::string& rootName() const { return rootName_; }
    HiveForm form() const { return form_; }

    // The tree as the file now holds it; throws the file's error while it cannot be read.
    regtree::Key& fresh();

    // Applies fn to the tree as the file holds it now, under the registry lock, and writes the
    // tree back when fn returns true. Whatever another program changed since the tree was read
    // is read first and kept. When fn or the write fails, the tree is dropped: the next call
    // reads the file, which is still as it was.
    void change(const std::function<bool(regtree::Key&)>& fn);

    // Writes the changed tree back, atomically and keeping the file's MS-DOS attributes. A binary
    // file is checked by Windows' structural rules and read back first, and replaces the old one
    // only if it is sound and holds exactly the tree. The caller holds the registry lock since it called
    // fresh() (change() does). On failure the tree is dropped, so that the next call reads the file, which is
    // still as it was.
    void commit();

    // Writes both changed trees back as one step (registry_pair.h): both files change or
    // neither, even when the program is killed in between. The two files share a folder.
    static void commitPair(HiveFile& first, HiveFile& second);

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
    std::uint8_t attributesNow() const;
    void noteWritten(std::size_t size);
    std::string serialize() const;
    HiveForm formForNewFile() const;

    std::filesystem::path file_;
    std::string displayName_;
    std::string rootName_; // upper case, as written
    std::filesystem::path sibling_;
    HiveForm form_ = HiveForm::Text;
    std::unique_ptr<regtree::Key> root_; // null unless loaded and sound
    std::optional<Signature> signature_; // of what root_ (or broken_) came from
    std::exception_ptr broken_;          // the error of an unreadable file, until it changes
    std::size_t parses_ = 0;
};

} // namespace w98
