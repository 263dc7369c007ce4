// The program's jobs on drive C: of a disk image, as the owner of a virtual PC runs them: FAT16
// and FAT32 disks with a partition table (and a bare volume), holding the demo machine and
// restore points named with blanks, long names and Chinese. After every step the image is checked by tools
// that share nothing with the program (fsck.fat, mtools, fatcat): no error, and the files, long and short
// names, attributes and sizes of the machine folder. Images that are no FAT disk, damaged or full
// are refused with a message naming them and keep every byte.
#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/host_file.h"
#include "base/host_process.h"
#include "base/short_names.h"
#include "demo/demo_image.h"
#include "demo/demo_machine.h"
#include "desktop/apply_wallpaper.h"
#include "desktop/picture_folder.h"
#include "desktop/wallpaper_list.h"
#include "disk/fat/fat_format.h"
#include "disk/working/image_journal.h"
#include "disk/working/image_mirror.h"
#include "disk/working/lazy_drive.h"
#include "maintenance/registry_rebuild.h"
#include "platform/cabinet.h"
#include "platform/clock.h"
#include "platform/machine_programs.h"
#include "platform/registry_checker.h"
#include "registry/registry.h"
#include "restore/catalogue.h"
#include "restore/daily_backup.h"
#include "restore/offline_restore.h"
#include "restore/restore_check.h"
#include "restore/restore_execution.h"
#include "restore/restore_outcome.h"
#include "restore/restore_table.h"
#include "restore/scanreg_ini.h"
#include "startup/startup_catalogue.h"
#include "startup/startup_grid.h"
#include "startup/startup_removal.h"
#include "switches/policy_switch.h"
#include "sysaccess/registry_values.h"
#include "sysaccess/system.h"
#include "tests/support/fakes.h"
#include "tests/support/fat_tools.h"
#include "tests/support/restore_click.h"
#include "tests/support/temp_machine.h"
#include "tests/support/tool_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace korvane;
using test::FatKind;
using test::FatListedEntry;
namespace fs = std::filesystem;

namespace {

constexpr auto HKLM = w98::kHkeyLocalMachine;
const std::string kSysbckup = "C:\\WINDOWS\\SYSBCKUP";

// Each test mirrors its images in a cache of its own.
class ScopedCache {
  public:
    explicit ScopedCache(const fs::path& folder) {
        if (const char* old = std::getenv("XDG_CACHE_HOME"))
            old_ = old;
        ::setenv("XDG_CACHE_HOME", folder.c_str(), 1);
    }
    ~ScopedCache() {
        if (old_)
            ::setenv("XDG_CACHE_HOME", old_->c_str(), 1);
        else
            ::unsetenv("XDG_CACHE_HOME");
    }
    ScopedCache(const ScopedCache&) = delete;
    ScopedCache& operator=(const ScopedCache&) = delete;

  private:
    std::optional<std::string> old_;
};

const char* kindName(FatKind kind) {
    return kind == FatKind::Fat16 ? "FAT16" : "FAT32";
}

// FAT32 takes 33 MB at least.
unsigned megabytesFor(FatKind kind) {
    return kind == FatKind::Fat16 ? 32 : 40;
}

// What the machine folder holds, as an outside reader of the image should list it. An entry
// whose name is its short name has no long name on the disk, as Windows writes it: fatcat shows
// it as it is, and any other name beyond ASCII in its own rendering. fatcat shows only the folder
// and hidden bits, and leaves out files that have attributes but neither the archive nor the
// folder bit.
void listFolder(const fs::path& host, const std::string& path, const std::string& fatcatPath, bool asFatcat,
                std::vector<FatListedEntry>& out) {
    for (const auto& child : fs::directory_iterator(host)) {
        const std::string name = child.path().filename().string();
        FatListedEntry e;
        e.shortName = w98::short_names::of(child.path());
        const std::string plain = path.empty() ? name : path + "\\" + name;
        const std::string shown = name == e.shortName ? name : test::fatcatRendering(name);
        const std::string rendered = fatcatPath.empty() ? shown : fatcatPath + "\\" + shown;
        e.path = asFatcat ? rendered : plain;
        e.attributes = w98::readDosAttributes(child.path(), child.path().string());
        if (child.is_directory())
            e.attributes |= w98::attr::kDirectory;
        else
            e.size = child.file_size();
        if (asFatcat) {
            if (e.attributes != 0 && !(e.attributes & (w98::attr::kDirectory | w98::attr::kArchive)))
                continue;
            e.attributes &= w98::attr::kDirectory | w98::attr::kHidden;
        }
        out.push_back(e);
        if (child.is_directory())
            listFolder(child.path(), plain, rendered, asFatcat, out);
    }
}

std::vector<FatListedEntry> folderListing(const fs::path& drive, bool asFatcat) {
    std::vector<FatListedEntry> out;
    listFolder(drive, "", "", asFatcat, out);
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.path < b.path; });
    return out;
}

// The entries one listing has and the other has not, one a line; "" when they are the same.
std::string listingDifference(const std::vector<FatListedEntry>& image,
                              const std::vector<FatListedEntry>& folder) {
    std::string out;
    auto describe = [&](const char* where, const FatListedEntry& e) {
        std::ostringstream line;
        test::PrintTo(e, &line);
        out += std::string(where) + line.str() + "\n";
    };
    for (const auto& e : image)
        if (std::find(folder.begin(), folder.end(), e) == folder.end())
            describe("only in the image:  ", e);
    for (const auto& e : folder)
        if (std::find(image.begin(), image.end(), e) == image.end())
            describe("only in the folder: ", e);
    return out;
}

// A path below the folder mtools copied the image into. mtools names an entry without a long
// name in lower case where the entry's NT flags say so, which Windows 98 ignores.
fs::path copiedOut(const fs::path& scratch, const fs::path& rel) {
    fs::path at = scratch;
    for (const fs::path& part : rel) {
        fs::path next = at / part;
        if (!fs::exists(next) && fs::is_directory(at))
            for (const auto& e : fs::directory_iterator(at))
                if (w98::equalsNoCase(e.path().filename().string(), part.string()))
                    next = e.path();
        at = next;
    }
    return at;
}

std::int64_t modifiedSecond(const fs::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? st.st_mtime : -1;
}

// The image's files as mtools copies them out, byte for byte and with the time of their last
// write (kept to 2 seconds on FAT), against the folder's.
std::string firstContentDifference(const fs::path& image, const fs::path& drive, const fs::path& scratch) {
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    const std::vector<std::string> argv = {
        "mcopy", "-s", "-n", "-m", "-i", test::mtoolsVolume(image), "::/*", scratch.string() + "/"};
    const test::ToolResult r = test::runTool(argv, {{"MTOOLSRC", "/dev/null"},
                                                    {"MTOOLS_SKIP_CHECK", "1"},
                                                    {"MTOOLS_LOWER_CASE", "0"},
                                                    {"LC_ALL", "C.UTF-8"}});
    if (r.exitCode != 0)
        return test::describeRun(argv, r);
    for (auto it = fs::recursive_directory_iterator(drive); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path rel = fs::relative(it->path(), drive);
        // A name beyond ASCII without a long name comes out in mtools' code page 850: the
        // listings compare those.
        const std::string name = it->path().filename().string();
        if (std::any_of(name.begin(), name.end(),
                        [](char c) { return static_cast<unsigned char>(c) >= 0x80; }) &&
            name == w98::short_names::of(it->path())) {
            it.disable_recursion_pending();
            continue;
        }
        if (it->is_directory())
            continue;
        const fs::path copy = copiedOut(scratch, rel);
        if (test::readBytes(it->path()) != test::readBytes(copy) || !fs::is_regular_file(copy))
            return rel.string();
        const std::int64_t written = modifiedSecond(it->path()), kept = modifiedSecond(copy);
        if (kept < written - 1 || kept > written + 1)
            return rel.string() + " was written at " + std::to_string(written) + ", the image says " +
                   std::to_string(kept);
    }
    return "";
}

// The image as fsck.fat, mtools and fatcat read it, against the machine folder.
void expectImageHoldsFolder(const fs::path& image, const fs::path& drive, const fs::path& scratch) {
    EXPECT_EQ(test::fsckFatProblems(image), "");
    // The folder holds what was looked into; the rest comes in now.
    w98::disk::LazyDrive::openIfDisk(drive.parent_path())->bringIn(drive, true);
    EXPECT_EQ(listingDifference(test::mtoolsListing(image), folderListing(drive, false)), "") << "mtools";
    EXPECT_EQ(listingDifference(test::fatcatListing(image), folderListing(drive, true)), "") << "fatcat";
    EXPECT_EQ(firstContentDifference(image, drive, scratch), "");
}

// The demo machine on a new image with a partition table, with points named with blanks, long
// names and Chinese, and the program's view of it.
// `w98 ARGS...` as its user starts it on the image (WIN98_MACHINE names the image file), not as
// a program the machine starts, which works on its folder.
int runW98OnImage(const fs::path& image, const std::vector<std::string>& args) {
    std::vector<std::string> argv{w98::w98Executable().string()};
    argv.insert(argv.end(), args.begin(), args.end());
    return w98::spawnQuietly(argv, w98::environmentNaming(image), false);
}

