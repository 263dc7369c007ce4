// The registry file read through libcreg, the independent reader of Windows 9x registry files,
// so that tests and fuzz targets can hold the program's own reader against it. libcreg walks
// whatever the navigation entries say; the entries are checked first so that a subkey pointing
// back at its ancestors cannot make it loop.
#include "tests/support/creg_reader.h"

#include "base/cp936.h"
#include "base/error.h"
#include "base/text.h"
#include "registry/registry_binary_layout.h"
#include "registry/registry_value.h"

#include <libcreg.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <sys/mman.h>
#include <unistd.h>
#include <unordered_set>
#include <utility>
#include <vector>

namespace korvane::test {

namespace {

using w98::FormatError;
using w98::IoError;
using w98::RegValue;
using w98::regtree::Key;
namespace io_text = w98::io_text;
namespace cp936 = w98::cp936;

constexpr std::uint32_t kNone = 0xFFFFFFFFu;
constexpr std::size_t kFileHeaderSize = 0x20;
constexpr std::size_t kNavigationHeaderSize = 0x20;
constexpr std::size_t kNavigationEntrySize = 28;
constexpr std::size_t kBlockHeaderSize = 0x20;

// Offsets and messages as the program's own reader gives them, so that the two can be compared.
using w98::regbin::layout::damaged;
using w98::regbin::layout::get32;
using w98::regbin::layout::hexOffset;

// The key navigation entries are checked here before libcreg follows them: libcreg stops a
// sibling chain that runs back on itself, but a subkey pointing back to one of its ancestors
// would have it (and any reader) walk the same keys forever.
void checkNavigation(std::string_view bytes, const std::string& displayName) {
    if (bytes.size() < kFileHeaderSize + kNavigationHeaderSize)
        damaged(displayName, bytes.size(), "文件在文件头之内就结束了");
    if (bytes.substr(0, 4) != "CREG")
        damaged(displayName, 0, "文件不以 CREG 开头，不是 Windows 98 的注册表文件");
    if (bytes.substr(kFileHeaderSize, 4) != "RGKN")
        damaged(displayName, kFileHeaderSize, "缺少键导航记录 RGKN");
    const std::uint64_t navigationSize = get32(bytes, kFileHeaderSize + 4);
    if (navigationSize < kNavigationHeaderSize || kFileHeaderSize + navigationSize > bytes.size())
        damaged(displayName, kFileHeaderSize + 4, "键导航记录的大小超出了文件");
    const std::uint32_t dataOffset = get32(bytes, 8);
    if (dataOffset < kFileHeaderSize + navigationSize || dataOffset > bytes.size())
        damaged(displayName, 8, "数据块的位置不在文件之内");

    // The data blocks follow one another to the end of the file.
    const std::uint32_t blockCount = get32(bytes, 16) & 0xFFFF;
    std::uint64_t blockAt = dataOffset;
    for (std::uint32_t b = 0; b < blockCount; ++b) {
        if (blockAt + kBlockHeaderSize > bytes.size())
            damaged(displayName, blockAt, "文件在第 " + std::to_string(b + 1) + " 个数据块之前就结束了");
        if (bytes.substr(blockAt, 4) != "RGDB")
            damaged(displayName, blockAt, "缺少数据块 RGDB");
        const std::uint32_t size = get32(bytes, blockAt + 4);
        if (size < kBlockHeaderSize || blockAt + size > bytes.size())
            damaged(displayName, blockAt + 4, "数据块的大小超出了文件");
        blockAt += size;
    }

    // Entry offsets count from the start of the navigation record, whose header says where the
    // root's entry is: right after the header in every file Windows writes, and where libcreg
    // always looks for it.
    if (get32(bytes, kFileHeaderSize + 8) != kNavigationHeaderSize)
        damaged(displayName, kFileHeaderSize + 8, "键导航记录中根键的位置不对");
    // libcreg reaches entries up to one header's length before the record's end.
    auto entryAt = [&](std::uint32_t rel, std::uint64_t referencedFrom) -> std::size_t {
        if (rel < kNavigationHeaderSize ||
            rel + static_cast<std::uint64_t>(kNavigationEntrySize) > navigationSize - kNavigationHeaderSize)
            damaged(displayName, referencedFrom,
                    "指向 " + hexOffset(kFileHeaderSize + std::uint64_t{rel}) + " 的键不在键导航记录之内");
        return kFileHeaderSize + rel;
    };

    std::unordered_set<std::uint32_t> seen;
    struct Pending {
        std::uint32_t rel;
        std::uint64_t from;
        std::size_t depth;
    };
    std::vector<Pending> stack{{get32(bytes, kFileHeaderSize + 8), kFileHeaderSize + 8, 0}};
    while (!stack.empty()) {
        Pending p = stack.back();
        stack.pop_back();
        // Walk one sibling chain; subkey chains go on the stack.
        // An unset link is 0xFFFFFFFF; libcreg would follow a link of 0 into the record's header
        // forever, so that one is damage like any other link outside the entries.
        for (std::uint32_t rel = p.rel; rel != kNone;) {
            const std::size_t at = entryAt(rel, p.from);
            if (!seen.insert(rel).second)
                damaged(displayName, p.from,
                        "键的链接又指回了已经读过的键（" + hexOffset(at) + "），键树成了环");
            if (p.depth > w98::kRegMaxDepth)
                damaged(displayName, at, "键的层次太深");
            const std::uint32_t child = get32(bytes, at + 16);
            if (child != kNone)
                stack.push_back({child, at + 16, p.depth + 1});
            p.from = at + 20;
            rel = p.depth == 0 ? kNone : get32(bytes, at + 20); // the root has no siblings
        }
    }
}

// A file in memory that libcreg can open by name, without touching the machine's file again
// (it may be replaced by another process meanwhile).
class MemoryFile {
  public:
    MemoryFile(std::string_view bytes, const std::string& displayName) {
        fd_ = ::memfd_create("w98-hive", MFD_CLOEXEC);
        if (fd_ < 0)
            throw IoError(io_text::kReadError, displayName);
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                ::close(fd_);
                throw IoError(io_text::kReadError, displayName);
            }
            done += static_cast<std::size_t>(n);
        }
        name_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~MemoryFile() { ::close(fd_); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    const std::string& name() const { return name_; }

  private:
    int fd_ = -1;
    std::string name_;
};

// libcreg's own description of what it could not read, last line first.
std::string describe(libcreg_error_t* error) {
    if (!error)
        return "libcreg 读不出它";
    char text[2048] = {};
    libcreg_error_sprint(error, text, sizeof text);
    libcreg_error_free(&error);
    return "libcreg: " + std::string(w98::trimmedRight(text, " \n"));
}

// libcreg names the offsets it stumbled on in its messages; the last one is where it stopped.
std::optional<std::uint64_t> offsetIn(const std::string& text) {
    std::optional<std::uint64_t> found;
    for (std::size_t at = text.find("offset: "); at != std::string::npos;
         at = text.find("offset: ", at + 1)) {
        std::size_t p = at + 8;
        std::uint64_t v = 0;
        bool any = false;
        while (p < text.size() && text[p] >= '0' && text[p] <= '9') {
            v = v * 10 + static_cast<std::uint64_t>(text[p] - '0');
            any = true;
            ++p;
        }
        if (any)
            found = v;
    }
    return found;
}

class Reader {
  public:
    Reader(const std::string& displayName) : displayName_(displayName) {}
    ~Reader() {
        if (file_) {
            libcreg_file_close(file_, nullptr);
            libcreg_file_free(&file_, nullptr);
        }
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    std::unique_ptr<Key> run(const std::string& path, const std::string& rootName) {
        libcreg_error_t* error = nullptr;
        if (libcreg_file_initialize(&file_, &error) != 1)
            fail(std::nullopt, error);
        // Names are taken as the bytes stored; the code page only matters to libcreg's own texts.
        libcreg_file_set_ascii_codepage(file_, LIBCREG_CODEPAGE_WINDOWS_936, nullptr);
        if (libcreg_file_open(file_, path.c_str(), LIBCREG_OPEN_READ, &error) != 1) {
            libcreg_file_free(&file_, nullptr);
            file_ = nullptr;
            fail(std::nullopt, error);
        }
        libcreg_key_t* rootKey = nullptr;
        if (libcreg_file_get_root_key(file_, &rootKey, &error) != 1 || !rootKey)
            fail(std::nullopt, error);
        auto root = std::make_unique<Key>();
        root->name = rootName;
        root->bytes = rootName;
        try {
            readKey(rootKey, *root, 0);
        } catch (...) {
            libcreg_key_free(&rootKey, nullptr);
            throw;
        }
        libcreg_key_free(&rootKey, nullptr);
        return root;
    }

  private:
    [[noreturn]] void fail(std::optional<std::uint64_t> offset, libcreg_error_t* error) {
        std::string what = describe(error);
        if (auto at = offsetIn(what))
            offset = at;
        damaged(displayName_, offset, what);
    }

    std::optional<std::uint64_t> offsetOf(libcreg_key_t* key) {
        off64_t offset = 0;
        if (libcreg_key_get_offset(key, &offset, nullptr) == 1)
            return static_cast<std::uint64_t>(offset);
        return std::nullopt;
    }

    std::string text(const std::string& bytes, std::optional<std::uint64_t> at) {
        std::string utf8;
        if (!cp936::tryToUtf8(bytes, utf8))
            damaged(displayName_, at, "名称不是 936 代码页文本");
        return utf8;
    }

    void readValues(libcreg_key_t* key, Key& into, std::optional<std::uint64_t> at) {
        libcreg_error_t* error = nullptr;
        int count = 0;
        if (libcreg_key_get_number_of_values(key, &count, &error) != 1)
            fail(at, error);
        into.values.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            libcreg_value_t* value = nullptr;
            if (libcreg_key_get_value_by_index(key, i, &value, &error) != 1 || !value)
                fail(at, error);
            std::size_t nameSize = 0;
            std::size_t dataSize = 0;
            std::uint32_t type = 0;
            std::string name;
            std::string data;
            bool ok = libcreg_value_get_name_size(value, &nameSize, &error) == 1;
            if (ok && nameSize > 0) {
                name.resize(nameSize);
                ok = libcreg_value_get_name(value, reinterpret_cast<std::uint8_t*>(name.data()), nameSize,
                                            &error) == 1;
            }
            ok = ok && libcreg_value_get_value_type(value, &type, &error) == 1 &&
                 libcreg_value_get_value_data_size(value, &dataSize, &error) == 1;
            if (ok && dataSize > 0) {
                data.resize(dataSize);
                ok = libcreg_value_get_value_data(value, reinterpret_cast<std::uint8_t*>(data.data()),
                                                  dataSize, &error) == 1;
            }
            std::optional<std::uint64_t> valueAt;
            if (off64_t o = 0; libcreg_value_get_offset(value, &o, nullptr) == 1)
                valueAt = static_cast<std::uint64_t>(o);
            libcreg_value_free(&value, nullptr);
            if (!ok)
                fail(valueAt ? valueAt : at, error);
            RegValue v;
            v.name = text(name, valueAt);
            v.type = type;
            v.data = std::move(data);
            // The file keeps a string without its closing NUL; the registry holds one.
            if (type == 1)
                v.data.push_back('\0');
            into.values.push_back(w98::regtree::StoredValue{std::move(v), std::move(name)});
        }
    }

