#include "registry_file.h"

#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/host_file.h"
#include "registry_binary_format.h"
#include "registry_lock.h"
#include "registry_pair.h"
#include "registry_text_format.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <utility>

namespace w98 {

namespace {

const char* readErrorText(int err) {
    switch (err) {
    case EACCES:
    case EPERM:
    case EISDIR:
        return io_text::kAccessDenied;
    default:
        return io_text::kReadError;
    }
}

// nullopt when the file (or its folder) does not exist.
std::optional<struct stat> statFile(const std::filesystem::path& file, const std::string& displayName) {
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0)
        return st;
    if (errno == ENOENT || errno == ENOTDIR)
        return std::nullopt;
    throw IoError(readErrorText(errno), displayName);
}

} // namespace

HiveForm hiveFormOf(std::string_view bytes) {
    return regbin::looksLikeBinary(bytes) ? HiveForm::Binary : HiveForm::Text;
}

std::unique_ptr<regtree::Key> readHive(std::string_view bytes, const std::string& displayName,
                                       const std::string& rootName) {
    return hiveFormOf(bytes) == HiveForm::Binary ? regbin::read(bytes, displayName, rootName)
                                                 : regtext::read(bytes, displayName, rootName);
}

std::string emptyHiveBytes(HiveForm form, const std::string& rootName) {
    regtree::Key root;
    root.name = rootName;
    root.bytes = rootName;
    return form == HiveForm::Binary ? regbin::write(root) : regtext::write(root, rootName);
}

HiveFile::HiveFile(std::filesystem::path file, std::string displayName, std::string rootName,
                   std::filesystem::path sibling)
    : file_(std::move(file)), displayName_(std::move(displayName)), rootName_(std::move(rootName)),
      sibling_(std::move(sibling)) {}

HiveForm HiveFile::formForNewFile() const {
    if (sibling_.empty())
        return HiveForm::Text;
    std::FILE* f = std::fopen(sibling_.c_str(), "rb");
    if (!f)
        return HiveForm::Text;
    char head[4] = {};
    const std::size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    return hiveFormOf(std::string_view(head, n));
}

void HiveFile::forget() {
    root_.reset();
    signature_.reset();
    broken_ = nullptr;
}

std::optional<HiveFile::Signature> HiveFile::currentSignature() const {
    auto st = statFile(file_, displayName_);
    if (!st)
        return Signature{};
    return Signature{true, st->st_dev, st->st_ino, st->st_size, st->st_mtim.tv_sec, st->st_mtim.tv_nsec};
}

regtree::Key& HiveFile::fresh() {
    Signature now = *currentSignature();
    if (signature_ && *signature_ == now) {
        if (broken_)
            std::rethrow_exception(broken_);
        return *root_;
    }
    forget();
    struct stat st {};
    auto bytes = readHostFileIfExists(file_, displayName_, &st);
    if (!bytes) {
        root_ = std::make_unique<regtree::Key>();
        root_->name = rootName_;
        root_->bytes = rootName_;
        form_ = formForNewFile();
        signature_ = Signature{};
        return *root_;
    }
    const Signature read{true, st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    ++parses_;
    try {
        form_ = hiveFormOf(*bytes);
        root_ = readHive(*bytes, displayName_, rootName_);
    } catch (const FormatError&) {
        broken_ = std::current_exception();
        signature_ = read;
        throw;
    }
    signature_ = read;
    return *root_;
}

std::string HiveFile::serialize() const {
    if (form_ == HiveForm::Binary) {
        std::string bytes = regbin::write(*root_);
        // What replaces the file must be sound by Windows' own rules (or its registry checker
        // would put a backup in its place at the next start) and read back as exactly the tree.
        const auto problems = regbin::structuralProblems(bytes);
        if (!problems.empty())
            throw Error(displayName_ + "：新写出的注册表文件结构有误（" + problems.front() +
                        "），文件没有被替换");
        if (!regbin::holds(bytes, *root_))
            throw Error(displayName_ + "：新写出的注册表文件读回后与要写入的内容不符，文件没有被替换");
        return bytes;
    }
    const std::size_t hint = signature_ ? static_cast<std::size_t>(signature_->size) : 0;
    return regtext::write(*root_, rootName_, hint);
}

void HiveFile::change(const std::function<bool(regtree::Key&)>& fn) {
    RegistryLock lock(file_, displayName_);
    regtree::Key& root = fresh();
    bool changed = false;
    try {
        changed = fn(root);
    } catch (...) {
        forget();
        throw;
    }
    if (changed)
        commit();
}

std::uint8_t HiveFile::attributesNow() const {
    return statFile(file_, displayName_) ? readDosAttributes(file_, displayName_) : attr::kArchive;
}

void HiveFile::noteWritten(std::size_t size) {
    auto st = statFile(file_, displayName_);
    // Someone may have replaced it again already; then read theirs next time.
    if (st && static_cast<std::size_t>(st->st_size) == size)
        signature_ =
            Signature{true, st->st_dev, st->st_ino, st->st_size, st->st_mtim.tv_sec, st->st_mtim.tv_nsec};
    else
        forget();
}

void HiveFile::commit() {
    try {
        RegistryLock lock(file_, displayName_);
        std::string bytes = serialize();
        replaceHostFile(file_, bytes, displayName_, attributesNow());
        noteWritten(bytes.size());
    } catch (...) {
        forget();
        throw;
    }
}

void HiveFile::commitPair(HiveFile& first, HiveFile& second) {
    try {
        RegistryLock lock(first.file_, first.displayName_);
        RegistryLock secondLock(second.file_, second.displayName_);
        const HiveReplacement a{first.file_, first.serialize(), first.attributesNow(), first.displayName_};
        const HiveReplacement b{second.file_, second.serialize(), second.attributesNow(),
                                second.displayName_};
        replaceHivePair(a, b);
        first.noteWritten(a.bytes.size());
        second.noteWritten(b.bytes.size());
    } catch (...) {
        first.forget();
        second.forget();
        throw;
    }
}

HiveFile::Snapshot HiveFile::snapshot() const {
    Snapshot s;
    s.attributes = attr::kArchive;
    if (statFile(file_, displayName_)) {
        s.bytes = readHostFile(file_, displayName_);
        s.attributes = readDosAttributes(file_, displayName_);
    }
    return s;
}

void HiveFile::putBack(const Snapshot& before) {
    forget();
    RegistryLock lock(file_, displayName_);
    if (before.bytes)
        replaceHostFile(file_, *before.bytes, displayName_, before.attributes);
    else
        std::filesystem::remove(file_);
}

} // namespace w98
