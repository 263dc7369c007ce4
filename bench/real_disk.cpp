#include "bench/real_disk.h"

#include "base/short_names.h"
#include "bench/cache_home.h"
#include "demo/demo_machine.h"
#include "disk/working/image_mirror.h"
#include "tests/support/demo_image.h"
#include "tests/support/temp_machine.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fcntl.h>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kKiB = 1024;
constexpr std::uint64_t kMiB = 1024 * kKiB;

struct Size {
    int extraFiles;
    std::uint64_t bytes;
    unsigned imageMegabytes; // room for cluster slack (4 KB clusters) and what the benchmarks add
};
constexpr Size kSizes[] = {{15000, 350 * kMiB, 480}, {60000, 2048 * kMiB, 2700}};

// Fixed seed: every run measures the same disk.
class Random {
  public:
    double unit() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return static_cast<double>((z ^ (z >> 31)) >> 11) * 0x1.0p-53;
    }
    // Small sizes far more often than large ones, as files are.
    std::uint64_t logUniform(std::uint64_t low, std::uint64_t high) {
        const double l = std::log(static_cast<double>(low)), h = std::log(static_cast<double>(high));
        return static_cast<std::uint64_t>(std::exp(l + (h - l) * unit()));
    }

  private:
    std::uint64_t state_ = 0x4B6F7276616E65ULL;
};

// One kind of file and where it lives. Its folders (below drive_c, '/' between names) are
// filled in turn, perFolder files each; another round of them gets numbered names.
struct Kind {
    std::vector<std::string> folders;
    std::vector<std::string> stems;
    std::vector<std::string> extensions;
    double share = 0; // of the extra files; for an open-ended kind, of what the capped ones leave
    int cap = 0;      // most files of the kind; 0 for open-ended
    int perFolder = 300;
    bool setupNames = false; // 8.3, as setup names system files: OLE00042.DLL
    bool paired = false;     // stems[i] goes with extensions[i]
    bool mayBeLarge = false;
};

std::vector<std::string> programFolders() {
    const std::vector<std::string> apps = {"Microsoft Office/Office",
                                           "Internet Explorer",
                                           "Outlook Express",
                                           "WinZip",
                                           "Adobe/Acrobat 4.0/Reader",
                                           "Netscape/Communicator/Program",
                                           "Windows Media Player",
                                           "Kingsoft/PowerWord 2002",
                                           "Tencent/QQ",
                                           "Common Files/Microsoft Shared",
                                           "ACDSee32",
                                           "Foxmail",
                                           "Real/RealPlayer",
                                           "Microsoft Visual Studio/VB98",
                                           "Accessories"};
    const std::vector<std::string> subs = {"",      "/Plugins",   "/Data",    "/Skins",
                                           "/Help", "/Templates", "/Samples", "/Lang"};
    std::vector<std::string> folders;
    for (const auto& sub : subs)
        for (const auto& app : apps)
            folders.push_back("Program Files/" + app + sub);
    return folders;
}

