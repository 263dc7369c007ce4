#include "point_preview.h"

#include "point_difference.h"
#include "restore_check.h"
#include "restore_execution.h"
#include "restore_table.h"
#include "system_facts.h"

#include "startup/win_ini.h"

#include "platform/ini_file.h"
#include "platform/machine.h"

#include <sys/stat.h>

namespace korvane {
namespace {

// The start-up files the restore job copies out of a cabinet, in its order, and whether each
// goes to the Windows folder (else to the root of C:).
struct CabinetFile {
    const char* name;
    bool inWindows;
};
constexpr CabinetFile kCabinetFiles[] = {
    {"msdos.sys", false},   {"command.com", false}, {"config.sys", false},   {"Control.ini", true},
    {"io.sys", false},      {"Desktop.ini", true},  {"Explorer.exe", true},  {"Protocol.ini", true},
    {"system.ini", true},   {"win.ini", true},      {"win.com", true},
};

// What a file pair's folder adds to the registry files: the point's win.ini and system.ini.
struct PairFile {
    std::string from;
    const char* to;
};
std::vector<PairFile> pairFiles(const std::string& extension) {
    const std::string tail = extension == ".dat" ? "ini" : extension == ".da" ? "in" : extension == ".da0" ? "in0" : "";
    if (tail.empty())
        return {};
    return {{"win." + tail, "win.ini"}, {"system." + tail, "system.ini"}};
}

// A start-up file the restore would put in place: its name, where it goes, what the point holds.
struct Replacement {
    std::string name;
    std::string livePath;
    std::string bytes;
};

std::vector<std::string> linesOf(std::string_view file) {
    std::vector<std::string> lines;
    for (const WinIniLine& l : SplitWinIni(file))
        lines.push_back(WinIniLineText(l.bytes));
    return lines;
}

std::string key(const PreviewRow& r) {
    return r.note + '\n' + r.folder + '\n' + r.extension + '\n' + r.fileName + '\n' + r.date;
}

} // namespace

PreviewRow PreviewRowAt(const TextTable& table, int row) {
    return {table.cell(restore_col::kNote, row), table.cell(restore_col::kFolder, row),
            table.cell(restore_col::kExtension, row), table.cell(restore_col::kFileName, row),
            table.cell(restore_col::kDate, row)};
}

bool PointPreview::Stamp::same(const Stamp& o) const {
    return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
}

PointPreview::PointPreview(const std::filesystem::path& machineRoot, std::string winDir, std::string bootDrive)
    : m_(std::make_unique<w98::Machine>(machineRoot)), winDir_(std::move(winDir)), bootDrive_(std::move(bootDrive)),
      liveSystem_(m_->hostPath(winDir_ + "\\SYSTEM.DAT"), winDir_ + "\\SYSTEM.DAT", "HKEY_LOCAL_MACHINE"),
      liveUser_(m_->hostPath(winDir_ + "\\USER.DAT"), winDir_ + "\\USER.DAT", "HKEY_USERS") {}

PointPreview::~PointPreview() = default;

std::vector<PointPreview::Stamp> PointPreview::stampsOf(const PreviewRow& row) const {
    std::vector<std::string> files = {winDir_ + "\\SYSTEM.DAT", winDir_ + "\\USER.DAT"};
    if (row.extension == ".cab") {
        files.push_back(SourceCabinet(row.note, row.folder, row.fileName));
    } else {
        files.push_back(row.folder + "\\system" + row.extension);
        files.push_back(row.folder + "\\user" + row.extension);
        for (const PairFile& f : pairFiles(row.extension))
            files.push_back(row.folder + "\\" + f.from);
    }
    for (const CabinetFile& f : kCabinetFiles)
        files.push_back((f.inWindows ? winDir_ : std::string("C:")) + "\\" + f.name);
    std::vector<Stamp> stamps;
    for (const std::string& file : files) {
        Stamp s;
        try {
            s.file = m_->hostPath(file);
        } catch (const std::exception&) {
            continue; // a name no file can have
        }
        struct stat st {};
        if (::stat(s.file.c_str(), &st) == 0)
            s = Stamp{s.file, true, st.st_dev, st.st_ino, st.st_size, st.st_mtim};
        stamps.push_back(std::move(s));
    }
    return stamps;
}

std::optional<std::vector<std::string>> PointPreview::lines(const PreviewRow& row,
                                                            const std::function<bool()>& abandoned) {
    // Stamped before reading: a file that changes while it is read makes the next call read again.
    std::vector<Stamp> stamps = stampsOf(row);
    const std::string k = key(row);
    if (auto it = kept_.find(k); it != kept_.end() && it->second.files.size() == stamps.size()) {
        bool same = true;
        for (std::size_t i = 0; i < stamps.size() && same; ++i)
            same = stamps[i].file == it->second.files[i].file && stamps[i].same(it->second.files[i]);
        if (same)
            return it->second.lines;
    }
    auto made = make(row, abandoned);
    if (made)
        kept_[k] = Kept{std::move(stamps), *made};
    return made;
}

std::optional<std::vector<std::string>> PointPreview::make(const PreviewRow& row,
                                                           const std::function<bool()>& abandoned) {
    auto gone = [&] { return abandoned && abandoned(); };
    ++made_;
    TextTable table(restore_col::kCount, 2);
    table.setCell(restore_col::kNote, 1, row.note);
    table.setCell(restore_col::kFolder, 1, row.folder);
    table.setCell(restore_col::kExtension, 1, row.extension);
    table.setCell(restore_col::kFileName, 1, row.fileName);

    // The click's own checks, in its order: what it would refuse, the preview explains.
    PointContents point;
    try {
        CheckRestorableIn(*m_, winDir_, bootDrive_, table, 1);
        if (gone())
            return std::nullopt;
        CheckRestorePoint(*m_, table, 1, &point);
    } catch (const w98::Error& e) {
        return RefusalLines(e.what(), row.date);
    }
    if (gone())
        return std::nullopt;

    const w98::regtree::Key& liveSystem = liveSystem_.fresh();
    if (gone())
        return std::nullopt;
    const w98::regtree::Key& liveUser = liveUser_.fresh();
    if (gone())
        return std::nullopt;

    std::vector<Replacement> replacing;
    if (row.extension == ".cab") {
        for (const CabinetFile& f : kCabinetFiles)
            for (w98::CabEntry& e : point.cabinetFiles)
                if (w98::equalsNoCase(e.name, f.name))
                    replacing.push_back({f.name, (f.inWindows ? winDir_ : std::string("C:")) + "\\" + f.name,
                                         std::move(e.data)});
    } else {
        for (const PairFile& f : pairFiles(row.extension))
            if (m_->isFile(row.folder + "\\" + f.from))
                replacing.push_back({f.to, winDir_ + "\\" + f.to, m_->readFile(row.folder + "\\" + f.from)});
    }

    const std::string liveWinIniPath = winDir_ + "\\win.ini";
    const std::string liveWinIni = m_->isFile(liveWinIniPath) ? m_->readFile(liveWinIniPath) : std::string();
    std::string pointWinIni = liveWinIni;
    std::vector<std::string> differing;
    for (const Replacement& r : replacing) {
        if (w98::equalsNoCase(r.name, "win.ini"))
            pointWinIni = r.bytes;
        if (!m_->isFile(r.livePath) || m_->readFile(r.livePath) != r.bytes)
            differing.push_back(r.name);
    }
    if (gone())
        return std::nullopt;

    const SystemFacts live = ReadSystemFacts(liveSystem, liveUser, linesOf(liveWinIni), FactsOf::LiveMachine);
    const SystemFacts then = ReadSystemFacts(*point.registry.system, *point.registry.user, linesOf(pointWinIni), FactsOf::RestorePoint);
    return DifferenceLines(live, then, differing, row.date);
}

} // namespace korvane
