// Drive C: in a disk image: what the machine writes must be what Windows 98 and outside FAT
// tools read, survive being opened again from nothing, and never leave the image half changed.
#include "base/dos_attributes.h"
#include "base/error.h"
#include "base/host_file.h"
#include "disk/source/disk_source.h"
#include "disk/working/image_journal.h"
#include "disk/working/image_mirror.h"
#include "platform/machine.h"
#include "registry/registry_lock.h"
#include "tests/support/fat_tools.h"
#include "tests/support/temp_machine.h"
#include "tests/support/tool_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
namespace kt = korvane::test;
using kt::FatKind;
using kt::FatListedEntry;

namespace {

class DiskImage : public testing::TestWithParam<FatKind> {
  protected:
    void SetUp() override {
        folder_ = kt::makeTempFolder("korvane-disk-image");
        ::setenv("XDG_CACHE_HOME", (folder_ / "cache").c_str(), 1);
        image_ = folder_ / "disk.img";
        kt::makeFatImage(image_, GetParam(), 64, true);
    }
    void TearDown() override {
        ::unsetenv("XDG_CACHE_HOME");
        fs::remove_all(folder_);
    }
    // Opens the image as a program started afresh on another computer would: no folder kept
    // from before.
    std::unique_ptr<w98::Machine> openAfresh() {
        ::setenv("XDG_CACHE_HOME", (folder_ / ("cache" + std::to_string(++fresh_))).c_str(), 1);
        return std::make_unique<w98::Machine>(image_);
    }
    std::vector<FatListedEntry> listedUnder(const std::string& prefix) const {
        std::vector<FatListedEntry> out;
        for (auto& e : kt::mtoolsListing(image_))
            if (e.path.starts_with(prefix))
                out.push_back(e);
        return out;
    }

