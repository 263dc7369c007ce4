#include "format_probe.h"

#include "base/error.h"
#include "base/little_endian.h"
#include "base/text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace w98::disk {
namespace {

constexpr std::uint32_t kVdiSignature = 0xBEDA107F;
// A probe's score when the file carries the format's signature: as QEMU's probes score one.
constexpr int kSigned = 100;

std::string readAt(int fd, off_t offset, std::size_t size) {
    std::string b(size, '\0');
    const ssize_t n = ::pread(fd, b.data(), size, offset);
    b.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return b;
}

std::uint64_t bigEndian(std::string_view b, std::size_t at, std::size_t bytes) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < bytes && at + i < b.size(); ++i)
        v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
}

std::string hex32(std::uint32_t v) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

// What a probe sees of the file: its first KiB and last sector, and the file to read more of.
struct Sample {
    const fs::path& path;
    int fd;
    off_t size;
    std::string_view head, tail;
};

void checkParent(const fs::path& disk, const std::string& parent) {
    if (parent.empty())
        return;
    std::error_code ec;
    const fs::path p = fs::path(parent).is_absolute() ? fs::path(parent) : disk.parent_path() / parent;
    if (!fs::exists(p, ec))
        throw Error("磁盘 " + disk.string() + " 是差异磁盘（快照），它的父磁盘 " + parent +
                    " 找不到。请把父磁盘放回原处后再打开，或在虚拟机软件里合并快照");
}

// The value of a key in a VMDK descriptor ("parentFileNameHint=\"base.vmdk\""), unquoted.
std::string descriptorValue(std::string_view text, std::string_view key) {
    for (const std::string_view line : splitLineViews(text)) {
        const auto eq = line.find('=');
        if (eq == std::string_view::npos || trimmedRight(line.substr(0, eq), " ") != key)
            continue;
        const std::string_view v = line.substr(eq + 1);
        const auto q1 = v.find('"');
        const auto q2 = v.rfind('"');
        return std::string(q1 != std::string_view::npos && q2 > q1 ? v.substr(q1 + 1, q2 - q1 - 1) : v);
    }
    return {};
}

// A container whose header puts its tables or blocks past the end of the file was cut short
// (a copy or download that stopped): what is missing would read as zeros.
void refuseIfCut(const Sample& s, const char* display, std::uint64_t needed) {
    if (s.size >= 0 && needed > static_cast<std::uint64_t>(s.size))
        throw Error("磁盘 " + s.path.string() + " 打不开：它的 " + display +
                    " 容器比文件头所说的短（应至少 " + std::to_string(needed) + " 字节，只有 " +
                    std::to_string(s.size) + " 字节），大概是复制或下载时被截断了。请找回完整的磁盘文件");
}

int qcow2Score(const Sample& s) {
    return s.head.starts_with("QFI\xfb") ? kSigned : 0;
}

void vetQcow2(const Sample& s) {
    const std::string_view h = s.head;
    const std::uint64_t at = bigEndian(h, 8, 8);
    const std::uint64_t size = bigEndian(h, 16, 4);
    if (at != 0 && size != 0 && size < 1024)
        checkParent(s.path, readAt(s.fd, static_cast<off_t>(at), size));
    // The L1 table and the refcount table, where the header puts them.
    const std::uint64_t clusterBits = bigEndian(h, 20, 4);
    if (clusterBits >= 9 && clusterBits <= 21)
        refuseIfCut(s, "qcow2",
                    std::max(bigEndian(h, 40, 8) + bigEndian(h, 36, 4) * 8,
                             bigEndian(h, 48, 8) + (bigEndian(h, 56, 4) << clusterBits)));
}

int vhdxScore(const Sample& s) {
    return s.head.starts_with("vhdxfile") ? kSigned : 0;
}

// VirtualBox's text at the start claims a VDI even when the signature after it is damaged.
int vdiScore(const Sample& s) {
    const std::string_view h = s.head;
    if (h.size() < 0x50)
        return 0;
    const bool text =
        h.starts_with("<<< ") && h.substr(0, 0x40).find("Disk Image >>>") != std::string_view::npos;
    return le::get32(h, 0x40) == kVdiSignature || text ? kSigned : 0;
}

void vetVdi(const Sample& s) {
    const std::string_view h = s.head;
    const std::string disk = "磁盘 " + s.path.string();
    if (le::get32(h, 0x40) != kVdiSignature)
        throw Error(disk + " 是损坏的 VDI 容器：头部的签名不对（应为 BEDA107F，实为 " +
                    hex32(le::get32(h, 0x40)) + "），什么也没有读写");
    const std::uint32_t type = le::get32(h, 0x4C);
    // A differencing disk names its parent; a type without one is a damaged header.
    const bool linked = h.size() >= 0x1B8 && h.substr(0x1A8, 16) != std::string(16, '\0');
    if (type < 1 || type > 4 || ((type == 3 || type == 4) && !linked))
        throw Error(disk + " 是损坏的 VDI 容器：头部的映像类型 " + std::to_string(type) +
                    " 不对，什么也没有读写");
    if (type == 3 || type == 4)
        throw Error(disk + " 是 VirtualBox 的快照（差异磁盘），只记着与父磁盘的不同。请在 VirtualBox "
                           "的“快照”里删除快照，"
                           "把改动合并进父磁盘后，打开父磁盘");
    // Version 1.1 (the one QEMU and VirtualBox write): the blocks in use follow the data offset.
    if (h.size() >= 0x188 && le::get32(h, 0x44) == 0x00010001)
        refuseIfCut(s, "VDI",
                    std::uint64_t{le::get32(h, 0x158)} +
                        std::uint64_t{le::get32(h, 0x184)} * le::get32(h, 0x178));
}

