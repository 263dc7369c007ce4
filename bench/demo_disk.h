#pragma once
// The demo machine as a machine folder and as a FAT32 disk image holding the same drive C:,
// for benchmarks that set the two side by side. An image's working copy lives below one
// XDG_CACHE_HOME of the benchmark's own, which the programs it starts share.
#include "bench/cache_home.h"
#include "demo/demo_machine.h"
#include "disk/working/image_mirror.h"
#include "platform/machine.h"
#include "tests/support/demo_image.h"
#include "tests/support/temp_machine.h"

#include <filesystem>
#include <functional>
#include <sys/resource.h>

struct DemoDisk {
    std::filesystem::path folder = korvane::test::makeTempFolder("korvane-bench-disk");
    std::filesystem::path machineFolder = folder / "m";
    std::filesystem::path image = folder / "demo.img";

    // prepare: what the folder gets before the image is made of it.
    explicit DemoDisk(const std::function<void(w98::Machine&)>& prepare = {}) {
        useOwnCacheHome();
        w98::createDemoMachine(machineFolder);
        if (prepare) {
            w98::Machine m(machineFolder);
            prepare(m);
        }
        korvane::test::makeImageOfMachine(image, korvane::test::FatKind::Fat32, 40, machineFolder);
        // The working copy is made at the first start; the benchmarks time the ones after.
        w98::Machine first(image);
    }
    ~DemoDisk() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
        std::filesystem::remove_all(w98::disk::ImageMirror::folderFor(image), ec);
    }
    DemoDisk(const DemoDisk&) = delete;
    DemoDisk& operator=(const DemoDisk&) = delete;

    const std::filesystem::path& path(bool asImage) const { return asImage ? image : machineFolder; }
};

// CPU time (user and system, in milliseconds) of this process, or of its ended children and
// theirs: what a run costs whatever else the machine is doing meanwhile.
inline double cpuMilliseconds(int who) {
    rusage u{};
    ::getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}
