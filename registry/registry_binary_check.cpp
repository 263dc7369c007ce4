// The structural rules Windows keeps in its own registry files, beyond what a reader needs:
// Windows' registry checker distrusts a file that breaks them and puts a backup in its place,
// and Windows itself adds keys by the free slots, free records and key numbers checked here.
// Every rule holds for the real files Windows wrote; each problem names its offset.
#include "registry_binary_format.h"
#include "registry_binary_layout.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace w98::regbin {

namespace {

using namespace layout;

class Checker {
  public:
    explicit Checker(std::string_view bytes) : b_(bytes) {}

    std::vector<std::string> run() {
        if (!header())
            return problems_;
        blocks();
        navigation();
        return problems_;
    }

  private:
    void problem(std::uint64_t at, const std::string& what) {
        // A file broken everywhere says so a few times, not a million.
        if (problems_.size() < 100)
            problems_.push_back("偏移 " + hexOffset(at) + "：" + what);
    }

    bool header() {
        if (b_.size() < kFileHeaderSize + kNavHeaderSize || b_.substr(0, 4) != "CREG" ||
            b_.substr(kFileHeaderSize, 4) != "RGKN") {
            problem(0, "不是 Windows 98 的注册表文件（缺少 CREG 或 RGKN）");
            return false;
        }
        if (get32(b_, kFileVersion) != kVersion || get32(b_, kFileVersion2) != kVersion)
            problem(kFileVersion, "文件头中的格式版本不是 1.0");
        if (get16(b_, kFileFlags) != kFileFlagValue)
            problem(kFileFlags, "文件头的标志不是 0x20");
        navSize_ = get32(b_, kFileHeaderSize + kNavSize);
        if (navSize_ < kNavFirstPiece || (navSize_ - kNavFirstPiece) % kNavPiece != 0) {
            problem(kFileHeaderSize + kNavSize,
                    "键导航记录的大小 " + hexOffset(navSize_) + " 不是 0x2000 加上整数个 0x1000");
        }
        if (navSize_ < kNavHeaderSize + kEntrySize || kFileHeaderSize + std::uint64_t{navSize_} > b_.size()) {
            problem(kFileHeaderSize + kNavSize, "键导航记录超出了文件");
            return false;
        }
        if (get32(b_, kFileDataOffset) != kFileHeaderSize + navSize_)
            problem(kFileDataOffset, "第一个数据块不紧接在键导航记录之后");
        if (get32(b_, kFileHeaderSize + kNavRoot) != kNavHeaderSize)
            problem(kFileHeaderSize + kNavRoot, "根键不在键导航记录的第一项");
        if ((get32(b_, kFileHeaderSize + kNavFlags) & kNavFlagNewHash) == 0)
            problem(kFileHeaderSize + kNavFlags, "键导航记录缺少标志 0x8");
        return true;
    }

    struct Block {
        std::size_t at = 0;
        std::unordered_map<std::uint32_t, std::uint32_t> records; // record number -> file offset
    };

    void blocks() {
        const std::uint32_t count = get16(b_, kFileBlockCount);
        std::uint64_t at = kFileHeaderSize + std::uint64_t{navSize_};
        for (std::uint32_t n = 0; n < count; ++n) {
            if (at + kBlockHeaderSize > b_.size() || b_.substr(at, 4) != "RGDB") {
                problem(at, "文件头说有 " + std::to_string(count) + " 个数据块，第 " + std::to_string(n + 1) +
                                " 个不在这里");
                return;
            }
            const std::uint32_t size = get32(b_, at + kBlockSize);
            if (size < kBlockHeaderSize || size % kPage != 0 || at + size > b_.size()) {
                problem(at + kBlockSize, "数据块的大小 " + hexOffset(size) + " 不对");
                return;
            }
            blocks_.push_back(block(at, size, n));
            at += size;
        }
        if (at != b_.size())
            problem(at, "最后一个数据块之后还有数据，文件头中的数据块个数与文件不符");
    }

