#include "image_folder.h"

#include "base/entry_record.h"
#include "disk/fat/fat_volume.h"
#include "image_mirror.h"

#include "base/error.h"
#include "base/hash.h"
#include "base/host_file.h"
#include "base/machine_ini.h"
#include "base/text.h"

#include <cstdlib>
#include <unistd.h>

namespace fs = std::filesystem;

namespace w98::disk {
namespace {

// The Windows folder as MSDOS.SYS names it ([Paths] WinDir=); empty when it names none.
std::string namedWindowsFolder(const FatVolume& volume) {
    std::string windows;
    for (const FatEntry& e : volume.list(volume.rootDirectory())) {
        if (e.isDirectory() || foldAscii(e.name) != "msdos.sys")
            continue;
        bool inPaths = false;
        for (const std::string& line : splitLines(volume.read(e))) {
            if (line.starts_with('['))
                inPaths = foldAscii(line) == "[paths]";
            else if (inPaths && foldAscii(line).starts_with("windir=") && line.size() > 10)
                windows = line.substr(7);
        }
    }
    return windows;
}

// The Windows folder of the disk: the named one when it holds WIN.COM and SYSTEM.DAT, else a
// folder of the root where Setup leaves those with the registry checker's SYSBCKUP beside them;
// "" when there is neither.
std::string windowsFolderOnDisk(const FatVolume& volume, const std::string& named) {
    std::string found;
    for (const FatEntry& dir : volume.list(volume.rootDirectory())) {
        if (!dir.isDirectory() || dir.name == "." || dir.name == "..")
            continue;
        bool winCom = false, systemDat = false, backups = false;
        for (const FatEntry& e : volume.list(dir.firstCluster)) {
            const std::string name = foldAscii(e.name);
            winCom |= !e.isDirectory() && name == "win.com";
            systemDat |= !e.isDirectory() && name == "system.dat";
            backups |= e.isDirectory() && name == "sysbckup";
        }
        const std::string path = "C:\\" + dir.name;
        if (winCom && systemDat && foldAscii(path) == foldAscii(named))
            return path;
        if (winCom && systemDat && backups && found.empty())
            found = path;
    }
    return found;
}

// The machine's settings for a real disk: the Windows folder as MSDOS.SYS names it. A damaged
// or empty MSDOS.SYS must not hide a Windows that no longer starts: the folder is then the one
// Setup made, and the settings keep what MSDOS.SYS named so that the user can be told.
void writeMachineIni(const FatVolume& volume, const fs::path& folder) {
    const std::string named = namedWindowsFolder(volume);
    std::string windows = named.empty() ? machine_ini::kWindows : named;
    std::string note;
    try {
        const std::string found = windowsFolderOnDisk(volume, windows);
        if (!found.empty() && (named.empty() || foldAscii(found) != foldAscii(named)))
            note = "windowsnamed=" + (named.empty() ? std::string("none") : named);
        if (!found.empty())
            windows = found;
    } catch (const std::exception&) {
        // A damaged folder of the root: the named folder stands.
    }
    std::vector<std::string> settings = {"windows=" + windows};
    if (!note.empty())
        settings.push_back(note);
    const std::string ini =
        machine_ini::text("Drive C: of a disk image.", settings, {"A=removable", "C=fixed"});
    replaceScratchFile(folder / "machine.ini", ini, (folder / "machine.ini").string());
}

} // namespace

void resetDrive(const FatVolume& volume, const fs::path& folder) {
    const fs::path drive = folder / "drive_c";
    std::error_code ec;
    if (fs::exists(drive, ec)) {
        const fs::path old = folder / (".drive_c.old." + std::to_string(::getpid()));
        fs::rename(drive, old, ec);
        fs::remove_all(ec ? drive : old, ec);
    }
    fs::create_directories(drive, ec);
    EntryRecord root;
    root.kind = EntryRecord::Kind::Unlisted;
    root.firstCluster = volume.rootDirectory();
    if (!writeEntryRecord(drive, root))
        throw IoError(io_text::kWriteError, drive.string() + "（这个文件系统无法保存扩展属性）");
    if (!fs::exists(folder / "machine.ini", ec))
        writeMachineIni(volume, folder);
}

fs::path ImageMirror::folderFor(const fs::path& image) {
    std::error_code ec;
    const fs::path canonical = fs::weakly_canonical(fs::absolute(image), ec);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(fnv1a(canonical.string())));
    fs::path base;
    if (const char* x = std::getenv("XDG_CACHE_HOME"); x && *x)
        base = x;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = fs::path(home) / ".cache";
    else
        base = fs::temp_directory_path();
    return base / "korvane" / "disks" / (canonical.filename().string() + "-" + hex);
}

} // namespace w98::disk
