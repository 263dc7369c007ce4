#include "disk_source.h"

#include "base/text.h"
#include "format_probe.h"

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

std::string deviceNumber(dev_t device) {
    return std::to_string(major(device)) + ":" + std::to_string(minor(device));
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
        return probeImageFile(path);
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