struct ImageRoad {
    fs::path folder = test::makeTempFolder("korvane-image-road");
    ScopedCache cache{folder / "cache"};
    fs::path image = folder / "c.img";
    std::unique_ptr<w98::Machine> m;
    w98::SystemClock clock;
    test::RecordingShell shell;
    test::RecordingPower power;
    std::unique_ptr<System> system;
    SharedPaths paths{"C:\\WINDOWS", "C:", kSysbckup, "C:\\KORVANE"};

    static constexpr const char* kChinesePoint = "备份 一.cab";

    // The demo machine goes in through the program, keeping its short names, or by mtools,
    // which makes short names and entries of its own, as another system would have written them.
    explicit ImageRoad(FatKind kind, bool partitioned = true, bool byMtools = false,
                       bool formattedHere = false) {
        if (formattedHere)
            w98::disk::formatDiskImage(
                image, kind == FatKind::Fat16 ? w98::disk::FatType::Fat16 : w98::disk::FatType::Fat32,
                std::uint64_t{megabytesFor(kind)} << 20, partitioned);
        else
            test::makeFatImage(image, kind, megabytesFor(kind), partitioned);
        w98::createDemoMachine(folder / "demo");
        if (byMtools) {
            test::copyTreeIntoImage(image, folder / "demo" / "drive_c");
            setImageAttributesAsIn(folder / "demo" / "drive_c", "");
        }
        m = std::make_unique<w98::Machine>(image);
        if (!byMtools)
            w98::copyMachineTree(folder / "demo" / "drive_c", m->root() / "drive_c");
        system = std::make_unique<System>(System{*m, clock, shell, power});
        WriteScanregTemplate(*m, "C:\\WINDOWS");
        for (const char* name :
             {kChinesePoint, "my backup 1.cab", "restore point of the sixteenth of May.cab"}) {
            setState(name);
            m->moveFile(w98::backupRegistry(*m), kSysbckup + "\\" + name);
        }
        setState("now");
        m->commit();
    }
    ~ImageRoad() {
        system.reset();
        m.reset();
        if (!loop.empty())
            test::runTool({"losetup", "-d", loop});
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    ImageRoad(const ImageRoad&) = delete;
    ImageRoad& operator=(const ImageRoad&) = delete;

    // The same disk in a virtual PC's container (qemu-img's format name and subformat) or
    // behind a loop device, as its user would name it.
    fs::path disk = image;
    std::string loop;
    void reopenAs(const std::string& container) {
        system.reset();
        m.reset();
        if (container == "device") {
            loop = test::runTool({"losetup", "-f", "--show", image.string()}).output;
            loop.erase(loop.find_last_not_of("\n") + 1);
            disk = loop;
        } else {
            const std::string format = container.substr(0, container.find(' '));
            disk = folder / ("c." + format);
            std::vector<std::string> convert = {"qemu-img", "convert", "-f", "raw", "-O", format};
            if (container.find(' ') != std::string::npos)
                convert.insert(convert.end(), {"-o", container.substr(container.find(' ') + 1)});
            convert.insert(convert.end(), {image.string(), disk.string()});
            ASSERT_EQ(test::runTool(convert).exitCode, 0);
        }
        m = std::make_unique<w98::Machine>(disk);
        system = std::make_unique<System>(System{*m, clock, shell, power});
    }
    // The disk as outside tools read it: a container's raw content, read beside its export.
    fs::path rawView() {
        if (disk == image || !loop.empty())
            return image;
        const fs::path view = folder / "view.img";
        fs::remove(view);
        EXPECT_EQ(
            test::runTool({"qemu-img", "convert", "-U", "-O", "raw", disk.string(), view.string()}).exitCode,
            0);
        return view;
    }

    void setImageAttributesAsIn(const fs::path& host, const std::string& dosPath) {
        for (const auto& e : fs::directory_iterator(host)) {
            const std::string path = dosPath + "\\" + e.path().filename().string();
            const std::uint8_t a = w98::readDosAttributes(e.path(), e.path().string());
            std::string flags;
            for (const auto& [bit, letter] :
                 {std::pair{w98::attr::kReadOnly, 'r'}, std::pair{w98::attr::kHidden, 'h'},
                  std::pair{w98::attr::kSystem, 's'}, std::pair{w98::attr::kArchive, 'a'}})
                flags += std::string(flags.empty() ? "" : " ") + ((a & bit) ? '+' : '-') + letter;
            test::setImageAttributes(image, path, flags);
            if (e.is_directory())
                setImageAttributesAsIn(e.path(), path);
        }
    }

    void setState(const std::string& state) {
        WriteRegStr(*m, HKLM, "Software\\Korvane Test", "State", state);
        auto lines = m->readTextLines("C:\\WINDOWS\\WIN.INI");
        std::erase_if(lines, [](const std::string& l) { return l.starts_with("marker="); });
        lines.push_back("marker=" + state);
        m->writeTextLines("C:\\WINDOWS\\WIN.INI", lines);
    }
    std::string marker() { return m->readTextLines("C:\\WINDOWS\\WIN.INI").back(); }
    std::string state() { return ReadRegStr(*m, HKLM, "Software\\Korvane Test", "State"); }
    TextTable restoreTable() {
        TextTable t;
        FillRestoreTable(t, ScanAllRestorePoints(*m, "C:\\WINDOWS", kSysbckup), *m, clock.now().year);
        return t;
    }
    int beforeRestorePoints() {
        int n = 0;
        for (const auto& p : ScanAllRestorePoints(*m, "C:\\WINDOWS", kSysbckup))
            n += p.note == notes::kBeforeRestore;
        return n;
    }
    std::string bootLog() { return w98::readHostFile(m->root() / "boot.log", "boot.log"); }
};

int restoreRowOf(const TextTable& t, const std::string& file, const std::string& folder = kSysbckup) {
    for (int r = 1; r < t.rowCount(); ++r)
        if (w98::equalsNoCase(t.cell(restore_col::kFolder, r), folder) &&
            t.cell(restore_col::kFileName, r) == file)
            return r;
    return -1;
}

// A click on a disk: the point restored into it at once.
OfflineRestore restoreAtOnce(System& system, SharedPaths& paths, const RestorePoint& point,
                             bool newestIsToday) {
    return RestoreOffline(system, paths,
                          CheckRestorePoint(system.machine, CheckRestorable(system, paths, point)),
                          newestIsToday, {});
}

int startupRowOf(const TextTable& t, const std::string& program) {
    for (int r = 1; r < t.rowCount(); ++r)
        if (t.cell(startup_col::kProgram, r).find(program) != std::string::npos)
            return r;
    return -1;
}

struct Step {
    const char* name;
    // The job and what it must have done; the program puts the machine folder into the image
    // after it, as after each of its actions.
    std::function<void(ImageRoad&)> run;
};

const std::vector<Step>& roadSteps() {
    static const std::vector<Step> steps = {
        {"the image as built", [](ImageRoad&) {}},
        {"click on a Chinese-named point arms the restore",
         [](ImageRoad& d) {
             const int saved = d.beforeRestorePoints();
             TextTable t = d.restoreTable();
             const int row = restoreRowOf(t, ImageRoad::kChinesePoint);
             ASSERT_GT(row, 0);
             test::RestoreRow(*d.system, d.paths, t, row);
             ASSERT_EQ(d.power.calls.size(), 1u);
             EXPECT_TRUE(d.m->isFile("C:\\dosrun.bat"));
             EXPECT_EQ(d.beforeRestorePoints(), saved + 1); // the state before it, saved first
         }},
        {"w98 boot runs the job",
         [](ImageRoad& d) {
             ASSERT_EQ(runW98OnImage(d.disk, {"boot"}), 0);
             EXPECT_NE(d.bootLog().find("restore1"), std::string::npos);
             EXPECT_EQ(d.state(), ImageRoad::kChinesePoint);
             EXPECT_EQ(d.marker(), std::string("marker=") + ImageRoad::kChinesePoint);
             EXPECT_FALSE(d.m->exists("C:\\dosrun.bat"));
         }},
        {"the report after the restart",
         [](ImageRoad& d) {
             const auto outcome = TakeRestoreOutcome(*d.m, "C:\\WINDOWS");
             ASSERT_TRUE(outcome);
             EXPECT_TRUE(outcome->restored) << outcome->message;
             EXPECT_FALSE(TakeRestoreOutcome(*d.m, "C:\\WINDOWS"));
         }},
        {"the registry rebuild is armed",
         [](ImageRoad& d) {
             d.setState("rebuilt");
             RebuildRegistry(*d.system, d.paths, {});
             EXPECT_TRUE(d.m->isFile("C:\\reg.reg"));
         }},
        {"w98 boot rebuilds the registry",
         [](ImageRoad& d) {
             ASSERT_EQ(runW98OnImage(d.disk, {"boot"}), 0);
             EXPECT_NE(d.bootLog().find("A new registry was built"), std::string::npos);
             EXPECT_EQ(d.state(), "rebuilt");
             EXPECT_FALSE(d.m->exists("C:\\reg.reg"));
         }},
        {"a startup entry in the Chinese startup folder is removed",
         [](ImageRoad& d) {
             TextTable t = StartupTable(BuildStartupCatalogue(*d.m, "C:\\WINDOWS"), "C:\\WINDOWS");
             const int row = startupRowOf(t, "桌面日历");
             ASSERT_GT(row, 0);
             EXPECT_EQ(ClickStartupTable(*d.m, t, {startup_col::kDelete, row, startup_col::kDelete, row},
                                         "C:\\WINDOWS"),
                       ClickOutcome::Removed);
             EXPECT_FALSE(d.m->exists("C:\\WINDOWS\\Start Menu\\Programs\\启动\\桌面日历.lnk"));
         }},
        {"the 隐私 switch of the address bar",
         [](ImageRoad& d) {
             EXPECT_EQ(ClickPolicySwitch(*d.m, kAddressBarSwitch, "禁用地址栏直接输入"),
                       "启用地址栏直接输入");
         }},
        {"a JPEG wallpaper becomes dest.bmp",
         [](ImageRoad& d) {
             TextTable t = EmptyWallpaperTable();
             AddPictureFolder(*d.m, t, "C:\\My Documents");
             int row = -1;
             for (int r = 1; r < t.rowCount(); ++r)
                 if (w98::equalsNoCase(t.cell(wallpaper_col::kPath, r), "C:\\My Documents\\sea.jpg"))
                     row = r;
             ASSERT_GT(row, 0);
             EXPECT_EQ(ApplyWallpaper(*d.m, t, row, "C:\\WINDOWS"), "C:\\WINDOWS\\dest.bmp");
             EXPECT_EQ(ReadRegStr(*d.m, w98::kHkeyCurrentUser, kDesktopKey, "Wallpaper"),
                       "C:\\WINDOWS\\dest.bmp");
         }},
    };
    return steps;
}

// What qemu-img says of a container: its format and virtual size, and whether it is sound.
std::string containerInfo(const fs::path& disk) {
    const std::string info = test::runTool({"qemu-img", "info", "-U", "--output=json", disk.string()}).output;
    std::string out;
    for (const char* key : {"\"format\"", "\"virtual-size\""})
        if (const auto at = info.find(key); at != std::string::npos)
            out += info.substr(at, info.find_first_of(",\n", at) - at) + " ";
    return out;
}

// The identity a virtual PC knows a container by: a VDI's creation UUID, a VHD's unique id.
std::string containerIdentity(const fs::path& disk) {
    const std::string bytes = test::readBytes(disk);
    if (disk.extension() == ".vdi")
        return bytes.substr(0x188, 16);
    if (disk.extension() == ".vpc")
        return bytes.substr(bytes.size() - 512 + 68, 16);
    return "";
}

} // namespace

