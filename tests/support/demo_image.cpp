#include "demo_image.h"

#include "base/dos_attributes.h"

#include <algorithm>

namespace korvane::test {
namespace fs = std::filesystem;

void makeImageOfMachine(const fs::path& image, FatKind kind, unsigned megabytes,
                        const fs::path& machineFolder) {
    const fs::path drive = machineFolder / "drive_c";
    makeFatImage(image, kind, megabytes, true);
    copyTreeIntoImage(image, drive);
    // mcopy gives files the archive attribute and folders none, whatever the host file keeps.
    for (const auto& e : fs::recursive_directory_iterator(drive)) {
        const std::uint8_t a = w98::readDosAttributes(e.path(), e.path().string());
        const bool folder = e.is_directory();
        if ((a & ~w98::attr::kDirectory) == (folder ? 0 : w98::attr::kArchive))
            continue;
        std::string flags = a & w98::attr::kReadOnly ? "+r " : "";
        flags += a & w98::attr::kHidden ? "+h " : "";
        flags += a & w98::attr::kSystem ? "+s " : "";
        flags += (a & w98::attr::kArchive) ? (folder ? "+a" : "") : (folder ? "" : "-a");
        std::string dosPath = fs::relative(e.path(), drive).string();
        std::replace(dosPath.begin(), dosPath.end(), '/', '\\');
        setImageAttributes(image, dosPath, flags);
    }
}

} // namespace korvane::test
