#include "registry_pair.h"

#include "base/dos_attributes.h"
#include "base/errno_text.h"
#include "base/error.h"
#include "base/host_file.h"
#include "base/short_names.h"
#include "base/text.h"
#include "registry_lock.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace w98 {
namespace {

constexpr const char* kPreparing = "preparing";
constexpr const char* kReady = "ready";

std::function<void(const std::string&)>& hook() {
    static std::function<void(const std::string&)> h;
    return h;
}

void step(const std::string& name) {
    if (hook())
        hook()(name);
}

fs::path newFileFor(const fs::path& file) {
    return file.parent_path() / ("." + file.filename().string() + ".new");
}

void writeRecord(const fs::path& folder, const char* state, const HiveReplacement& first,
                 const HiveReplacement& second) {
    const fs::path record = folder / kHivePairRecord;
    replaceHostFile(record,
                    std::string(state) + "\r\n" + first.file.filename().string() + "\r\n" +
                        second.file.filename().string() + "\r\n",
                    record.string());
}

// The new file, on the disk with its attributes and the short name of the file it replaces.
void writeNewFile(const HiveReplacement& r) {
    const fs::path file = newFileFor(r.file);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw IoError(textForErrno(errno), r.displayName);
    std::size_t done = 0;
    while (done < r.bytes.size()) {
        const ssize_t n = ::write(fd, r.bytes.data() + done, r.bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : ENOSPC;
            ::close(fd);
            throw IoError(textForErrno(err), r.displayName);
        }
        done += static_cast<std::size_t>(n);
    }
    const bool synced = ::fsync(fd) == 0;
    const int err = errno;
    if (::close(fd) != 0 || !synced)
        throw IoError(textForErrno(synced ? errno : err), r.displayName);
    writeDosAttributes(file, r.attributes, r.displayName);
    short_names::carryOver(r.file, file);
}

void moveIntoPlace(const fs::path& file, const std::string& displayName) {
    if (::rename(newFileFor(file).c_str(), file.c_str()) != 0)
        throw IoError(textForErrno(errno), displayName);
}

} // namespace

void replaceHivePair(const HiveReplacement& first, const HiveReplacement& second) {
    const fs::path folder = first.file.parent_path();
    writeRecord(folder, kPreparing, first, second);
    try {
        writeNewFile(first);
        writeNewFile(second);
        step("prepared");
        writeRecord(folder, kReady, first, second);
    } catch (...) {
        std::error_code ec;
        fs::remove(newFileFor(first.file), ec);
        fs::remove(newFileFor(second.file), ec);
        fs::remove(folder / kHivePairRecord, ec);
        throw;
    }
    // From here the pair is made: should a rename fail, the next program finishes it.
    step("ready");
    moveIntoPlace(first.file, first.displayName);
    step("between");
    moveIntoPlace(second.file, second.displayName);
    std::error_code ec;
    fs::remove(folder / kHivePairRecord, ec);
}

void replaceHivePairLocked(const HiveReplacement& first, const HiveReplacement& second) {
    RegistryLock firstLock(first.file, first.displayName);
    RegistryLock secondLock(second.file, second.displayName);
    if (first.file.parent_path() == second.file.parent_path()) {
        replaceHivePair(first, second);
        return;
    }
    replaceHostFile(first.file, first.bytes, first.displayName, first.attributes);
    replaceHostFile(second.file, second.bytes, second.displayName, second.attributes);
}

void settleHivePair(const fs::path& folder) {
    const fs::path record = folder / kHivePairRecord;
    const auto text = readHostFileIfExists(record, record.string());
    if (!text)
        return;
    std::string state;
    std::vector<std::string> names;
    for (const std::string& line : splitLines(*text)) {
        // Only plain names of files beside the record: nothing read here may lead elsewhere.
        if (state.empty())
            state = line;
        else if (!line.empty() && line.find('/') == std::string::npos && line != "." && line != "..")
            names.push_back(line);
    }
    for (const std::string& name : names) {
        const fs::path file = folder / name;
        std::error_code ec;
        if (!fs::exists(newFileFor(file), ec))
            continue; // already in place
        if (state == kReady)
            moveIntoPlace(file, file.string());
        else
            fs::remove(newFileFor(file), ec);
    }
    std::error_code ec;
    fs::remove(record, ec);
}

void setHivePairStepHook(std::function<void(const std::string& step)> h) {
    hook() = std::move(h);
}

} // namespace w98
