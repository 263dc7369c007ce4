#include "opened_disk.h"

namespace fs = std::filesystem;

namespace w98::disk {

bool namesDisk(const fs::path& root) {
    std::error_code ec;
    const auto named = fs::status(root, ec);
    return fs::is_regular_file(named) || fs::is_block_file(named);
}

OpenedDisk openDisk(const fs::path& root, bool onlyLooks) {
    OpenedDisk opened;
    opened.folder = root;
    if (namesDisk(root)) {
        opened.image = std::make_unique<ImageMirror>(root, onlyLooks);
        opened.folder = opened.image->folder();
    }
    opened.drive = LazyDrive::openIfDisk(opened.folder);
    if (opened.drive && opened.image)
        opened.drive->adopt(opened.image->takeVolume());
    return opened;
}

} // namespace w98::disk