// clang-format off
std::vector<Kind> kinds() {
    return {
        {{"WINDOWS/SYSTEM"},
         {"MS", "OLE", "VMM", "NDIS", "USB", "DX", "MFC", "VB", "SH", "KB", "SER", "NET", "IE", "RPC",
          "CRYP", "SETP", "D3D", "DSND", "TAPI", "MCI"},
         {".DLL", ".DLL", ".DLL", ".VXD", ".VXD", ".DRV", ".EXE", ".OCX", ".TLB", ".CPL", ".SYS", ".386"},
         0.20, 3000, 3000, true, false, false},
        {{"WINDOWS/SYSTEM/IOSUBSYS", "WINDOWS/SYSTEM/VMM32", "WINDOWS/SYSTEM/COLOR", "WINDOWS/SYSTEM/VIEWERS"},
         {"IOS", "DSK", "CDV", "VXD"},
         {".VXD", ".PDR", ".MPD", ".ICM", ".DLL"},
         0.02, 600, 150, true, false, false},
        {{"WINDOWS/INF", "WINDOWS/INF/OTHER"},
         {"NET", "MDM", "DISP", "MSMO", "USB", "SCSI", "WAVE", "HID"},
         {".INF", ".PNF"},
         0.08, 2000, 1000, true, false, false},
        {{"WINDOWS/FONTS"},
         {"ARIA", "COUR", "TIME", "SIM", "FZ", "TAHO", "VERD", "SSER"},
         {".TTF", ".TTF", ".FON"},
         0.02, 400, 400, true, false, true},
        {{"WINDOWS/HELP"},
         {"WIN", "NOTE", "PAIN", "MSN", "IE", "OE", "DIAL", "TOUR"},
         {".HLP", ".CNT", ".CHM", ".GID"},
         0.04, 800, 800, true, false, true},
        {{"WINDOWS", "WINDOWS/COMMAND", "WINDOWS/MEDIA", "WINDOWS/CURSORS", "WINDOWS/JAVA/CLASSES",
          "WINDOWS/WEB/WALLPAPER"},
         {"WIN", "SET", "APP", "LOG", "DEF", "MS"},
         {".EXE", ".INI", ".BMP", ".TXT", ".LOG", ".DAT", ".WAV", ".CUR"},
         0.04, 1500, 250, true, false, false},
        {programFolders(),
         {"Resource", "Plugin", "Language", "Template", "Sample", "Skin", "Module", "Library", "Component"},
         {".dll", ".exe", ".dat", ".ini", ".txt", ".hlp", ".ocx", ".bmp", ".gif", ".htm", ".xml", ".pak"},
         0.70, 0, 300, false, false, true},
        {{"My Documents/我的照片/2001年春节", "My Documents/我的照片/毕业旅行", "My Documents/工作报告/2002年",
          "My Documents/工作报告/2003年", "My Documents/学习资料/英语", "My Documents/学习资料/计算机",
          "My Documents/我的音乐", "My Documents/下载", "My Documents/论文/参考文献", "My Documents/新建文件夹"},
         {"照片", "报告", "笔记", "会议纪要", "歌曲", "表格", "资料", "演示"},
         {".jpg", ".doc", ".txt", ".doc", ".mp3", ".xls", ".pdf", ".ppt"},
         0.30, 0, 300, false, true, true},
    };
}
// clang-format on

std::string folded(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return name;
}

std::string numbered(int n, std::size_t width) {
    std::string digits = std::to_string(n);
    return std::string(width > digits.size() ? width - digits.size() : 0, '0') + digits;
}

// Host folders below drive_c, found as Windows finds them (letter case ignored) so that an
// added file joins the demo machine's folder of that name rather than a twin of another case.
class Folders {
  public:
    explicit Folders(fs::path drive) : drive_(std::move(drive)) {}

    const fs::path& host(const std::string& folder) {
        auto found = hosts_.find(folder);
        if (found != hosts_.end())
            return found->second;
        const auto slash = folder.rfind('/');
        fs::path parent = slash == std::string::npos ? drive_ : host(folder.substr(0, slash));
        const std::string name = slash == std::string::npos ? folder : folder.substr(slash + 1);
        fs::path path = parent / name;
        for (const auto& e : fs::directory_iterator(parent))
            if (e.is_directory() && folded(e.path().filename().string()) == folded(name))
                path = e.path();
        fs::create_directories(path);
        return hosts_.emplace(folder, path).first->second;
    }

    // A name no entry of the folder has yet, letter case ignored.
    bool claim(const fs::path& folder, const std::string& name) {
        auto [taken, fresh] = names_.try_emplace(folder.string());
        if (fresh)
            for (const auto& e : fs::directory_iterator(folder))
                taken->second.insert(folded(e.path().filename().string()));
        return taken->second.insert(folded(name)).second;
    }