    fs::path folder_;
    fs::path image_;
    int fresh_ = 0;
};

TEST_P(DiskImage, NamesAttributesAndTimesAreWhatWindowsAndMtoolsRead) {
    {
        w98::Machine m(image_);
        EXPECT_TRUE(m.isDiskImage());
        m.createDirectories("C:\\WINDOWS\\SYSBCKUP");
        m.createDirectory("C:\\Program Files");
        m.writeFile("C:\\WINDOWS\\SYSBCKUP\\RB000.CAB", "MSCF");
        m.writeFile("C:\\WINDOWS\\SYSBCKUP\\My Backup 2026.cab", "MSCF two");
        m.writeFile("C:\\WINDOWS\\SYSBCKUP\\My Backup 2027.cab", "MSCF three");
        m.writeFile("C:\\WINDOWS\\SYSBCKUP\\元素周期表.exe", "MZ", w98::attr::kReadOnly | w98::attr::kHidden);
        // 13 characters fill one long-name entry with no end mark; 14 need a second.
        m.writeFile("C:\\Program Files\\ABCDEFGHI.TXT", "13");
        m.writeFile("C:\\Program Files\\abcdefghij.txt", "14");
        m.writeFile("C:\\IO.SYS", "io", w98::attr::kReadOnly | w98::attr::kHidden | w98::attr::kSystem);
        m.setLastWriteTime("C:\\IO.SYS", {1999, 5, 5, 22, 22, 2});
        m.commit();
    }
    EXPECT_EQ(kt::fsckFatProblems(image_), "");
    const std::vector<FatListedEntry> expected = {
        {"IO.SYS", "IO.SYS", 0x07, 2},
        {"Program Files", "PROGRA~1", 0x10, 0},
        {"Program Files\\ABCDEFGHI.TXT", "ABCDEF~1.TXT", 0x20, 2},
        {"Program Files\\abcdefghij.txt", "ABCDEF~2.TXT", 0x20, 2},
        {"WINDOWS", "WINDOWS", 0x10, 0},
        {"WINDOWS\\SYSBCKUP", "SYSBCKUP", 0x10, 0},
        {"WINDOWS\\SYSBCKUP\\My Backup 2026.cab", "MYBACK~1.CAB", 0x20, 8},
        {"WINDOWS\\SYSBCKUP\\My Backup 2027.cab", "MYBACK~2.CAB", 0x20, 10},
        {"WINDOWS\\SYSBCKUP\\RB000.CAB", "RB000.CAB", 0x20, 4},
        {"WINDOWS\\SYSBCKUP\\元素周期表.exe", "元素周~1.EXE", 0x03, 2},
    };
    EXPECT_EQ(kt::mtoolsListing(image_), expected);

    auto m = openAfresh();
    EXPECT_EQ(m->readFile("C:\\PROGRA~1\\ABCDEF~2.TXT"), "14");
    EXPECT_EQ(m->shortName("C:\\WINDOWS\\SYSBCKUP\\元素周期表.exe"), "元素周~1.EXE");
    EXPECT_EQ(m->attributes("C:\\WINDOWS\\SYSBCKUP\\元素周期表.exe"), 0x03);
    EXPECT_EQ(m->lastWriteTime("C:\\IO.SYS"), (w98::DateTime{1999, 5, 5, 22, 22, 2}));
    EXPECT_EQ(m->windowsFolder(), "C:\\WINDOWS");
    EXPECT_EQ(m->driveType("D:\\"), w98::DriveType::NoRootDir);
}

TEST_P(DiskImage, FoldersGrowAndShrinkAndTheFreeSpaceComesBack) {
    const auto freeBefore = kt::mtoolsListing(image_).size();
    {
        w98::Machine m(image_);
        m.createDirectories("C:\\WINDOWS\\SYSBCKUP");
        // More entries than one cluster of the folder holds, each with a long name.
        for (int i = 0; i < 300; ++i)
            m.writeFile("C:\\WINDOWS\\SYSBCKUP\\backup number " + std::to_string(i) + ".cab",
                        std::string(3000, 'x'));
        m.commit();
    }
    EXPECT_EQ(kt::fsckFatProblems(image_), "");
    EXPECT_EQ(listedUnder("WINDOWS\\SYSBCKUP\\").size(), 300u);
    {
        // Files looked at and not opened take no block each: what is kept of them fits the inode.
        auto m = openAfresh();
        EXPECT_GE(m->list("C:\\WINDOWS\\SYSBCKUP", "*.*").size(), 300u);
        std::uint64_t bytes = 0;
        for (const auto& e : fs::directory_iterator(w98::disk::ImageMirror::folderFor(image_) / "drive_c" /
                                                    "WINDOWS" / "SYSBCKUP")) {
            struct stat st {};
            bytes += ::lstat(e.path().c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_blocks) * 512 : 0;
        }
        EXPECT_LE(bytes, 300u * 1024);
    }
    {
        w98::Machine m(image_);
        for (int i = 0; i < 300; i += 2)
            m.deleteFile("C:\\WINDOWS\\SYSBCKUP\\backup number " + std::to_string(i) + ".cab");
        m.writeFile("C:\\WINDOWS\\SYSBCKUP\\backup number 1.cab", "shorter");
        m.commit();
    }
    EXPECT_EQ(kt::fsckFatProblems(image_), "");
    const auto left = listedUnder("WINDOWS\\SYSBCKUP\\");
    ASSERT_EQ(left.size(), 150u);
    EXPECT_EQ(left.front(),
              (FatListedEntry{"WINDOWS\\SYSBCKUP\\backup number 1.cab", "BACKUP~2.CAB", 0x20, 7}));
    // A folder whose files were never read moves whole, there and back.
    for (const auto& [from, to] : {std::pair{"C:\\WINDOWS\\SYSBCKUP", "C:\\OLD BACKUPS"},
                                   std::pair{"C:\\OLD BACKUPS", "C:\\WINDOWS\\SYSBCKUP"}}) {
        {
            w98::Machine m(image_);
            m.moveFile(from, to);
            m.commit();
        }
        EXPECT_EQ(kt::fsckFatProblems(image_), "");
        EXPECT_EQ(openAfresh()->readFile(std::string(to) + "\\backup number 3.cab"), std::string(3000, 'x'));
    }
    {
        w98::Machine m(image_);
        for (int i = 1; i < 300; i += 2)
            m.deleteFile("C:\\WINDOWS\\SYSBCKUP\\backup number " + std::to_string(i) + ".cab");
        m.removeDirectory("C:\\WINDOWS\\SYSBCKUP");
        m.removeDirectory("C:\\WINDOWS");
        m.commit();
    }
    EXPECT_EQ(kt::fsckFatProblems(image_), "");
    EXPECT_EQ(kt::mtoolsListing(image_).size(), freeBefore);
}

TEST_P(DiskImage, ChangesMadeOutsideAreSeenAtTheNextOpening) {
    {
        w98::Machine m(image_);
        m.writeFile("C:\\AUTOEXEC.BAT", "@ECHO OFF\r\n");
        m.writeFile("C:\\CONFIG.SYS", "FILES=40\r\n");
        m.commit();
    }
    // The virtual PC ran meanwhile: a file changed, one went, one came.
    const fs::path outside = folder_ / "outside";
    fs::create_directories(outside);
    std::ofstream(outside / "AUTOEXEC.BAT", std::ios::binary) << "@ECHO ON\r\n";
    std::ofstream(outside / "New Notes.txt", std::ios::binary) << "hello";
    // Named like a replacement under way, but the user's own file.
    std::ofstream(outside / ".hello.tmp", std::ios::binary) << "mine";
    kt::copyTreeIntoImage(image_, outside);
    ASSERT_EQ(std::system(("MTOOLS_SKIP_CHECK=1 MTOOLSRC=/dev/null mdel -i '" + kt::mtoolsVolume(image_) +
                           "' ::/CONFIG.SYS")
                              .c_str()),
              0);
    w98::Machine m(image_);
    EXPECT_EQ(m.readFile("C:\\AUTOEXEC.BAT"), "@ECHO ON\r\n");
    EXPECT_EQ(m.readFile("C:\\New Notes.txt"), "hello");
    EXPECT_FALSE(m.exists("C:\\CONFIG.SYS"));
    EXPECT_EQ(m.readFile("C:\\.hello.tmp"), "mine");
    m.writeFile("C:\\AUTOEXEC.BAT", "@ECHO OFF\r\n");
    m.commit();
    const auto listed = kt::mtoolsListing(image_);
    EXPECT_TRUE(std::any_of(listed.begin(), listed.end(),
                            [](const FatListedEntry& e) { return e.path == ".hello.tmp"; }));
}

TEST_P(DiskImage, AChangeTheImageCannotTakeLeavesImageAndFolderAsTheyWere) {
    {
        w98::Machine m(image_);
        m.writeFile("C:\\KEEP.TXT", "kept");
        m.commit();
    }
    const std::string before = kt::readBytes(image_);
    w98::Machine m(image_);
    m.writeFile("C:\\BIG.BIN", std::string(70u << 20, 'b')); // more than the 64 MB disk holds
    m.writeFile("C:\\KEEP.TXT", "changed");
    try {
        m.commit();
        FAIL() << "a full disk was not reported";
    } catch (const w98::Error& e) {
        EXPECT_NE(std::string(e.what()).find(image_.string()), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("已满"), std::string::npos) << e.what();
    }
    EXPECT_EQ(kt::readBytes(image_), before);
    EXPECT_FALSE(m.exists("C:\\BIG.BIN"));
    EXPECT_EQ(m.readFile("C:\\KEEP.TXT"), "kept");

    // Another program changed the image while this one had changes in hand: the image wins.
    m.writeFile("C:\\KEEP.TXT", "mine");
    {
        auto other = openAfresh();
        other->writeFile("C:\\THEIRS.TXT", "theirs");
        other->commit();
    }
    ::setenv("XDG_CACHE_HOME", (folder_ / "cache").c_str(), 1);
    EXPECT_THROW(m.commit(), w98::Error);
    EXPECT_EQ(m.readFile("C:\\KEEP.TXT"), "kept");
    EXPECT_EQ(m.readFile("C:\\THEIRS.TXT"), "theirs");
    EXPECT_EQ(kt::fsckFatProblems(image_), "");
}

TEST_P(DiskImage, AFileAnotherProgramReplacedMeanwhileIsNotReadFromClustersNoLongerItsOwn) {
    {
        w98::Machine m(image_);
        m.writeFile("C:\\A.TXT", std::string(3000, 'a'));
        m.commit();
    }
    ::setenv("XDG_CACHE_HOME", (folder_ / "first").c_str(), 1);
    w98::Machine m(image_);
    EXPECT_EQ(m.fileSize("C:\\A.TXT"), 3000u); // known, its bytes not read yet
    {
        auto other = openAfresh();
        other->deleteFile("C:\\A.TXT");
        other->commit();
        other->writeFile("C:\\B.TXT", std::string(3000, 'b')); // into the clusters A.TXT had
        other->commit();
    }
    ::setenv("XDG_CACHE_HOME", (folder_ / "first").c_str(), 1);
    EXPECT_THROW(m.readFile("C:\\A.TXT"), w98::Error);
}

TEST_P(DiskImage, AJournalLeftByAStoppedWriterIsCompletedOrDropped) {
    {
        w98::Machine m(image_);
        m.writeFile("C:\\A.TXT", "first");
        m.commit();
    }
    const std::string first = kt::readBytes(image_);
    {
        w98::Machine m(image_);
        m.writeFile("C:\\A.TXT", "second, longer than the first");
        m.writeFile("C:\\B.TXT", "new");
        m.commit();
    }
    const std::string second = kt::readBytes(image_);
    // What a writer stopped after its journal and before the image would leave: the sectors that
    // differ, in the journal, and the image as it was.
    std::vector<w98::disk::ImageWrite> writes;
    for (std::size_t at = 0; at < second.size(); at += 512)
        if (second.compare(at, 512, first, at, 512) != 0)
            writes.push_back({at, second.substr(at, 512)});
    ASSERT_FALSE(writes.empty());
    const fs::path journal = w98::disk::ImageMirror::folderFor(image_) / "image.journal";
    const auto stoppedWriter = [&] {
        std::ofstream(image_, std::ios::binary | std::ios::trunc) << first;
        const int fd = ::open(image_.c_str(), O_RDONLY);
        w98::disk::writeJournal(fd, journal, writes);
        ::close(fd);
    };

    stoppedWriter();
    {
        w98::Machine m(image_);
        EXPECT_EQ(kt::readBytes(image_), second);
        EXPECT_EQ(m.readFile("C:\\A.TXT"), "second, longer than the first");
        EXPECT_EQ(m.readFile("C:\\B.TXT"), "new");
    }
    EXPECT_FALSE(fs::exists(journal));

    // A journal cut short was being written when the writer stopped: the image was not touched.
    stoppedWriter();
    const std::string whole = kt::readBytes(journal);
    std::ofstream(journal, std::ios::binary | std::ios::trunc) << whole.substr(0, whole.size() - 3);
    {
        w98::Machine m(image_);
        EXPECT_EQ(kt::readBytes(image_), first);
        EXPECT_EQ(m.readFile("C:\\A.TXT"), "first");
        EXPECT_FALSE(m.exists("C:\\B.TXT"));
    }
    EXPECT_FALSE(fs::exists(journal));

    // A writer that cannot put the journal into the image says where the changes wait.
    const int readOnly = ::open(image_.c_str(), O_RDONLY);
    try {
        w98::disk::writeThroughJournal(readOnly, writes, journal, "disk.img");
        ADD_FAILURE() << "wrote through a read-only descriptor";
    } catch (const w98::Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "磁盘映像 disk.img 没能写完：改动留在日志 " + journal.string() + " 里，下次打开时补写。");
    }
    ::close(readOnly);
    EXPECT_EQ(w98::Machine(image_).readFile("C:\\B.TXT"), "new");
    EXPECT_EQ(kt::fsckFatProblems(image_), "");

