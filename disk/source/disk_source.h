#pragma once
// What a machine named on the command line is: a folder of the stand-in, a raw disk image, a
// disk in a virtual PC's container (known by its own signature, whatever its name), or a
// block device. Damaged, differencing and unknown containers are refused here, before anything
// runs beside the program or is written.
#include <filesystem>
#include <string>

namespace w98::disk {

enum class DiskForm { Folder, Raw, Container, Device };

struct DiskSource {
    DiskForm form = DiskForm::Folder;
    std::filesystem::path path;
    std::string driver;  // QEMU's name for a container's format: vpc, vdi, vmdk, qcow2, vhdx
    std::string display; // the format as users know it: VHD, VDI, …
};

// Throws Error naming the file when it is a container this program cannot work in (a
// differencing disk whose parent is missing, a VirtualBox snapshot, a format not supported).
DiskSource diskSourceOf(const std::filesystem::path& path);

// True for a folder that holds a drive C: itself (a mounted Windows 98 partition): IO.SYS or
// MSDOS.SYS at its top, beside a folder with WIN.COM. Such a folder is no machine folder.
bool looksLikeDriveC(const std::filesystem::path& folder);

// Where a block device, or one of its partitions, is mounted (by the kernel or by a FUSE
// program holding it open); empty when nowhere.
std::string mountPointOf(const std::filesystem::path& device);

// The device mounted at a folder, as the mount table names it ("/dev/sdb1"); empty when the
// folder is no mount point or its source is no device.
std::string deviceMountedAt(const std::filesystem::path& folder);

} // namespace w98::disk