// A dynamic VHD copies its footer to the start; a fixed one has it at the end only.
std::string_view vhdFooter(const Sample& s) {
    return s.head.starts_with("conectix") ? s.head : s.tail;
}

int vhdScore(const Sample& s) {
    return vhdFooter(s).starts_with("conectix") ? kSigned : 0;
}

void vetVhd(const Sample& s) {
    if (bigEndian(vhdFooter(s), 60, 4) == 4)
        throw Error("磁盘 " + s.path.string() +
                    " 是 VHD "
                    "差异磁盘，只记着与父磁盘的不同。请先在虚拟机软件里把它合并进父磁盘，再打开合并后的磁盘");
}

int vmdkSparseScore(const Sample& s) {
    return s.head.starts_with("KDMV") ? kSigned : 0;
}

// A sparse extent holds its descriptor: offset and size in sectors at 28 and 36.
void vetVmdkSparse(const Sample& s) {
    const auto get64 = [h = s.head](std::size_t at) {
        return h.size() < at + 8 ? 0 : le::get32(h, at) | std::uint64_t{le::get32(h, at + 4)} << 32;
    };
    const std::uint64_t at = get64(28), sectors = get64(36);
    if (at != 0 && sectors != 0 && sectors < 2048)
        checkParent(s.path, descriptorValue(readAt(s.fd, static_cast<off_t>(at * 512), sectors * 512),
                                            "parentFileNameHint"));
}

int vmdkDescriptorScore(const Sample& s) {
    return s.head.starts_with("# Disk DescriptorFile") ? kSigned : 0;
}

void vetVmdkDescriptor(const Sample& s) {
    checkParent(s.path, descriptorValue(s.head, "parentFileNameHint"));
}

// QED, Parallels (old and new) and Apple's DMG.
int unsupportedScore(const Sample& s) {
    const std::string_view h = s.head;
    return h.starts_with(std::string_view("QED\0", 4)) || h.starts_with("WithoutFreeSpace") ||
                   h.starts_with("WithouFreSpacExt") || s.tail.starts_with("koly")
               ? kSigned
               : 0;
}

void refuseUnsupported(const Sample& s) {
    throw Error(
        "磁盘 " + s.path.string() +
        " 的格式不受支持。能打开的有：原始磁盘映像、VHD、VDI、VMDK、qcow2、VHDX。请先用 qemu-img convert "
        "把它转换成其中一种");
}

void vetNothing(const Sample&) {}

struct Format {
    const char* driver; // QEMU's name; null for a format that is refused
    const char* display;
    int (*score)(const Sample&);
    void (*vet)(const Sample&); // throws Error for a container that cannot be worked in
};

// Of two formats that score alike, the one higher up wins, as in QEMU.
constexpr std::array kFormats = {
    Format{"qcow2", "qcow2", qcow2Score, vetQcow2},
    Format{"vhdx", "VHDX", vhdxScore, vetNothing},
    Format{"vdi", "VDI", vdiScore, vetVdi},
    Format{"vpc", "VHD", vhdScore, vetVhd},
    Format{"vmdk", "VMDK", vmdkSparseScore, vetVmdkSparse},
    Format{"vmdk", "VMDK", vmdkDescriptorScore, vetVmdkDescriptor},
    Format{nullptr, nullptr, unsupportedScore, refuseUnsupported},
};

} // namespace

DiskSource probeImageFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {DiskForm::Raw, path, {}, {}}; // the opening itself says why
    struct Closing {
        int fd;
        ~Closing() { ::close(fd); }
    } closing{fd};
    struct stat st {};
    ::fstat(fd, &st);
    const std::string head = readAt(fd, 0, 1024);
    const std::string tail = st.st_size >= 512 ? readAt(fd, st.st_size - 512, 512) : std::string();
    const Sample sample{path, fd, st.st_size, head, tail};

    const Format* best = nullptr;
    int bestScore = 0;
    for (const Format& f : kFormats)
        if (const int score = f.score(sample); score > bestScore) {
            best = &f;
            bestScore = score;
        }
    if (!best)
        return {DiskForm::Raw, path, {}, {}};
    best->vet(sample);
    return {DiskForm::Container, path, best->driver, best->display};
}

} // namespace w98::disk