    // New data that cannot go in stops the change before its journal is written: nothing would
    // point at what the journal expects there.
    std::vector<w98::disk::ImageWrite> withNewData = writes;
    withNewData.front().fresh = true;
    const int stillReadOnly = ::open(image_.c_str(), O_RDONLY);
    try {
        w98::disk::writeThroughJournal(stillReadOnly, withNewData, journal, "disk.img");
        ADD_FAILURE() << "wrote through a read-only descriptor";
    } catch (const w98::Error& e) {
        EXPECT_EQ(std::string(e.what()), "磁盘映像 disk.img 写不进去（错误号 9），这一步没有写进磁盘");
    }
    ::close(stillReadOnly);
    EXPECT_FALSE(fs::exists(journal));
}

// An attribute alone changing, the archive attribute too, is a change the disk's entry takes.
TEST_P(DiskImage, AnAttributeChangeAloneGoesIntoTheDisk) {
    {
        w98::Machine m(image_);
        m.writeFile("C:\\ARC.TXT", "a");
        m.commit();
    }
    for (const int attributes : {0x00, 0x20, 0x01, 0x21, 0x02, 0x04}) {
        {
            w98::Machine m(image_);
            m.setAttributes("C:\\ARC.TXT", static_cast<std::uint8_t>(attributes));
            m.commit();
        }
        const auto listed = listedUnder("ARC.TXT");
        ASSERT_EQ(listed.size(), 1u);
        EXPECT_EQ(listed[0].attributes, attributes);
    }
}