TEST(DiskImageRoad, EveryStepLeavesAnImageThatOutsideToolsReadAsTheMachineFolder) {
    struct Disk {
        FatKind kind;
        bool partitioned, byMtools, formattedHere;
        const char* container = "";
    };
    // Disks with a partition table, as a virtual PC has, formatted by mkfs.fat and by the
    // program, a bare volume, and a disk whose files another system wrote; the same in each
    // virtual PC's container and behind a block device, worked on in place.
    std::vector<Disk> disks = {
        Disk{FatKind::Fat16, true, false, false}, Disk{FatKind::Fat32, true, false, false},
        Disk{FatKind::Fat32, true, false, true}, Disk{FatKind::Fat16, false, false, true},
        Disk{FatKind::Fat32, true, true, false}};
    for (const char* container :
         {"vdi", "vpc", "vpc subformat=fixed", "vmdk", "vmdk subformat=monolithicFlat", "qcow2", "vhdx"})
        disks.push_back(Disk{FatKind::Fat32, true, false, false, container});
    if (::geteuid() == 0 && test::runTool({"losetup", "-f"}).exitCode == 0)
        disks.push_back(Disk{FatKind::Fat16, true, false, false, "device"});
    for (const Disk& disk : disks) {
        const std::string kind = std::string(kindName(disk.kind)) +
                                 (disk.partitioned ? "" : " without partition table") +
                                 (disk.byMtools ? " filled by mtools" : "") +
                                 (disk.formattedHere ? " formatted here" : "") + " " + disk.container;
        ImageRoad d(disk.kind, disk.partitioned, disk.byMtools, disk.formattedHere);
        if (*disk.container)
            d.reopenAs(disk.container);
        const std::string before = containerInfo(d.disk), identity = containerIdentity(d.disk);
        for (const Step& step : roadSteps()) {
            SCOPED_TRACE(kind + ": " + step.name);
            step.run(d);
            if (::testing::Test::HasFatalFailure())
                return;
            d.m->commit();
            expectImageHoldsFolder(d.rawView(), d.m->root() / "drive_c", d.folder / "copied-out");
        }
        // Another computer's program, reading the image into a folder of its own, finds what
        // the steps left.
        const ScopedCache elsewhere(d.folder / "other-cache");
        w98::Machine other(d.rawView());
        ASSERT_NE(other.root(), d.m->root());
        EXPECT_EQ(ReadRegStr(other, HKLM, "Software\\Korvane Test", "State"), "rebuilt") << kind;
        EXPECT_EQ(RefreshPolicySwitch(other, kAddressBarSwitch), "启用地址栏直接输入");
        EXPECT_EQ(ReadRegStr(other, w98::kHkeyCurrentUser, kDesktopKey, "Wallpaper"),
                  "C:\\WINDOWS\\dest.bmp");
        EXPECT_EQ(other.readFile("C:\\WINDOWS\\dest.bmp"), d.m->readFile("C:\\WINDOWS\\dest.bmp"));
        EXPECT_FALSE(other.exists("C:\\WINDOWS\\Start Menu\\Programs\\启动\\桌面日历.lnk"));
        // The container stays the medium its virtual PC knows, sound, and free once the program ends.
        d.system.reset();
        d.m.reset();
        if (d.disk != d.image && d.loop.empty()) {
            EXPECT_EQ(containerInfo(d.disk), before) << kind;
            EXPECT_EQ(containerIdentity(d.disk), identity) << kind;
            const test::ToolResult check = test::runTool({"qemu-img", "check", d.disk.string()});
            EXPECT_TRUE(check.exitCode == 0 ||
                        check.output.find("does not support checks") != std::string::npos)
                << kind << check.output;
        }
    }
}

namespace {

// Every file of the volume by path, as mtools copies it out.
std::map<std::string, std::string> filesOf(const fs::path& image, const fs::path& scratch) {
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    const test::ToolResult r =
        test::runTool({"mcopy", "-s", "-n", "-i", test::mtoolsVolume(image), "::/*", scratch.string() + "/"},
                      {{"MTOOLSRC", "/dev/null"}, {"MTOOLS_SKIP_CHECK", "1"}, {"LC_ALL", "C.UTF-8"}});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(scratch))
        if (e.is_regular_file())
            files[fs::relative(e.path(), scratch).string()] = test::readBytes(e.path());
    return files;
}

} // namespace

// A power cut (or the program killed) after any of an action's sector writes, the virtual PC
// started next: the disk needs at most what ScanDisk mends without loss, and every file is
// wholly old or wholly new.
TEST(DiskImageRoad, APowerCutAtAnyWriteLeavesWhatScanDiskMendsAndEachFileOldOrNew) {
    const std::vector<std::pair<std::string, std::function<void(ImageRoad&)>>> actions = {
        {"a restore click", roadSteps()[1].run},
        {"a restore made at once",
         [](ImageRoad& d) {
             TextTable t = d.restoreTable();
             restoreAtOnce(*d.system, d.paths, RestorePointAt(t, restoreRowOf(t, "my backup 1.cab")), true);
         }},
        {"a registry import",
         [](ImageRoad& d) {
             d.m->registry().importText(
                 "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Korvane Test]\r\n\"Imported\"=\"" +
                     std::string(5000, 'i') + "\"\r\n",
                 "C:\\X.REG");
         }},
        {"a wallpaper", roadSteps().back().run},
        {"a restore point made now",
         [](ImageRoad& d) { ASSERT_TRUE(CreateRestorePointNow(*d.m, "C:\\WINDOWS")); }},
    };
    for (const FatKind kind : {FatKind::Fat16, FatKind::Fat32}) {
        ImageRoad d(kind);
        for (const auto& [name, run] : actions) {
            SCOPED_TRACE(std::string(kindName(kind)) + ": " + name);
            const std::string before = test::readBytes(d.image);
            const auto oldFiles = filesOf(d.image, d.folder / "out");
            std::vector<w98::disk::ImageWrite> writes;
            w98::disk::setImageWriteObserver([&writes](const std::vector<w98::disk::ImageWrite>& w) {
                writes.insert(writes.end(), w.begin(), w.end());
            });
            run(d);
            d.m->commit();
            w98::disk::setImageWriteObserver({});
            const auto newFiles = filesOf(d.image, d.folder / "out");
            ASSERT_GT(writes.size(), 3u);
            const auto expectSound = [&](const std::vector<bool>& landed, const std::string& where) {
                std::string bytes = before;
                for (std::size_t i = 0; i < writes.size(); ++i)
                    if (landed[i])
                        bytes.replace(writes[i].offset, writes[i].bytes.size(), writes[i].bytes);
                const fs::path copy = d.folder / "cut.img";
                std::ofstream(copy, std::ios::binary | std::ios::trunc) << bytes;
                EXPECT_EQ(test::unmendable(test::fsckFatProblems(copy)), "") << where;
                auto files = filesOf(copy, d.folder / "cut");
                for (const auto& [path, content] : oldFiles) {
                    if (newFiles.contains(path)) {
                        EXPECT_TRUE(files.contains(path)) << path << " is gone " << where;
                    }
                }
                for (const auto& [path, content] : files)
                    EXPECT_TRUE((oldFiles.contains(path) && oldFiles.at(path) == content) ||
                                (newFiles.contains(path) && newFiles.at(path) == content))
                        << path << " is neither old nor new " << where;
            };
            // The writes in the order they were given, cut anywhere.
            for (std::size_t cut = 1; cut < writes.size(); ++cut) {
                std::vector<bool> landed(writes.size(), false);
                std::fill(landed.begin(), landed.begin() + static_cast<std::ptrdiff_t>(cut), true);
                expectSound(landed, "after " + std::to_string(cut) + " of " + std::to_string(writes.size()) +
                                        " writes");
            }
            // A disk may reorder what it was given since the last flush: every write before the
            // last barrier, and of those after it only one, or all but one. A barrier missing
            // between two writes that must not pass each other fails here.
            std::size_t epochStart = 0;
            for (std::size_t end = 0; end < writes.size(); ++end) {
                if (!writes[end].barrier && end + 1 < writes.size())
                    continue;
                const std::size_t epochSize = end + 1 - epochStart;
                for (std::size_t odd = epochStart; epochSize > 1 && odd <= end; ++odd)
                    for (const bool alone : {true, false}) {
                        std::vector<bool> landed(writes.size(), false);
                        for (std::size_t i = 0; i <= end; ++i)
                            landed[i] = i < epochStart || (i == odd) == alone;
                        expectSound(landed, std::string(alone ? "only write " : "all but write ") +
                                                std::to_string(odd) + " of writes " +
                                                std::to_string(epochStart) + ".." + std::to_string(end) +
                                                " after a flush");
                    }
                epochStart = end + 1;
            }
        }
    }
}

