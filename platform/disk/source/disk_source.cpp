#include "disk_source.h"

#include "platform/error.h"
#include "platform/little_endian.h"
#include "platform/text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace w98::disk {
namespace {

std::string hex32(std::uint32_t v) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

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

std::string deviceNumber(dev_t device) {
    return std::to_string(major(device)) + ":" + std::to_string(minor(device));
}

[[noreturn]] void refuseParentMissing(const fs::path& disk, const std::string& parent) {
    throw Error("磁盘 " + disk.string() + " 是差异磁盘（快照），它的父磁盘 " + parent +
                " 找不到。请把父磁盘放回原处后再打开，或在虚拟机软件里合并快照");
}

void checkParent(const fs::path& disk, const std::string& parent) {
    if (parent.empty())
        return;
    std::error_code ec;
    const fs::path p = fs::path(parent).is_absolute() ? fs::path(parent) : disk.parent_path() / parent;
    if (!fs::exists(p, ec))
        refuseParentMissing(disk, parent);
}

// The value of a key in a VMDK descriptor ("parentFileNameHint=\"base.vmdk\""), unquoted.
std::string descriptorValue(const std::string& text, const std::string& key) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string k = line.substr(0, eq);
        while (!k.empty() && k.back() == ' ')
            k.pop_back();
        if (k != key)
            continue;
        std::string v = line.substr(eq + 1);
        const auto q1 = v.find('"');
        const auto q2 = v.rfind('"');
        return q1 != std::string::npos && q2 > q1 ? v.substr(q1 + 1, q2 - q1 - 1) : v;
    }
    return {};
}

// A container whose header puts its tables or blocks past the end of the file was cut short
// (a copy or download that stopped): what is missing would read as zeros.
void refuseIfCut(const fs::path& path, const char* display, std::uint64_t needed, off_t size) {
    if (size >= 0 && needed > static_cast<std::uint64_t>(size))
        throw Error("磁盘 " + path.string() + " 打不开：它的 " + display + " 容器比文件头所说的短（应至少 " +
                    std::to_string(needed) + " 字节，只有 " + std::to_string(size) +
                    " 字节），大概是复制或下载时被截断了。请找回完整的磁盘文件");
}

DiskSource container(const fs::path& path, const char* driver, const char* display) {
    return {DiskForm::Container, path, driver, display};
}

DiskSource classifyFile(const fs::path& path) {
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
    const std::string_view h(head);
    if (h.starts_with("QFI\xfb")) {
        const std::uint64_t at = bigEndian(h, 8, 8);
        const std::uint64_t size = bigEndian(h, 16, 4);
        if (at != 0 && size != 0 && size < 1024)
            checkParent(path, readAt(fd, static_cast<off_t>(at), size));
        // The L1 table and the refcount table, where the header puts them.
        const std::uint64_t clusterBits = bigEndian(h, 20, 4);
        if (clusterBits >= 9 && clusterBits <= 21)
            refuseIfCut(path, "qcow2",
                        std::max(bigEndian(h, 40, 8) + bigEndian(h, 36, 4) * 8,
                                 bigEndian(h, 48, 8) + (bigEndian(h, 56, 4) << clusterBits)),
                        st.st_size);
        return container(path, "qcow2", "qcow2");
    }
    if (h.starts_with("vhdxfile"))
        return container(path, "vhdx", "VHDX");
    if (h.size() >= 0x50 && le::get32(h, 0x40) != 0xBEDA107F && h.starts_with("<<< ") &&
        h.substr(0, 0x40).find("Disk Image >>>") != std::string_view::npos)
        throw Error("磁盘 " + path.string() + " 是损坏的 VDI 容器：头部的签名不对（应为 BEDA107F，实为 " +
                    hex32(le::get32(h, 0x40)) + "），什么也没有读写");
    if (h.size() >= 0x50 && le::get32(h, 0x40) == 0xBEDA107F) {
        const std::uint32_t type = le::get32(h, 0x4C);
        // A differencing disk names its parent; a type without one is a damaged header.
        const bool linked = h.size() >= 0x1B8 && h.substr(0x1A8, 16) != std::string(16, '\0');
        if (type < 1 || type > 4 || ((type == 3 || type == 4) && !linked))
            throw Error("磁盘 " + path.string() + " 是损坏的 VDI 容器：头部的映像类型 " +
                        std::to_string(type) + " 不对，什么也没有读写");
        if (type == 3 || type == 4)
            throw Error("磁盘 " + path.string() +
                        " 是 VirtualBox 的快照（差异磁盘），只记着与父磁盘的不同。请在 VirtualBox "
                        "的“快照”里删除快照，"
                        "把改动合并进父磁盘后，打开父磁盘");
        // Version 1.1 (the one QEMU and VirtualBox write): the blocks in use follow the data offset.
        if (h.size() >= 0x188 && le::get32(h, 0x44) == 0x00010001)
            refuseIfCut(path, "VDI",
                        std::uint64_t{le::get32(h, 0x158)} +
                            std::uint64_t{le::get32(h, 0x184)} * le::get32(h, 0x178),
                        st.st_size);
        return container(path, "vdi", "VDI");
    }
    const std::string_view vhdFooter = h.starts_with("conectix") ? h : std::string_view(tail);
    if (vhdFooter.starts_with("conectix")) {
        if (bigEndian(vhdFooter, 60, 4) == 4)
            throw Error(
                "磁盘 " + path.string() +
                " 是 VHD "
                "差异磁盘，只记着与父磁盘的不同。请先在虚拟机软件里把它合并进父磁盘，再打开合并后的磁盘");
        return container(path, "vpc", "VHD");
    }
    if (h.starts_with("KDMV")) {
        // A sparse extent holds its descriptor: offset and size in sectors at 28 and 36.
        const auto get64 = [h](std::size_t at) {
            return h.size() < at + 8 ? 0 : le::get32(h, at) | std::uint64_t{le::get32(h, at + 4)} << 32;
        };
        const std::uint64_t at = get64(28), sectors = get64(36);
        if (at != 0 && sectors != 0 && sectors < 2048)
            checkParent(path, descriptorValue(readAt(fd, static_cast<off_t>(at * 512), sectors * 512),
                                              "parentFileNameHint"));
        return container(path, "vmdk", "VMDK");
    }
    if (h.starts_with("# Disk DescriptorFile")) {
        checkParent(path, descriptorValue(head, "parentFileNameHint"));
        return container(path, "vmdk", "VMDK");
    }
    if (h.starts_with(std::string_view("QED\0", 4)) || h.starts_with("WithoutFreeSpace") ||
        h.starts_with("WithouFreSpacExt") || std::string_view(tail).starts_with("koly"))
        throw Error(
            "磁盘 " + path.string() +
            " 的格式不受支持。能打开的有：原始磁盘映像、VHD、VDI、VMDK、qcow2、VHDX。请先用 qemu-img convert "
            "把它转换成其中一种");
    return {DiskForm::Raw, path, {}, {}};
}