// The journal of docs/formats.md's example, byte for byte: it names the image's size and the
// hash of what each write replaces.
TEST(DiskJournal, NamesTheImageItWasMadeFor) {
    const fs::path folder = kt::makeTempFolder("korvane-journal");
    const fs::path image = folder / "zeros.img", journal = folder / "image.journal";
    std::ofstream(image, std::ios::binary).close();
    fs::resize_file(image, 0x1000000);
    const int fd = ::open(image.c_str(), O_RDONLY);
    w98::disk::writeJournal(
        fd, journal,
        {{0x10200, std::string("\xf8\xff\xff\xff", 4), true}, {0x10600, std::string("\x03\0", 2)}});
    ::close(fd);
    const unsigned char expected[] = {
        0x4b, 0x56, 0x4a, 0x32, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x01,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0xf5, 0x13,
        0xce, 0x9d, 0x7f, 0x76, 0x25, 0x4d, 0xf8, 0xff, 0xff, 0xff, 0x00, 0x06, 0x01, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xed, 0x6f, 0xeb, 0xb4,
        0x07, 0x88, 0x32, 0x08, 0x03, 0x00, 0x49, 0xd4, 0x82, 0xcf, 0x95, 0xbc, 0x82, 0xb0};
    EXPECT_EQ(kt::readBytes(journal), std::string(reinterpret_cast<const char*>(expected), sizeof expected));
    fs::remove_all(folder);
}

