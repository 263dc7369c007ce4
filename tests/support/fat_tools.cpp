#include "fat_tools.h"
#include "fat_tools_detail.h"
#include "tool_process.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <fstream>
#include <iconv.h>
#include <ostream>
#include <span>
#include <sstream>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace korvane::test {
namespace fs = std::filesystem;

namespace fat_detail {

std::optional<std::string> recode(std::string_view bytes, const char* from, const char* to) {
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    std::string in(bytes), out(bytes.size() * 4 + 16, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    const bool ok = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) &&
                    ::iconv(cd, nullptr, nullptr, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    ::iconv_close(cd);
    if (!ok)
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

std::string shortNameAsUtf8(const std::string& stored) {
    return recode(stored, "CP936", "UTF-8").value_or(stored);
}

} // namespace fat_detail

namespace {

constexpr std::uint64_t kSector = 512;
constexpr unsigned kSectorsPerTrack = 63;
constexpr char kHex[] = "0123456789ABCDEF";

struct VolumeExtent {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

std::uint32_t le32(const std::array<unsigned char, 512>& b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
           std::uint32_t{b[at + 3]} << 24;
}

void putLe32(std::array<unsigned char, 512>& b, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// Microsoft's FORMAT table of sectors per cluster by volume size (0: too small for the kind).
unsigned sectorsPerCluster(FatKind kind, std::uint64_t sectors) {
    struct Step {
        std::uint64_t upTo;
        unsigned perCluster;
    };
    static constexpr Step fat16[] = {{8400, 0},     {32680, 2},    {262144, 4},   {524288, 8},
                                     {1048576, 16}, {2097152, 32}, {4194304, 64}, {UINT64_MAX, 0}};
    static constexpr Step fat32[] = {{66600, 0},     {532480, 1},    {16777216, 8},
                                     {33554432, 16}, {67108864, 32}, {UINT64_MAX, 64}};
    for (const Step& s :
         (kind == FatKind::Fat16 ? std::span<const Step>(fat16) : std::span<const Step>(fat32)))
        if (sectors <= s.upTo)
            return s.perCluster;
    return 0;
}

// Head, sector and cylinder bytes of a partition entry; past cylinder 1023 the largest value,
// as FDISK writes for partitions reached by LBA.
std::array<unsigned char, 3> chs(std::uint64_t lba, unsigned heads) {
    std::uint64_t cylinder = lba / (heads * kSectorsPerTrack);
    unsigned head = static_cast<unsigned>((lba / kSectorsPerTrack) % heads);
    unsigned sector = static_cast<unsigned>(lba % kSectorsPerTrack) + 1;
    if (cylinder > 1023) {
        cylinder = 1023;
        head = heads - 1;
        sector = kSectorsPerTrack;
    }
    return {static_cast<unsigned char>(head), static_cast<unsigned char>(sector | ((cylinder >> 2) & 0xC0)),
            static_cast<unsigned char>(cylinder & 0xFF)};
}

void writeMbr(const fs::path& image, std::uint32_t start, std::uint32_t count, unsigned char type,
              unsigned heads) {
    std::array<unsigned char, 512> mbr{};
    unsigned char* entry = mbr.data() + 446;
    entry[0] = 0x80;
    const auto first = chs(start, heads), last = chs(start + count - 1, heads);
    std::copy(first.begin(), first.end(), entry + 1);
    entry[4] = type;
    std::copy(last.begin(), last.end(), entry + 5);
    putLe32(mbr, 446 + 8, start);
    putLe32(mbr, 446 + 12, count);
    mbr[510] = 0x55;
    mbr[511] = 0xAA;
    std::fstream f(image, std::ios::in | std::ios::out | std::ios::binary);
    f.write(reinterpret_cast<const char*>(mbr.data()), mbr.size());
    if (!f)
        throw std::runtime_error("cannot write the partition table of " + image.string());
}

bool isFatBootSector(const std::array<unsigned char, 512>& b) {
    const bool jump = (b[0] == 0xEB && b[2] == 0x90) || b[0] == 0xE9;
    const unsigned bytesPerSector = unsigned{b[11]} | unsigned{b[12]} << 8;
    const unsigned perCluster = b[13];
    const unsigned reserved = unsigned{b[14]} | unsigned{b[15]} << 8;
    return jump &&
           (bytesPerSector == 512 || bytesPerSector == 1024 || bytesPerSector == 2048 ||
            bytesPerSector == 4096) &&
           perCluster != 0 && (perCluster & (perCluster - 1)) == 0 && reserved >= 1 &&
           (b[16] == 1 || b[16] == 2) && b[510] == 0x55 && b[511] == 0xAA;
}

VolumeExtent volumeExtent(const fs::path& image) {
    std::array<unsigned char, 512> sector{};
    std::ifstream f(image, std::ios::binary);
    if (!f.read(reinterpret_cast<char*>(sector.data()), sector.size()))
        throw std::runtime_error(image.string() + " is too short for a disk image");
    const std::uint64_t fileSize = fs::file_size(image);
    if (isFatBootSector(sector))
        return {0, fileSize};
    if (sector[510] == 0x55 && sector[511] == 0xAA) {
        for (std::size_t at = 446; at < 510; at += 16) {
            const unsigned char type = sector[at + 4];
            const std::uint64_t start = le32(sector, at + 8) * kSector,
                                length = le32(sector, at + 12) * kSector;
            const bool fatType =
                type == 0x01 || type == 0x04 || type == 0x06 || type == 0x0B || type == 0x0C || type == 0x0E;
            if (fatType && start > 0 && start < fileSize)
                return {start, std::min(length, fileSize - start)};
        }
    }
    throw std::runtime_error(image.string() + " holds neither a FAT volume nor a FAT partition");
}

// A file under the temporary folder, removed when this goes.
class TempFile {
  public:
    TempFile() {
        static std::atomic<unsigned> counter{0};
        path_ = fs::temp_directory_path() /
                ("korvane-fat-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".img");
    }
    ~TempFile() {
        std::error_code ec;
        fs::remove(path_, ec);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

// Copies only the parts of the range that hold data: a partition of a sparse image is mostly holes.
void copyRangeSparse(const fs::path& from, VolumeExtent extent, const fs::path& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    auto fail = [&](const std::string& what) {
        ::close(in);
        ::close(out);
        throw std::runtime_error(what + " " + from.string());
    };
    if (in < 0 || out < 0 || ::ftruncate(out, static_cast<off_t>(extent.length)) != 0)
        fail("cannot copy the volume of");
    const off_t end = static_cast<off_t>(extent.offset + extent.length);
    std::vector<char> buffer(1 << 20);
    off_t pos = static_cast<off_t>(extent.offset);
    while (pos < end) {
        off_t data = ::lseek(in, pos, SEEK_DATA);
        off_t hole = data >= 0 ? ::lseek(in, data, SEEK_HOLE) : -1;
        if (data < 0 && errno == ENXIO)
            break;
        if (data < 0 || hole < 0) // no hole support: copy everything
            data = pos, hole = end;
        for (pos = data; pos < std::min(hole, end);) {
            const auto want = static_cast<std::size_t>(
                std::min<off_t>(std::min(hole, end) - pos, static_cast<off_t>(buffer.size())));
            const ssize_t n = ::pread(in, buffer.data(), want, pos);
            if (n <= 0 || ::pwrite(out, buffer.data(), static_cast<std::size_t>(n),
                                   pos - static_cast<off_t>(extent.offset)) != n)
                fail("cannot copy the volume of");
            pos += n;
        }
        pos = std::max(pos, hole);
    }
    ::close(in);
    if (::close(out) != 0)
        throw std::runtime_error("cannot copy the volume of " + from.string());
}

bool onlyVersionAndSummary(const std::string& output) {
    std::istringstream in(output);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.push_back(line);
    return lines.size() == 2 && lines[0].starts_with("fsck.fat ") &&
           lines[1].find(" files, ") != std::string::npos && lines[1].ends_with(" clusters");
}

} // namespace

void makeFatImage(const fs::path& image, FatKind kind, unsigned megabytes, bool partitioned) {
    const std::uint64_t total = std::uint64_t{megabytes} * 2048;
    const unsigned heads = total <= 1024ULL * 16 * kSectorsPerTrack ? 16 : 255;
    const std::uint64_t cylinder = heads * kSectorsPerTrack;
    const std::uint64_t start = partitioned ? kSectorsPerTrack : 0;
    const std::uint64_t volume = partitioned ? total / cylinder * cylinder - start : total;
    const unsigned perCluster = sectorsPerCluster(kind, volume);
    if (perCluster == 0 || volume > UINT32_MAX)
        throw std::runtime_error(std::to_string(megabytes) + " MB is no size for this kind of FAT volume");

    fs::remove(image);
    std::ofstream(image, std::ios::binary).close();
    // mkfs.fat sizes the volume by what follows the offset in the file; the rest of the last
    // cylinder is added afterwards.
    fs::resize_file(image, (start + volume) * kSector);
    const bool fat16 = kind == FatKind::Fat16;
    std::vector<std::string> argv = {"mkfs.fat",
                                     "-F",
                                     fat16 ? "16" : "32",
                                     "-S",
                                     "512",
                                     "-s",
                                     std::to_string(perCluster),
                                     "-g",
                                     std::to_string(heads) + "/63",
                                     "-h",
                                     std::to_string(start),
                                     "-R",
                                     fat16 ? "1" : "32",
                                     "-a",
                                     "-n",
                                     "KORVANE"};
    if (partitioned)
        argv.push_back("--offset=" + std::to_string(start));
    argv.push_back(image.string());
    const ToolResult made = runTool(argv);
    if (made.exitCode != 0 || made.output.find("WARNING") != std::string::npos)
        throw std::runtime_error(describeRun(argv, made));
    fs::resize_file(image, total * kSector);
    if (partitioned) {
        const unsigned char type = !fat16 ? 0x0C : volume < 65536 ? 0x04 : 0x06;
        writeMbr(image, static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(volume), type, heads);
    }
}

void PrintTo(const FatListedEntry& entry, std::ostream* os) {
    auto escaped = [](const std::string& text) {
        std::string out;
        for (const char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte < 0x20 || byte == 0x7F) {
                out += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
            } else {
                out += c;
            }
        }
        return out;
    };
    *os << '{' << escaped(entry.path) << " | " << escaped(entry.shortName) << " | 0x"
        << kHex[entry.attributes >> 4] << kHex[entry.attributes & 0xF] << " | " << entry.size << '}';
}

std::uint64_t fatVolumeOffset(const fs::path& image) {
    return volumeExtent(image).offset;
}

std::string mtoolsVolume(const fs::path& image) {
    return image.string() + "@@" + std::to_string(fatVolumeOffset(image));
}

// What fsck.fat finds beyond what ScanDisk mends without loss: clusters no file holds, a second
// FAT behind the first, a free-space count left unknown.
std::string unmendable(const std::string& fsck) {
    std::istringstream in(fsck);
    std::string line, out;
    while (std::getline(in, line)) {
        bool fine = line.empty();
        for (const char* mended :
             {"fsck.fat ", "Leaving filesystem unchanged", "FATs differ but appear to be intact",
              "Using first FAT", "Reclaimed ", "Free cluster summary uninitialized", "Auto-correcting",
              "Checking for unused clusters", " files, "})
            fine = fine || line.find(mended) != std::string::npos;
        if (!fine)
            out += line + "\n";
    }
    return out;
}

std::string fsckFatProblems(const fs::path& image) {
    const VolumeExtent extent = volumeExtent(image);
    TempFile copy;
    fs::path volume = image;
    if (extent.offset != 0) {
        copyRangeSparse(image, extent, copy.path());
        volume = copy.path();
    }
    const ToolResult checked = runTool({"fsck.fat", "-n", "-S", volume.string()});
    if (checked.exitCode == 0 && onlyVersionAndSummary(checked.output))
        return "";
    return checked.output.empty() ? "fsck.fat exit " + std::to_string(checked.exitCode) : checked.output;
}

} // namespace korvane::test
