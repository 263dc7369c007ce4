// Reads a registry file of Windows 98's binary form in one pass: the data blocks are walked once
// to find every key record, then the navigation entries are followed from the root. It takes
// whatever Windows writes (free records and slots anywhere, full navigation records, leftovers
// in reserved fields) and refuses damage by its offset; every link is followed at most once, so
// no file makes it loop.
#include "base/cp936.h"
#include "base/error.h"
#include "registry_binary_format.h"
#include "registry_binary_layout.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace w98::regbin {

namespace {

using regtree::Key;
using namespace layout;

struct BlockIndex {
    std::size_t at = 0; // file offset of the block
    std::size_t size = 0;
    // (record number, block-relative offset), sorted by number once the block is walked.
    std::vector<std::pair<std::uint16_t, std::uint32_t>> records;

    std::uint32_t find(std::uint32_t id) const {
        auto it = std::lower_bound(records.begin(), records.end(),
                                   std::make_pair(static_cast<std::uint16_t>(id), 0u));
        return it != records.end() && it->first == id ? it->second : 0;
    }
};

class Reader {
  public:
    Reader(std::string_view bytes, const std::string& displayName) : b_(bytes), name_(displayName) {}

    // True when the file holds exactly the tree: the same keys in the same order, with the same
    // names and values, compared in place without building a second tree.
    bool holds(const Key& root) {
        readHeaders();
        indexBlocks();
        const std::size_t rootAt = kFileHeaderSize + kNavHeaderSize;
        if (get16(b_, rootAt + kEntryRecord) == kNoRecord && get16(b_, rootAt + kEntryBlock) == kNoRecord) {
            if (!root.values.empty())
                return false;
        } else if (!sameRecord(recordOf(rootAt), root, true)) {
            return false;
        }
        struct Pending {
            std::uint32_t rel;
            const Key* parent;
        };
        std::vector<Pending> stack{{get32(b_, rootAt + kEntryChild), &root}};
        std::size_t visited = 0;
        while (!stack.empty()) {
            const Pending p = stack.back();
            stack.pop_back();
            std::uint32_t rel = p.rel;
            for (const auto& child : p.parent->children) {
                // The tree has no loops; a file whose links do runs out of keys to match first.
                if (rel == kNone || ++visited > navSize_ / kEntrySize)
                    return false;
                const std::size_t at = entryAt(rel, kFileHeaderSize + kNavRoot);
                if (get32(b_, at + kEntryState) != kEntryInUse || !sameRecord(recordOf(at), *child, false))
                    return false;
                stack.push_back({get32(b_, at + kEntryChild), child.get()});
                rel = get32(b_, at + kEntryNext);
            }
            if (rel != kNone)
                return false;
        }
        return true;
    }

    std::unique_ptr<Key> run(const std::string& rootName) {
        readHeaders();
        indexBlocks();
        auto root = std::make_unique<Key>();
        root->name = rootName;
        root->bytes = rootName;
        walk(*root);
        return root;
    }

  private:
    [[noreturn]] void damaged(std::optional<std::uint64_t> at, const std::string& what) const {
        layout::damaged(name_, at, what);
    }

    void readHeaders() {
        if (b_.size() < kFileHeaderSize + kNavHeaderSize)
            damaged(b_.size(), "文件在文件头之内就结束了");
        if (b_.substr(0, 4) != "CREG")
            damaged(0, "文件不以 CREG 开头，不是 Windows 98 的注册表文件");
        if (b_.substr(kFileHeaderSize, 4) != "RGKN")
            damaged(kFileHeaderSize, "缺少键导航记录 RGKN");
        navSize_ = get32(b_, kFileHeaderSize + kNavSize);
        if (navSize_ < kNavHeaderSize || kFileHeaderSize + std::uint64_t{navSize_} > b_.size())
            damaged(kFileHeaderSize + kNavSize, "键导航记录的大小超出了文件");
        const std::uint32_t dataOffset = get32(b_, kFileDataOffset);
        if (dataOffset < kFileHeaderSize + std::uint64_t{navSize_} || dataOffset > b_.size())
            damaged(kFileDataOffset, "数据块的位置不在文件之内");
        dataOffset_ = dataOffset;
        // Entry offsets count from the start of the navigation record; the root's entry comes
        // right after its header in every file Windows writes.
        if (get32(b_, kFileHeaderSize + kNavRoot) != kNavHeaderSize)
            damaged(kFileHeaderSize + kNavRoot, "键导航记录中根键的位置不对");
    }