TEST_P(DiskImage, AJournalMadeForTheDiskAsItNoLongerIsIsSetAsideAndTheUserTold) {
    {
        w98::Machine m(image_);
        m.writeFile("C:\\A.TXT", "first");
        m.writeFile("C:\\B.TXT", std::string(5000, 'b'));
        m.commit();
    }
    const std::string before = kt::readBytes(image_);
    {
        w98::Machine m(image_);
        m.writeFile("C:\\C.TXT", "the killed step");
        m.deleteFile("C:\\B.TXT");
        m.commit();
    }
    const std::string after = kt::readBytes(image_);
    std::vector<w98::disk::ImageWrite> writes;
    for (std::size_t at = 0; at < after.size(); at += 512)
        if (after.compare(at, 512, before, at, 512) != 0)
            writes.push_back({at, after.substr(at, 512)});
    ASSERT_FALSE(writes.empty());
    const fs::path journal = w98::disk::ImageMirror::folderFor(image_) / "image.journal";
    const auto killedWrite = [&] {
        std::ofstream(image_, std::ios::binary | std::ios::trunc) << before;
        const int fd = ::open(image_.c_str(), O_RDONLY);
        w98::disk::writeJournal(fd, journal, writes);
        ::close(fd);
    };
    const auto mtools = [&](const std::string& command) {
        return std::system(("MTOOLS_SKIP_CHECK=1 MTOOLSRC=/dev/null " + command).c_str());
    };

    // The virtual PC ran in between: a file of its own, and one deleted.
    killedWrite();
    const fs::path outside = folder_ / "NEW.TXT";
    std::ofstream(outside, std::ios::binary) << std::string(7000, 'n');
    ASSERT_EQ(mtools("mcopy -i '" + kt::mtoolsVolume(image_) + "' '" + outside.string() + "' ::/NEW.TXT"), 0);
    ASSERT_EQ(mtools("mdel -i '" + kt::mtoolsVolume(image_) + "' ::/A.TXT"), 0);
    const std::string changed = kt::readBytes(image_);
    testing::internal::CaptureStderr();
    {
        w98::Machine m(image_);
        EXPECT_EQ(m.readFile("C:\\NEW.TXT"), std::string(7000, 'n'));
        EXPECT_EQ(m.readFile("C:\\B.TXT"), std::string(5000, 'b'));
        EXPECT_FALSE(m.exists("C:\\A.TXT"));
        EXPECT_FALSE(m.exists("C:\\C.TXT"));
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "磁盘映像 " + image_.string() +
                  " 上次被中断的那一步没有完成：之后磁盘已被别的程序（例如虚拟机）改过，那一步的改动没有写入"
                  "磁盘，留在 " +
                  journal.string() + ".set-aside 里。请重做那一步。\n");
    EXPECT_EQ(kt::readBytes(image_), changed);
    EXPECT_FALSE(fs::exists(journal));
    EXPECT_TRUE(fs::exists(journal.string() + ".set-aside"));
    EXPECT_EQ(kt::fsckFatProblems(image_), "");
    fs::remove(outside);
    ASSERT_EQ(mtools("mcopy -n -i '" + kt::mtoolsVolume(image_) + "' ::/NEW.TXT '" + outside.string() + "'"),
              0);
    EXPECT_EQ(kt::readBytes(outside), std::string(7000, 'n'));

    // A journal for another image of the same name (a copy put in its place, of another size).
    killedWrite();
    fs::resize_file(image_, before.size() + 512);
    testing::internal::CaptureStderr();
    w98::Machine(image_).exists("C:\\A.TXT");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("上次被中断的那一步没有完成"), std::string::npos);
    EXPECT_FALSE(fs::exists(journal));

    // Half put in before the kill, nothing else changed: the journal still matches and completes.
    killedWrite();
    {
        std::fstream f(image_, std::ios::in | std::ios::out | std::ios::binary);
        for (std::size_t i = 0; i < writes.size() / 2; ++i) {
            f.seekp(static_cast<std::streamoff>(writes[i].offset));
            f.write(writes[i].bytes.data(), static_cast<std::streamsize>(writes[i].bytes.size()));
        }
    }
    testing::internal::CaptureStderr();
    EXPECT_EQ(w98::Machine(image_).readFile("C:\\C.TXT"), "the killed step");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(kt::readBytes(image_), after);
}

