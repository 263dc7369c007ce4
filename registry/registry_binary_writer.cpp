// Writes a key tree as Windows 98 lays out SYSTEM.DAT and USER.DAT: the navigation entries in
// walk order within their pieces with a free slot after them, data blocks of up to 255 keys and
// 60 KB each with their free room as a free record, and every header field Windows keeps, so
// that Windows adds the next key where it would in its own file.
#include "base/error.h"
#include "registry_binary_format.h"
#include "registry_binary_layout.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

namespace w98::regbin {

namespace {

using regtree::Key;
using namespace layout;

struct Placed {
    const Key* key;
    std::size_t parentIndex = SIZE_MAX;
    std::uint32_t self = 0; // navigation entry offset, relative to the RGKN record
    std::uint32_t firstChild = kNone;
    std::uint32_t next = kNone;
    std::uint16_t id = kNoRecord;    // record number within its data block
    std::uint16_t block = kNoRecord; // data block number
    std::size_t recordSize = 0;      // bytes the record uses
};

struct Block {
    std::size_t first = 0, count = 0, used = kBlockHeaderSize, size = 0;
};

std::size_t roundUp(std::size_t n, std::size_t to) {
    return (n + to - 1) / to * to;
}

// Bytes into the file's buffer, which was made big enough for everything.
void putBytes(std::string& out, std::size_t at, std::string_view bytes) {
    if (!bytes.empty())
        std::memcpy(out.data() + at, bytes.data(), bytes.size());
}

std::size_t recordSizeOf(const Key& k, bool root) {
    std::size_t size = kRecordHeaderSize + (root ? 0 : k.bytes.size());
    for (const auto& v : k.values)
        size += kValueHeaderSize + v.nameBytes.size() + storedSize(v.value.type, v.value.data);
    return size;
}

std::string keyLabel(const Key& k) {
    return "“" + k.name + "”";
}

// The lengths a record keeps in 16 bits; Windows 98 has no limit on a key's size as a whole.
void checkFits(const Key& k, bool root) {
    if (!root && k.bytes.size() > 0xFFFF)
        throw Error("注册表键" + keyLabel(k) + "的名称太长，Windows 98 的注册表文件存不下");
    if (k.values.size() > 0xFFFF)
        throw Error("注册表键" + keyLabel(k) + "的值太多，Windows 98 的注册表文件存不下");
    for (const auto& v : k.values) {
        if (v.nameBytes.size() > 0xFFFF)
            throw Error("注册表键" + keyLabel(k) + "中的值名称太长，Windows 98 的注册表文件存不下");
        if (storedSize(v.value.type, v.value.data) > 0xFFFF)
            throw Error("注册表键" + keyLabel(k) + "中的值“" + v.value.name +
                        "”超过 65535 字节，Windows 98 的注册表文件存不下");
    }
}

// Keys in the order of a depth-first walk, each in the next navigation slot, linked to its
// parent, first subkey and next sibling.
std::vector<Placed> placeKeys(const Key& root) {
    std::vector<Placed> keys;
    std::vector<std::pair<const Key*, std::size_t>> stack{{&root, SIZE_MAX}};
    std::size_t slot = kNavHeaderSize;
    while (!stack.empty()) {
        auto [k, parentIndex] = stack.back();
        stack.pop_back();
        checkFits(*k, k == &root);
        Placed p{k};
        p.self = static_cast<std::uint32_t>(slot);
        slot = nextSlot(slot);
        p.recordSize = recordSizeOf(*k, k == &root);
        p.parentIndex = parentIndex;
        const std::size_t index = keys.size();
        keys.push_back(p);
        for (auto it = k->children.rbegin(); it != k->children.rend(); ++it)
            stack.emplace_back(it->get(), index);
    }
    // Subkey chains in the tree's order: a key's first subkey follows it in the walk, and each
    // sibling follows the whole subtree of the one before.
    std::vector<std::size_t> lastChild(keys.size(), SIZE_MAX);
    for (std::size_t i = 1; i < keys.size(); ++i) {
        const std::size_t p = keys[i].parentIndex;
        if (lastChild[p] == SIZE_MAX)
            keys[p].firstChild = keys[i].self;
        else
            keys[lastChild[p]].next = keys[i].self;
        lastChild[p] = i;
    }
    return keys;
}

// Data blocks filled in walk order. The root has no name; Windows gives it a record only when
// it holds values.
std::vector<Block> placeRecords(std::vector<Placed>& keys) {
    std::vector<Block> blocks;
    const std::size_t from = keys[0].key->values.empty() ? 1 : 0;
    for (std::size_t i = from; i < keys.size(); ++i) {
        if (blocks.empty() ||
            (blocks.back().count > 0 && (blocks.back().count == kBlockMaxKeys ||
                                         blocks.back().used + keys[i].recordSize > kBlockTarget)))
            blocks.push_back(Block{i, 0, kBlockHeaderSize});
        Block& b = blocks.back();
        keys[i].block = static_cast<std::uint16_t>(blocks.size() - 1);
        keys[i].id = static_cast<std::uint16_t>(b.count);
        ++b.count;
        b.used += keys[i].recordSize;
    }
    // A hive without any key record still has one data block, all of it free.
    if (blocks.empty())
        blocks.push_back(Block{keys.size(), 0, kBlockHeaderSize});
    if (blocks.size() >= kNoRecord)
        throw Error("注册表的内容太多，Windows 98 的注册表文件存不下");
    for (auto& b : blocks)
        b.size = roundUp(b.used, kPage);
    return blocks;
}

void writeFileHeader(std::string& out, std::size_t navigationSize, std::size_t blockCount) {
    out.replace(0, 4, "CREG");
    put32(out, kFileVersion, kVersion);
    put32(out, kFileDataOffset, static_cast<std::uint32_t>(kFileHeaderSize + navigationSize));
    put16(out, kFileBlockCount, static_cast<std::uint32_t>(blockCount));
    put16(out, kFileFlags, kFileFlagValue);
    put32(out, kFileVersion2, kVersion);
}

void writeNavigation(std::string& out, const std::vector<Placed>& keys, std::size_t navigationSize,
                     std::size_t firstFree) {
    const std::size_t nav = kFileHeaderSize;
    out.replace(nav, 4, "RGKN");
    put32(out, nav + kNavSize, static_cast<std::uint32_t>(navigationSize));
    put32(out, nav + kNavRoot, static_cast<std::uint32_t>(kNavHeaderSize));
    put32(out, nav + kNavFree, static_cast<std::uint32_t>(firstFree));
    put32(out, nav + kNavFlags, kNavFlagNewHash);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const Placed& p = keys[i];
        const std::size_t at = nav + p.self;
        put32(out, at + kEntryState, kEntryInUse);
        put32(out, at + kEntryHash, i == 0 ? 0 : nameHash(p.key->bytes));
        // +8 is reserved: the real files hold leftovers of memory there, 0 among the commonest.
        put32(out, at + kEntryReserved, 0);
        put32(out, at + kEntryParent, p.parentIndex == SIZE_MAX ? kNone : keys[p.parentIndex].self);
        put32(out, at + kEntryChild, p.firstChild);
        put32(out, at + kEntryNext, p.next);
        put16(out, at + kEntryRecord, p.id);
        put16(out, at + kEntryBlock, p.block);
    }
    // The rest of the record is one free slot, the end of the free chain.
    put32(out, nav + firstFree + kEntryState, kEntryFree);
    put32(out, nav + firstFree + kFreeSlotSize, static_cast<std::uint32_t>(navigationSize - firstFree));
    put32(out, nav + firstFree + kFreeSlotNext, kNone);
}

void writeRecord(std::string& out, std::size_t r, std::size_t recordSize, const Placed& p, bool root) {
    const std::string_view name = root ? std::string_view() : std::string_view(p.key->bytes);
    put32(out, r + kRecordSize, static_cast<std::uint32_t>(recordSize));
    put16(out, r + kRecordId, p.id);
    put16(out, r + kRecordBlock, p.block);
    put32(out, r + kRecordUsed, static_cast<std::uint32_t>(p.recordSize));
    put16(out, r + kRecordNameLength, static_cast<std::uint32_t>(name.size()));
    put16(out, r + kRecordValueCount, static_cast<std::uint32_t>(p.key->values.size()));
    std::size_t w = r + kRecordHeaderSize;
    putBytes(out, w, name);
    w += name.size();
    for (const auto& v : p.key->values) {
        const std::size_t dataSize = storedSize(v.value.type, v.value.data);
        put32(out, w, v.value.type);
        put32(out, w + kValueReserved, kNone);
        put16(out, w + kValueNameLength, static_cast<std::uint32_t>(v.nameBytes.size()));
        put16(out, w + kValueDataLength, static_cast<std::uint32_t>(dataSize));
        w += kValueHeaderSize;
        putBytes(out, w, v.nameBytes);
        w += v.nameBytes.size();
        putBytes(out, w, std::string_view(v.value.data).substr(0, dataSize));
        w += dataSize;
    }
}

void writeBlock(std::string& out, std::size_t at, std::size_t number, const Block& block,
                const std::vector<Placed>& keys) {
    out.replace(at, 4, "RGDB");
    put32(out, at + kBlockSize, static_cast<std::uint32_t>(block.size));
    put16(out, at + kBlockFlags, kBlockFlagValue);
    put16(out, at + kBlockNumber, static_cast<std::uint32_t>(number));
    // Numbers 0 to count-1 are given out; the next key gets count.
    put16(out, at + kBlockMaxId, static_cast<std::uint32_t>(block.count == 0 ? 0 : block.count - 1));
    put16(out, at + kBlockFirstFree, static_cast<std::uint32_t>(block.count));
    const std::size_t slack = block.size - block.used;
    const bool freeRecord = slack >= kRecordHeaderSize;
    std::size_t r = at + kBlockHeaderSize;
    for (std::size_t i = block.first; i < block.first + block.count; ++i) {
        const bool last = i + 1 == block.first + block.count;
        const std::size_t size = keys[i].recordSize + (last && !freeRecord ? slack : 0);
        writeRecord(out, r, size, keys[i], i == 0);
        r += size;
    }
    if (freeRecord) {
        put32(out, r + kRecordSize, static_cast<std::uint32_t>(slack));
        put16(out, r + kRecordId, kNoRecord);
        put16(out, r + kRecordBlock, kNoRecord);
        put32(out, r + kRecordFreeNext, kNone);
        put32(out, at + kBlockUnused, static_cast<std::uint32_t>(slack));
        put32(out, at + kBlockFree, static_cast<std::uint32_t>(r - at));
    } else {
        put32(out, at + kBlockUnused, 0);
        put32(out, at + kBlockFree, kNone);
    }
}

} // namespace

std::string write(const Key& root) {
    std::vector<Placed> keys = placeKeys(root);
    std::vector<Block> blocks = placeRecords(keys);

    // Pieces enough for every entry and at least one free slot after them.
    const std::size_t firstFree = nextSlot(keys.back().self);
    std::size_t navigationSize = kNavFirstPiece;
    while (navigationSize < firstFree + kEntrySize)
        navigationSize += kNavPiece;

    std::size_t total = kFileHeaderSize + navigationSize;
    for (const auto& b : blocks)
        total += b.size;
    std::string out(total, '\0');
    writeFileHeader(out, navigationSize, blocks.size());
    writeNavigation(out, keys, navigationSize, firstFree);
    std::size_t at = kFileHeaderSize + navigationSize;
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        writeBlock(out, at, b, blocks[b], keys);
        at += blocks[b].size;
    }
    return out;
}

} // namespace w98::regbin
