// Disk images as the machine opens them: any bytes at the start of a disk give a volume or an
// Error, never a crash; a volume that opens lists names that stay inside their folder, reads
// every file, and takes a new file, a replaced one and a removed one so that it opens again
// holding exactly them.
#include "fuzz_machine.h"

#include "base/error.h"
#include "disk/fat/fat_volume.h"

#include <sys/mman.h>
#include <unistd.h>

namespace {

using namespace korvane::fuzz;
using w98::disk::FatEntry;
using w98::disk::FatVolume;

// The input is the start of a disk of this size; the rest is zeros, as in a new image.
constexpr off_t kDiskBytes = 3 << 20;

int diskOf(const std::uint8_t* data, std::size_t size) {
    const int fd = ::memfd_create("disk", 0);
    check(fd >= 0 && ::ftruncate(fd, kDiskBytes) == 0, "no memory file");
    check(::pwrite(fd, data, size, 0) == static_cast<ssize_t>(size), "input not written");
    return fd;
}

void walk(const FatVolume& v, std::uint32_t dir, std::vector<FatEntry>& out, int depth) {
    for (const FatEntry& e : v.list(dir)) {
        check(!e.name.empty() && e.name != "." && e.name != ".." && e.name.find('/') == std::string::npos &&
                  e.name.find('\\') == std::string::npos,
              "a name reaches outside its folder");
        check(e.isDirectory() || v.read(e).size() == e.size, "a file reads short");
        out.push_back(e);
        if (e.isDirectory())
            walk(v, e.firstCluster, out, depth + 1);
    }
}

void applyWrites(int fd, const std::vector<w98::disk::ImageWrite>& writes) {
    for (const auto& w : writes)
        check(::pwrite(fd, w.bytes.data(), w.bytes.size(), static_cast<off_t>(w.offset)) ==
                  static_cast<ssize_t>(w.bytes.size()),
              "write failed");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = diskOf(data, size);
    try {
        std::vector<FatEntry> entries;
        {
            FatVolume v(fd, "fuzz.img");
            walk(v, v.rootDirectory(), entries, 0);
            // A change through the volume must leave one that opens and holds it.
            try {
                v.create(v.rootDirectory(), "New file name.txt", "NEWFIL~9.TXT", 0x20, 0x5A210000, "content");
                for (const FatEntry& e : entries) {
                    if (e.directory != v.rootDirectory())
                        continue;
                    if (e.isDirectory())
                        continue;
                    v.replace(e, "replaced", e.attributes, e.written);
                    break;
                }
            } catch (const w98::Error&) {
                ::close(fd);
                return 0; // full, or the root folder full
            }
            applyWrites(fd, v.writes());
        }
        FatVolume again(fd, "fuzz.img");
        bool found = false;
        for (const FatEntry& e : again.list(again.rootDirectory()))
            if (e.name == "New file name.txt")
                found = again.read(e) == "content" && e.shortName == "NEWFIL~9.TXT";
        check(found, "the new file did not come back");
    } catch (const w98::Error&) {
    }
    ::close(fd);
    return 0;
}