    Block block(std::size_t at, std::uint32_t size, std::uint32_t number) {
        Block result{at, {}};
        if (get16(b_, at + kBlockFlags) != kBlockFlagValue)
            problem(at + kBlockFlags, "数据块的标志不是 0x8");
        if (get16(b_, at + kBlockNumber) != number)
            problem(at + kBlockNumber, "数据块的编号不是 " + std::to_string(number));
        const std::uint32_t maxId = get16(b_, at + kBlockMaxId);
        const std::uint32_t firstFree = get16(b_, at + kBlockFirstFree);
        std::unordered_set<std::uint32_t> freeRecords;
        std::uint64_t freeTotal = 0;
        for (std::size_t r = kBlockHeaderSize; r < size;) {
            const std::size_t rec = at + r;
            const std::uint32_t recordSize = size - r >= 12 ? get32(b_, rec + kRecordSize) : 0;
            if (recordSize < 12 || recordSize > size - r) {
                problem(rec, "记录没有一直排到数据块的末尾");
                return result;
            }
            const std::uint32_t id = get16(b_, rec + kRecordId);
            const std::uint32_t blockOf = get16(b_, rec + kRecordBlock);
            if (id == kNoRecord || blockOf == kNoRecord) {
                if (id != blockOf)
                    problem(rec + kRecordId, "空闲记录的编号与数据块号不都是 0xFFFF");
                freeRecords.insert(static_cast<std::uint32_t>(r));
                freeTotal += recordSize;
            } else {
                if (recordSize < kRecordHeaderSize) {
                    problem(rec, "键记录比它的记录头还短");
                    return result;
                }
                keyRecord(rec, recordSize, number);
                if (id > maxId)
                    problem(rec + kRecordId, "键记录的编号 " + std::to_string(id) +
                                                 " 大于数据块中最大的编号 " + std::to_string(maxId));
                if (!result.records.emplace(id, static_cast<std::uint32_t>(rec)).second)
                    problem(rec + kRecordId, "数据块中有两条编号都是 " + std::to_string(id) + " 的键记录");
            }
            r += recordSize;
        }
        if (firstFree > maxId + 1 || result.records.count(firstFree))
            problem(at + kBlockFirstFree,
                    "下一个键要用的编号 " + std::to_string(firstFree) + " 已被占用或超出范围");
        if (get32(b_, at + kBlockUnused) != freeTotal)
            problem(at + kBlockUnused, "数据块记下的空闲字节数与空闲记录不符");
        // The free records form one chain from the header through +8 of each.
        std::uint32_t next = get32(b_, at + kBlockFree);
        std::uint64_t from = at + kBlockFree;
        std::size_t reached = 0;
        while (next != kNone) {
            if (!freeRecords.count(next)) {
                problem(from, "空闲记录链指向 " + hexOffset(at + std::uint64_t{next}) + "，那里不是空闲记录");
                return result;
            }
            freeRecords.erase(next); // each once: a chain that runs back stops here
            ++reached;
            from = at + next + kRecordFreeNext;
            next = get32(b_, from);
        }
        if (!freeRecords.empty())
            problem(at + kBlockFree,
                    "有 " + std::to_string(freeRecords.size()) + " 条空闲记录不在空闲记录链上");
        (void)reached;
        return result;
    }

    void keyRecord(std::size_t rec, std::uint32_t recordSize, std::uint32_t number) {
        if (get16(b_, rec + kRecordBlock) != number) {
            problem(rec + kRecordBlock, "键记录记下的数据块号不是它所在的数据块");
            return;
        }
        const std::uint32_t used = recordSize >= kRecordHeaderSize ? get32(b_, rec + kRecordUsed) : 0;
        if (used < kRecordHeaderSize || used > recordSize) {
            problem(rec + kRecordUsed, "键记录中已用的字节数不对");
            return;
        }
        std::size_t p = kRecordHeaderSize + get16(b_, rec + kRecordNameLength);
        const std::uint32_t values = get16(b_, rec + kRecordValueCount);
        for (std::uint32_t i = 0; i < values && p + kValueHeaderSize <= used; ++i)
            p += kValueHeaderSize + get16(b_, rec + p + kValueNameLength) +
                 get16(b_, rec + p + kValueDataLength);
        if (p != used)
            problem(rec + kRecordUsed, "键记录中已用的字节数与它的名称和值合计不符");
    }