// While a program has the raw image, QEMU refuses it as it refuses a disk another QEMU holds,
// even told to share; qemu-img info, which reads no data, still answers; another program of
// this machine still writes it; once the programs end QEMU takes it.
TEST_P(DiskImage, QemuRefusesARawImageWhileAProgramHasIt) {
    const fs::path copy = folder_ / "copy.img";
    {
        w98::Machine m(image_);
        for (const std::vector<std::string>& command :
             {std::vector<std::string>{"qemu-img", "check", "-f", "raw", image_.string()},
              std::vector<std::string>{"qemu-img", "convert", "-f", "raw", "-O", "raw", image_.string(),
                                       copy.string()}}) {
            const kt::ToolResult r = kt::runTool(command);
            EXPECT_NE(r.exitCode, 0) << command[1];
            EXPECT_NE(r.output.find("Failed to get \"consistent read\" lock"), std::string::npos) << r.output;
        }
        // Told to share, qemu-img still needs a consistent read, which is not given.
        EXPECT_NE(kt::runTool({"qemu-img", "check", "-U", "-f", "raw", image_.string()}).output.find("lock"),
                  std::string::npos);
        EXPECT_EQ(kt::runTool({"qemu-img", "info", "-f", "raw", image_.string()}).exitCode, 0);
        w98::Machine second(image_);
        second.writeFile("C:\\SECOND.TXT", "2");
        second.commit();
    }
    const kt::ToolResult free =
        kt::runTool({"qemu-img", "convert", "-f", "raw", "-O", "raw", image_.string(), copy.string()});
    EXPECT_EQ(free.exitCode, 0) << free.output;
    EXPECT_EQ(openAfresh()->readFile("C:\\SECOND.TXT"), "2");
}