namespace {

// Every file and folder of the volume by its path in capitals, with its attributes and bytes,
// but what the job leaves of itself, which a restore made at once never writes (its hand-over
// folder, clean-up and record), and the bytes of the registry checker's cabinets, which hold
// the time they were made.
std::map<std::string, std::string> volumeByPath(const fs::path& image, const fs::path& scratch) {
    std::map<std::string, std::string> out;
    const std::map<std::string, std::string> bytes = filesOf(image, scratch);
    for (const FatListedEntry& e : test::mtoolsListing(image)) {
        std::string key = e.path, rel = e.path;
        std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::toupper(c); });
        std::replace(rel.begin(), rel.end(), '\\', '/');
        if (key.starts_with("WINDOWS\\TEMP\\RESTORE1") || key == "WINDOWS\\DOSTOWIN.BAT" ||
            key == "WINDOWS\\KORVANE.RST")
            continue;
        const bool timed = key.starts_with("WINDOWS\\SYSBCKUP\\") && key.ends_with(".CAB");
        out[key] = std::to_string(e.attributes) + ":" + (timed || !bytes.contains(rel) ? "" : bytes.at(rel));
    }
    return out;
}

} // namespace

// A restore made into a switched-off disk leaves what the armed job leaves after a start.
TEST(DiskImageRoad, ARestoreIntoTheDiskLeavesWhatTheJobLeavesAfterAStart) {
    for (const FatKind kind : {FatKind::Fat16, FatKind::Fat32})
        for (const auto& [folder, file] :
             {std::pair{kSysbckup, std::string(ImageRoad::kChinesePoint)},
              std::pair{std::string("C:\\WINDOWS"), std::string("system.da0")}}) {
            SCOPED_TRACE(std::string(kindName(kind)) + " " + file);
            ImageRoad job(kind);
            // An earlier arming that never ran left MSDOS.SYS saved as Msdos.bei: the clean-up puts
            // it back where the point does not bring its own.
            job.m->setAttributes("C:\\MSDOS.SYS", w98::attr::kArchive);
            job.m->moveFile("C:\\MSDOS.SYS", "C:\\Msdos.bei");
            job.m->commit();
            const fs::path copy = job.folder / "offline.img";
            fs::copy_file(job.image, copy);
            TextTable t = job.restoreTable();
            test::RestoreRow(*job.system, job.paths, t, restoreRowOf(t, file, folder));
            job.m->commit();
            ASSERT_EQ(runW98OnImage(job.image, {"boot"}), 0);
            {
                const ScopedCache elsewhere(job.folder / "offline-cache");
                w98::Machine m(copy);
                System system{m, job.clock, job.shell, job.power};
                const RestorePoint point = RestorePointAt(t, restoreRowOf(t, file, folder));
                const OfflineRestore done =
                    restoreAtOnce(system, job.paths, point, test::newestIsToday(system, t));
                EXPECT_EQ(done.outcome.message,
                          "系统还原已经完成：系统已还原到 " + point.shownDate + " 的还原点。" +
                              "\n还原前的系统已保存在列表中附加说明为“系统还原前的备份”的还原点里，"
                              "点击那一行即可撤销这次还原。");
                EXPECT_FALSE(m.exists("C:\\dosrun.bat")); // nothing armed
                m.commit();
            }
            EXPECT_EQ(test::fsckFatProblems(copy), "");
            ASSERT_EQ(runW98OnImage(copy, {"boot"}), 0);
            EXPECT_EQ(volumeByPath(copy, job.folder / "b"), volumeByPath(job.image, job.folder / "a"));
        }
}

// A Windows that cannot start: IO.SYS and MSDOS.SYS zeroed, the registry cut in half. One
// restore from a cabinet puts back every file the point holds.
TEST(DiskImageRoad, ADiskThatNoLongerStartsIsRestoredFromACabinetAtOnce) {
    ImageRoad d(FatKind::Fat32);
    for (const char* f : {"C:\\IO.SYS", "C:\\MSDOS.SYS", "C:\\WINDOWS\\SYSTEM.DAT"}) {
        d.m->setAttributes(f, w98::attr::kArchive);
        const std::size_t size = static_cast<std::size_t>(d.m->fileSize(f));
        d.m->writeFile(f, f[3] == 'W' ? d.m->readFile(f).substr(0, size / 2) : std::string(size, '\0'));
    }
    d.m->commit();
    d.system.reset();
    d.m.reset();
    const ScopedCache fresh(d.folder / "fresh-cache");
    w98::Machine m(d.image);
    EXPECT_EQ(m.windowsFolderNotNamed(), "none");
    System system{m, d.clock, d.shell, d.power};
    TextTable t;
    FillRestoreTable(t, ScanAllRestorePoints(m, "C:\\WINDOWS", kSysbckup), m, 2026);
    EXPECT_TRUE(
        restoreAtOnce(system, d.paths, RestorePointAt(t, restoreRowOf(t, ImageRoad::kChinesePoint)), true)
            .outcome.restored);
    m.commit();
    const auto cabinet = w98::readCabinet(m.readFile(kSysbckup + "\\" + ImageRoad::kChinesePoint), "point");
    EXPECT_EQ(cabinet.size(), 14u);
    for (const w98::CabEntry& e : cabinet) {
        const std::string name = w98::foldAscii(e.name);
        const bool inRoot = name.ends_with(".sys") || name == "autoexec.bat" || name == "command.com";
        EXPECT_EQ(m.readFile((inRoot ? "C:\\" : "C:\\WINDOWS\\") + e.name), e.data) << e.name;
    }
    EXPECT_EQ(ReadRegStr(m, HKLM, "Software\\Korvane Test", "State"), ImageRoad::kChinesePoint);
    EXPECT_EQ(test::fsckFatProblems(d.image), "");
}

