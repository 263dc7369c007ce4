#pragma once
// Where things sit in a registry file of Windows 98's binary form, shared by the reader, the
// writer and the structural checker. Offsets count from the start of the structure named.
// Values marked "as Windows writes them" were read off a real pair of files (a Windows Me
// installation, same format as 95 and 98) and agree with the public descriptions.
#include "base/little_endian.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace w98::regbin::layout {

inline constexpr std::uint32_t kNone = 0xFFFFFFFFu;
inline constexpr std::uint16_t kNoRecord = 0xFFFF; // record and block number of a free record

// File header "CREG".
inline constexpr std::size_t kFileHeaderSize = 0x20;
inline constexpr std::size_t kFileVersion = 4;     // u32 0x00010000
inline constexpr std::size_t kFileDataOffset = 8;  // where the first data block starts
inline constexpr std::size_t kFileChecksum = 12;   // trusted only with a flag; 0
inline constexpr std::size_t kFileBlockCount = 16; // u16
inline constexpr std::size_t kFileFlags = 18;      // u16, 0x20 as Windows writes them
inline constexpr std::size_t kFileVersion2 = 20;   // u32 0x00010000 again
inline constexpr std::uint32_t kVersion = 0x00010000;
inline constexpr std::uint16_t kFileFlagValue = 0x20;

// Key navigation record "RGKN": a header, then 28-byte entries kept in pieces of 0x2000 bytes
// (the first, header included) and 0x1000 bytes after it; no entry crosses a piece's end.
inline constexpr std::size_t kNavHeaderSize = 0x20;
inline constexpr std::size_t kNavSize = 4;
inline constexpr std::size_t kNavRoot = 8;
inline constexpr std::size_t kNavFree = 12; // first free slot, kNone when there is none
inline constexpr std::size_t kNavFlags = 16;
inline constexpr std::uint32_t kNavFlagNewHash = 0x8; // names hashed as every file since 95 does
inline constexpr std::size_t kNavFirstPiece = 0x2000;
inline constexpr std::size_t kNavPiece = 0x1000;

inline constexpr std::size_t kEntrySize = 28;
inline constexpr std::size_t kEntryState = 0; // 0 in use, 0x80000000 a free slot
inline constexpr std::size_t kEntryHash = 4;
inline constexpr std::size_t kEntryReserved = 8;
inline constexpr std::size_t kEntryParent = 12;
inline constexpr std::size_t kEntryChild = 16;
inline constexpr std::size_t kEntryNext = 20;
inline constexpr std::size_t kEntryRecord = 24; // u16 record number, then u16 block number
inline constexpr std::size_t kEntryBlock = 26;
inline constexpr std::uint32_t kEntryInUse = 0;
inline constexpr std::uint32_t kEntryFree = 0x80000000u;
// A free slot: state, its size, the next free slot.
inline constexpr std::size_t kFreeSlotSize = 4;
inline constexpr std::size_t kFreeSlotNext = 8;

// Data block "RGDB": a header, then key records and free records one after another to the
// block's end.
inline constexpr std::size_t kBlockHeaderSize = 0x20;
inline constexpr std::size_t kBlockSize = 4;
inline constexpr std::size_t kBlockUnused = 8; // the free records' sizes added up
inline constexpr std::size_t kBlockFlags = 12; // u16, 0x8 as Windows writes them
inline constexpr std::size_t kBlockNumber = 14;
inline constexpr std::size_t kBlockFree = 16;      // first free record, kNone when there is none
inline constexpr std::size_t kBlockMaxId = 20;     // u16 highest record number given out
inline constexpr std::size_t kBlockFirstFree = 22; // u16 the number the next key gets
inline constexpr std::uint16_t kBlockFlagValue = 0x8;
// Windows fills a block up to 255 keys (numbers 0 to 254) and 60 KB; a key bigger than that
// gets a block of its own.
inline constexpr std::size_t kBlockMaxKeys = 255;
inline constexpr std::size_t kBlockTarget = 0xF000;
inline constexpr std::size_t kPage = 0x1000;

// Key record: size, record and block number, bytes used, name length, value count, then the
// name and the values. A free record keeps size, 0xFFFF twice and the next free record at +8.
inline constexpr std::size_t kRecordHeaderSize = 20;
inline constexpr std::size_t kRecordSize = 0;
inline constexpr std::size_t kRecordId = 4;
inline constexpr std::size_t kRecordBlock = 6;
inline constexpr std::size_t kRecordUsed = 8;
inline constexpr std::size_t kRecordFreeNext = 8;
inline constexpr std::size_t kRecordNameLength = 12;
inline constexpr std::size_t kRecordValueCount = 14;
// Value record: type, a field Windows leaves 0xFFFFFFFF, name length, data length.
inline constexpr std::size_t kValueHeaderSize = 12;
inline constexpr std::size_t kValueReserved = 4;
inline constexpr std::size_t kValueNameLength = 8;
inline constexpr std::size_t kValueDataLength = 10;

using le::get16;
using le::get32;
using le::put16;
using le::put32;

// The navigation-relative offset of the slot after the one at rel, skipping a piece's tail
// that cannot hold a whole entry.
inline std::size_t nextSlot(std::size_t rel) {
    std::size_t next = rel + kEntrySize;
    const std::size_t pieceEnd = next <= kNavFirstPiece
                                     ? kNavFirstPiece
                                     : kNavFirstPiece + ((next - kNavFirstPiece) / kNavPiece + 1) * kNavPiece;
    if (next + kEntrySize > pieceEnd && next < pieceEnd)
        next = pieceEnd;
    return next;
}

// True when the entry at rel lies within one piece.
inline bool withinPiece(std::size_t rel) {
    if (rel < kNavFirstPiece)
        return rel + kEntrySize <= kNavFirstPiece;
    return (rel - kNavFirstPiece) % kNavPiece + kEntrySize <= kNavPiece;
}

// A REG_SZ string is kept without the NUL that ends it in memory; every other type as it is.
inline constexpr std::uint32_t kTypeSz = 1;
inline std::size_t storedSize(std::uint32_t type, std::string_view data) {
    return type == kTypeSz && !data.empty() && data.back() == '\0' ? data.size() - 1 : data.size();
}

std::string hexOffset(std::uint64_t offset);

// Throws the FormatError of a damaged file: its name, the offset, what is wrong.
[[noreturn]] void damaged(const std::string& displayName, std::optional<std::uint64_t> offset,
                          const std::string& what);

} // namespace w98::regbin::layout
