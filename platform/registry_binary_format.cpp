#include "registry_binary_format.h"

#include "cp936.h"
#include "error.h"

#include <libcreg.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sys/mman.h>
#include <unistd.h>
#include <unordered_set>
#include <utility>
#include <vector>

namespace w98::regbin {

namespace {

using regtree::Key;

constexpr std::uint32_t kNone = 0xFFFFFFFFu;
constexpr std::size_t kFileHeaderSize = 0x20;
constexpr std::size_t kNavigationHeaderSize = 0x20;
constexpr std::size_t kNavigationEntrySize = 28;
constexpr std::size_t kBlockHeaderSize = 0x20;
constexpr std::size_t kKeyRecordHeaderSize = 20;
constexpr std::size_t kValueRecordHeaderSize = 12;
// Windows grows its registry files by whole 4 KB pages. Data blocks are filled up to one page
// (a key too big for that gets a block of its own, up to the 64 KB a key's values may take on
// Windows 98): small blocks also keep libcreg fast, as it reads a whole block again for every
// key it looks up.
constexpr std::size_t kPage = 0x1000;
constexpr std::size_t kBlockTarget = 0x1000;
constexpr std::size_t kBlockLimit = 0x10000;

std::uint32_t get32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

void put16(std::string& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}

void put32(std::string& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

std::size_t roundUp(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }

std::string hex(std::uint64_t offset) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(offset));
    return text;
}

[[noreturn]] void damaged(const std::string& displayName, std::optional<std::uint64_t> offset,
                          const std::string& what) {
    std::string message = "注册表文件已损坏";
    if (offset)
        message += "（偏移 " + hex(*offset) + "）";
    message += "：" + what;
    throw FormatError(displayName, 0, message);
}

// ---- Reading ------------------------------------------------------------------------------

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
            damaged(displayName, referencedFrom, "指向 " + hex(kFileHeaderSize + std::uint64_t{rel}) +
                                                     " 的键不在键导航记录之内");
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
                damaged(displayName, p.from, "键的链接又指回了已经读过的键（" + hex(at) + "），键树成了环");
            if (p.depth > regedit4::kMaxDepth)
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
    std::string s(text);
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return "libcreg: " + s;
}