    std::uint32_t recordAt(std::size_t entry) {
        const std::uint32_t id = get16(b_, entry + kEntryRecord);
        const std::uint32_t block = get16(b_, entry + kEntryBlock);
        if (block >= blocks_.size())
            return 0;
        auto it = blocks_[block].records.find(id);
        return it == blocks_[block].records.end() ? 0 : it->second;
    }

    void navigation() {
        const std::size_t nav = kFileHeaderSize;
        std::vector<bool> used(navSize_, false);
        struct Pending {
            std::uint32_t rel, parent;
        };
        std::vector<Pending> stack{{kNavHeaderSize, kNone}};
        while (!stack.empty()) {
            const Pending p = stack.back();
            stack.pop_back();
            for (std::uint32_t rel = p.rel; rel != kNone;) {
                if (rel < kNavHeaderSize || rel > navSize_ - kEntrySize || used[rel]) {
                    problem(nav + rel, "键导航项的链接指向记录之外或又指回已经走过的项");
                    break;
                }
                used[rel] = true;
                const std::size_t at = nav + rel;
                if (!withinPiece(rel))
                    problem(at, "键导航项跨过了 4 KB 分段的边界");
                if (get32(b_, at + kEntryState) != kEntryInUse)
                    problem(at, "树中的键导航项没有标为在用");
                if (get32(b_, at + kEntryParent) != p.parent)
                    problem(at + kEntryParent, "键导航项记下的父键不是它所在的键");
                const bool root = p.parent == kNone;
                const std::uint32_t record = recordAt(at);
                if (root && get16(b_, at + kEntryRecord) == kNoRecord &&
                    get16(b_, at + kEntryBlock) == kNoRecord) {
                    // A root without values has no record.
                } else if (record == 0) {
                    problem(at + kEntryRecord, "键导航项指向的键记录不存在");
                } else if (!root) {
                    const std::size_t nameLength = get16(b_, record + kRecordNameLength);
                    const std::string_view name = b_.substr(record + kRecordHeaderSize, nameLength);
                    if (get32(b_, at + kEntryHash) != nameHash(name))
                        problem(at + kEntryHash, "键名的散列值不对");
                }
                if (const std::uint32_t child = get32(b_, at + kEntryChild); child != kNone)
                    stack.push_back({child, rel});
                rel = root ? kNone : get32(b_, at + kEntryNext);
            }
        }
        // The free slots: one chain from the header, none over an entry in use.
        std::vector<std::uint32_t> inUse;
        for (std::uint32_t r = 0; r < navSize_; ++r)
            if (used[r])
                inUse.push_back(r);
        std::uint32_t next = get32(b_, nav + kNavFree);
        std::uint64_t from = nav + kNavFree;
        std::vector<bool> freeSeen(navSize_, false);
        while (next != kNone) {
            if (next < kNavHeaderSize || next > navSize_ - 12 || freeSeen[next]) {
                problem(from, "空闲键导航项的链指向记录之外或成了环");
                return;
            }
            freeSeen[next] = true;
            const std::size_t at = nav + next;
            const std::uint32_t size = get32(b_, at + kFreeSlotSize);
            if (get32(b_, at + kEntryState) != kEntryFree) {
                problem(at, "空闲键导航项没有标为空闲（0x80000000）");
                return;
            }
            if (size < kEntrySize || size > navSize_ - next) {
                problem(at + kFreeSlotSize, "空闲键导航项的大小不对");
                return;
            }
            // The last entry in use that starts before the slot's end must end before it starts.
            auto over = std::lower_bound(inUse.begin(), inUse.end(), next + size);
            if (over != inUse.begin() && *(over - 1) + kEntrySize > next)
                problem(at, "空闲键导航项盖住了在用的项");
            from = at + kFreeSlotNext;
            next = get32(b_, from);
        }
    }

    std::string_view b_;
    std::uint32_t navSize_ = 0;
    std::vector<Block> blocks_;
    std::vector<std::string> problems_;
};

} // namespace

std::vector<std::string> structuralProblems(std::string_view bytes) {
    return Checker(bytes).run();
}

} // namespace w98::regbin
