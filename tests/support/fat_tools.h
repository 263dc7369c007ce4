#pragma once
// FAT disk images made, filled, checked and listed by outside tools only (dosfstools, mtools,
// fatcat), never by the program's own FAT code, so that tests can hold what the program writes
// against readers it shares nothing with. The helpers throw std::runtime_error with the tool's
// command line and output when a tool fails.
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::test {

enum class FatKind { Fat16, Fat32 };

// A new image of `megabytes` MiB (any old file is replaced). Partitioned: an MBR with one
// bootable primary partition from LBA 63 to the end of the last whole cylinder (16 heads and 63
// sectors a track up to 504 MB, 255 heads above), type 0x06 for FAT16 (0x04 below 65536
// sectors) or 0x0C for FAT32, formatted by mkfs.fat with 63 hidden sectors. Bare: the whole file
// is one volume. Cluster sizes are those of Microsoft's FORMAT for the volume size (FAT16 1 KB
// up to 16 MB, 2 KB up to 128 MB; FAT32 512 bytes up to 260 MB, 4 KB up to 8 GB); FAT16 takes 5
// to 2047 MB, FAT32 at least 33 MB. Volume label KORVANE, 512-byte sectors, 2 FATs.
void makeFatImage(const std::filesystem::path& image, FatKind kind, unsigned megabytes, bool partitioned);

// Where the FAT volume starts in the image: 0 when sector 0 is a FAT boot sector, otherwise the
// start of the first FAT partition of the MBR (63 * 512 for makeFatImage). Throws for neither.
std::uint64_t fatVolumeOffset(const std::filesystem::path& image);

// The volume as mtools' -i option names it: "FILE@@OFFSET".
std::string mtoolsVolume(const std::filesystem::path& image);

// "" when `fsck.fat -n -S` (read-only; short names with blanks inside count as errors, as
// Windows 98 never makes them) exits 0 and prints nothing but its version and summary lines;
// otherwise its whole output. A partition is checked from a sparse copy of its bytes, since
// fsck.fat takes no offset.
// What of fsck.fat's findings ScanDisk would not mend without loss (lost clusters, a second FAT
// behind an intact first, an unknown free count are mended); empty when nothing else.
std::string unmendable(const std::string& fsck);
std::string fsckFatProblems(const std::filesystem::path& image);

struct FatListedEntry {
    std::string path;            // long names from the volume root, '\\' separated, UTF-8
    std::string shortName;       // 8.3 as stored, e.g. "MYBACK~1.CAB"
    std::uint8_t attributes = 0; // 0x01 read-only, 0x02 hidden, 0x04 system, 0x10 folder, 0x20 archive
    std::uint64_t size = 0;      // 0 for folders
    bool operator==(const FatListedEntry&) const = default;
};

// One line for test failures: path, short name, attributes in hex, size; control bytes escaped.
void PrintTo(const FatListedEntry& entry, std::ostream* os);

// Every file and folder below the root as mtools sees it (mdir -/ -a and mattrib -/, two
// processes), sorted by path, without "." and "..". mtools runs with its own settings (the
// caller's mtools configuration does not count), on its default code page 850 and UTF-8 output.
// - path: each component is the long name; an entry without one gives its short name as stored
//   (upper case: mtools shows names it stored under the NT lower-case flags, such as mcopy's
//   "secret.txt", in lower case, but Windows 98 ignores those flags).
// - shortName: mtools prints short-name bytes as code page 850 characters ("元素周~1.EXE" stored
//   in code page 936 comes out as "È¬╦ÏÍ▄~1.EXE"); they are turned back into the stored bytes and
//   read as code page 936, giving "元素周~1.EXE", or left in mdir's rendering when the bytes are
//   not valid code page 936. mcopy itself stores "_____.EXE" for 元素周期表.exe. Letters are
//   upper-cased to undo the NT lower-case flags (not the second bytes of code page 936
//   characters, which may be letters), so a short name wrongly stored in lower case shows only in
//   fatcatListing.
// - attributes: all five bits.
std::vector<FatListedEntry> mtoolsListing(const std::filesystem::path& image);

// The same tree as fatcat (1.1.1) sees it: `fatcat -L cluster`, one process per folder.
// - path: fatcat prints a long name as the bytes of its UTF-16LE characters, low byte then high
//   byte, leaving out zero high bytes and characters whose low byte is 0x00 or 0xFF. ASCII names
//   come out right; others come out as fatcatRendering() of the name ("元素周期表.exe" as
//   "CQ }hT\x1Fgh\x88.exe"), which may hold any byte but '\0', a newline included. An entry
//   without a long name gives its short name as stored (code page 936 read as UTF-8).
// - shortName: the stored bytes read as code page 936 ("元素周~1.EXE", "_____.EXE"); bytes that
//   are not valid code page 936 are left as they are.
// - attributes: only 0x10 (folder) and 0x02 (hidden), the two fatcat lists; see fatcatAttributes.
// The paths are sorted by their bytes: sort an expected list after rendering it.
std::vector<FatListedEntry> fatcatListing(const std::filesystem::path& image);

// A UTF-8 name or '\\' separated path as fatcatListing gives it (see there).
std::string fatcatRendering(std::string_view utf8);

// All attribute bits of one entry from fatcat (`fatcat -e`, one process per entry); the path
// is '\\' separated, in fatcatRendering() form.
std::uint8_t fatcatAttributes(const std::filesystem::path& image, const std::string& fatcatPath);

// Copies what is in hostFolder (not the folder itself) into dosFolder ('\\' separated, "" for
// the root, made when missing) with `mcopy -s -p -m`, replacing files of the same names and
// keeping modification times. On code page 850, mcopy gives all-lowercase 8.3 names no long
// name but the NT lower-case flags, and Chinese names aliases like "_____.EXE". On code page
// 936 (the only other one offered) it writes no long names, only 8.3 names in code page 936, as
// a Chinese DOS program would: 元素周期表.exe becomes 元素.EXE.
void copyTreeIntoImage(const std::filesystem::path& image, const std::filesystem::path& hostFolder,
                       const std::string& dosFolder = "", unsigned codePage = 850);

// mattrib on one file or folder ('\\' separated): flags such as "+r +h +s" or "-a".
void setImageAttributes(const std::filesystem::path& image, const std::string& dosPath,
                        const std::string& flags);

} // namespace korvane::test