    void indexBlocks() {
        const std::uint32_t count = get16(b_, kFileBlockCount);
        std::uint64_t at = dataOffset_;
        blocks_.reserve(count);
        for (std::uint32_t n = 0; n < count; ++n) {
            if (at + kBlockHeaderSize > b_.size())
                damaged(at, "文件在第 " + std::to_string(n + 1) + " 个数据块之前就结束了");
            if (b_.substr(at, 4) != "RGDB")
                damaged(at, "缺少数据块 RGDB");
            const std::uint32_t size = get32(b_, at + kBlockSize);
            if (size < kBlockHeaderSize || at + size > b_.size())
                damaged(at + kBlockSize, "数据块的大小超出了文件");
            BlockIndex block{at, size, {}};
            // Records follow one another to the block's end, each giving its own size.
            for (std::size_t r = kBlockHeaderSize; r < size;) {
                if (size - r < 12)
                    damaged(at + r, "数据块末尾剩下的字节放不下一条记录");
                const std::uint32_t recordSize = get32(b_, at + r + kRecordSize);
                if (recordSize < 12 || recordSize > size - r)
                    damaged(at + r, "记录的大小不对（" + std::to_string(recordSize) + " 字节）");
                const std::uint32_t id = get16(b_, at + r + kRecordId);
                if (id != kNoRecord) {
                    if (recordSize < kRecordHeaderSize)
                        damaged(at + r, "键记录比它的记录头还短");
                    block.records.emplace_back(static_cast<std::uint16_t>(id), static_cast<std::uint32_t>(r));
                }
                r += recordSize;
            }
            std::sort(block.records.begin(), block.records.end());
            for (std::size_t i = 1; i < block.records.size(); ++i)
                if (block.records[i].first == block.records[i - 1].first)
                    damaged(at + block.records[i].second,
                            "数据块中有两条编号都是 " + std::to_string(block.records[i].first) + " 的键记录");
            blocks_.push_back(std::move(block));
            at += size;
        }
        // Windows' files end with their last data block: more bytes mean a count that is wrong
        // or a file run together with something else.
        if (at != b_.size())
            damaged(at, "文件头说有 " + std::to_string(count) + " 个数据块，但它们之后还有 " +
                            std::to_string(b_.size() - at) + " 字节");
    }

    std::string text(const std::string& bytes, std::uint64_t at) const {
        // Windows ends names at a NUL; one inside a stored name is damage.
        if (bytes.find('\0') != std::string::npos)
            damaged(at, "名称中有 NUL 字节");
        std::string utf8;
        if (!cp936::tryToUtf8(bytes, utf8))
            damaged(at, "名称不是 936 代码页文本");
        return utf8;
    }

    // The key record an entry points at: its file offset.
    std::size_t recordOf(std::size_t entryAt) const {
        const std::uint32_t id = get16(b_, entryAt + kEntryRecord);
        const std::uint32_t block = get16(b_, entryAt + kEntryBlock);
        const std::uint32_t r = block < blocks_.size() ? blocks_[block].find(id) : 0;
        if (r == 0)
            damaged(entryAt + kEntryRecord, "键指向的记录（数据块 " + std::to_string(block) + "，编号 " +
                                                std::to_string(id) + "）不存在");
        return blocks_[block].at + r;
    }

    // The values of the record at r into values; the record's own name is returned.
    std::string readRecord(std::size_t r, std::vector<regtree::StoredValue>& values) const {
        const std::uint32_t size = get32(b_, r + kRecordSize);
        const std::uint32_t used = get32(b_, r + kRecordUsed);
        if (used < kRecordHeaderSize || used > size)
            damaged(r + kRecordUsed, "键记录中已用的字节数不对");
        const std::size_t end = r + used;
        const std::size_t nameLength = get16(b_, r + kRecordNameLength);
        const std::size_t valueCount = get16(b_, r + kRecordValueCount);
        std::size_t p = r + kRecordHeaderSize;
        if (nameLength > end - p)
            damaged(r + kRecordNameLength, "键名超出了它的记录");
        std::string name(b_.substr(p, nameLength));
        p += nameLength;
        values.reserve(valueCount);
        for (std::size_t i = 0; i < valueCount; ++i) {
            if (end - p < kValueHeaderSize)
                damaged(p, "值超出了它的键记录");
            const std::uint32_t type = get32(b_, p);
            const std::size_t valueNameLength = get16(b_, p + kValueNameLength);
            const std::size_t dataLength = get16(b_, p + kValueDataLength);
            if (valueNameLength + dataLength > end - p - kValueHeaderSize)
                damaged(p, "值超出了它的键记录");
            const std::size_t valueAt = p;
            p += kValueHeaderSize;
            std::string valueName(b_.substr(p, valueNameLength));
            p += valueNameLength;
            RegValue v;
            v.name = text(valueName, valueAt);
            v.type = type;
            v.data.assign(b_.substr(p, dataLength));
            // The file keeps a string without its closing NUL; in memory it has one.
            if (type == kTypeSz)
                v.data.push_back('\0');
            p += dataLength;
            values.push_back(regtree::StoredValue{std::move(v), std::move(valueName)});
        }
        return name;
    }