  private:
    fs::path drive_;
    std::map<std::string, fs::path> hosts_;
    std::map<std::string, std::set<std::string>> names_;
};

struct Planned {
    fs::path host;
    std::uint64_t size = 0;
    bool mayBeLarge = false;
};

std::vector<int> countsOf(const std::vector<Kind>& all, int extraFiles) {
    std::vector<int> counts;
    int capped = 0;
    double openShares = 0;
    for (const Kind& k : all) {
        counts.push_back(k.cap == 0 ? 0
                                    : std::min(k.cap, static_cast<int>(std::lround(k.share * extraFiles))));
        capped += counts.back();
        openShares += k.cap == 0 ? k.share : 0;
    }
    int left = extraFiles - capped;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i].cap == 0) {
            counts[i] = std::min(
                left, static_cast<int>(std::lround(all[i].share / openShares * (extraFiles - capped))));
            left -= counts[i];
        }
    counts.back() += left;
    return counts;
}

std::vector<Planned> plan(Folders& folders, int extraFiles, Random& random) {
    const std::vector<Kind> all = kinds();
    const std::vector<int> counts = countsOf(all, extraFiles);
    std::vector<Planned> files;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Kind& k = all[i];
        const int rounds = static_cast<int>(k.folders.size());
        if (k.cap != 0 && k.cap > rounds * k.perFolder)
            throw std::logic_error("too few folders for " + k.folders.front());
        std::map<int, int> nextNumber;
        for (int j = 0; j < counts[i]; ++j) {
            const int f = j / k.perFolder;
            std::string folder = k.folders[static_cast<std::size_t>(f % rounds)];
            if (f >= rounds)
                folder += " " + std::to_string(f / rounds + 1);
            const fs::path& host = folders.host(folder);
            const std::string& stem = k.stems[static_cast<std::size_t>(j) % k.stems.size()];
            const std::string& extension =
                k.extensions[(k.paired ? static_cast<std::size_t>(j)
                                       : static_cast<std::size_t>(j) / k.stems.size()) %
                             k.extensions.size()];
            std::string name;
            do {
                const int n = nextNumber[f]++;
                name = k.setupNames ? stem + numbered(n, 8 - stem.size()) + extension
                                    : stem + "_" + numbered(n, 4) + extension;
            } while (!folders.claim(host, name));
            const bool medium = random.unit() < 0.03;
            files.push_back(
                {host / name,
                 medium ? random.logUniform(60 * kKiB, 300 * kKiB) : random.logUniform(kKiB, 60 * kKiB),
                 k.mayBeLarge});
        }
    }
    return files;
}

// Makes the sizes add up to budget: what the small and middle-sized files leave goes into a
// few files of some megabytes each.
void fitSizes(std::vector<Planned>& files, std::uint64_t budget, Random& random) {
    constexpr std::uint64_t kLargeAverage = 7 * kMiB / 2;
    std::vector<std::size_t> candidates;
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        sum += files[i].size;
        if (files[i].mayBeLarge)
            candidates.push_back(i);
    }
    if (candidates.empty())
        throw std::logic_error("no file may be large");
    if (static_cast<double>(sum) > 0.85 * static_cast<double>(budget)) {
        const double scale = 0.85 * static_cast<double>(budget) / static_cast<double>(sum);
        for (Planned& p : files)
            p.size =
                std::max<std::uint64_t>(1, static_cast<std::uint64_t>(static_cast<double>(p.size) * scale));
    }
    const std::size_t large = std::clamp<std::size_t>(
        static_cast<std::size_t>(budget > sum ? (budget - sum) / kLargeAverage : 0), 1, candidates.size());
    std::vector<std::size_t> chosen;
    for (std::size_t i = 0; i < large; ++i)
        chosen.push_back(candidates[(2 * i + 1) * candidates.size() / (2 * large)]);
    std::uint64_t rest = budget;
    for (const Planned& p : files)
        rest -= p.size;
    std::vector<double> weights;
    double total = 0;
    for (const std::size_t i : chosen) {
        rest += files[i].size;
        weights.push_back(0.5 + random.unit());
        total += weights.back();
    }
    std::uint64_t given = 0;
    for (std::size_t i = 0; i + 1 < chosen.size(); ++i) {
        files[chosen[i]].size = static_cast<std::uint64_t>(static_cast<double>(rest) * weights[i] / total);
        given += files[chosen[i]].size;
    }
    files[chosen.back()].size = rest - given;
}