std::set<std::string> devicesOf(const struct stat& st) {
    // The device and, for a whole disk, each of its partitions, as "major:minor".
    std::set<std::string> out;
    const std::string self = deviceNumber(st.st_rdev);
    out.insert(self);
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/sys/dev/block/" + self, ec)) {
        std::ifstream dev(e.path() / "dev");
        std::string number;
        if (fs::exists(e.path() / "partition", ec) && std::getline(dev, number))
            out.insert(number);
    }
    return out;
}

// The mount points of /proc/self/mountinfo, each with its device and source.
struct Mount {
    std::string device, point, type, source;
};

std::vector<Mount> mounts() {
    std::vector<Mount> out;
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream f(line);
        std::string id, parent, device, root, point, word;
        f >> id >> parent >> device >> root >> point;
        while (f >> word && word != "-") {
        }
        std::string type, source;
        f >> type >> source;
        // Blanks and other bytes come escaped as \040 and the like.
        std::string unescaped;
        for (std::size_t i = 0; i < point.size(); ++i) {
            if (point[i] == '\\' && i + 3 < point.size()) {
                unescaped += static_cast<char>(std::stoi(point.substr(i + 1, 3), nullptr, 8));
                i += 3;
            } else {
                unescaped += point[i];
            }
        }
        out.push_back({device, unescaped, type, source});
    }
    return out;
}

} // namespace

DiskSource diskSourceOf(const fs::path& path) {
    std::error_code ec;
    const auto status = fs::status(path, ec);
    if (fs::is_block_file(status))
        return {DiskForm::Device, path, {}, {}};
    if (fs::is_regular_file(status))
        return classifyFile(path);
    return {DiskForm::Folder, path, {}, {}};
}

bool looksLikeDriveC(const fs::path& folder) {
    std::error_code ec;
    bool system = false, windows = false, stand = false;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        const std::string name = foldAscii(e.path().filename().string());
        if (name == "machine.ini" || name == "drive_c")
            stand = true;
        if (name == "io.sys" || name == "msdos.sys")
            system = true;
        if (e.is_directory(ec))
            for (const auto& f : fs::directory_iterator(e.path(), ec))
                if (foldAscii(f.path().filename().string()) == "win.com")
                    windows = true;
    }
    return system && windows && !stand;
}

std::string mountPointOf(const fs::path& device) {
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0 || !S_ISBLK(st.st_mode))
        return {};
    const auto numbers = devicesOf(st);
    const auto all = mounts();
    std::error_code ec;
    const std::string canonical = fs::canonical(device, ec).string();
    for (const Mount& m : all)
        if (numbers.contains(m.device) || m.source == canonical || m.source == device.string())
            return m.point;
    // A FUSE file system shows no device in the mount table: look for a program holding the
    // device open with one of those mount points among its arguments (a daemon has left its
    // folder by then, so a relative one is matched by its end).
    std::vector<std::string> points;
    for (const Mount& m : all)
        if (m.type.starts_with("fuse"))
            points.push_back(m.point);
    for (const auto& proc : fs::directory_iterator("/proc", ec)) {
        const std::string pid = proc.path().filename().string();
        if (points.empty() || pid.find_first_not_of("0123456789") != std::string::npos ||
            pid == std::to_string(::getpid()))
            continue;
        bool holds = false;
        for (const auto& fd : fs::directory_iterator(proc.path() / "fd", ec)) {
            struct stat target {};
            if (::stat(fd.path().c_str(), &target) == 0 && S_ISBLK(target.st_mode) &&
                numbers.contains(deviceNumber(target.st_rdev)))
                holds = true;
        }
        if (!holds)
            continue;
        std::ifstream cmd(proc.path() / "cmdline", std::ios::binary);
        std::string arg;
        while (std::getline(cmd, arg, '\0')) {
            const std::string normal = fs::path(arg).lexically_normal().string();
            if (normal.empty() || normal == "/" || normal == "." || arg.starts_with('-'))
                continue;
            for (const std::string& point : points)
                if (point == normal || (normal[0] != '/' && point.ends_with("/" + normal)))
                    return point;
        }
    }
    return {};
}

std::string deviceMountedAt(const fs::path& folder) {
    std::error_code ec;
    const std::string point = fs::weakly_canonical(fs::absolute(folder), ec).string();
    for (const Mount& m : mounts())
        if (m.point == point && m.source.starts_with("/dev/"))
            return m.source;
    return {};
}

} // namespace w98::disk