// libcreg names the offsets it stumbled on in its messages; the last one is where it stopped.
std::optional<std::uint64_t> offsetIn(const std::string& text) {
    std::optional<std::uint64_t> found;
    for (std::size_t at = text.find("offset: "); at != std::string::npos; at = text.find("offset: ", at + 1)) {
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
                ok = libcreg_value_get_value_data(value, reinterpret_cast<std::uint8_t*>(data.data()), dataSize,
                                                  &error) == 1;
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
            into.values.push_back(regtree::StoredValue{std::move(v), std::move(name)});
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
                    if (libcreg_key_get_name(sub, reinterpret_cast<std::uint8_t*>(name.data()), nameSize, &error) !=
                        1)
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

// ---- Writing ------------------------------------------------------------------------------

struct Placed {
    const Key* key;
    std::uint32_t parent = kNone; // navigation entry offsets, relative to the RGKN record
    std::uint32_t firstChild = kNone;
    std::uint32_t next = kNone;
    std::uint16_t id = 0;    // record number within its data block
    std::uint16_t block = 0; // data block number
    std::size_t recordSize = 0;
};

std::size_t recordSizeOf(const Key& k, bool root) {
    std::size_t size = kKeyRecordHeaderSize + (root ? 0 : k.bytes.size());
    for (const auto& v : k.values)
        size += kValueRecordHeaderSize + v.nameBytes.size() + v.value.data.size();
    return size;
}

std::string keyLabel(const Key& k) { return "“" + k.name + "”"; }

void checkFits(const Key& k, bool root) {
    if (!root && k.bytes.size() > 0xFFFF)
        throw Error("注册表键" + keyLabel(k) + "的名称太长，Windows 98 的注册表文件存不下");
    if (k.values.size() > 0xFFFF)
        throw Error("注册表键" + keyLabel(k) + "的值太多，Windows 98 的注册表文件存不下");
    for (const auto& v : k.values) {
        if (v.nameBytes.size() > 0xFFFF)
            throw Error("注册表键" + keyLabel(k) + "中的值名称太长，Windows 98 的注册表文件存不下");
        if (v.value.data.size() > 0xFFFF)
            throw Error("注册表键" + keyLabel(k) + "中的值“" + v.value.name +
                        "”超过 65535 字节，Windows 98 的注册表文件存不下");
    }
    if (recordSizeOf(k, root) > kBlockLimit - kBlockHeaderSize)
        throw Error("注册表键" + keyLabel(k) + "的值合计超过 64 KB，Windows 98 的注册表文件存不下");
}

} // namespace

bool looksLikeBinary(std::string_view bytes) {
    // Text never holds a NUL: a file that does near its start is a binary one, if a damaged one.
    // A file cut inside the signature is one too.
    const std::string_view head = bytes.substr(0, 4);
    return (!head.empty() && std::string_view("CREG").substr(0, head.size()) == head) ||
           bytes.substr(0, kFileHeaderSize).find('\0') != std::string_view::npos;
}

std::uint32_t nameHash(std::string_view nameBytes) {
    std::uint32_t hash = 0;
    for (std::size_t i = 0; i < nameBytes.size(); ++i) {
        auto c = static_cast<unsigned char>(nameBytes[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < nameBytes.size()) {
            auto trail = static_cast<unsigned char>(nameBytes[++i]);
            if (trail < 0x80)
                hash += trail;
            continue;
        }
        if (c >= 'a' && c <= 'z')
            c = static_cast<unsigned char>(c - 'a' + 'A');
        if (c < 0x80)
            hash += c;
    }
    return hash;
}

std::unique_ptr<Key> read(std::string_view bytes, const std::string& displayName, const std::string& rootName) {
    checkNavigation(bytes, displayName);
    MemoryFile memory(bytes, displayName);
    Reader reader(displayName);
    return reader.run(memory.name(), rootName);
}

std::string write(const Key& root) {
    // Keys in the order of a depth-first walk: each key's record sits near its parent's, and
    // a reader walking the tree moves through the data blocks from front to back.
    std::vector<Placed> keys;
    {
        std::vector<std::pair<const Key*, std::uint32_t>> stack{{&root, kNone}};
        while (!stack.empty()) {
            auto [k, parent] = stack.back();
            stack.pop_back();
            checkFits(*k, k == &root);
            const std::size_t index = keys.size();
            const auto self = static_cast<std::uint32_t>(kNavigationHeaderSize + index * kNavigationEntrySize);
            keys.push_back(Placed{k, parent});
            keys.back().recordSize = recordSizeOf(*k, k == &root);
            for (auto it = k->children.rbegin(); it != k->children.rend(); ++it)
                stack.emplace_back(it->get(), self);
        }
    }
    auto indexOf = [](std::uint32_t rel) { return (rel - kNavigationHeaderSize) / kNavigationEntrySize; };
    // Link each key to its first subkey and next sibling, in the tree's order.
    {
        std::vector<std::uint32_t> lastChild(keys.size(), kNone);
        for (std::size_t i = 1; i < keys.size(); ++i) {
            const auto self = static_cast<std::uint32_t>(kNavigationHeaderSize + i * kNavigationEntrySize);
            const std::size_t p = indexOf(keys[i].parent);
            if (lastChild[p] == kNone)
                keys[p].firstChild = self;
            else
                keys[indexOf(lastChild[p])].next = self;
            lastChild[p] = self;
        }
    }

    // Data blocks, filled in walk order up to the block limit.
    struct Block {
        std::size_t first = 0, count = 0, used = kBlockHeaderSize;
    };
    // A hive without any key record still has one (empty) data block, as Windows writes it.
    std::vector<Block> blocks;
    // The root key has no name; Windows gives it a record only when it holds values, and
    // readers take a root without one (block and record number 0xFFFF) for an empty root.
    const bool rootRecord = !root.values.empty();
    if (!rootRecord) {
        keys[0].id = 0xFFFF;
        keys[0].block = 0xFFFF;
    }
    for (std::size_t i = rootRecord ? 0 : 1; i < keys.size(); ++i) {
        if (blocks.empty() || (blocks.back().count > 0 && blocks.back().used + keys[i].recordSize > kBlockTarget))
            blocks.push_back(Block{i, 0, kBlockHeaderSize});
        Block& b = blocks.back();
        keys[i].block = static_cast<std::uint16_t>(blocks.size() - 1);
        keys[i].id = static_cast<std::uint16_t>(b.count);
        ++b.count;
        b.used += keys[i].recordSize;
    }
    if (blocks.empty())
        blocks.push_back(Block{keys.size(), 0, kBlockHeaderSize});
    if (blocks.size() > 0xFFFF)
        throw Error("注册表的内容太多，Windows 98 的注册表文件存不下");

    // libcreg reads the navigation record as an area that ends one header's length before the
    // record does, so the record keeps at least that much room after its last entry; Windows
    // itself leaves free room there to grow into.
    const std::size_t navigationUsed = kNavigationHeaderSize + keys.size() * kNavigationEntrySize;
    const std::size_t navigationSize = roundUp(navigationUsed + kNavigationHeaderSize, kPage);
    std::size_t total = kFileHeaderSize + navigationSize;
    std::vector<std::size_t> blockSizes;
    for (const auto& b : blocks) {
        blockSizes.push_back(roundUp(b.used, kPage));
        total += blockSizes.back();
    }

    std::string out(total, '\0');
    // File header.
    out.replace(0, 4, "CREG");
    put16(out, 4, 0); // format version 1.0, the one Windows 95 and 98 write
    put16(out, 6, 1);
    put32(out, 8, static_cast<std::uint32_t>(kFileHeaderSize + navigationSize));
    // 12: a checksum that Windows only trusts when a flag says so; left 0 with no flag set.
    put16(out, 16, static_cast<std::uint32_t>(blocks.size()));
    // 18..23: Windows 98's files carry 0 and then 1 here (the readers take 20..23 for a copy of
    // the version); 24..31 are always empty.
    put16(out, 22, 1);

    // Key navigation record.
    const std::size_t nav = kFileHeaderSize;
    out.replace(nav, 4, "RGKN");
    put32(out, nav + 4, static_cast<std::uint32_t>(navigationSize));
    put32(out, nav + 8, static_cast<std::uint32_t>(kNavigationHeaderSize)); // the root's entry
    put32(out, nav + 12, static_cast<std::uint32_t>(navigationUsed));       // end of the entries in use
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const Placed& p = keys[i];
        const std::size_t at = nav + kNavigationHeaderSize + i * kNavigationEntrySize;
        put32(out, at, 0); // an entry in use
        put32(out, at + 4, i == 0 ? 0 : nameHash(p.key->bytes));
        put32(out, at + 8, kNone); // a link no reader follows; unset in Windows' own files
        put32(out, at + 12, p.parent);
        put32(out, at + 16, p.firstChild);
        put32(out, at + 20, p.next);
        put16(out, at + 24, p.id);
        put16(out, at + 26, p.block);
    }

    // Data blocks: key records one after another, the last one taking the block's free room.
    std::size_t at = kFileHeaderSize + navigationSize;
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const Block& block = blocks[b];
        const std::size_t size = blockSizes[b];
        out.replace(at, 4, "RGDB");
        put32(out, at + 4, static_cast<std::uint32_t>(size));
        put32(out, at + 8, static_cast<std::uint32_t>(size - block.used)); // unused room
        put16(out, at + 14, static_cast<std::uint32_t>(b));                // block number
        put32(out, at + 16, static_cast<std::uint32_t>(block.used));
        std::size_t r = at + kBlockHeaderSize;
        for (std::size_t i = block.first; i < block.first + block.count; ++i) {
            const Placed& p = keys[i];
            const bool last = i + 1 == block.first + block.count;
            const std::size_t recordSize = last ? at + size - r : p.recordSize;
            const std::string_view name = i == 0 ? std::string_view() : std::string_view(p.key->bytes);
            put32(out, r, static_cast<std::uint32_t>(recordSize));
            put16(out, r + 4, p.id);
            put16(out, r + 6, p.block);
            put32(out, r + 8, static_cast<std::uint32_t>(p.recordSize));
            put16(out, r + 12, static_cast<std::uint32_t>(name.size()));
            put16(out, r + 14, static_cast<std::uint32_t>(p.key->values.size()));
            std::size_t w = r + kKeyRecordHeaderSize;
            out.replace(w, name.size(), name);
            w += name.size();
            for (const auto& v : p.key->values) {
                put32(out, w, v.value.type);
                put16(out, w + 8, static_cast<std::uint32_t>(v.nameBytes.size()));
                put16(out, w + 10, static_cast<std::uint32_t>(v.value.data.size()));
                w += kValueRecordHeaderSize;
                out.replace(w, v.nameBytes.size(), v.nameBytes);
                w += v.nameBytes.size();
                out.replace(w, v.value.data.size(), v.value.data);
                w += v.value.data.size();
            }
            r += recordSize;
        }
        if (block.count == 0) {
            // A free record over the whole block: record and block number 0xFFFF, nothing used.
            put32(out, r, static_cast<std::uint32_t>(at + size - r));
            put32(out, r + 4, kNone);
            put32(out, r + 8, kNone);
        }
        at += size;
    }
    return out;
}

} // namespace w98::regbin
