#pragma once
// Putting a set of changes into a disk image as one step. FAT has no journal of its own: a
// program stopped between writing a folder and writing the FAT would leave the disk damaged.
// So the writes go first, whole, into a journal file, and only then into the image; a journal
// found complete when the image is next opened is put into the image again, an incomplete one
// is dropped (the image was not touched yet). A journal knows the image it was made for (its
// size, and what each place it writes held): one that no longer matches, because something
// else wrote into the image since, is set aside instead of replayed over those changes. The writes into the
// image run in a process of their own, which finishes its work even when the program that started it is
// killed.
#include "disk/fat/fat_volume.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace w98::disk {

// Writes the changes into the image open as fd: those into fresh clusters at once, the rest
// through the journal file. Throws IoError naming displayName when it cannot; the image is then
// unchanged or wholly changed. Throws Error naming the journal when the image was left halfway:
// the next recoverJournal completes it.
void writeThroughJournal(int fd, const std::vector<ImageWrite>& writes, const std::filesystem::path& journal,
                         const std::string& displayName);

// The journal file alone, for the image open as fd (not yet written): the image's size, the
// writes with what each replaces, then a checksum over them, replaced atomically.
void writeJournal(int fd, const std::filesystem::path& journal, const std::vector<ImageWrite>& writes);

// Called with every set of writes just before it goes into an image (tests record them).
void setImageWriteObserver(std::function<void(const std::vector<ImageWrite>&)> observer);

// What became of a journal found when the image was opened.
enum class JournalOutcome {
    None,      // there was none
    Completed, // put into the image
    Dropped,   // incomplete: the image was not touched
    SetAside,  // made for the image as it no longer is: renamed, the image left as it is
};
// A journal set aside keeps its bytes under its name with this added.
inline constexpr const char* kSetAsideSuffix = ".set-aside";

// Completes, drops or sets aside what a journal left behind.
JournalOutcome recoverJournal(int fd, const std::filesystem::path& journal, const std::string& displayName);

// What the user is told of a journal set aside (one line, LF-terminated).
std::string setAsideNotice(const std::string& displayName, const std::filesystem::path& journal);

} // namespace w98::disk