// The working folders of disks nobody opened for a month go when another disk is opened; one
// used since, one with a change not yet in its disk, one a program holds and a folder that is
// no disk's stay.
TEST_P(DiskImage, WorkingFoldersOfDisksUnusedForAMonthGo) {
    const fs::path disks = w98::disk::ImageMirror::folderFor(image_).parent_path();
    const auto make = [&](const std::string& name, int daysAgo, const char* extra) {
        const fs::path f = disks / name;
        fs::create_directories(f / "drive_c");
        std::ofstream(f / "image.source") << (folder_ / (name + ".img")).string() << "\n\n" << name << "\n";
        if (*extra)
            std::ofstream(f / extra) << "x";
        fs::last_write_time(f, fs::file_time_type::clock::now() - std::chrono::hours(24 * daysAgo));
        return f;
    };
    const fs::path old = make("old.img-0000000000000001", 31, "");
    const fs::path recent = make("recent.img-0000000000000002", 29, "");
    const fs::path pending = make("pending.img-0000000000000003", 60, "image.journal");
    const fs::path setAside = make("aside.img-0000000000000004", 60, "image.journal.set-aside");
    const fs::path busy = make("busy.img-0000000000000005", 60, "lazy.lock");
    const fs::path notes = disks / "notes";
    fs::create_directories(notes);
    fs::last_write_time(notes, fs::file_time_type::clock::now() - std::chrono::hours(24 * 90));
    const int holder = ::open((busy / "lazy.lock").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_SH), 0);
    w98::Machine m(image_);
    ::close(holder);
    EXPECT_FALSE(fs::exists(old));
    for (const fs::path& kept : {recent, pending, setAside, busy, notes})
        EXPECT_TRUE(fs::exists(kept)) << kept;
    EXPECT_TRUE(fs::exists(w98::disk::ImageMirror::folderFor(image_) / "image.source"));
}

TEST_P(DiskImage, TwoProgramsTakeTurnsAndAVirtualPcHoldingTheDiskIsWaitedFor) {
    w98::Machine first(image_);
    w98::Machine second(image_);
    first.writeFile("C:\\FIRST.TXT", "1");
    first.commit();
    second.writeFile("C:\\SECOND.TXT", "2");
    second.commit();
    EXPECT_EQ(openAfresh()->list("C:\\", "*.TXT").size(), 2u);

    const auto wait = w98::registryLockWait();
    w98::setRegistryLockWait(std::chrono::milliseconds(200));
    const int holder = ::open(image_.c_str(), O_RDWR);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    second.writeFile("C:\\THIRD.TXT", "3");
    try {
        second.commit();
        FAIL() << "wrote while another program held the image";
    } catch (const w98::Error& e) {
        EXPECT_EQ(std::string(e.what()), "磁盘映像 " + image_.string() + " 正被另一个程序使用，请稍后再试");
    }
    ::flock(holder, LOCK_UN);
    // QEMU marks the disk it runs from with a byte-range lock.
    struct flock range {};
    range.l_type = F_RDLCK;
    range.l_whence = SEEK_SET;
    range.l_start = 100;
    range.l_len = 1;
    ASSERT_EQ(::fcntl(holder, F_OFD_SETLK, &range), 0);
    try {
        second.commit();
        FAIL() << "wrote under a running virtual PC";
    } catch (const w98::Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "磁盘映像 " + image_.string() + " 正被虚拟机使用。请先关闭虚拟机，再修复它的磁盘");
    }
    ::close(holder);
    second.commit();
    EXPECT_EQ(openAfresh()->readFile("C:\\THIRD.TXT"), "3");
    w98::setRegistryLockWait(wait);
}