    void readKey(libcreg_key_t* key, Key& into, std::size_t depth) {
        const auto at = offsetOf(key);
        readValues(key, into, at);
        libcreg_error_t* error = nullptr;
        int count = 0;
        if (libcreg_key_get_number_of_sub_keys(key, &count, &error) != 1)
            fail(at, error);
        for (int i = 0; i < count; ++i) {
            libcreg_key_t* sub = nullptr;
            if (libcreg_key_get_sub_key_by_index(key, i, &sub, &error) != 1 || !sub)
                fail(at, error);
            try {
                const auto subAt = offsetOf(sub);
                std::size_t nameSize = 0;
                std::string name;
                if (libcreg_key_get_name_size(sub, &nameSize, &error) != 1)
                    fail(subAt, error);
                if (nameSize > 0) {
                    name.resize(nameSize);
                    if (libcreg_key_get_name(sub, reinterpret_cast<std::uint8_t*>(name.data()), nameSize,
                                             &error) != 1)
                        fail(subAt, error);
                }
                // libcreg counts the closing NUL it adds; the file stores none.
                while (!name.empty() && name.back() == '\0')
                    name.pop_back();
                if (name.empty())
                    damaged(displayName_, subAt, "子键没有名称");
                std::string utf8 = text(name, subAt);
                Key& child = into.addChild(std::move(utf8), std::move(name));
                readKey(sub, child, depth + 1);
            } catch (...) {
                libcreg_key_free(&sub, nullptr);
                throw;
            }
            libcreg_key_free(&sub, nullptr);
        }
    }

    const std::string& displayName_;
    libcreg_file_t* file_ = nullptr;
};

} // namespace

std::unique_ptr<Key> cregRead(std::string_view bytes, const std::string& displayName,
                              const std::string& rootName) {
    checkNavigation(bytes, displayName);
    MemoryFile memory(bytes, displayName);
    Reader reader(displayName);
    return reader.run(memory.name(), rootName);
}

} // namespace korvane::test