    bool sameRecord(std::size_t r, const Key& key, bool root) const {
        const std::uint32_t size = get32(b_, r + kRecordSize);
        const std::uint32_t used = get32(b_, r + kRecordUsed);
        if (used < kRecordHeaderSize || used > size)
            return false;
        const std::size_t end = r + used;
        const std::size_t nameLength = get16(b_, r + kRecordNameLength);
        std::size_t p = r + kRecordHeaderSize;
        const std::string_view name = root ? std::string_view() : std::string_view(key.bytes);
        // What read() would refuse does not count as held either.
        if ((!root && name.empty()) || name.find('\0') != std::string_view::npos)
            return false;
        // The root's record may carry a name; nothing reads it.
        if (nameLength > end - p || (!root && b_.substr(p, nameLength) != name) ||
            get16(b_, r + kRecordValueCount) != key.values.size())
            return false;
        p += nameLength;
        for (const auto& v : key.values) {
            if (end - p < kValueHeaderSize)
                return false;
            const std::size_t valueNameLength = get16(b_, p + kValueNameLength);
            const std::size_t dataLength = get16(b_, p + kValueDataLength);
            if (valueNameLength + dataLength > end - p - kValueHeaderSize || get32(b_, p) != v.value.type)
                return false;
            p += kValueHeaderSize;
            std::string_view data = v.value.data;
            if (v.value.type == kTypeSz) {
                if (data.empty() || data.back() != '\0')
                    return false;
                data.remove_suffix(1);
            }
            if (v.nameBytes.find('\0') != std::string::npos || b_.substr(p, valueNameLength) != v.nameBytes ||
                b_.substr(p + valueNameLength, dataLength) != data)
                return false;
            p += valueNameLength + dataLength;
        }
        return true;
    }

    std::size_t entryAt(std::uint32_t rel, std::uint64_t from) const {
        if (rel < kNavHeaderSize || rel > navSize_ || navSize_ - rel < kEntrySize)
            damaged(from,
                    "指向 " + hexOffset(kFileHeaderSize + std::uint64_t{rel}) + " 的键不在键导航记录之内");
        return kFileHeaderSize + rel;
    }

    void walk(Key& root) {
        const std::size_t rootAt = kFileHeaderSize + kNavHeaderSize;
        if (navSize_ < kNavHeaderSize + kEntrySize)
            damaged(kFileHeaderSize + kNavSize, "键导航记录放不下根键");
        std::vector<bool> seen(navSize_, false);
        seen[kNavHeaderSize] = true;
        if (get16(b_, rootAt + kEntryRecord) != kNoRecord || get16(b_, rootAt + kEntryBlock) != kNoRecord)
            readRecord(recordOf(rootAt), root.values);

        struct Pending {
            std::uint32_t rel; // first of a sibling chain
            std::uint64_t from;
            Key* parent;
            std::size_t depth;
        };
        std::vector<Pending> stack;
        if (const std::uint32_t child = get32(b_, rootAt + kEntryChild); child != kNone)
            stack.push_back({child, rootAt + kEntryChild, &root, 1});
        while (!stack.empty()) {
            Pending p = stack.back();
            stack.pop_back();
            if (p.depth > kRegMaxDepth)
                damaged(p.from, "键的层次太深");
            // One sibling chain in order; subkey chains wait on the stack, so that each key's
            // subkeys are added in the order the chain gives them.
            std::vector<Pending> children;
            for (std::uint32_t rel = p.rel; rel != kNone;) {
                const std::size_t at = entryAt(rel, p.from);
                if (seen[rel])
                    damaged(p.from, "键的链接又指回了已经读过的键（" + hexOffset(at) + "），键树成了环");
                seen[rel] = true;
                if (get32(b_, at + kEntryState) != kEntryInUse)
                    damaged(at, "键导航项没有在用");
                const std::size_t r = recordOf(at);
                std::vector<regtree::StoredValue> values;
                std::string name = readRecord(r, values);
                if (name.empty())
                    damaged(r, "子键没有名称");
                std::string utf8 = text(name, r);
                Key& added = p.parent->addChild(std::move(utf8), std::move(name));
                added.values = std::move(values);
                if (const std::uint32_t child = get32(b_, at + kEntryChild); child != kNone)
                    children.push_back({child, at + kEntryChild, &added, p.depth + 1});
                p.from = at + kEntryNext;
                rel = get32(b_, at + kEntryNext);
            }
            stack.insert(stack.end(), children.rbegin(), children.rend());
        }
    }

    std::string_view b_;
    const std::string& name_;
    std::uint32_t navSize_ = 0;
    std::uint32_t dataOffset_ = 0;
    std::vector<BlockIndex> blocks_;
};

} // namespace

std::unique_ptr<Key> read(std::string_view bytes, const std::string& displayName,
                          const std::string& rootName) {
    return Reader(bytes, displayName).run(rootName);
}

bool holds(std::string_view bytes, const Key& root) {
    const std::string name = "registry";
    try {
        return Reader(bytes, name).holds(root);
    } catch (const FormatError&) {
        return false;
    }
}

} // namespace w98::regbin
