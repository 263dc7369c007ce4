#include "demo_image.h"

#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/host_process.h"
#include "base/short_names.h"
#include "base/text.h"
#include "demo/demo_machine.h"
#include "disk/working/image_mirror.h"
#include "platform/machine.h"
#include "platform/scratch_folder.h"

#include <algorithm>
#include <cerrno>
#include <random>

namespace fs = std::filesystem;

namespace w98 {
namespace {

std::string inQuotes(const fs::path& p) {
    return "“" + p.string() + "”";
}

} // namespace

void copyMachineTree(const fs::path& from, const fs::path& to) {
    std::vector<fs::path> entries;
    for (const auto& e : fs::directory_iterator(from))
        entries.push_back(e.path());
    std::sort(entries.begin(), entries.end());
    for (const auto& source : entries) {
        const fs::path target = to / source.filename();
        if (fs::is_directory(source)) {
            fs::create_directory(target);
            copyMachineTree(source, target);
        } else {
            fs::copy_file(source, target, fs::copy_options::overwrite_existing);
        }
        short_names::keep(target, short_names::of(source));
        writeDosAttributes(target, readDosAttributes(source, source.string()), target.string());
        fs::last_write_time(target, fs::last_write_time(source));
    }
}

namespace {

// The container a disk's name asks for, as qemu-img names it; empty for a raw image.
std::string containerFormatOf(const fs::path& image) {
    const std::string ext = foldAscii(image.extension().string());
    if (ext == ".vhd")
        return "vpc";
    if (ext == ".vdi" || ext == ".vmdk" || ext == ".qcow2" || ext == ".vhdx")
        return ext.substr(1);
    return {};
}

// Puts the raw disk into the container, as a virtual PC's own tool would have made it.
void convertInto(const fs::path& raw, const std::string& format, const fs::path& target) {
    const int status = spawnQuietly(
        {"qemu-img", "convert", "-q", "-f", "raw", "-O", format, raw.string(), target.string()}, {}, true);
    if (status != 0)
        throw Error(status < 0 || status == 127
                        ? "需要 qemu-img（Debian 软件包 qemu-utils）才能建立这种格式的磁盘"
                        : "qemu-img 没能把磁盘转换成 " + format + " 格式");
}

} // namespace

void createDemoImage(const fs::path& image, disk::FatType type) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(image, ec)))
        throw Error(inQuotes(image) + "已经存在；演示磁盘映像不会覆盖已有的文件。");
    const fs::path parent = image.has_parent_path() ? image.parent_path() : fs::path(".");
    if (!fs::is_directory(parent, ec))
        throw Error("无法建立演示磁盘映像" + inQuotes(image) + "：文件夹" + inQuotes(parent) + "不存在。");
    const fs::path building = parent / ("." + image.filename().string() + ".building-" +
                                        std::to_string(std::random_device{}() % 1000000));
    // The folder mirroring the image while it is filled is named after the path it is built
    // at; the finished image gets its own when it is first opened.
    const fs::path mirror = disk::ImageMirror::folderFor(building);
    try {
        disk::formatDiskImage(building, type, kDemoImageBytes, true);
        const ScratchFolder demo("korvane-demo",
                                 "无法建立临时文件夹" +
                                     inQuotes(fs::temp_directory_path() / "korvane-demo-XXXXXX") + "。");
        createDemoMachine(demo.path() / "machine");
        {
            Machine m(building);
            fs::create_directories(m.root() / "drive_c");
            copyMachineTree(demo.path() / "machine" / "drive_c", m.root() / "drive_c");
            m.commit();
        }
        if (const std::string format = containerFormatOf(image); !format.empty()) {
            const fs::path raw = building.string() + ".raw";
            fs::rename(building, raw);
            try {
                convertInto(raw, format, building);
            } catch (...) {
                fs::remove(raw, ec);
                throw;
            }
            fs::remove(raw, ec);
        }
        // A link, unlike a rename, never replaces a file that appeared meanwhile.
        if (::link(building.c_str(), image.c_str()) != 0)
            throw Error(errno == EEXIST ? inQuotes(image) + "已经存在；演示磁盘映像不会覆盖已有的文件。"
                                        : "无法在" + inQuotes(image) + "处建立文件。");
        fs::remove(building, ec);
        fs::remove_all(mirror, ec);
    } catch (const std::exception& e) {
        fs::remove(building, ec);
        fs::remove_all(mirror, ec);
        throw Error("无法建立演示磁盘映像" + inQuotes(image) + "：" + e.what());
    }
}

int runDemoImageCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::string typeName = args.size() == 2 ? foldAscii(args[1]) : "fat32";
    if (args.empty() || args.size() > 2 || args[0].empty() || (typeName != "fat16" && typeName != "fat32")) {
        err << "用法：w98 --demo-image 文件 [fat16|fat32]\n";
        return 2;
    }
    const auto type = typeName == "fat16" ? disk::FatType::Fat16 : disk::FatType::Fat32;
    try {
        createDemoImage(args[0], type);
    } catch (const std::exception& e) {
        err << "w98：" << e.what() << "\n";
        return 1;
    }
    out << "已建立演示磁盘映像" << inQuotes(args[0]) << "（"
        << (type == disk::FatType::Fat16 ? "FAT16" : "FAT32") << "，128 MB，一个分区）。\n"
        << "用 korvane --machine " << args[0] << " 打开它，或者 WIN98_MACHINE=" << args[0] << " w98 程序 …\n";
    return 0;
}

} // namespace w98
