#pragma once
// The preview of a restore point: what restoring it would change against the machine as it is
// now. It reads the point (the cabinet or the file pair) through the click's own checks, and the
// live registry and start-up files, each file in the form it has; it changes nothing. A point's
// preview is kept until one of the files it was made from changes.
#include "restore_point.h"

#include "registry/registry_file.h"

#include <cstddef>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace w98 {
class Machine;
}

namespace korvane {

class PointPreview {
  public:
    // The preview opens a view of the machine folder of its own, so that it may run on a thread
    // beside the window's. winDir and bootDrive are the restore's.
    PointPreview(const std::filesystem::path& machineRoot, std::string winDir, std::string bootDrive);
    ~PointPreview();
    PointPreview(const PointPreview&) = delete;
    PointPreview& operator=(const PointPreview&) = delete;

    // The preview's lines, or nullopt when abandoned() turned true on the way (nothing is kept).
    std::optional<std::vector<std::string>> lines(const RestorePoint& point,
                                                  const std::function<bool()>& abandoned = {});

    // How many previews were made, not taken from the cache.
    std::size_t madeCount() const { return made_; }

  private:
    struct Stamp {
        std::filesystem::path file;
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        bool same(const Stamp& o) const;
    };
    struct Kept {
        std::vector<Stamp> files;
        std::vector<std::string> lines;
    };

    std::vector<Stamp> stampsOf(const RestorePoint& point) const;
    std::optional<std::vector<std::string>> make(const RestorePoint& point,
                                                 const std::function<bool()>& abandoned);

    std::unique_ptr<w98::Machine> m_;
    std::string winDir_, bootDrive_;
    w98::HiveFile liveSystem_, liveUser_;
    std::map<std::string, Kept> kept_;
    std::size_t made_ = 0;
};

} // namespace korvane
