#pragma once
// The registry is one database for every program of the machine: SYSTEM.DAT and USER.DAT are
// read, changed and replaced only by a program holding the registry lock, so that no program
// undoes another's change. The lock is an exclusive flock(2) on the folder that holds the file
// (the Windows folder): it adds no file to a copy of a real drive C:, and the kernel lets go of
// it when its holder dies, so a program killed while writing blocks nobody.
//
// Readers that need both files as of one moment (an export, a backup) take it too; single reads
// need not, as a file is only ever replaced whole. A program waits for the lock a few seconds at
// most, then gives up with a message naming the file; nothing has been done then. Within a
// process the thread that holds the lock may take it again (an import holds it for both files
// while each file's write takes it); other threads wait as other processes do.
#include <chrono>
#include <filesystem>
#include <string>

namespace w98 {

namespace detail {
struct RegistryLockSlot;
}

class RegistryLock {
  public:
    // Locks the folder of registryFile; throws Error naming displayName when the lock is not
    // free within registryLockWait(). A folder that cannot be opened (missing) is not locked:
    // the write that follows reports it.
    RegistryLock(const std::filesystem::path& registryFile, const std::string& displayName);
    ~RegistryLock();
    RegistryLock(const RegistryLock&) = delete;
    RegistryLock& operator=(const RegistryLock&) = delete;

  private:
    detail::RegistryLockSlot* slot_ = nullptr; // null when nothing was locked
};

// How long a writer waits for the lock. Five seconds unless set (tests shorten it).
std::chrono::milliseconds registryLockWait();
void setRegistryLockWait(std::chrono::milliseconds wait);

// True for the names of the registry's files (SYSTEM.DAT, USER.DAT, any letter case): a file
// operation on them takes the registry lock.
bool isRegistryFileName(const std::filesystem::path& file);

} // namespace w98