// Cheap contents, but every byte really written: the image and the working folder hold them all.
void writeFiller(const fs::path& file, std::uint64_t size, std::size_t shift) {
    static const std::string pattern = [] {
        std::string p;
        while (p.size() < kMiB + 64)
            p += "Korvane stand-in contents for a file of a real-size drive C:. ";
        return p;
    }();
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot create " + file.string());
    for (std::uint64_t left = size; left > 0;) {
        const auto chunk = static_cast<std::size_t>(std::min(left, kMiB));
        const ssize_t written = ::write(fd, pattern.data() + shift % 64, chunk);
        if (written <= 0) {
            ::close(fd);
            throw std::runtime_error("cannot write " + file.string());
        }
        left -= static_cast<std::uint64_t>(written);
    }
    if (::close(fd) != 0)
        throw std::runtime_error("cannot write " + file.string());
}

std::unique_ptr<RealDisk> makeRealDisk(const fs::path& folder, const Size& size) {
    auto disk = std::make_unique<RealDisk>();
    disk->machineFolder = folder / "m";
    disk->image = folder / "c.img";
    w98::createDemoMachine(disk->machineFolder);
    const fs::path drive = disk->machineFolder / "drive_c";
    std::uint64_t demoBytes = 0;
    for (const auto& e : fs::recursive_directory_iterator(drive))
        if (e.is_regular_file()) {
            demoBytes += e.file_size();
            ++disk->files;
        }

    Random random;
    Folders folders(drive);
    std::vector<Planned> files = plan(folders, size.extraFiles, random);
    fitSizes(files, size.bytes - demoBytes, random);
    for (std::size_t i = 0; i < files.size(); ++i)
        writeFiller(files[i].host, files[i].size, i);
    disk->files += files.size();
    disk->bytes = size.bytes;

    // Windows gave every file its short name when it was made; the folder machine should not
    // pay for that at its first look into each folder.
    w98::short_names::ofFolder(drive);
    for (const auto& e : fs::recursive_directory_iterator(drive))
        if (e.is_directory())
            w98::short_names::ofFolder(e.path());

    korvane::test::makeImageOfMachine(disk->image, korvane::test::FatKind::Fat32, size.imageMegabytes,
                                      disk->machineFolder);
    return disk;
}

struct Disks {
    fs::path folder;
    std::map<int, std::unique_ptr<RealDisk>> made;

    Disks() {
        useOwnCacheHome();
        folder = korvane::test::makeTempFolder("korvane-bench-real-disk");
    }
    ~Disks() {
        std::error_code ec;
        for (const auto& entry : made)
            if (entry.second)
                fs::remove_all(w98::disk::ImageMirror::folderFor(entry.second->image), ec);
        fs::remove_all(folder, ec);
    }
    Disks(const Disks&) = delete;
    Disks& operator=(const Disks&) = delete;
};

} // namespace

const RealDisk& realDisk(int extraFiles) {
    static Disks disks;
    auto& slot = disks.made[extraFiles];
    if (!slot) {
        const auto size = std::find_if(std::begin(kSizes), std::end(kSizes),
                                       [&](const Size& s) { return s.extraFiles == extraFiles; });
        if (size == std::end(kSizes))
            throw std::invalid_argument("no real-size disk of " + std::to_string(extraFiles) + " files");
        slot = makeRealDisk(disks.folder / std::to_string(extraFiles), *size);
    }
    return *slot;
}