namespace {

// The image file's bytes, kept to see that nothing was written.
struct ImageBytes {
    std::string bytes;
    explicit ImageBytes(const fs::path& image) : bytes(test::readBytes(image)) {}
    bool sameAs(const fs::path& image) const {
        std::error_code ec;
        return fs::file_size(image, ec) == bytes.size() && !ec && test::readBytes(image) == bytes;
    }
};

// A refusal names the image and says, in Chinese, what is wrong with it.
void expectRefusal(const std::string& message, const fs::path& image, const std::string& what) {
    EXPECT_NE(message.find(image.string()), std::string::npos) << message;
    EXPECT_NE(message.find(what), std::string::npos) << message;
}

// The same refusal from the program's own open and from w98, the image keeping every byte.
void expectOpenRefused(const fs::path& image, const std::string& what) {
    const ImageBytes before(image);
    try {
        w98::Machine m(image);
        ADD_FAILURE() << image << " was opened";
    } catch (const w98::Error& e) {
        expectRefusal(e.what(), image, what);
    }
    const test::ToolResult r =
        test::runTool({w98::w98Executable().string(), "boot"}, {{"WIN98_MACHINE", image.string()}});
    EXPECT_EQ(r.exitCode, 1);
    expectRefusal(r.output, image, what);
    EXPECT_TRUE(before.sameAs(image)) << image << " changed";
}

std::uint32_t le(const std::string& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

// The volume's layout read from its boot sector, and its FAT entries read and written in place.
class FatOnDisk {
  public:
    explicit FatOnDisk(const fs::path& image) : image_(image), volume_(test::fatVolumeOffset(image)) {
        const std::string boot = read(volume_, 512);
        sectorBytes_ = le(boot, 11, 2);
        clusterBytes_ = sectorBytes_ * le(boot, 13, 1);
        const std::uint32_t reserved = le(boot, 14, 2), fats = le(boot, 16, 1), rootEntries = le(boot, 17, 2);
        const std::uint32_t total = le(boot, 19, 2) ? le(boot, 19, 2) : le(boot, 32, 4);
        fat32_ = le(boot, 22, 2) == 0;
        fatSectors_ = fat32_ ? le(boot, 36, 4) : le(boot, 22, 2);
        fatStart_ = volume_ + std::uint64_t{reserved} * sectorBytes_;
        rootStart_ = fatStart_ + std::uint64_t{fats} * fatSectors_ * sectorBytes_;
        dataStart_ = rootStart_ + (rootEntries * 32 + sectorBytes_ - 1) / sectorBytes_ * sectorBytes_;
        clusterCount_ = static_cast<std::uint32_t>(
            (std::uint64_t{total} * sectorBytes_ - (dataStart_ - volume_)) / clusterBytes_);
        if (fat32_)
            rootStart_ = dataStart_ + std::uint64_t{le(boot, 44, 4) - 2} * clusterBytes_;
    }
    std::uint32_t clusterCount() const { return clusterCount_; }
    std::uint32_t entry(std::uint32_t cluster) const {
        return le(read(entryOffset(0, cluster), fat32_ ? 4 : 2), 0, fat32_ ? 4 : 2) & 0x0FFFFFFF;
    }
    void setEntry(int copy, std::uint32_t cluster, std::uint32_t value) {
        std::string b(fat32_ ? 4 : 2, '\0');
        for (std::size_t i = 0; i < b.size(); ++i)
            b[i] = static_cast<char>(value >> (8 * i));
        std::fstream f(image_, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(entryOffset(copy, cluster)));
        f.write(b.data(), static_cast<std::streamsize>(b.size()));
    }
    bool endOfChain(std::uint32_t value) const { return value >= (fat32_ ? 0x0FFFFFF8u : 0xFFF8u); }
    // The first cluster of a file by its stored 8.3 name ("A       TXT"), in the root folder or
    // in the folder at cluster folder.
    std::uint32_t firstCluster(const std::string& name11, std::uint32_t folder = 0) const {
        const std::string dir = read(folder ? clusterOffset(folder) : rootStart_, 16 * 32);
        for (std::size_t at = 0; at < dir.size(); at += 32)
            if (dir.compare(at, 11, name11) == 0)
                return le(dir, at + 20, 2) << 16 | le(dir, at + 26, 2);
        throw std::runtime_error(name11 + " is not in the folder of " + image_.string());
    }
    // An entry of the folder at cluster folder made to start at first, as a FAT editor may.
    void setFirstCluster(const std::string& name11, std::uint32_t folder, std::uint32_t first) {
        const std::string dir = read(clusterOffset(folder), 16 * 32);
        std::size_t at = 0;
        while (dir.compare(at, 11, name11) != 0)
            at += 32;
        std::fstream f(image_, std::ios::in | std::ios::out | std::ios::binary);
        for (const auto& [field, half] : {std::pair{20u, first >> 16}, std::pair{26u, first & 0xFFFF}}) {
            const char b[2] = {static_cast<char>(half), static_cast<char>(half >> 8)};
            f.seekp(static_cast<std::streamoff>(clusterOffset(folder) + at + field));
            f.write(b, 2);
        }
    }
    void setSize(const std::string& name11, std::uint32_t size) {
        const std::string dir = read(rootStart_, 16 * 32);
        for (std::size_t at = 0; at < dir.size(); at += 32)
            if (dir.compare(at, 11, name11) == 0) {
                std::string b(4, '\0');
                for (std::size_t i = 0; i < 4; ++i)
                    b[i] = static_cast<char>(size >> (8 * i));
                std::fstream f(image_, std::ios::in | std::ios::out | std::ios::binary);
                f.seekp(static_cast<std::streamoff>(rootStart_ + at + 28));
                f.write(b.data(), 4);
                return;
            }
        throw std::runtime_error(name11 + " is not in the root folder of " + image_.string());
    }
    // A cluster's bytes overwritten with zeros, as a folder that reads as nothing.
    void zeroCluster(std::uint32_t cluster) {
        const std::string zeros(clusterBytes_, '\0');
        std::fstream f(image_, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(clusterOffset(cluster)));
        f.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    }
    // A folder entry (attribute 10h) put into the first free slot of the folder named name11 in
    // the folder at cluster parent, starting at cluster first.
    void addFolderEntry(std::uint32_t parent, const std::string& name11, const std::string& entry11,
                        std::uint32_t first) {
        const std::string dir = read(clusterOffset(parent), clusterBytes_);
        std::uint32_t folder = 0;
        for (std::size_t at = 0; at < dir.size(); at += 32)
            if (dir.compare(at, 11, name11) == 0)
                folder = le(dir, at + 20, 2) << 16 | le(dir, at + 26, 2);
        if (folder == 0)
            throw std::runtime_error(name11 + " is not in the folder at cluster " + std::to_string(parent));
        const std::string slots = read(clusterOffset(folder), clusterBytes_);
        std::size_t at = 0;
        while (at < slots.size() && slots[at] != '\0')
            at += 32;
        std::string e(32, '\0');
        e.replace(0, 11, entry11);
        e[11] = 0x10;
        e[20] = static_cast<char>(first >> 16);
        e[21] = static_cast<char>(first >> 24);
        e[26] = static_cast<char>(first);
        e[27] = static_cast<char>(first >> 8);
        std::fstream f(image_, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(clusterOffset(folder) + at));
        f.write(e.data(), 32);
    }
    std::uint32_t lastCluster(std::uint32_t first) const {
        while (!endOfChain(entry(first)))
            first = entry(first);
        return first;
    }

  private:
    std::uint64_t clusterOffset(std::uint32_t cluster) const {
        return dataStart_ + std::uint64_t{cluster - 2} * clusterBytes_;
    }
    std::uint64_t entryOffset(int copy, std::uint32_t cluster) const {
        return fatStart_ + std::uint64_t(copy) * fatSectors_ * sectorBytes_ +
               std::uint64_t{cluster} * (fat32_ ? 4 : 2);
    }
    std::string read(std::uint64_t offset, std::size_t size) const {
        std::ifstream f(image_, std::ios::binary);
        f.seekg(static_cast<std::streamoff>(offset));
        std::string b(size, '\0');
        f.read(b.data(), static_cast<std::streamsize>(size));
        return b;
    }

    fs::path image_;
    std::uint64_t volume_;
    std::uint32_t sectorBytes_ = 512, clusterBytes_ = 0, fatSectors_ = 0, clusterCount_ = 0;
    std::uint64_t fatStart_ = 0, rootStart_ = 0, dataStart_ = 0;
    bool fat32_ = false;
};

} // namespace

TEST(DiskImageRefused, AnImageThatIsNoFatDiskIsNamedAndKeepsEveryByte) {
    const fs::path folder = test::makeTempFolder("korvane-image-nofat");
    const ScopedCache cache(folder / "cache");

    const fs::path noise = folder / "noise.img";
    {
        std::mt19937 random(24);
        std::string bytes(1 << 20, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        w98::replaceHostFile(noise, bytes, noise.string());
    }
    expectOpenRefused(noise, "不是 FAT 磁盘");

    // A partition table whose only partition is a Linux one, a FAT volume inside it or not.
    const fs::path linux = folder / "linux.img";
    test::makeFatImage(linux, FatKind::Fat16, 16, true);
    {
        std::fstream f(linux, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(0x1BE + 4);
        f.put('\x83');
    }
    expectOpenRefused(linux, "不是 FAT 磁盘");
    // A GUID partition table behind its protective MBR entry.
    {
        std::fstream f(linux, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(0x1BE + 4);
        f.put('\xEE');
    }
    expectOpenRefused(linux, "用的是 GPT 分区表：Windows 98 只认 MBR 分区表");

    const fs::path empty = folder / "empty.img";
    w98::replaceHostFile(empty, "", empty.string());
    expectOpenRefused(empty, "不是 FAT 磁盘");

    // Cut short, as a copy that did not finish: what is written past its end would be lost.
    const fs::path cut = folder / "cut.img";
    test::makeFatImage(cut, FatKind::Fat32, 40, true);
    fs::resize_file(cut, 20u << 20);
    expectOpenRefused(cut, "无法使用");

    const fs::path floppy = folder / "floppy.img";
    const test::ToolResult made = test::runTool({"mkfs.fat", "-F", "12", "-C", floppy.string(), "1440"});
    ASSERT_EQ(made.exitCode, 0) << made.output;
    expectOpenRefused(floppy, "FAT12");
    fs::remove_all(folder);
}

TEST(DiskImageRefused, ADamagedFatIsNamedAndNothingIsWrittenByAnOpenMachineNorANewOne) {
    struct Damage {
        const char* name;
        void (*apply)(FatOnDisk& fat);
        // Where the open program's change goes; a damaged folder is seen when it is read (the
        // open program, finding the disk changed, writes nothing and reads it afresh).
        const char* written = "C:\\NEW.TXT";
        bool seenAtOpening = true;
        const char* commitSays = "无法使用";
        // Not seen at opening: the folder whose listing, by a program that read nothing else of
        // the disk, refuses it, and what it says.
        const char* listed = "";
        const char* listSays = "";
        // Listed before by another program, which finds nothing wrong there.
        const char* listedBefore = "";
    };
    const Damage damages[] = {
        {"the two FAT copies differ",
         [](FatOnDisk& fat) { fat.setEntry(1, fat.clusterCount(), 0x0FFFFFFF); }},
        {"a chain points outside the volume",
         [](FatOnDisk& fat) {
             for (int copy : {0, 1})
                 fat.setEntry(copy, fat.firstCluster("A       TXT"), fat.clusterCount() + 9);
         }},
        {"two files share a cluster",
         [](FatOnDisk& fat) {
             const std::uint32_t last = fat.lastCluster(fat.firstCluster("A       TXT"));
             for (int copy : {0, 1})
                 fat.setEntry(copy, last, fat.firstCluster("B       TXT"));
         }},
        {"a chain runs in a circle",
         [](FatOnDisk& fat) {
             const std::uint32_t first = fat.firstCluster("A       TXT"), last = fat.lastCluster(first);
             for (int copy : {0, 1})
                 fat.setEntry(copy, last, first);
         }},
        {"a chain runs into a free cluster",
         [](FatOnDisk& fat) {
             for (int copy : {0, 1})
                 fat.setEntry(copy, fat.firstCluster("A       TXT"), fat.clusterCount());
         }},
        {"a file is longer than its chain", [](FatOnDisk& fat) { fat.setSize("A       TXT", 50000); }},
        {"a folder reads as zeros, without \".\" and \"..\"",
         [](FatOnDisk& fat) { fat.zeroCluster(fat.firstCluster("DIR        ")); }, "C:\\DIR\\NEW.TXT", false,
         "被别的程序改过", "C:\\DIR", "开头没有 \".\" 和 \"..\" 两项"},
        {"a folder holds one that points back at the folder above it",
         [](FatOnDisk& fat) {
             fat.addFolderEntry(fat.firstCluster("DIR        "), "SUB        ", "LOOP       ",
                                fat.firstCluster("DIR        "));
         },
         "C:\\DIR\\NEW.TXT", false, "被别的程序改过", "C:\\DIR\\SUB", "指回了它上层的文件夹", "C:\\DIR"},
    };
    for (const FatKind kind : {FatKind::Fat16, FatKind::Fat32}) {
        for (const Damage& damage : damages) {
            SCOPED_TRACE(std::string(kindName(kind)) + ": " + damage.name);
            const fs::path folder = test::makeTempFolder("korvane-image-damaged");
            const ScopedCache cache(folder / "cache");
            const fs::path image = folder / "c.img";
            test::makeFatImage(image, kind, megabytesFor(kind), true);
            fs::create_directories(folder / "files");
            w98::replaceHostFile(folder / "files" / "A.TXT", std::string(5000, 'a'), "A.TXT");
            w98::replaceHostFile(folder / "files" / "B.TXT", std::string(3000, 'b'), "B.TXT");
            fs::create_directories(folder / "files" / "DIR" / "SUB");
            test::copyTreeIntoImage(image, folder / "files");
            ASSERT_EQ(test::fsckFatProblems(image), "");

            // A program has the image open with a change not yet put into it.
            w98::Machine open(image);
            open.writeFile(damage.written, "new");
            FatOnDisk fat(image);
            damage.apply(fat);
            ASSERT_NE(test::fsckFatProblems(image), "") << "the damage is no damage";
            const ImageBytes damaged(image);
            try {
                open.commit();
                ADD_FAILURE() << "committed into a damaged image";
            } catch (const w98::Error& e) {
                expectRefusal(e.what(), image, damage.commitSays);
            }
            EXPECT_TRUE(damaged.sameAs(image));
            if (damage.seenAtOpening) {
                expectOpenRefused(image, "无法使用");
            } else {
                if (*damage.listedBefore) {
                    EXPECT_EQ(w98::Machine(image).list(damage.listedBefore, "*.*").size(), 1u);
                }
                try {
                    w98::Machine(image).list(damage.listed, "*.*");
                    ADD_FAILURE() << "listed a damaged folder";
                } catch (const w98::Error& e) {
                    expectRefusal(e.what(), image, damage.listSays);
                }
                EXPECT_TRUE(damaged.sameAs(image));
            }
            fs::remove_all(folder);
        }
    }
}

// Two entries in different folders start at one cluster, and two programs read one folder
// each: the second refuses to free or replace the shared chain, and the disk keeps every byte.
TEST(DiskImageRefused, AChainTwoEntriesShareIsNeitherFreedNorReplacedByProgramsReadingOneEach) {
    for (const FatKind kind : {FatKind::Fat16, FatKind::Fat32}) {
        for (const std::vector<std::string>& write :
             {std::vector<std::string>{"command", "/c", "del", "C:\\TWO\\B.TXT"},
              std::vector<std::string>{"command", "/c", "copy", "/y", "C:\\TWO\\C.TXT", "C:\\TWO\\B.TXT"}}) {
            SCOPED_TRACE(std::string(kindName(kind)) + ": " + write[2]);
            const fs::path folder = test::makeTempFolder("korvane-image-crossed");
            const ScopedCache cache(folder / "cache");
            const fs::path image = folder / "c.img";
            test::makeFatImage(image, kind, megabytesFor(kind), true);
            fs::create_directories(folder / "files" / "ONE");
            fs::create_directories(folder / "files" / "TWO");
            w98::replaceHostFile(folder / "files" / "ONE" / "A.TXT", std::string(5000, 'a'), "A.TXT");
            w98::replaceHostFile(folder / "files" / "TWO" / "B.TXT", std::string(5000, 'b'), "B.TXT");
            w98::replaceHostFile(folder / "files" / "TWO" / "C.TXT", "c", "C.TXT");
            test::copyTreeIntoImage(image, folder / "files");
            FatOnDisk fat(image);
            fat.setFirstCluster("B       TXT", fat.firstCluster("TWO        "),
                                fat.firstCluster("A       TXT", fat.firstCluster("ONE        ")));
            const ImageBytes crossed(image);
            test::ToolResult r;
            for (const std::vector<std::string>& args :
                 {std::vector<std::string>{"attrib", "C:\\ONE\\*.*"}, write}) {
                std::vector<std::string> argv = {w98::w98Executable().string()};
                argv.insert(argv.end(), args.begin(), args.end());
                r = test::runTool(argv, {{"WIN98_MACHINE", image.string()}});
            }
            expectRefusal(r.output, image, "两个文件的起始簇");
            EXPECT_TRUE(crossed.sameAs(image));
            fs::remove_all(folder);
        }
    }
}

namespace {

// mtools fills the disk until 2 KB are left; the machine then opens it again.
void fillDisk(ImageRoad& d) {
    const test::ToolResult dir =
        test::runTool({"mdir", "-i", test::mtoolsVolume(d.image), "::/"},
                      {{"MTOOLSRC", "/dev/null"}, {"MTOOLS_SKIP_CHECK", "1"}, {"LC_ALL", "C.UTF-8"}});
    ASSERT_EQ(dir.exitCode, 0) << dir.output;
    std::string digits;
    const std::size_t freeAt = dir.output.find(" bytes free");
    ASSERT_NE(freeAt, std::string::npos) << dir.output;
    for (std::size_t i = dir.output.rfind('\n', freeAt) + 1; i < freeAt; ++i)
        if (std::isdigit(static_cast<unsigned char>(dir.output[i])))
            digits += dir.output[i];
    const std::uint64_t freeBytes = std::stoull(digits);
    ASSERT_GT(freeBytes, 64u * 1024) << dir.output;
    fs::create_directories(d.folder / "filler");
    { std::ofstream filler(d.folder / "filler" / "FILLER.BIN", std::ios::binary); }
    fs::resize_file(d.folder / "filler" / "FILLER.BIN", freeBytes - 2048);
    test::copyTreeIntoImage(d.image, d.folder / "filler");
    ASSERT_EQ(test::fsckFatProblems(d.image), "");
    d.system.reset();
    d.m = std::make_unique<w98::Machine>(d.image);
    d.system = std::make_unique<System>(System{*d.m, d.clock, d.shell, d.power});
    ASSERT_TRUE(d.m->isFile("C:\\FILLER.BIN"));
}

} // namespace

TEST(DiskImageRefused, AFullDiskTakesNothingOfAStepAndTheFolderShowsWhatTheImageHolds) {
    for (const FatKind kind : {FatKind::Fat16, FatKind::Fat32}) {
        SCOPED_TRACE(kindName(kind));
        ImageRoad d(kind);
        fillDisk(d);
        if (::testing::Test::HasFatalFailure())
            return;

        // A registry backup (about 4 KB) is larger than what is left.
        const ImageBytes before(d.image);
        const std::string cab = w98::backupRegistry(*d.m);
        try {
            d.m->commit();
            ADD_FAILURE() << "committed into a full disk";
        } catch (const w98::Error& e) {
            expectRefusal(e.what(), d.image, "已满");
        }
        EXPECT_TRUE(before.sameAs(d.image));
        EXPECT_FALSE(d.m->exists(cab)) << "the folder shows a backup the image does not hold";
        expectImageHoldsFolder(d.image, d.m->root() / "drive_c", d.folder / "copied-out");

        // The same through w98, which puts its changes into the image as it ends.
        EXPECT_NE(runW98OnImage(d.image, {"scanregw", "/backup"}), 0);
        EXPECT_TRUE(before.sameAs(d.image));
        expectImageHoldsFolder(d.image, d.m->root() / "drive_c", d.folder / "copied-out");
    }
}

// A program killed before its commit leaves its changes in the working folder only: the next
// program, alone on the disk, drops them and says so, and the disk keeps every byte; changes of a
// program still open are its own to commit.
TEST(DiskImageRoad, WhatAKilledProgramDidNotCommitNeverGoesIntoTheDisk) {
    ImageRoad d(FatKind::Fat16);
    d.m->commit();
    d.m.reset();
    const ImageBytes before(d.image);
    const pid_t killed = ::fork();
    if (killed == 0) {
        w98::Machine m(d.image);
        m.writeFile("C:\\HALF.TXT", "half of a step");
        ::raise(SIGKILL);
    }
    ::waitpid(killed, nullptr, 0);
    {
        w98::Machine next(d.image);
        EXPECT_EQ(
            next.interruptedStep(),
            "上次打开磁盘映像 " + d.image.string() +
                " 的程序没有正常结束：它还没写进磁盘的改动没有写进去，磁盘保持它最后一次写入后的样子。");
        EXPECT_FALSE(next.exists("C:\\HALF.TXT"));
        next.commit();
    }
    EXPECT_TRUE(before.sameAs(d.image));

    w98::Machine open(d.image);
    EXPECT_EQ(open.interruptedStep(), "");
    open.writeFile("C:\\LIVE.TXT", "still to be committed");
    {
        w98::Machine second(d.image);
        EXPECT_EQ(second.interruptedStep(), "");
        EXPECT_TRUE(second.exists("C:\\LIVE.TXT"));
    }
    open.commit();
    EXPECT_FALSE(before.sameAs(d.image));
}

// The working folder's own file system full is said as such, by its folder: the disk itself may
// have room to spare, and keeps every byte.
TEST(DiskImageRefused, AWorkingFolderWithoutRoomNamesItsOwnFileSystemNotTheDisk) {
    const fs::path folder = test::makeTempFolder("korvane-image-smallcache");
    const fs::path small = folder / "small";
    fs::create_directories(small);
    if (::geteuid() != 0 ||
        test::runTool({"mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", small.string()}).exitCode != 0)
        GTEST_SKIP() << "no small file system can be mounted here";
    struct Unmount {
        fs::path at;
        ~Unmount() { test::runTool({"umount", "-l", at.string()}); }
    } unmount{small};
    const ScopedCache cache(small);
    const fs::path image = folder / "c.img";
    test::makeFatImage(image, FatKind::Fat16, 32, true);
    const ImageBytes before(image);
    {
        w98::Machine m(image);
        try {
            m.writeFile("C:\\BIG.BIN", std::string(3u << 20, 'x'));
            ADD_FAILURE() << "a file larger than the working folder's room was written";
        } catch (const w98::Error& e) {
            const std::string message = e.what();
            EXPECT_TRUE(message.starts_with("本机上存放磁盘工作文件夹的文件系统已满（" + small.string()))
                << message;
            EXPECT_NE(message.find("C:\\BIG.BIN 没能写进去。满的不是磁盘映像，磁盘映像没有改动"),
                      std::string::npos)
                << message;
        }
    }
    EXPECT_TRUE(before.sameAs(image));
}

// An image the user may only read (here: immutable, which keeps out root too) is known as such
// before anything is changed; a program that would change it says nothing of success.
TEST(DiskImageRefused, AnImageThatMayOnlyBeReadIsKnownSoAndNoProgramClaimsAWrite) {
    ImageRoad d(FatKind::Fat32);
    d.m->commit();
    if (test::runTool({"chattr", "+i", d.image.string()}).exitCode != 0)
        GTEST_SKIP() << "this file system keeps no immutable files";
    struct Mutable {
        fs::path image;
        ~Mutable() { test::runTool({"chattr", "-i", image.string()}); }
    } mutableAgain{d.image};
    const ImageBytes before(d.image);
    EXPECT_FALSE(d.m->canWrite());
    EXPECT_EQ(d.m->readOnlyReason(),
              "磁盘映像 " + d.image.string() + " 是只读文件：可以查看，但任何改动都无法写进去");
    const auto w98 = w98::w98Executable().string();
    const test::ToolResult backup =
        test::runTool({w98, "scanreg", "/backup"}, {{"WIN98_MACHINE", d.image.string()}});
    EXPECT_EQ(backup.exitCode, 1);
    EXPECT_EQ(backup.output, "scanreg: 磁盘映像 " + d.image.string() + " 是只读文件，改动无法写进去\n");
    const test::ToolResult read =
        test::runTool({w98, "attrib", "C:\\IO.SYS"}, {{"WIN98_MACHINE", d.image.string()}});
    EXPECT_EQ(read.exitCode, 0) << read.output;
    EXPECT_TRUE(before.sameAs(d.image));
}

// The pre-restore backup runs as a program of its own; the disk fills when the click's changes
// go into the image, and the message says so, not what a program it started missed.
TEST(DiskImageRefused, ARestoreClickOnAFullDiskSaysTheDiskIsFull) {
    for (const FatKind kind : {FatKind::Fat16, FatKind::Fat32}) {
        SCOPED_TRACE(kindName(kind));
        ImageRoad d(kind);
        fillDisk(d);
        if (::testing::Test::HasFatalFailure())
            return;
        const ImageBytes before(d.image);
        // The click, whose pre-restore backup is a program of its own, or the program's putting
        // it into the image fails; the image keeps what it had.
        TextTable t = d.restoreTable();
        const int row = restoreRowOf(t, ImageRoad::kChinesePoint);
        ASSERT_GT(row, 0);
        std::string message;
        try {
            test::RestoreRow(*d.system, d.paths, t, row);
            d.m->commit();
        } catch (const w98::Error& e) {
            message = e.what();
        }
        expectRefusal(message, d.image, "已满");
        EXPECT_TRUE(before.sameAs(d.image));
        expectImageHoldsFolder(d.image, d.m->root() / "drive_c", d.folder / "copied-out");
    }
}

namespace {

bool exportRunsFor(const fs::path& folder) {
    return test::runTool({"pgrep", "-f", "qemu-storage-daemon.*" + folder.string()}).exitCode == 0 ||
           test::readBytes("/proc/self/mountinfo").find(folder.string()) != std::string::npos;
}

} // namespace

// Containers in use, without their parent, damaged or of a format not supported, and a disk or
// folder mounted by the system, are refused by name and keep every byte; a program killed while
// a container is open leaves nothing running or mounted.
TEST(DiskImageRefused, AContainerInUseDamagedOrWithoutItsParentAndAMountedDiskAreNamed) {
    const fs::path folder = test::makeTempFolder("korvane-image-container");
    const ScopedCache cache(folder / "cache");
    const fs::path raw = folder / "c.img";
    test::makeFatImage(raw, FatKind::Fat16, 16, true);
    fs::create_directories(folder / "tree" / "WINDOWS");
    w98::replaceHostFile(folder / "tree" / "IO.SYS", "io", "IO.SYS");
    w98::replaceHostFile(folder / "tree" / "WINDOWS" / "WIN.COM", "win", "WIN.COM");
    test::copyTreeIntoImage(raw, folder / "tree");
    const auto convert = [&](const char* format, const std::string& name) {
        const fs::path out = folder / name;
        EXPECT_EQ(
            test::runTool({"qemu-img", "convert", "-f", "raw", "-O", format, raw.string(), out.string()})
                .exitCode,
            0);
        return out;
    };
    const auto patch = [](const fs::path& file, std::size_t at, const std::string& bytes) {
        std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(at));
        f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    };

    const fs::path held = convert("qcow2", "held.qcow2");
    const pid_t vm = w98::startQuietly({"qemu-storage-daemon", "--blockdev",
                                        "driver=file,filename=" + held.string() + ",node-name=f",
                                        "--blockdev", "driver=qcow2,file=f,node-name=d"},
                                       {}, true);
    // Held once QEMU's lock shows; asking with qemu-img, which locks too, could keep it out.
    const auto locked = [&held] {
        const int fd = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
        struct flock probe {};
        probe.l_type = F_WRLCK;
        const bool any = ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
        ::close(fd);
        return any;
    };
    for (int i = 0; i < 3000 && !locked() && ::waitpid(vm, nullptr, WNOHANG) == 0; ++i)
        ::usleep(10000);
    const bool took = locked();
    EXPECT_TRUE(took) << "qemu-storage-daemon did not take the disk";
    if (took)
        expectOpenRefused(held, "正被虚拟机使用");
    ::kill(vm, SIGTERM);
    ::waitpid(vm, nullptr, 0);

    const fs::path child = folder / "child.qcow2";
    ASSERT_EQ(test::runTool({"qemu-img", "create", "-q", "-f", "qcow2", "-b", "gone.qcow2", "-F", "qcow2",
                             "-u", child.string(), "16M"})
                  .exitCode,
              0);
    expectOpenRefused(child, "父磁盘 gone.qcow2 找不到");
    const fs::path snapshot = convert("vdi", "snapshot.vdi");
    patch(snapshot, 0x4C, std::string("\x04\0\0\0", 4));
    // A type that says snapshot without the parent a snapshot names is a damaged header.
    expectOpenRefused(snapshot, "是损坏的 VDI 容器：头部的映像类型 4 不对");
    patch(snapshot, 0x1A8, std::string(16, '\x5A')); // the parent's identity
    expectOpenRefused(snapshot, "快照");
    const fs::path unsigned_ = convert("vdi", "unsigned.vdi");
    patch(unsigned_, 0x40, std::string("\x7F\x10\xDA\xBF", 4));
    expectOpenRefused(unsigned_, "是损坏的 VDI 容器：头部的签名不对（应为 BEDA107F，实为 BFDA107F）");
    const fs::path damaged = convert("qcow2", "damaged.qcow2");
    patch(damaged, 40, std::string("\0\0\0\0\0\0\x01\x23", 8)); // the L1 table at an odd offset
    expectOpenRefused(damaged, "容器已损坏");
    const fs::path cut = folder / "cut.vmdk"; // a sparse extent's signature and nothing after it
    w98::replaceHostFile(cut, "KDMV", cut.string());
    expectOpenRefused(cut, "容器已损坏");
    expectOpenRefused(convert("qed", "other.qed"), "格式不受支持");
    // Cut to half its size: a VDI refused by what its header says, before any data is read; a
    // qcow2, whose tables lie before the cut, by QEMU's checker.
    const std::pair<const char*, const char*> cuts[] = {
        {"vdi", "VDI 容器比文件头所说的短"},
        {"qcow2",
         "qcow2 容器已损坏，写进去会损坏更多文件。QEMU 的 qemu-img check 说：ERROR: counting reference "
         "for region exceeding the end of the file"}};
    for (const auto& [format, said] : cuts) {
        const fs::path half = convert(format, std::string("half.") + format);
        const auto size = fs::file_size(half);
        fs::resize_file(half, size / 2);
        expectOpenRefused(half, said);
        if (std::string(format) == "vdi")
            expectOpenRefused(half, "只有 " + std::to_string(size / 2) + " 字节");
    }
    // Two entries of a VDI's block map naming one block: QEMU opens it, and its checker says
    // what is wrong before anything is written through it.
    const fs::path twice = convert("vdi", "twice.vdi");
    {
        const std::string header = test::readBytes(twice).substr(0, 0x200);
        const std::size_t map = le(header, 0x154, 4);
        const std::string first = test::readBytes(twice).substr(map, 4);
        ASSERT_NE(first, std::string("\xff\xff\xff\xff", 4)) << "the first block is not in the file";
        patch(twice, map + 4, first);
    }
    expectOpenRefused(twice, "VDI 容器已损坏，写进去会损坏更多文件。QEMU 的 qemu-img check 说：");
    expectOpenRefused(twice, "also used by");

    // Killed while the container is open: the next opening finds nothing of it left.
    const fs::path vdi = convert("vdi", "c.vdi");
    const pid_t killed = ::fork();
    if (killed == 0) {
        w98::Machine m(vdi);
        ::pause();
        ::_exit(0);
    }
    while (!exportRunsFor(w98::disk::ImageMirror::folderFor(vdi)))
        ::usleep(10000);
    ::kill(killed, SIGKILL);
    ::waitpid(killed, nullptr, 0);
    for (int i = 0; i < 500 && exportRunsFor(w98::disk::ImageMirror::folderFor(vdi)); ++i)
        ::usleep(10000);
    EXPECT_FALSE(exportRunsFor(w98::disk::ImageMirror::folderFor(vdi)));
    EXPECT_EQ(test::runTool({"qemu-img", "check", vdi.string()}).exitCode, 0);

    // A watcher killed, and its starter killed before it recorded the daemon: the daemon runs on
    // and nothing would stop it; with the daemon killed too, a mount nobody serves. The next
    // opening ends what is left, says so, and works.
    for (const bool daemonKilled : {false, true}) {
        SCOPED_TRACE(daemonKilled ? "dead mount" : "stray daemon");
        const fs::path exportFolder = w98::disk::ImageMirror::folderFor(vdi);
        fs::remove(exportFolder / "export.record");
        const pid_t holder = ::fork();
        if (holder == 0) {
            w98::Machine m(vdi);
            ::pause();
            ::_exit(0);
        }
        while (!fs::exists(exportFolder / "export.record"))
            ::usleep(10000);
        pid_t watcher = -1, daemon = -1;
        std::istringstream(test::readBytes(exportFolder / "export.record")) >> watcher >> daemon;
        ASSERT_GT(watcher, 0);
        ASSERT_GT(daemon, 0);
        ::kill(watcher, SIGKILL);
        if (daemonKilled)
            ::kill(daemon, SIGKILL);
        ::kill(holder, SIGKILL);
        ::waitpid(holder, nullptr, 0);
        w98::replaceHostFile(exportFolder / "export.record", "", "export.record");
        const test::ToolResult r = test::runTool({w98::w98Executable().string(), "attrib", "C:\\IO.SYS"},
                                                 {{"WIN98_MACHINE", vdi.string()}});
        EXPECT_EQ(r.exitCode, 0) << r.output;
        if (daemonKilled)
            EXPECT_NE(r.output.find("已卸下磁盘 " + vdi.string() + " 上次被中断时留下的失效挂载 " +
                                    (exportFolder / "disk.raw").string()),
                      std::string::npos)
                << r.output;
        else
            EXPECT_NE(r.output.find("已结束磁盘 " + vdi.string() +
                                    " 上次被中断时留下的 qemu-storage-daemon（进程 " +
                                    std::to_string(daemon) + "）"),
                      std::string::npos)
                << r.output;
        EXPECT_NE(r.output.find("IO.SYS"), std::string::npos) << r.output;
        EXPECT_FALSE(exportRunsFor(exportFolder));
        EXPECT_EQ(test::runTool({"qemu-img", "check", vdi.string()}).exitCode, 0);
        if (::kill(daemon, 0) == 0 && !daemonKilled) { // left by the fault under test: end it here
            ::kill(daemon, SIGKILL);
            test::runTool({"fusermount3", "-u", "-z", (exportFolder / "disk.raw").string()});
        }
    }

    // A user who is not root, as on a desktop: the container opens where FUSE is open to users,
    // else the message names /dev/fuse; nothing is left running either way.
    if (::geteuid() == 0 && test::runTool({"which", "setpriv"}).exitCode == 0) {
        const fs::path home = folder / "user";
        fs::create_directory(home);
        for (const fs::path& p : {folder, home, vdi})
            fs::permissions(p, fs::perms::all, fs::perm_options::add);
        struct stat fuse {};
        const bool fuseOpen = ::stat("/dev/fuse", &fuse) == 0 && (fuse.st_mode & 06) == 06;
        const test::ToolResult r = test::runTool(
            {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "env", "HOME=" + home.string(),
             "XDG_CACHE_HOME=" + home.string(), "WIN98_MACHINE=" + vdi.string(),
             w98::w98Executable().string(), "attrib", "C:\\IO.SYS"});
        if (fuseOpen)
            EXPECT_EQ(r.exitCode, 0) << r.output;
        else
            EXPECT_NE(r.output.find("没有 /dev/fuse 的读写权限"), std::string::npos) << r.output;
        const ScopedCache users(home);
        EXPECT_FALSE(exportRunsFor(w98::disk::ImageMirror::folderFor(vdi)));
    }

    // A block device every program let go of starts a new session at its next opening: what
    // its own PC changed meanwhile is read afresh.
    if (::geteuid() == 0) {
        std::string device = test::runTool({"losetup", "-f", "--show", raw.string()}).output;
        device.erase(device.find_last_not_of("\n") + 1);
        if (device.starts_with("/dev/")) {
            struct Detach {
                std::string device;
                ~Detach() { test::runTool({"losetup", "-d", device}); }
            } detach{device};
            const fs::path session = w98::disk::ImageMirror::folderFor(device) / "disk.session";
            std::string first;
            {
                w98::Machine m(device);
                EXPECT_TRUE(m.isFile("C:\\IO.SYS"));
                first = test::readBytes(session);
            }
            w98::replaceHostFile(folder / "LATER.TXT", "later", "LATER.TXT");
            EXPECT_EQ(
                test::runTool({"mcopy", "-i", device + "@@" + std::to_string(test::fatVolumeOffset(raw)),
                               (folder / "LATER.TXT").string(), "::/LATER.TXT"},
                              {{"MTOOLS_SKIP_CHECK", "1"}, {"MTOOLSRC", "/dev/null"}})
                    .exitCode,
                0);
            {
                w98::Machine m(device);
                EXPECT_NE(test::readBytes(session), first);
                EXPECT_EQ(m.readFile("C:\\LATER.TXT"), "later");
            }
        }
    }

    // A partition mounted by a FUSE file system, and the folder it is mounted at.
    if (::geteuid() == 0 && test::runTool({"which", "fusefat"}).exitCode == 0) {
        std::string partition = test::runTool({"losetup", "-f", "--show", "-o",
                                               std::to_string(test::fatVolumeOffset(raw)), raw.string()})
                                    .output;
        partition.erase(partition.find_last_not_of("\n") + 1);
        const fs::path mounted = folder / "mounted";
        fs::create_directory(mounted);
        test::runTool({"fusefat", "-o", "rw+", partition, mounted.string()});
        for (const fs::path& named : {fs::path(partition), mounted}) {
            try {
                w98::Machine m(named);
                ADD_FAILURE() << named << " was opened while mounted";
            } catch (const w98::Error& e) {
                expectRefusal(e.what(), named,
                              named == mounted ? "C: 盘本身" : "请先卸载 " + mounted.string() + " 再打开");
            }
        }
        EXPECT_FALSE(fs::exists(mounted / "machine.ini"));
        test::runTool({"fusermount3", "-u", mounted.string()});
        test::runTool({"losetup", "-d", partition});
    }
    fs::remove_all(folder);
}