INSTANTIATE_TEST_SUITE_P(Fat, DiskImage, testing::Values(FatKind::Fat16, FatKind::Fat32),
                         [](const testing::TestParamInfo<FatKind>& p) {
                             return p.param == FatKind::Fat16 ? "Fat16" : "Fat32";
                         });

TEST(DiskImageRefused, WhatIsNoFatDiskIsNamedAndLeftAlone) {
    const fs::path folder = kt::makeTempFolder("korvane-disk-refused");
    ::setenv("XDG_CACHE_HOME", (folder / "cache").c_str(), 1);
    const fs::path image = folder / "notes.img";
    std::ofstream(image, std::ios::binary) << std::string(1 << 20, 'x');
    try {
        w98::Machine m(image);
        FAIL() << "opened";
    } catch (const w98::Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "磁盘映像 " + image.string() + " 不是 FAT 磁盘：既没有分区表，也没有 FAT 引导扇区");
    }
    EXPECT_EQ(kt::readBytes(image), std::string(1 << 20, 'x'));
    ::unsetenv("XDG_CACHE_HOME");
    fs::remove_all(folder);
}

// A file's format by its signatures; where two claim it, the one QEMU would try first.
TEST(DiskImageFormat, SignaturesNameTheContainerAndAnythingElseIsRaw) {
    const fs::path folder = kt::makeTempFolder("korvane-disk-format");
    const auto bytes = [](std::initializer_list<std::pair<std::size_t, std::string>> parts) {
        std::string file(2048, '\0');
        for (const auto& [at, signature] : parts)
            file.replace(at, signature.size(), signature);
        return file;
    };
    const std::string vhdFooter = "conectix" + std::string(52, '\0') + std::string("\0\0\0\x02", 4);
    const std::string vdi = std::string("\x7F\x10\xDA\xBE", 4) + std::string(8, '\0') + "\x01";
    const std::pair<std::string, std::string> cases[] = {
        {bytes({}), ""},
        {bytes({{0, "QFI\xfb"}}), "qcow2 qcow2"},
        {bytes({{0, "vhdxfile"}}), "vhdx VHDX"},
        {bytes({{0x40, vdi}}), "vdi VDI"},
        {bytes({{1536, vhdFooter}}), "vpc VHD"},
        {bytes({{0, "KDMV"}}), "vmdk VMDK"},
        {bytes({{0, "# Disk DescriptorFile\nparentFileNameHint = \"\"\n"}}), "vmdk VMDK"},
        {bytes({{0, "QFI\xfb"}, {1536, vhdFooter}}), "qcow2 qcow2"},
        {bytes({{0, "KDMV"}, {0x40, vdi}, {1536, vhdFooter}}), "vdi VDI"},
        {bytes({{0, "KDMV"}, {1536, vhdFooter}}), "vpc VHD"},
    };
    for (const auto& [content, format] : cases) {
        const fs::path file = folder / "disk.img";
        w98::replaceHostFile(file, content, file.string());
        const w98::disk::DiskSource source = w98::disk::diskSourceOf(file);
        EXPECT_EQ(source.form == w98::disk::DiskForm::Raw ? "" : source.driver + " " + source.display,
                  format);
    }
    const fs::path qed = folder / "disk.qed";
    w98::replaceHostFile(qed, bytes({{0, std::string("QED\0", 4)}}), qed.string());
    EXPECT_THROW(w98::disk::diskSourceOf(qed), w98::Error);
    fs::remove_all(folder);
}

} // namespace
