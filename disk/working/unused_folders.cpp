#include "unused_folders.h"

#include "disk/source/export_leftovers.h"
#include "lazy_drive.h"

#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace w98::disk {
namespace {

// A program holds one of the folder's lock files: it is in use.
bool held(const fs::path& folder) {
    for (const char* name : {"lazy.lock", "disk.users", "export.lock", "mirror.users"}) {
        const int fd = ::open((folder / name).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        const bool busy = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
        ::close(fd);
        if (busy)
            return true;
    }
    return false;
}

// A program has the raw image the folder mirrors: it holds QEMU's locks on it (emulator_locks.h).
bool imageHeld(const fs::path& folder) {
    std::ifstream source(folder / LazyDrive::kSourceFile);
    std::string raw;
    std::getline(source, raw);
    const int fd = raw.empty() ? -1 : ::open(raw.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 101;
    probe.l_len = 1;
    const bool busy = ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(fd);
    return busy;
}

bool holdsJournal(const fs::path& folder) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.path().filename().string().starts_with("image.journal"))
            return true;
    return ec.operator bool(); // unreadable: keep it
}

} // namespace

void markUsed(const fs::path& folder) {
    ::utimensat(AT_FDCWD, folder.c_str(), nullptr, 0);
}

void removeUnusedFolders(const fs::path& keep) {
    const auto oldest = fs::file_time_type::clock::now() - kUnusedFolderLifetime;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(keep.parent_path(), ec)) {
        const fs::path folder = e.path();
        std::error_code one;
        // Only a disk's working folder, named in image.source, and not this program's own.
        if (folder == keep || !fs::is_regular_file(folder / LazyDrive::kSourceFile, one))
            continue;
        const auto used = fs::last_write_time(folder, one);
        if (one || used > oldest || held(folder) || imageHeld(folder) || holdsJournal(folder) ||
            exportMounted(folder / "disk.raw"))
            continue;
        fs::remove_all(folder, one);
    }
}

} // namespace w98::disk
